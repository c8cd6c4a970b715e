// Writes the seed corpora of the fuzz targets and their dictionaries into
// the folder named on the command line:
//   option_text/   one option line per name of the option table
//   probe/         short clips generated with the media libraries
//   job_builder/   a few command lines of trevix-convert
//   option_text.dict, job_builder.dict
// The media is made here, never copied from elsewhere.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalog.h"
#include "media_fixture.h"
#include "option_values.h"

namespace fs = std::filesystem;

namespace {

void writeBytes(const fs::path &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A dictionary entry in libFuzzer's syntax: the text in quotes, with
// quotes, backslashes and bytes outside printable ASCII escaped.
std::string dictEntry(const std::string &text) {
  std::string e = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\' || c < 0x20 || c > 0x7e) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      e += hex;
    } else {
      e += static_cast<char>(c);
    }
  }
  return e + "\"";
}

// Sample values for the option lines: numbers, times, sizes, names.
const std::vector<std::string> kSampleValues = {
    "",       "0",          "1",          "-1",      "25",    "30000/1001", "320x240", "4:3",
    "1.7777", "00:00:01.5", "2147483647", "copy",    "mpeg4", "aac",        "mp4",     "vcd",
    "pal",    "ntsc-vcd",   "ff0000",     "1,2,3,4", "list",  "10-20, 5-8", "eng",     "yuv420p"};

void optionSeeds(const fs::path &folder, std::ofstream &dict) {
  fs::create_directories(folder);
  int n = 0;
  const std::vector<std::string> names = optionTableNames();
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string &name = names[i];
    if (name == "vhook") continue;  // the fuzzer leaves module loading alone
    dict << dictEntry(name + "=") << "\n";
    // The last byte picks the way in: 0, option text.
    const std::string value = kSampleValues[i % kSampleValues.size()];
    writeBytes(folder / ("line-" + std::to_string(n++)), name + "=" + value + "\n" + std::string(1, '\0'));
  }
  // Names the libraries' own option tables answer to.
  for (const char *generic : {"bf", "g", "qmin", "qmax", "flags", "mbd", "trellis", "level", "profile", "preset",
                              "crf", "movflags", "fflags", "probesize", "analyzeduration"})
    dict << dictEntry(std::string(generic) + "=") << "\n";
  for (const std::string &v : kSampleValues)
    if (!v.empty()) dict << dictEntry(v) << "\n";
  // A text of several lines with the line breaks the parser normalises.
  writeBytes(folder / "lines", std::string("vn\r\ntitle=A=B\r\rcomment=x \nab=64000\ns=176x144\n") +
                                   std::string(1, '\0'));
}

bool probeSeeds(const fs::path &folder) {
  fs::create_directories(folder);
  struct Seed {
    const char *name;
    const char *video;
    const char *audio;
    bool fastStart;
  };
  const Seed seeds[] = {
      {"h264-aac.mov", "libx264", "aac", false},  {"mpeg4-aac-faststart.mov", "mpeg4", "aac", true},
      {"mpeg2.mov", "mpeg2video", "", false},         {"aac-only.mp4", "", "aac", false},
      {"h264-faststart.mp4", "libx264", "", true}, {"mpeg4-pcm.mov", "mpeg4", "pcm_s16le", false},
  };
  for (const Seed &s : seeds) {
    MediaRecipe r = smallClipRecipe(0.2);
    r.path = (folder / s.name).string();
    r.width = 64;
    r.height = 48;
    r.videoCodec = s.video;
    r.audioCodec = s.audio;
    r.sampleRate = 8000;
    r.channels = 1;
    r.audioBitRate = 24000;
    r.fastStart = s.fastStart;
    const std::string error = generateMedia(r);
    if (!error.empty()) {
      std::fprintf(stderr, "%s: %s\n", s.name, error.c_str());
      return false;
    }
  }
  return true;
}

void jobBuilderSeeds(const fs::path &folder, std::ofstream &dict) {
  fs::create_directories(folder);
  for (const std::string_view item : kOutputFormatItems) dict << dictEntry(std::string(item)) << "\n";
  for (const char *option : {"--profile", "--video-quality", "--audio-quality", "--size", "--fps", "--channels",
                             "--volume", "--aspect", "--overwrite", "-o", "--output", "--json", "--quiet", "--",
                             "Highest", "Lowest", "Mono", "Stereo", "16:9", "4:3", "Original", ".mov", ".rmvb"})
    dict << dictEntry(option) << "\n";
  // Raw bytes: the fuzzer splits them into settings (see the target).
  writeBytes(folder / "empty-settings", std::string(64, '\0'));
  writeBytes(folder / "ones", std::string(64, '\x01'));
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  fs::create_directories(root);
  std::ofstream optionDict(root / "option_text.dict");
  std::ofstream jobDict(root / "job_builder.dict");
  optionSeeds(root / "option_text", optionDict);
  jobBuilderSeeds(root / "job_builder", jobDict);
  if (!probeSeeds(root / "probe")) return 1;
  std::printf("seeds written under %s\n", root.c_str());
  return 0;
}
