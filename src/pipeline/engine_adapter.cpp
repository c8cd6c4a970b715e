#include "engine_adapter.h"

#include "binding.h"

bool LibrariesReadAviSynth() {
  if (!LibrariesLoaded() || !libavformat.av_find_input_format) return false;
  return libavformat.av_find_input_format("avisynth") != nullptr;
}
