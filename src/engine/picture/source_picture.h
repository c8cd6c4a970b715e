// What a video stream's pictures need before anything else sees them:
// phones and cameras store a display matrix (the picture is to be shown
// turned or mirrored) and record HDR (BT.2020 with the HLG or PQ
// transfer). The engine treats the displayed picture as the picture: it
// is tone mapped to SDR BT.709 and turned upright in the frame pipeline,
// and sizes are those of the upright picture.
#pragma once

#include <cstdint>
#include <string>

#include "av_headers.h"

// The display matrix reduced to what the pipeline does: an optional
// mirror (left and right swapped), then a turn by quarter turns clockwise.
struct Orientation {
  int quarterTurns = 0;   // clockwise, 0..3
  bool mirrored = false;  // applied before the turn

  bool upright() const { return quarterTurns == 0 && !mirrored; }
  // Width and height trade places.
  bool swapsSides() const { return quarterTurns % 2 == 1; }
  int degreesClockwise() const { return quarterTurns * 90; }
  bool operator==(const Orientation &o) const { return quarterTurns == o.quarterTurns && mirrored == o.mirrored; }
  bool operator!=(const Orientation &o) const { return !(*this == o); }
};

// The orientation a display matrix describes (ISO/IEC 14496-12 layout, as
// libavutil's display.h documents it); angles between quarter turns go to
// the nearest one. A singular matrix counts as upright.
Orientation orientationFromMatrix(const int32_t matrix[9]);

// The orientation of a stream: its AV_PKT_DATA_DISPLAYMATRIX side data, or
// upright without one.
Orientation streamOrientation(const AVStream *stream);

// The filters that show a picture the way `o` says ("hflip,transpose=clock"),
// empty for an upright one.
std::string uprightFilters(const Orientation &o);

// The size of a coded w x h picture once it is shown (turned).
void displayedSize(const Orientation &o, int &width, int &height);

// The transfers of HDR video that the engine tone maps.
enum class HdrTransfer { None, Hlg, Pq };

HdrTransfer hdrTransferOf(AVColorTransferCharacteristic transfer);
// Of a stream: its codec parameters' transfer.
HdrTransfer streamHdrTransfer(const AVStream *stream);
const char *hdrTransferName(HdrTransfer transfer);  // "HLG", "PQ", ""

// The filter chain that maps HDR pictures to SDR BT.709 in 8-bit 4:2:0:
// to linear light with the reference white (203 cd/m2) at 1, into BT.709
// primaries, the highlights compressed (the mid-tones kept), and back to
// the BT.709 transfer and matrix. Empty for None.
std::string toneMapFilters(HdrTransfer transfer);
// The libavfilter filters the tone mapping needs that this build lacks
// ("zscale, tonemap"), empty when all are there.
std::string missingToneMapFilters();
// The pixel format tone-mapped pictures come in.
constexpr AVPixelFormat kToneMappedFormat = AV_PIX_FMT_YUV420P;

// What the pipeline does to a stream's pictures before the hooks.
struct SourcePicture {
  Orientation orientation;
  HdrTransfer transfer = HdrTransfer::None;
};
SourcePicture sourcePictureOf(const AVStream *stream);
