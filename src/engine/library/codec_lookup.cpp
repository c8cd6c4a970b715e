#include "codec_lookup.h"

#include "binding.h"

bool findCodecByName(const std::string &name, AVMediaType type, bool encoder, AVCodecID &id,
                     std::string &error) {
  id = AV_CODEC_ID_NONE;
  if (name.empty()) return true;
  const AVCodec *c = encoder ? libavcodec.avcodec_find_encoder_by_name(name.c_str())
                             : libavcodec.avcodec_find_decoder_by_name(name.c_str());
  const char *what = encoder ? "encoder" : "decoder";
  if (!c) {
    error = std::string("Unknown ") + what + " '" + name + "'";
    return false;
  }
  if (c->type != type) {
    error = std::string("Invalid ") + what + " type '" + name + "'";
    return false;
  }
  id = c->id;
  return true;
}
