#include "library_features.h"

#include "binding.h"

bool librariesReadAviSynth() {
  if (!librariesLoaded() || !libavformat.av_find_input_format) return false;
  return libavformat.av_find_input_format("avisynth") != nullptr;
}
