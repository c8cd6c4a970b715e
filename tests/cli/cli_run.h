// trevix-convert run as a program, its output read as it comes.
#pragma once

#include <signal.h>

#include <functional>
#include <string>
#include <vector>

struct CliRun {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
  std::string said() const { return out + err; }  // both streams
};

// Runs the converter with `args`; `onOutput` sees the standard output read
// so far (also while nothing comes) and may return true once to have
// `stopSignals` sent to the program. `inChild` runs in the program's process
// before it starts.
CliRun runConvert(const std::vector<std::string> &args,
                  const std::function<bool(const std::string &)> &onOutput = nullptr, int timeoutSec = 120,
                  const std::vector<int> &stopSignals = {SIGINT}, const std::function<void()> &inChild = nullptr);
