#include "volume_table.h"

#include <algorithm>

namespace {

constexpr VolumeStep kVolumeTable[] = {
    {"0%", 1},     {"20%", 50},   {"40%", 100},  {"60%", 150},  {"80%", 200}, {"100%", 255},
    {"120%", 300}, {"140%", 350}, {"160%", 400}, {"180%", 450}, {"200%", 600},
};
static_assert(sizeof(kVolumeTable) / sizeof(kVolumeTable[0]) == kVolumeMaxPosition + 1);

}  // namespace

const VolumeStep &volumeStep(int position) {
  return kVolumeTable[std::clamp(position, kVolumeMinPosition, kVolumeMaxPosition)];
}
