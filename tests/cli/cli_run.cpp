#include "cli_run.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

CliRun runConvert(const std::vector<std::string> &args,
                  const std::function<bool(const std::string &)> &onOutput, int timeoutSec,
                  const std::vector<int> &stopSignals, const std::function<void()> &inChild) {
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    if (inChild) inChild();
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    close(outPipe[0]);
    close(errPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(TREVIX_CONVERT));
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(TREVIX_CONVERT, argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  CliRun r;
  bool interrupted = false;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSec);
  while (open > 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      ADD_FAILURE() << "trevix-convert did not end in time";
      break;
    }
    const bool ready = poll(fds, 2, 200) > 0;
    for (int i = 0; i < 2 && ready; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
        continue;
      }
      (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
    }
    if (onOutput && !interrupted && onOutput(r.out)) {
      interrupted = true;
      for (size_t i = 0; i < stopSignals.size(); ++i) {
        // Two of a kind sent at once would reach the program as one.
        if (i > 0) usleep(2000);
        kill(pid, stopSignals[i]);
      }
    }
  }
  for (auto &f : fds)
    if (f.fd >= 0) close(f.fd);
  int st = 0;
  waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}
