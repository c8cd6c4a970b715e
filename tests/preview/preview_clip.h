// The preview tests' clip: 3 s of moving colour bars with a tone, 320x240,
// 25 fps, H.264 + AAC in a QuickTime file called clip.mov, and a check that
// a picture matches one of the clip's frames.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

struct ClipFrames {
  int width = 0;
  int height = 0;
  std::vector<std::vector<uint8_t>> rgb;  // packed RGB24, one per frame
};

// Copies the cached clip to `folder`/clip.mov and returns that path ("" on failure).
std::string makePreviewClip(const std::string &folder);

// The clip's sound alone (3 s of AAC in an .m4a), cached.
std::string previewAudioClip();

// Every frame of the clip, decoded independently of the player.
const ClipFrames &clipFrames();

// The frame of the clip most like `image`: its index and the mean absolute
// difference per colour sample (255 when the sizes differ).
struct FrameMatch {
  int index = -1;
  double difference = 255;
};
FrameMatch closestFrame(const QImage &image);
inline double bestFrameDifference(const QImage &image) { return closestFrame(image).difference; }

// The smallest mean absolute difference per colour sample between `image`
// and the pictures of the video at `path` as coded, each turned
// `degreesCw` clockwise (255 when no size fits).
double bestTurnedDifference(const QImage &image, const std::string &path, int degreesCw);

// The mean of all colour samples of `image` (0 for a black picture).
double meanLevel(const QImage &image);
