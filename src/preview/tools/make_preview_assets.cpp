// Build-time generator of the preview's resources: the three glyphs of the
// volume button (a loudspeaker with two, one or no sound waves, the last one
// crossed out) and the short shutter click played after a snapshot.
//
//   make_preview_assets <output folder>
//
// writes spkfull.png, spkhalf.png, spkmute.png and snap.wav.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kGlyphSize = 24;

QImage drawSpeaker(int waves, bool crossed) {
  QImage img(kGlyphSize, kGlyphSize, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor body(0x30, 0x40, 0x60);
  p.setPen(QPen(body, 1.0));
  p.setBrush(body);
  QPolygonF speaker;
  speaker << QPointF(3, 9) << QPointF(7, 9) << QPointF(12, 4) << QPointF(12, 20) << QPointF(7, 15)
          << QPointF(3, 15);
  p.drawPolygon(speaker);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x20, 0x70, 0xd0), 1.8, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < waves; ++i) {
    const double r = 4.0 + 4.0 * i;
    p.drawArc(QRectF(12 - r, 12 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
  }
  if (crossed) {
    p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 8), QPointF(21, 16));
    p.drawLine(QPointF(21, 8), QPointF(15, 16));
  }
  p.end();
  return img;
}

void put16(std::vector<uint8_t> &out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xff));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t> &out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xff));
}

// Two short noise bursts, like a camera shutter: 16-bit mono, 22050 Hz,
// 150 ms.
std::vector<uint8_t> shutterClick() {
  const uint32_t rate = 22050;
  const uint32_t count = rate * 150 / 1000;
  std::vector<int16_t> samples(count, 0);
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  const double bursts[] = {0.0, 0.070};
  for (double start : bursts) {
    const uint32_t from = static_cast<uint32_t>(start * rate);
    for (uint32_t i = from; i < count; ++i) {
      const double t = static_cast<double>(i - from) / rate;
      const double env = std::exp(-t * 90.0);
      const double tone = std::sin(2 * M_PI * 1800.0 * t);
      const double v = samples[i] / 32767.0 + env * (0.6 * noise(gen) + 0.3 * tone);
      samples[i] = static_cast<int16_t>(std::lround(std::fmax(-1.0, std::fmin(1.0, v)) * 30000.0));
    }
  }
  std::vector<uint8_t> out;
  const uint32_t dataBytes = count * 2;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put32(out, 36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);  // mono
  put32(out, rate);
  put32(out, rate * 2);
  put16(out, 2);
  put16(out, 16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put32(out, dataBytes);
  for (int16_t s : samples) put16(out, static_cast<uint16_t>(s));
  return out;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  struct {
    const char *name;
    int waves;
    bool crossed;
  } glyphs[] = {{"spkfull.png", 2, false}, {"spkhalf.png", 1, false}, {"spkmute.png", 0, true}};
  for (const auto &g : glyphs) {
    if (!drawSpeaker(g.waves, g.crossed).save(dir + "/" + g.name, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", g.name);
      return 1;
    }
  }
  const std::vector<uint8_t> wav = shutterClick();
  std::ofstream f(std::string(argv[1]) + "/snap.wav", std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char *>(wav.data()), static_cast<std::streamsize>(wav.size()));
  if (!f) {
    std::fprintf(stderr, "cannot write snap.wav\n");
    return 1;
  }
  return 0;
}
