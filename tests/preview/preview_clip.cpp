#include "preview_clip.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "media_fixture.h"
#include "media_measure.h"

namespace {
constexpr double kClipSeconds = 3.0;

// Mean absolute difference per colour sample of an RGB888 image and a
// packed RGB24 picture of the same size.
double meanDifference(const QImage &image, const uint8_t *rgb) {
  const int w = image.width(), h = image.height();
  long long sum = 0;
  for (int y = 0; y < h; ++y) {
    const uchar *a = image.constScanLine(y);
    const uint8_t *b = rgb + static_cast<size_t>(y) * w * 3;
    for (int x = 0; x < w * 3; ++x) sum += std::abs(int(a[x]) - int(b[x]));
  }
  return double(sum) / (double(w) * h * 3);
}
}  // namespace

std::string makePreviewClip(const std::string &folder) {
  const std::string cached = cachedFixture(smallClipRecipe(kClipSeconds), "preview-clip.mov");
  if (cached.empty()) return "";
  const std::filesystem::path target = std::filesystem::path(folder) / "clip.mov";
  std::error_code ec;
  std::filesystem::copy_file(cached, target, std::filesystem::copy_options::overwrite_existing, ec);
  return ec ? "" : target.string();
}

std::string previewAudioClip() {
  MediaRecipe recipe = smallClipRecipe(kClipSeconds);
  recipe.videoCodec.clear();
  return cachedFixture(recipe, "preview-audio.m4a");
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

FrameMatch closestFrame(const QImage &imageIn) {
  const ClipFrames &clip = clipFrames();
  const QImage image = imageIn.convertToFormat(QImage::Format_RGB888);
  FrameMatch best;
  if (image.width() != clip.width || image.height() != clip.height) return best;
  for (size_t i = 0; i < clip.rgb.size(); ++i) {
    const double difference = meanDifference(image, clip.rgb[i].data());
    if (difference < best.difference) best = {static_cast<int>(i), difference};
  }
  return best;
}

double bestTurnedDifference(const QImage &imageIn, const std::string &path, int degreesCw) {
  const QImage image = imageIn.convertToFormat(QImage::Format_RGB888);
  double best = 255;
  for (const RgbPicture &coded : decodePictures(path)) {
    const RgbPicture turned = turnPicture(coded, degreesCw, false);
    if (turned.width == image.width() && turned.height == image.height())
      best = std::min(best, meanDifference(image, turned.pixels.data()));
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
