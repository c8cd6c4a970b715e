#include "stream_copy_check.h"

#include <cctype>
#include <filesystem>

#include "binding.h"
#include "engine_types.h"

namespace {

const char *kindOf(AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO: return "video";
    case AVMEDIA_TYPE_AUDIO: return "audio";
    case AVMEDIA_TYPE_SUBTITLE: return "subtitles";
    default: return "data";
  }
}

// The output's extension in capitals ("MP4"), else the format's name.
std::string containerName(const AVOutputFormat *ofmt, const std::string &fileName) {
  std::string name = std::filesystem::path(fileName).extension().string();
  if (name.size() > 1) {
    name.erase(0, 1);
  } else {
    name = ofmt && ofmt->name ? ofmt->name : "";
  }
  for (char &c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace

std::string copyRefusalText(const std::string &container, const std::string &codec, AVMediaType type) {
  return container + " cannot hold the source's " + codec + " " + kindOf(type) +
         "; choose a profile that converts it";
}

void checkContainerHoldsCopy(const AVOutputFormat *ofmt, const std::string &fileName, const AVCodecParameters *par) {
  if (!ofmt || !par) return;
  // 1: it can, 0: it cannot, negative: the format does not say.
  if (libavformat.avformat_query_codec(ofmt, par->codec_id, FF_COMPLIANCE_NORMAL) != 0) return;
  throw EngineError(copyRefusalText(containerName(ofmt, fileName), libavcodec.avcodec_get_name(par->codec_id),
                                    par->codec_type));
}
