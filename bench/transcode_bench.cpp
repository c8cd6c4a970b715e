// Transcode benchmark: the converter with every core and with one thread,
// against the limit (the one-thread CPU time spread over the cores), the
// shortest direct loop over the same libraries (the floor) and, where it
// is installed, the FFmpeg command line.
//
//   transcode_bench [--keep] [--repeat N] [--source FILE] [--work DIR] [--case NAME]...
//
// Generates (once) a 30 s 1920x1080 29.97 fps H.264 + AAC QuickTime source
// and a batch of short 640x360 clips. Each case converts them through
// trevix-convert (next to this program), every run in a fresh process, and
// prints wall seconds, CPU seconds and peak memory (the largest resident
// set of the run's process), with each run's wall time against the
// one-thread run of its kind ("wall x") and against the limit ("limit x").
// The batch goes through one trevix-convert with --jobs 1 and --jobs 0
// ("n/a" while the program has no --jobs). With --repeat N each run is made
// N times, the runs of a case taken in turn, and the median counts (wall
// and CPU each; the peak is the largest seen). The machine and its load
// before and after are printed with the table: figures taken while other
// work runs say little. --case picks cases by name (ipod_mp4, xvid_avi,
// h264_mp4, ipod_batch).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "binding.h"
#include "floor_loop.h"
#include "media_engine.h"
#include "media_fixture.h"

namespace fs = std::filesystem;

