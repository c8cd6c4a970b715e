// The preview tests' clip: 3 s of moving colour bars with a tone, 320x240,
// 25 fps, H.264 + AAC in a QuickTime file called clip.mov, and a check that
// a picture matches one of the clip's frames.
#pragma once

#include <QImage>

#include <string>
#include <vector>

struct ClipFrames {
  int width = 0;
  int height = 0;
  std::vector<std::vector<uint8_t>> rgb;  // packed RGB24, one per frame
};

// Copies the cached clip to `folder`/clip.mov and returns that path ("" on failure).
std::string makePreviewClip(const std::string &folder);

// Every frame of the clip, decoded independently of the player.
const ClipFrames &clipFrames();

// The smallest mean absolute difference per colour sample between `image`
// and any frame of the clip (255 when the sizes differ).
double bestFrameDifference(const QImage &image);

// The mean of all colour samples of `image` (0 for a black picture).
double meanLevel(const QImage &image);
