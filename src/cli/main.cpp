// trevix-convert: converts files with the output profiles of Trevix MOV
// Video Converter, without a window. See helpText() for the usage.
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

#include "cli_edits.h"
#include "cli_options.h"
#include "cli_runner.h"
#include "media_engine.h"

namespace {

constexpr int kExitBadArguments = 2;

// The folder the program lies in (it holds "Common").
std::string programFolder(const char *argv0) {
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
CliRunner *gRunner = nullptr;

// Makes `runner` the run that stop requests reach, for the life of this
// object, however the run ends.
class StopTarget {
 public:
  explicit StopTarget(CliRunner &runner) {
    std::lock_guard<std::mutex> g(gRunnerMutex);
    gRunner = &runner;
  }
  ~StopTarget() {
    std::lock_guard<std::mutex> g(gRunnerMutex);
    gRunner = nullptr;
  }
  StopTarget(const StopTarget &) = delete;
  StopTarget &operator=(const StopTarget &) = delete;
};

// Ctrl-C and termination requests are taken by one thread that waits for
// them; every other thread, the engine's included, has them blocked, so no
// library call is ever cut off by a signal. The first request stops the run
// as the Stop button does; a second one has the unfinished output removed
// and the program quit as soon as it is; a third quits at once (an output
// under way is then left under its hidden temporary name, never under its
// own).
void watchSignals(sigset_t set) {
  int count = 0;
  int first = 0;
  for (;;) {
    int sig = 0;
    if (sigwait(&set, &sig) != 0) continue;
    ++count;
    if (count == 1) first = sig;
    if (count <= 2) {
      if (count == 2) {
        static const char kMsg[] = "\ntrevix-convert: interrupted again, removing the unfinished output\n";
        (void)!write(STDERR_FILENO, kMsg, sizeof kMsg - 1);
      }
      std::lock_guard<std::mutex> g(gRunnerMutex);
      if (gRunner) {
        if (count == 1) gRunner->requestStop(sig);
        else gRunner->requestQuit();
      }
    } else {
      _exit(128 + first);
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CliOptions options;
  ConversionChoices choices;
  int threads = 0;
  if (args.empty()) {
    std::fputs("Usage: trevix-convert [options] -o FOLDER FILE|SOURCE-FOLDER...\n"
               "       trevix-convert --list-profiles | --help | --version\n",
               stderr);
    return kExitBadArguments;
  }
  try {
    options = parseCommandLine(args);
    if (options.help) {
      std::fputs(helpText().c_str(), stdout);
      return 0;
    }
    if (options.version) {
      std::fputs(versionText().c_str(), stdout);
      return 0;
    }
    if (options.listProfiles) {
      std::fputs(profileListText().c_str(), stdout);
      return 0;
    }
    // Every choice is checked before anything is converted.
    choices = resolveChoices(options);
    choices.edits = jobEditsOption(options);
    choices.targetSizeBytes = targetSizeOption(options);
    threads = threadsOption(options);
    choices.simultaneous = jobsOption(options);
    checkForConversion(options);
    options.files = expandSourceArguments(options.files);
  } catch (const UsageError &e) {
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

  const std::string folder = programFolder(argc > 0 ? argv[0] : nullptr);
  MediaEngine engine;
  if (!engine.loadAVLib((std::filesystem::path(folder) / "Common").string(), true)) {
    std::fprintf(stderr, "trevix-convert: Some files are missing. Please re-install this software\n(%s)\n",
                 engine.lastErrorMessage().c_str());
    return 1;
  }
  engine.setThreadsPerTask(threads);

  CliOutput output;
  output.quiet = options.quiet;
  output.json = options.json;
  output.terminal = isatty(STDOUT_FILENO) == 1;
  std::vector<FileResult> results;
  int stopSignal = 0;
  std::thread(watchSignals, stopSignals).detach();
  try {
    CliRunner runner(engine, choices, options.files, folder, output);
    const StopTarget target(runner);
    results = runner.run();
    stopSignal = runner.stopSignal();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "trevix-convert: %s\n", e.what());
    return 1;
  }
  const int status = exitStatusFor(results, stopSignal);
  if (options.json)
    std::printf("%s\n", summaryJson(results, status).c_str());
  else if (!options.quiet)
    std::printf("%s\n", summaryText(results).c_str());
  return status;
}
