// trevix-convert: converts files with the output profiles of Trevix MOV
// Video Converter, without a window. See HelpText() for the usage.
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli_options.h"
#include "cli_runner.h"
#include "ffmpeg_vcl.h"

namespace {

constexpr int kExitBadArguments = 2;

// The folder the program lies in (it holds "Common").
std::string ProgramFolder(const char *argv0) {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) {
    buf[n] = '\0';
    return std::filesystem::path(buf).parent_path().string();
  }
  std::error_code ec;
  const auto p = std::filesystem::absolute(argv0 ? argv0 : "", ec);
  return ec ? std::string(".") : p.parent_path().string();
}

// The run that a stop request reaches, while there is one.
std::mutex gRunnerMutex;
TCliRunner *gRunner = nullptr;

// Makes `runner` the run that stop requests reach, for the life of this
// object, however the run ends.
class TStopTarget {
 public:
  explicit TStopTarget(TCliRunner &runner) {
    std::lock_guard<std::mutex> g(gRunnerMutex);
    gRunner = &runner;
  }
  ~TStopTarget() {
    std::lock_guard<std::mutex> g(gRunnerMutex);
    gRunner = nullptr;
  }
  TStopTarget(const TStopTarget &) = delete;
  TStopTarget &operator=(const TStopTarget &) = delete;
};

// Ctrl-C and termination requests are taken by one thread that waits for
// them; every other thread, the engine's included, has them blocked, so no
// library call is ever interrupted. The first request stops the run as the
// Stop button does; a second one ends the program at once.
void WatchSignals(sigset_t set) {
  int count = 0;
  for (;;) {
    int sig = 0;
    if (sigwait(&set, &sig) != 0) continue;
    if (++count == 1) {
      std::lock_guard<std::mutex> g(gRunnerMutex);
      if (gRunner) gRunner->RequestStop(sig);
    } else {
      static const char kMsg[] = "\ntrevix-convert: interrupted again, quitting at once\n";
      (void)!write(STDERR_FILENO, kMsg, sizeof kMsg - 1);
      _exit(128 + sig);
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  TCliOptions options;
  TConversionChoices choices;
  if (args.empty()) {
    std::fputs("Usage: trevix-convert [options] -o FOLDER FILE...\n"
               "       trevix-convert --list-profiles | --help\n",
               stderr);
    return kExitBadArguments;
  }
  try {
    options = ParseCommandLine(args);
    if (options.Help) {
      std::fputs(HelpText().c_str(), stdout);
      return 0;
    }
    if (options.ListProfiles) {
      std::fputs(ProfileListText().c_str(), stdout);
      return 0;
    }
    // Every choice is checked before anything is converted.
    choices = ResolveChoices(options);
    CheckForConversion(options);
  } catch (const TUsageError &e) {
    std::fprintf(stderr, "trevix-convert: %s\n", e.what());
    return kExitBadArguments;
  }

  // Block the stop signals before any thread exists, so that every thread
  // inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  const std::string programFolder = ProgramFolder(argc > 0 ? argv[0] : nullptr);
  TFFmpegVCL vcl;
  if (!vcl.LoadAVLib((std::filesystem::path(programFolder) / "Common").string(), true)) {
    std::fprintf(stderr, "trevix-convert: Some files are missing. Please re-install this software\n(%s)\n",
                 vcl.LastErrorMessage().c_str());
    return 1;
  }

  TCliOutput output;
  output.Quiet = options.Quiet;
  output.Terminal = isatty(STDOUT_FILENO) == 1;
  std::vector<TFileResult> results;
  int stopSignal = 0;
  std::thread(WatchSignals, stopSignals).detach();
  try {
    TCliRunner runner(vcl, choices, options.Files, programFolder, output);
    const TStopTarget target(runner);
    results = runner.Run();
    stopSignal = runner.StopSignal();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "trevix-convert: %s\n", e.what());
    return 1;
  }
  if (!options.Quiet) std::printf("%s\n", SummaryText(results).c_str());
  return ExitStatusFor(results, stopSignal);
}
