#include "encoder_sizes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "binding.h"

namespace {

// Encoders that need more of a picture's sides than its chroma
// subsampling does (what each refuses to open with otherwise).
struct EncoderSizeRule {
  const char *encoder;
  SizeMultiple multiple;
};
constexpr EncoderSizeRule kEncoderSizeRules[] = {
    {"rv10", {16, 16}}, {"rv20", {4, 4}}, {"h263p", {4, 4}}, {"wmv1", {2, 1}}, {"wmv2", {2, 1}},
};

int lowerMultiple(int v, int m) { return std::max(m, v / m * m); }
int upperMultiple(int v, int m) { return (v + m - 1) / m * m; }

}  // namespace

SizeMultiple encoderSizeMultiple(const AVCodec *encoder, AVPixelFormat format) {
  SizeMultiple m;
  if (const AVPixFmtDescriptor *desc = librariesLoaded() ? libavutil.av_pix_fmt_desc_get(format) : nullptr) {
    if (desc->nb_components >= 3 && !(desc->flags & AV_PIX_FMT_FLAG_RGB)) {
      m.width = 1 << desc->log2_chroma_w;
      m.height = 1 << desc->log2_chroma_h;
    }
  }
  if (encoder && encoder->name) {
    for (const EncoderSizeRule &rule : kEncoderSizeRules) {
      if (std::strcmp(rule.encoder, encoder->name) != 0) continue;
      m.width = std::max(m.width, rule.multiple.width);
      m.height = std::max(m.height, rule.multiple.height);
    }
  }
  return m;
}

bool roundToMultiple(int &width, int &height, SizeMultiple m) {
  if (width <= 0 || height <= 0 || m.width <= 0 || m.height <= 0) return false;
  if (width % m.width == 0 && height % m.height == 0) return false;
  const double shape = static_cast<double>(width) / height;
  const int widths[2] = {lowerMultiple(width, m.width), upperMultiple(width, m.width)};
  const int heights[2] = {lowerMultiple(height, m.height), upperMultiple(height, m.height)};
  int bestW = widths[0], bestH = heights[0];
  double bestError = -1;
  for (int w : widths)
    for (int h : heights) {
      // The shape first; of equally good ones the size nearest the original.
      const double error = std::fabs(static_cast<double>(w) / h - shape) / shape +
                           1e-9 * (std::abs(w - width) + std::abs(h - height));
      if (bestError < 0 || error < bestError) {
        bestError = error;
        bestW = w;
        bestH = h;
      }
    }
  width = bestW;
  height = bestH;
  return true;
}
