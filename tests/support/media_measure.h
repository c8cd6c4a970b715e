// Measurements on what a conversion wrote, made with the libraries but
// independently of the engine: pictures decoded to RGB (and turned the way
// a display matrix asks, by the test's own arithmetic), picture likeness as
// PSNR, colour patches, and when a file's sound starts against its picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A decoded picture as packed 8-bit R, G, B rows without padding.
struct RgbPicture {
  int width = 0, height = 0;
  double time = -1.0;  // seconds on the file's time line; -1 unknown
  std::vector<uint8_t> pixels;
  const uint8_t *at(int x, int y) const { return pixels.data() + (static_cast<size_t>(y) * width + x) * 3; }
};

// The pictures of the first video stream, in display order, converted with
// the colour matrix and range the stream is tagged with (BT.601 when
// untagged). At most `maxPictures` (all when negative). Empty when the
// file cannot be decoded.
std::vector<RgbPicture> decodePictures(const std::string &path, int maxPictures = -1);

// Every `step`-th picture of the first video stream (the first included),
// as decodeVideoRGB converts them: for comparing two encodings picture by
// picture without holding a long clip in memory.
std::vector<RgbPicture> everyNthPicture(const std::string &path, int step);

// The picture turned `rotationCw` degrees clockwise (a multiple of 90), then
// with left and right swapped when `mirrored`: what a player shows for a
// stream whose display matrix was made by av_display_rotation_set(m,
// rotationCw) followed by a horizontal flip.
RgbPicture turnPicture(const RgbPicture &picture, int rotationCw, bool mirrored);

// PSNR in dB over all three channels of two pictures of the same size
// (99 for identical pictures, -1 when the sizes differ).
double picturePsnr(const RgbPicture &a, const RgbPicture &b);

// The mean colour of the w x h box centred on (cx, cy).
struct MeanColor {
  double r = 0, g = 0, b = 0;
};
MeanColor meanColor(const RgbPicture &picture, int cx, int cy, int w, int h);

// Where a file's sound starts against its picture.
struct SoundOnset {
  bool ok = false;
  std::string error;
  double videoStart = 0;  // time of the first picture (0 without video)
  double audioStart = 0;  // time of the first decoded sample
  double onset = 0;       // time of the first sample above the threshold
  // The onset as a viewer hears it: seconds after the first picture.
  double afterPicture() const { return onset - videoStart; }
};

// Decodes the first audio stream (and the first picture) of `path`; the
// onset is the first sample of any channel whose level exceeds
// `thresholdDbfs` (relative to full scale).
SoundOnset measureSoundOnset(const std::string &path, double thresholdDbfs = -30.0);

// The dominant frequency (Hz, to a quarter of a hertz) of the first audio
// stream's first channel, over the middle of its sound; 0 without sound.
double dominantFrequency(const std::string &path);

// Decodes the first audio stream to interleaved 16-bit samples; returns
// false when the file cannot be decoded. `firstPts` gets the time of the
// first sample (seconds).
bool decodeAudioS16(const std::string &path, std::vector<int16_t> &samples, int &channels, int &rate,
                    double *firstPts = nullptr);
