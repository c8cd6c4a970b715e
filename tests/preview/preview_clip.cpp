#include "preview_clip.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "media_fixture.h"

namespace {
constexpr double kClipSeconds = 3.0;
}  // namespace

std::string makePreviewClip(const std::string &folder) {
  const std::string cached = cachedFixture(smallClipRecipe(kClipSeconds), "preview-clip.mov");
  if (cached.empty()) return "";
  const std::filesystem::path target = std::filesystem::path(folder) / "clip.mov";
  std::error_code ec;
  std::filesystem::copy_file(cached, target, std::filesystem::copy_options::overwrite_existing, ec);
  return ec ? "" : target.string();
}

const ClipFrames &clipFrames() {
  static const ClipFrames frames = [] {
    ClipFrames f;
    const std::string path = cachedFixture(smallClipRecipe(kClipSeconds), "preview-clip.mov");
    decodeVideoRGB(path, [&](const uint8_t *rgb, int w, int h, int linesize, double) {
      f.width = w;
      f.height = h;
      std::vector<uint8_t> packed(static_cast<size_t>(w) * 3 * h);
      for (int y = 0; y < h; ++y) std::copy_n(rgb + y * linesize, w * 3, packed.data() + y * w * 3);
      f.rgb.push_back(std::move(packed));
    });
    return f;
  }();
  return frames;
}

double bestFrameDifference(const QImage &imageIn) {
  const ClipFrames &clip = clipFrames();
  const QImage image = imageIn.convertToFormat(QImage::Format_RGB888);
  if (image.width() != clip.width || image.height() != clip.height || clip.rgb.empty()) return 255;
  double best = 255;
  const int w = clip.width, h = clip.height;
  for (const auto &frame : clip.rgb) {
    long long sum = 0;
    for (int y = 0; y < h; ++y) {
      const uchar *a = image.constScanLine(y);
      const uint8_t *b = frame.data() + y * w * 3;
      for (int x = 0; x < w * 3; ++x) sum += std::abs(int(a[x]) - int(b[x]));
    }
    best = std::min(best, double(sum) / (double(w) * h * 3));
  }
  return best;
}

double meanLevel(const QImage &imageIn) {
  const QImage image = imageIn.convertToFormat(QImage::Format_RGB888);
  if (image.isNull()) return 0;
  long long sum = 0;
  for (int y = 0; y < image.height(); ++y) {
    const uchar *a = image.constScanLine(y);
    for (int x = 0; x < image.width() * 3; ++x) sum += a[x];
  }
  return double(sum) / (double(image.width()) * image.height() * 3);
}
