#include "thread_ids.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <thread>

uint32_t currentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

int resolveThreadCount(int requested) {
  if (requested > 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

void runWithLowerPriority(int steps, const std::function<void()> &work) {
  std::exception_ptr failure;
  std::thread helper([&] {
    // On Linux the nice value belongs to the thread, and a new thread
    // starts with its creator's.
    const id_t self = static_cast<id_t>(currentThreadId());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, self);
    if (errno == 0) setpriority(PRIO_PROCESS, self, nice + steps);
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  helper.join();
  if (failure) std::rethrow_exception(failure);
}
