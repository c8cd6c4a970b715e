// The clips of the farm scripts and their probe, on the test suite's own
// media generator (nothing is downloaded). Built by the farm scripts against
// a build folder; not part of the build itself.
//   farm_media COMMON-FOLDER make FOLDER COUNT
//     writes clip-01.mov ... : 320x240 25 fps H.264 + AAC stereo 44.1 kHz,
//     clip i lasting 1.5 + 0.5 i seconds (each output can be told by its
//     length), unless a whole one is already there
//   farm_media COMMON-FOLDER probe FILE...
//     one line a file: FILE <tab> format duration, then each stream as
//     type:codec[:WxH@fps|:rateHz/channels]; exit status 1 when one fails
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "binding.h"
#include "media_fixture.h"

namespace {

int makeClips(const std::string &folder, int count) {
  std::filesystem::create_directories(folder);
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "clip-%02d.mov", i);
    const std::string path = (std::filesystem::path(folder) / name).string();
    if (std::filesystem::exists(path)) continue;
    MediaRecipe recipe = smallClipRecipe(1.5 + 0.5 * i);
    recipe.path = path + ".part.mov";
    const std::string err = generateMedia(recipe);
    if (!err.empty()) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), err.c_str());
      return 1;
    }
    std::filesystem::rename(recipe.path, path);
    std::printf("%s\t%.2f s\n", path.c_str(), recipe.durationSec);
  }
  return 0;
}

int probeFiles(int count, char **files) {
  int status = 0;
  for (int i = 0; i < count; ++i) {
    const ProbedFile f = probeMedia(files[i]);
    if (!f.ok) {
      std::printf("%s\tFAIL %s\n", files[i], f.error.c_str());
      status = 1;
      continue;
    }
    std::printf("%s\t%s %.2f", files[i], f.format.c_str(), f.durationSec);
    for (const ProbedStream &s : f.streams) {
      std::printf(" %s:%s", s.type.c_str(), s.codec.c_str());
      if (s.type == "video") std::printf(":%dx%d@%.2f", s.width, s.height, s.frameRate);
      if (s.type == "audio") std::printf(":%dHz/%d", s.sampleRate, s.channels);
    }
    std::printf("\n");
  }
  return status;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string command = argc > 2 ? argv[2] : "";
  if (!(command == "make" && argc == 5) && !(command == "probe" && argc > 3)) {
    std::fprintf(stderr, "usage: %s COMMON-FOLDER make FOLDER COUNT\n       %s COMMON-FOLDER probe FILE...\n",
                 argv[0], argv[0]);
    return 2;
  }
  if (!loadLibraries(argv[1], true)) {
    std::fprintf(stderr, "cannot load the media libraries from %s: %s\n", argv[1], libraryError().c_str());
    return 1;
  }
  if (command == "make") return makeClips(argv[3], std::atoi(argv[4]));
  return probeFiles(argc - 3, argv + 3);
}
