#include "preview_volume.h"

#include <cmath>

namespace preview {

int clampVolume(int volume) {
  if (volume < 0) return 0;
  if (volume > kVolumeMax) return kVolumeMax;
  return volume;
}

int volumeToCentiBel(int volume) {
  const int v = clampVolume(volume);
  const long db = std::lround(std::log(static_cast<double>(v) + 1.0) * 1085.73) - 10000;
  // ln(10001) * 1085.73 rounds to 10000 exactly; never go above 0 dB.
  return db > 0 ? 0 : static_cast<int>(db);
}

double volumeToGain(int volume) {
  const int cb = volumeToCentiBel(volume);
  if (cb <= -10000) return 0.0;
  return std::pow(10.0, cb / 2000.0);
}

}  // namespace preview
