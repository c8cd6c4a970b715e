#include "thread_ids.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

uint32_t currentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

int resolveThreadCount(int requested) {
  if (requested > 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}
