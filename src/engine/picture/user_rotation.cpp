#include "user_rotation.h"

#include <cstring>

#include "binding.h"

int handTurnQuarters(int degreesClockwise) {
  if (degreesClockwise % 90 != 0 || degreesClockwise <= -360 || degreesClockwise >= 360) return -1;
  return ((degreesClockwise / 90) % 4 + 4) % 4;
}

Orientation turnedFurther(const Orientation &shown, int quarterTurns) {
  Orientation o = shown;
  o.quarterTurns = ((o.quarterTurns + quarterTurns) % 4 + 4) % 4;
  return o;
}

SourcePicture shownPicture(const AVStream *stream, int handQuarterTurns) {
  SourcePicture p = sourcePictureOf(stream);
  p.orientation = turnedFurther(p.orientation, handQuarterTurns);
  return p;
}

void displayMatrixFor(const Orientation &o, int32_t matrix[9]) {
  // A turn by t clockwise maps (p, q) to (cos t p - sin t q, sin t p +
  // cos t q); a mirror first negates p, so the first row changes sign.
  static const int kCos[4] = {1, 0, -1, 0};
  static const int kSin[4] = {0, 1, 0, -1};
  const int t = ((o.quarterTurns % 4) + 4) % 4;
  const int sign = o.mirrored ? -1 : 1;
  constexpr int32_t kOne = 1 << 16;
  std::memset(matrix, 0, 9 * sizeof(int32_t));
  matrix[0] = sign * kCos[t] * kOne;
  matrix[1] = sign * kSin[t] * kOne;
  matrix[3] = -kSin[t] * kOne;
  matrix[4] = kCos[t] * kOne;
  matrix[8] = 1 << 30;
}

void writeTurnedDisplayMatrix(const AVStream *from, AVStream *to, int handQuarterTurns) {
  const Orientation o = turnedFurther(streamOrientation(from), handQuarterTurns);
  if (o.upright()) return;
  uint8_t *data = libavformat.av_stream_new_side_data(to, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t));
  if (data) displayMatrixFor(o, reinterpret_cast<int32_t *>(data));
}
