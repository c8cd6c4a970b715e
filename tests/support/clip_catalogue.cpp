#include "clip_catalogue.h"

#include <unistd.h>

#include <filesystem>

#include "media_fixture.h"
#include "media_remux.h"

std::string smallSource(double seconds) { return cachedFixture(smallClipRecipe(seconds), "small.mov"); }

namespace {

// The small clip with MPEG-4 part 2 video.
MediaRecipe coreRecipe(double seconds) {
  MediaRecipe recipe = smallClipRecipe(seconds);
  recipe.videoCodec = "mpeg4";
  return recipe;
}

}  // namespace

std::string coreSource(double seconds) { return cachedFixture(coreRecipe(seconds), "core.mov"); }

std::string coreAudioOnlySource() {
  MediaRecipe recipe = coreRecipe(1.0);
  recipe.videoCodec.clear();
  return cachedFixture(recipe, "core-audio.m4a");
}

std::string coreAudioFirstSource() {
  const std::string src = coreSource(2.0);
  const std::string dst =
      (std::filesystem::temp_directory_path() / ("trevix-core-audiofirst-" + std::to_string(getuid()) + "-v2.mov"))
          .string();
  if (!std::filesystem::exists(dst)) {
    // Written under a name of this process, then renamed into place.
    const std::string tmp = dst + "." + std::to_string(getpid()) + ".part.mov";
    if (!remuxMedia(src, tmp, "mov", RemuxEdit{.reverseStreams = true})) return {};
    std::filesystem::rename(tmp, dst);
  }
  return dst;
}
