#include "option_state.h"

#include "binding.h"

bool LibraryOptions::allocateDefaults() {
  if (!librariesLoaded()) return false;
  static const AVMediaType kTypes[kStreamKindCount] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO,
                                                   AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_SUBTITLE,
                                                   AVMEDIA_TYPE_ATTACHMENT};
  for (int k = 0; k < kStreamKindCount; ++k) {
    codecDefaults[k].reset(libavcodec.avcodec_alloc_context3(nullptr));
    if (!codecDefaults[k]) return false;
    codecDefaults[k]->codec_type = kTypes[k];
  }
  formatDefaults.reset(libavformat.avformat_alloc_context());
  swsDefaults.reset(libswscale.sws_alloc_context());
  if (!formatDefaults || !swsDefaults) return false;
  libavutil.av_opt_set_int(swsDefaults.get(), "sws_flags", swsFlags, 0);
  return true;
}
