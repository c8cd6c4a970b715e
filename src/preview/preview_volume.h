// The preview's sound level: a linear scale 0 ... 10000 (10000 = full level)
// that is heard on a logarithmic curve, the way the volume menu expects
// ("Half Volume" 6000 sounds about half as loud, "Mute" 10 is inaudible).
#pragma once

namespace preview {

constexpr int kVolumeMax = 10000;
constexpr int kVolumeFull = 20000;  // "Full Volume": above the scale, counts as 10000
constexpr int kVolumeHalf = 6000;   // "Half Volume"
constexpr int kVolumeMute = 10;     // "Mute"

// Clamps a level to 0 ... 10000.
int clampVolume(int volume);

// The attenuation for a level in hundredths of a decibel:
// round(ln(v + 1) * 1085.73) - 10000, with v clamped first; 10000 gives 0,
// 0 gives -10000.
int volumeToCentiBel(int volume);

// The linear gain (0 ... 1) of a level: 10 ^ (hundredths of dB / 2000).
// The bottom of the scale (-100 dB) is silence, so 0 gives exactly 0.
double volumeToGain(int volume);

}  // namespace preview
