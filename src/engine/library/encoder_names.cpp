#include "encoder_names.h"

#include <cstring>

#include "binding.h"

namespace {

struct EncoderRename {
  const char *oldName;
  const char *newName;
};

constexpr EncoderRename kRenames[] = {
    {"libfaac", "aac"},
    {"mpeg4aac", "aac"},
    {"libamr_nb", "libopencore_amrnb"},
    {"vorbis", "libvorbis"},
};

}  // namespace

std::string encoderSuccessor(const std::string &name) {
  for (const auto &r : kRenames)
    if (name == r.oldName) return r.newName;
  return {};
}

std::string translateEncoderName(const std::string &name) {
  std::string successor = encoderSuccessor(name);
  if (successor.empty()) return name;
  if (librariesLoaded()) {
    const AVCodec *own = libavcodec.avcodec_find_encoder_by_name(name.c_str());
    if (own && !(own->capabilities & AV_CODEC_CAP_EXPERIMENTAL)) return name;
    // Keep the old name when the successor is missing too, so that the
    // lookup reports the name the caller gave.
    if (!libavcodec.avcodec_find_encoder_by_name(successor.c_str())) return name;
  }
  return successor;
}