namespace {

// ------------------------------------------------------------ cases

// How one case is converted: through the converter with every core (0) or
// one thread, through the direct loop likewise, or through the FFmpeg
// command line; a batch with --jobs N.
enum class Runner { Engine, Floor, Peer };

struct Side {
  const char *label;
  Runner runner;
  int threads;
  int jobs;  // -1: no --jobs
};

// A profile as trevix-convert names it, what the direct loop and the peer
// do for it (the same encoders, picture size and bit rates), and the sides
// it is run on. A batch converts the clips instead of the 1080p source.
struct Case {
  const char *name;
  const char *profile;  // --profile
  const char *ext;
  FloorSettings floor;
  std::vector<Side> sides;  // the first is "all cores", the second "one thread"
  bool batch = false;
};

// The FFmpeg command line the "iPod (*.mp4)" profile is compared with.
const char *const kPeerIpod[] = {"-c:v", "mpeg4", "-b:v", "512k", "-s", "320x240", "-r", "25", "-c:a",
                                 "aac", "-b:a", "64k", "-ar", "44100", "-ac", "2"};

const Side kAllCores{"all cores", Runner::Engine, 0, -1};
const Side kOneThread{"one thread", Runner::Engine, 1, -1};
const Side kFloorSides[] = {{"floor, all cores", Runner::Floor, 0, -1}, {"floor, one thread", Runner::Floor, 1, -1}};

std::vector<Case> allCases() {
  const FloorSettings ipod{"mpeg4", "aac", 320, 240, 512000, 64000, 44100, 2};
  const FloorSettings xvid{"libxvid", "libmp3lame", 0, 0, 1200000, 128000, 44100, 2};
  return {
      {"ipod_mp4", "iPod (*.mp4)", "mp4", ipod,
       {kAllCores, kOneThread, kFloorSides[0], kFloorSides[1], {"ffmpeg command", Runner::Peer, 0, -1}}},
      {"xvid_avi", "AVI - XviD Video (*.avi)", "avi", xvid, {kAllCores, kOneThread, kFloorSides[0], kFloorSides[1]}},
      {"h264_mp4", "MP4 - H.264 Video (*.mp4)", "mp4", {}, {kAllCores, kOneThread}},
      {"ipod_batch", "iPod (*.mp4)", "mp4", ipod,
       {{"--jobs 1", Runner::Engine, 0, 1}, {"one thread", Runner::Engine, 1, 1}, {"--jobs 0", Runner::Engine, 0, 0}},
       true},
  };
}

constexpr int kBatchClips = 8;
constexpr double kBatchClipSeconds = 6;

std::string programDir() {
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return ".";
  return fs::path(std::string(self, static_cast<size_t>(n))).parent_path().string();
}

std::string commonDir() { return (fs::path(programDir()) / "Common").string(); }
std::string converter() { return (fs::path(programDir()) / "trevix-convert").string(); }

bool bind() {
  if (librariesLoaded()) return true;
  if (!loadLibraries(commonDir(), true)) {
    std::fprintf(stderr, "cannot bind the media libraries: %s\n", libraryError().c_str());
    return false;
  }
  libavutil.av_log_set_level(AV_LOG_ERROR);
  return true;
}

int coreCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

std::string commandLine(const std::string &command) {
  std::string out;
  if (FILE *p = popen(command.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

std::string processorName() {
  const std::string model = commandLine("lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -n 1");
  return model.empty() ? "unknown processor" : model;
}

// ------------------------------------------------------------ sources

bool makeMedia(MediaRecipe recipe) {
  const std::string path = recipe.path;
  recipe.path += ".part.mov";
  const std::string err = generateMedia(recipe);
  if (!err.empty()) {
    std::fprintf(stderr, "cannot make %s: %s\n", path.c_str(), err.c_str());
    return false;
  }
  fs::rename(recipe.path, path);
  return true;
}

bool generateSource(const std::string &path) {
  MediaRecipe recipe;
  recipe.path = path;
  recipe.width = 1920;
  recipe.height = 1080;
  recipe.durationSec = 30;
  recipe.x264Preset = "veryfast";
  recipe.videoBitRate = 8000000;
  recipe.gopSize = 60;
  recipe.audioBitRate = 160000;
  return makeMedia(recipe);
}

// The batch's clips, as a phone would leave them in a folder.
bool generateBatch(const fs::path &dir) {
  fs::create_directories(dir);
  for (int i = 1; i <= kBatchClips; ++i) {
    MediaRecipe recipe;
    recipe.path = (dir / ("clip-" + std::to_string(i) + ".mov")).string();
    if (fs::exists(recipe.path)) continue;
    recipe.width = 640;
    recipe.height = 360;
    recipe.durationSec = kBatchClipSeconds;
    recipe.x264Preset = "veryfast";
    recipe.gopSize = 30;
    if (!makeMedia(recipe)) return false;
  }
  return true;
}

// ------------------------------------------------------------ measuring

struct Measure {
  bool ok = false;
  bool ran = false;  // false: the side could not run here ("n/a")
  double wall = 0, cpu = 0;
  double peakMiB = 0;
};

// Runs `argv` (a program in the PATH or a path) as a child process and
// measures it.
Measure runChild(const std::vector<std::string> &argv) {
  Measure m;
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
    execvp(args[0], args.data());
    _exit(127);
  }
  if (pid < 0) return m;
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  m.ran = true;
  m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  m.cpu = ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
  m.peakMiB = ru.ru_maxrss / 1024.0;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

// What this machine offers: trevix-convert's --jobs, the FFmpeg command.
struct Tools {
  bool jobs = false;
  bool peer = false;
};

Tools findTools() {
  Tools t;
  t.jobs = commandLine("'" + converter() + "' --help 2>&1").find("--jobs") != std::string::npos;
  t.peer = !commandLine("command -v ffmpeg").empty();
  return t;
}

struct Paths {
  std::string source;  // the 1080p source
  fs::path batch;      // the folder of clips
  fs::path work;
};

// One side of one case, in a folder of its own (the converter names its
// output after the source).
Measure runSide(const Case &c, int caseIndex, const Side &s, const Paths &p, const Tools &tools, bool keep) {
  if ((s.runner == Runner::Peer && !tools.peer) || (s.jobs >= 0 && s.jobs != 1 && !tools.jobs)) return {};
  const fs::path dir = p.work / (std::string(c.name) + "-" + std::to_string(&s - c.sides.data()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string threads = std::to_string(s.threads);
  std::vector<std::string> argv;
  switch (s.runner) {
    case Runner::Engine:
      argv = {converter(), "--quiet", "--profile", c.profile, "--threads", threads};
      if (s.jobs >= 0 && tools.jobs) argv.insert(argv.end(), {"--jobs", std::to_string(s.jobs)});
      argv.insert(argv.end(), {"-o", dir.string(), c.batch ? p.batch.string() : p.source});
      break;
    case Runner::Floor:
      argv = {(fs::path(programDir()) / "transcode_bench").string(), "--child", std::to_string(caseIndex), threads,
              p.source, (dir / (std::string("floor.") + c.ext)).string()};
      break;
    case Runner::Peer:
      argv = {"ffmpeg", "-nostdin", "-loglevel", "error", "-i", p.source};
      argv.insert(argv.end(), std::begin(kPeerIpod), std::end(kPeerIpod));
      argv.push_back((dir / "peer.mp4").string());
      break;
  }
  const Measure m = runChild(argv);
  if (!keep) fs::remove_all(dir);
  return m;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Every side of `c`, `repeat` times in turn; the medians and the largest
// peak of each side.
std::vector<Measure> measureCase(const Case &c, int caseIndex, int repeat, const Paths &p, const Tools &tools,
                                 bool keep, bool &allOk) {
  std::vector<std::vector<Measure>> runs(c.sides.size());
  for (int r = 0; r < repeat; ++r)
    for (size_t s = 0; s < c.sides.size(); ++s) {
      const Measure m = runSide(c, caseIndex, c.sides[s], p, tools, keep);
      if (m.ran && !m.ok) {
        std::fprintf(stderr, "%s failed for %s\n", c.sides[s].label, c.name);
        allOk = false;
      }
      runs[s].push_back(m);
    }
  std::vector<Measure> out(c.sides.size());
  for (size_t s = 0; s < c.sides.size(); ++s) {
    std::vector<double> wall, cpu;
    for (const Measure &m : runs[s]) {
      if (!m.ran) continue;
      wall.push_back(m.wall);
      cpu.push_back(m.cpu);
      out[s].peakMiB = std::max(out[s].peakMiB, m.peakMiB);
    }
    out[s].ran = !wall.empty();
    out[s].ok = out[s].ran;
    out[s].wall = median(wall);
    out[s].cpu = median(cpu);
  }
  return out;
}

// The case's rows: each side against the one-thread run of its kind and
// against the limit (the converter's one-thread CPU time over the cores).
void printCase(const Case &c, const std::vector<Measure> &m) {
  const double limit = m[1].cpu / coreCount();
  for (size_t s = 0; s < c.sides.size(); ++s) {
    const char *name = s == 0 ? c.profile : "";
    if (!m[s].ran) {
      std::printf("%-26s %-18s %9s %9s %10s %8s %8s\n", name, c.sides[s].label, "n/a", "n/a", "n/a", "n/a", "n/a");
      continue;
    }
    const Measure &one = c.sides[s].runner == Runner::Floor ? m[3] : m[1];
    std::printf("%-26s %-18s %8.2fs %8.2fs %6.1fMiB %7.3f %7.3f\n", name, c.sides[s].label, m[s].wall, m[s].cpu,
                m[s].peakMiB, m[s].wall / one.wall, m[s].wall / limit);
  }
  std::printf("%-26s limit %.2fs (one-thread CPU %.2fs / %d cores)", c.batch ? "  (8 clips 640x360)" : "", limit,
              m[1].cpu, coreCount());
  if (c.batch && m[2].ran) std::printf("; --jobs 0 / --jobs 1: %.3f", m[2].wall / m[0].wall);
  if (!c.batch && c.sides.size() > 4 && m[4].ran) std::printf("; all cores / ffmpeg: %.3f", m[0].wall / m[4].wall);
  std::printf("\n");
}

int childMain(int argc, char **argv) {
  if (argc < 6) return 2;
  const std::vector<Case> cases = allCases();
  const int index = std::atoi(argv[2]);
  if (index < 0 || index >= static_cast<int>(cases.size()) || !cases[index].floor.vcodec) return 2;
  if (!bind()) return 3;
  return runFloor(cases[index].floor, std::atoi(argv[3]), argv[4], argv[5]) ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return childMain(argc, argv);
  int repeat = 1;
  bool keep = false;
  Paths p;
  p.work = fs::temp_directory_path() / "trevix-bench";
  std::vector<std::string> picked;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--repeat" && i + 1 < argc) repeat = std::max(1, std::atoi(argv[++i]));
    else if (a == "--keep") keep = true;
    else if (a == "--work" && i + 1 < argc) p.work = argv[++i];
    else if (a == "--source" && i + 1 < argc) p.source = argv[++i];
    else if (a == "--case" && i + 1 < argc) picked.push_back(argv[++i]);
    else {
      std::fprintf(stderr, "usage: %s [--repeat N] [--keep] [--work DIR] [--source FILE] [--case NAME]...\n",
                   argv[0]);
      return 2;
    }
  }
  if (!fs::exists(converter())) {
    std::fprintf(stderr, "trevix-convert is not built next to %s\n", argv[0]);
    return 1;
  }
  if (!bind()) return 1;
  fs::create_directories(p.work);
  if (p.source.empty()) p.source = (p.work / "source-1920x1080-29.97fps-30s.mov").string();
  p.batch = p.work / "clips-640x360";
  std::printf("generating the sources (once) ...\n");
  std::fflush(stdout);
  if ((!fs::exists(p.source) && !generateSource(p.source)) || !generateBatch(p.batch)) return 1;

  const Tools tools = findTools();
  std::printf("machine: %s, %d cores\n", processorName().c_str(), coreCount());
  std::printf("load before: %s\n", commandLine("uptime").c_str());
  std::printf("source: %s; batch: %d clips of %.0f s in %s; median of %d run%s\n", p.source.c_str(), kBatchClips,
              kBatchClipSeconds, p.batch.c_str(), repeat, repeat > 1 ? "s" : "");
  std::printf("trevix-convert --jobs: %s; ffmpeg command: %s\n\n", tools.jobs ? "yes" : "n/a",
              tools.peer ? commandLine("ffmpeg -version | head -n 1").c_str() : "n/a");
  std::printf("%-26s %-18s %9s %9s %10s %8s %8s\n", "profile", "run", "wall", "cpu", "peak", "wall x", "limit x");
  std::fflush(stdout);
  bool allOk = true;
  const std::vector<Case> cases = allCases();
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case &c = cases[i];
    if (!picked.empty() && std::find(picked.begin(), picked.end(), c.name) == picked.end()) continue;
    printCase(c, measureCase(c, static_cast<int>(i), repeat, p, tools, keep, allOk));
    std::fflush(stdout);
  }
  std::printf("\nload after: %s\n", commandLine("uptime").c_str());
  return allOk ? 0 : 1;
}
