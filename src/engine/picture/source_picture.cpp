#include "source_picture.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "binding.h"

namespace {

constexpr double kFixedOne = 65536.0;  // 16.16 fixed point

// The tone mapping's reference: SDR white sits at 203 cd/m2 in HLG and PQ
// (the level phones and broadcasters put it at), and the highlights above
// it reach the nominal 1000 cd/m2 peak of HLG (and of most PQ mastering).
constexpr double kReferenceWhite = 203.0;
constexpr double kNominalPeak = 1000.0;

}  // namespace

Orientation orientationFromMatrix(const int32_t matrix[9]) {
  double a = matrix[0] / kFixedOne, b = matrix[1] / kFixedOne;
  const double c = matrix[3] / kFixedOne, d = matrix[4] / kFixedOne;
  const double det = a * d - b * c;
  Orientation o;
  if (!std::isfinite(det) || std::fabs(det) < 1e-9) return o;
  // The matrix maps a source point (p, q) to (a p + c q, b p + d q) in
  // picture coordinates (y down). A turn by t clockwise is [cos t, sin t;
  // -sin t, cos t]; a negative determinant means a mirror (p -> -p) came
  // first, which is taken out of the first row before reading the angle.
  o.mirrored = det < 0;
  if (o.mirrored) {
    a = -a;
    b = -b;
  }
  const double degrees = std::atan2(b, a) * 180.0 / M_PI;
  o.quarterTurns = ((static_cast<int>(std::lround(degrees / 90.0)) % 4) + 4) % 4;
  return o;
}

Orientation streamOrientation(const AVStream *stream) {
  if (!stream || !librariesLoaded()) return {};
  size_t size = 0;
  const uint8_t *data = libavformat.av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!data || size < 9 * sizeof(int32_t)) return {};
  return orientationFromMatrix(reinterpret_cast<const int32_t *>(data));
}

std::string uprightFilters(const Orientation &o) {
  std::string chain = o.mirrored ? "hflip" : "";
  auto add = [&chain](const char *filter) {
    if (!chain.empty()) chain += ",";
    chain += filter;
  };
  switch (o.quarterTurns) {
    case 1: add("transpose=clock"); break;
    case 2:
      // A half turn is both flips; with the mirror, only the vertical one.
      if (o.mirrored) chain = "vflip";
      else add("hflip,vflip");
      break;
    case 3: add("transpose=cclock"); break;
    default: break;
  }
  return chain;
}

void displayedSize(const Orientation &o, int &width, int &height) {
  if (o.swapsSides()) std::swap(width, height);
}

HdrTransfer hdrTransferOf(AVColorTransferCharacteristic transfer) {
  switch (transfer) {
    case AVCOL_TRC_ARIB_STD_B67: return HdrTransfer::Hlg;
    case AVCOL_TRC_SMPTE2084: return HdrTransfer::Pq;
    default: return HdrTransfer::None;
  }
}

HdrTransfer streamHdrTransfer(const AVStream *stream) {
  return stream && stream->codecpar ? hdrTransferOf(stream->codecpar->color_trc) : HdrTransfer::None;
}

const char *hdrTransferName(HdrTransfer transfer) {
  switch (transfer) {
    case HdrTransfer::Hlg: return "HLG";
    case HdrTransfer::Pq: return "PQ";
    default: return "";
  }
}

std::string toneMapFilters(HdrTransfer transfer) {
  if (transfer == HdrTransfer::None) return {};
  const char *tin = transfer == HdrTransfer::Hlg ? "arib-std-b67" : "smpte2084";
  char chain[512];
  std::snprintf(chain, sizeof chain,
                "zscale=tin=%s:pin=bt2020:min=bt2020nc:t=linear:npl=%g,format=gbrpf32le,zscale=p=bt709,"
                "tonemap=tonemap=mobius:peak=%.4f:desat=0,zscale=t=bt709:m=bt709:r=tv,format=yuv420p",
                tin, kReferenceWhite, kNominalPeak / kReferenceWhite);
  return chain;
}

std::string missingToneMapFilters() {
  if (!librariesLoaded()) return "zscale, tonemap";
  std::string missing;
  for (const char *name : {"zscale", "tonemap", "format"}) {
    if (libavfilter.avfilter_get_by_name(name)) continue;
    if (!missing.empty()) missing += ", ";
    missing += name;
  }
  return missing;
}

SourcePicture sourcePictureOf(const AVStream *stream) {
  SourcePicture p;
  p.orientation = streamOrientation(stream);
  p.transfer = streamHdrTransfer(stream);
  return p;
}
