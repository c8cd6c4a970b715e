// The picture sizes encoders accept. Some take only multiples of 2, 4 or
// 16 (and every 4:2:0 or 4:2:2 picture needs whole chroma samples); a
// source of 853x479 or a chosen odd size is rounded to the nearest size of
// the same shape the encoder takes. Encoders that accept only a fixed list
// of sizes (H.263) are left to refuse what they do not take.
#pragma once

#include "av_headers.h"

struct SizeMultiple {
  int width = 1;
  int height = 1;
};

// What `encoder` needs of a picture in `format`.
SizeMultiple encoderSizeMultiple(const AVCodec *encoder, AVPixelFormat format);

// The size nearest to `width` x `height` whose sides are multiples of `m`,
// of the shape (width / height) nearest the original's; each side moves
// by less than its multiple. False when nothing had to change.
bool roundToMultiple(int &width, int &height, SizeMultiple m);
