#pragma once

#include <string>

#include "av_headers.h"

// Decoder or encoder lookup by name for an expected media type. An empty
// name gives AV_CODEC_ID_NONE and success. On failure `error` is
// "Unknown %s '%s'" or "Invalid %s type '%s'"; never raises.
bool findCodecByName(const std::string &name, AVMediaType type, bool encoder, AVCodecID &id,
                     std::string &error);
