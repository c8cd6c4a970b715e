// Makes the benchmarks' source, unless it is there: 30 s of 1920x1080 at
// 29.97 fps, H.264 + AAC, in QuickTime (what transcode_bench makes too).
//   bench_source FILE
#include <cstdio>
#include <filesystem>
#include <string>

#include "media_fixture.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  if (std::filesystem::exists(path)) return 0;
  MediaRecipe recipe;
  recipe.path = path + ".part.mov";
  recipe.width = 1920;
  recipe.height = 1080;
  recipe.rateNum = 30000;
  recipe.rateDen = 1001;
  recipe.durationSec = 30;
  recipe.videoCodec = "libx264";
  recipe.x264Preset = "veryfast";
  recipe.videoBitRate = 8000000;
  recipe.gopSize = 60;
  recipe.audioCodec = "aac";
  recipe.sampleRate = 48000;
  recipe.audioBitRate = 160000;
  const std::string err = generateMedia(recipe);
  if (!err.empty()) {
    std::fprintf(stderr, "cannot make the source: %s\n", err.c_str());
    return 1;
  }
  std::filesystem::rename(recipe.path, path);
  return 0;
}
