// Test media made on the spot with the bound libraries: a moving picture
// (colour bars sliding sideways with a white box travelling across) and a
// 440 Hz tone, of known size, rate and length. Also a small independent
// probe so tests can check what the engine wrote without using the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct MediaRecipe {
  std::string path;            // output file; the extension picks the container
  std::string format;          // muxer short name to force (optional)
  int width = 640;
  int height = 480;
  int rateNum = 30000;         // frame rate as a fraction
  int rateDen = 1001;
  double durationSec = 5.0;
  std::string videoCodec = "libx264";  // empty: no video stream
  std::string audioCodec = "aac";      // empty: no audio stream
  int sampleRate = 48000;
  int channels = 2;
  double audioStartSec = 0.0;  // first audio sample's time (audio starting late)
  int64_t videoBitRate = 0;    // 0: encoder default
  int64_t audioBitRate = 0;    // 0: 128 kbit/s (12.2 kbit/s for AMR)
  int gopSize = 12;
  std::string x264Preset = "ultrafast";
  bool interlacedPattern = false;  // odd lines of each picture from a different moment
  bool fastStart = false;  // MOV/MP4: the index before the media data, as copied files often have it

  // Clips as phones and cameras write them.
  int rotation = 0;            // display matrix: turn the picture this many degrees clockwise (0, 90, 180, 270)
  bool mirrored = false;       // ... and then swap left and right
  std::string pixelFormat;     // the video encoder's input; empty: 4:2:0 (or the encoder's first format)
  std::string hdrTransfer;     // "hlg" or "pq": 10-bit BT.2020 with the SDR picture's reference white at 203 cd/m2
  bool stillPatches = false;   // the still patch picture (stillPatchColors) instead of the moving one
  int sarNum = 0, sarDen = 1;  // pixel aspect; 0: square
  bool variableFrameRate = false;  // frames alternately half and one and a half periods long
  int audioTracks = 1;         // the first plays 440 Hz, the others 660 Hz
  int laterTrackChannels = 0;  // the channels of the second and later tracks; 0: as the first
  std::string muxerOptions;    // for the muxer, "name=value:name=value" (e.g. movflags)
  // The file's metadata as the muxer is given it ("creation_time", a phone's
  // "com.apple.quicktime.*" keys with movflags=use_metadata_tags).
  std::vector<std::pair<std::string, std::string>> metadata;
};

// The still patch picture: vertical stripes of equal width, left to right in
// this order, in SDR BT.709 RGB (full range): mid-grey, then 75% yellow,
// cyan, green, magenta, red, blue.
struct PatchColor {
  const char *name;
  int r, g, b;
};
constexpr PatchColor kStillPatchColors[] = {{"grey", 128, 128, 128},  {"yellow", 191, 191, 0},
                                            {"cyan", 0, 191, 191},    {"green", 0, 191, 0},
                                            {"magenta", 191, 0, 191}, {"red", 191, 0, 0},
                                            {"blue", 0, 0, 191}};
constexpr int kStillPatchCount = static_cast<int>(sizeof kStillPatchColors / sizeof kStillPatchColors[0]);

// The small clip most tests convert: 320x240 (or `width` x `height`) at
// 25 fps, H.264 with AAC stereo at 44.1 kHz, `seconds` long.
MediaRecipe smallClipRecipe(double seconds, int width = 320, int height = 240);

// A phone's clip (the small clip, a .mov): recorded in Paris a little after
// midnight local time, kPhoneRecorded (2023-07-13T22:42:05Z, the 14th
// there), in the movie header and as the phone's keys: the date with its
// zone, the place kPhonePlace, the camera kPhoneMake / kPhoneModel, the
// software "16.5".
constexpr int64_t kPhoneRecorded = 1689288125;
constexpr const char *kPhonePlace = "+48.8584+002.2945+035.000/";
constexpr const char *kPhoneMake = "Apple";
constexpr const char *kPhoneModel = "iPhone 12";
MediaRecipe phoneClipRecipe(double seconds);

// Writes the file; returns an empty string on success, the error otherwise.
std::string generateMedia(const MediaRecipe &recipe);

// Writes the default 5 s H.264 640x480 29.97 fps + AAC stereo 48 kHz .mov
// (or whatever `recipe` says) unless it is already there; returns its path.
// Fixtures are cached per test process under the system temporary folder.
std::string cachedFixture(const MediaRecipe &recipe, const std::string &name);

struct ProbedStream {
  std::string type;     // "video", "audio", "subtitle", "data"
  std::string codec;    // codec name, e.g. "h264", "aac"
  int width = 0, height = 0;
  int sarNum = 0, sarDen = 1;
  double frameRate = 0; // average frame rate, or r_frame_rate when unknown
  int sampleRate = 0;
  int channels = 0;
  int frameSize = 0;       // audio: samples per frame, 0 when it varies or is unknown
  double durationSec = 0;  // stream duration, 0 if unknown
  int64_t frames = 0;      // frame count read by demuxing every packet
  double startSec = 0;     // time stamp of the first packet
  std::vector<double> times;  // every packet's time stamp (pts, else dts), seconds, in file order
  std::string pixelFormat;   // video: e.g. "yuv420p"
  std::string colorPrimaries, colorTransfer, colorSpace;  // e.g. "bt709"; "unknown" when untagged
  bool hasDisplayMatrix = false;
  int rotationCw = 0;      // the display matrix's turn, degrees clockwise (0 without one)
};

struct ProbedFile {
  bool ok = false;
  std::string error;
  std::string format;      // demuxer name
  double durationSec = 0;  // container duration
  std::vector<ProbedStream> streams;
  std::map<std::string, std::string> metadata;  // the file's, as the demuxer reads it
  const ProbedStream *first(const std::string &type) const;
};

// Opens and reads the whole file (counting packets per stream), with the
// demuxer named `format` (empty: the one the libraries pick).
ProbedFile probeMedia(const std::string &path, const std::string &format = std::string());

// Decodes the first video stream and hands every picture, converted to
// packed RGB24, to `onFrame(rgb, width, height, linesize, ptsSeconds)`.
// Returns the number of pictures, or -1 when the file cannot be decoded.
int decodeVideoRGB(const std::string &path,
                   const std::function<void(const uint8_t *, int, int, int, double)> &onFrame);
