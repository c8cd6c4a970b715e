// The option state of one task: what the next input opening and the next
// output opening consume, the way a command-line transcoder's options stand
// before the file they apply to. All values start at the defaults below;
// only reset() (done when the task is prepared) puts them back.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "av_ptr.h"

constexpr int kMaxFiles = 20;    // input files, output files
constexpr int kMaxStreams = 20;  // streams per file (itsscale table, maps)

// The five stream kinds of the option-holding codec defaults, in the order
// the generic option setter walks them.
enum StreamKind { kVideoKind, kAudioKind, kDataKind, kSubtitleKind, kAttachmentKind, kStreamKindCount };

struct StreamMap {
  int file = 0;
  int stream = 0;
  int syncFile = 0;
  int syncStream = 0;
};

struct MetaDataMap {
  int outFile = 0;
  int inFile = 0;
};

// The option state falls into records by concern; a step that needs one
// concern takes that record alone.

// Formats and files: what the next opening reads or writes, and how.
struct FileOptions {
  // Formats ("f"), consumed (cleared) by the next input or output opening.
  const AVInputFormat *inputFormat = nullptr;
  const AVOutputFormat *outputFormat = nullptr;
  int pgmyuvCompat = 0;
  int loopInput = 0;
  int loopOutput = -1;  // -1: container default
  float muxPreload = 0.5f;   // seconds
  float muxMaxDelay = 0.7f;  // seconds
  int64_t limitFileSize = 0;  // bytes; 0: none
  int overwriteOutput = 0;  // "y": a finished output may replace a file of its name
  int64_t keepAtMostBytes = -1;  // a finished output bigger than this is not kept; -1: none
  int programId = 0;
  int videoChannel = 0;
  std::string videoStandard;   // empty: none
  std::string vstatsFileName;  // empty: none
  int doHexDump = 0, doPktDump = 0;
  int verbose = 1;
};

// Picture geometry, padding and cropping.
struct PictureOptions {
  int frameWidth = 0;
  int frameHeight = 0;
  AVRational videoFrameRate{0, 0};
  // The rate is the source's (no "r" given): how the source's pictures are
  // timed, for sources whose pictures come at varying intervals.
  bool frameRateFromSource = false;
  AVRational sourceAverageRate{0, 0};
  AVRational sourceTimeBase{0, 0};
  float frameAspectRatio = 0.0f;  // 0: take from the source
  int handQuarterTurns = 0;       // the input record's turn by hand, clockwise
  int framePixFmt = -1;           // AVPixelFormat, -1 none
  int sourcePixFmt = -1;          // the source's, which framePixFmt starts as
  int padTop = 0, padBottom = 0, padLeft = 0, padRight = 0;
  int padColorY = 16, padColorU = 128, padColorV = 128;
  int cropTop = 0, cropBottom = 0, cropLeft = 0, cropRight = 0;
  int doDeinterlace = 0;
  int topFieldFirst = -1;  // -1: from the source
};

// How the picture is coded.
struct VideoCodingOptions {
  float videoQscale = 0.0f;  // 0: off
  std::vector<uint16_t> intraMatrix;  // 64 coefficients, or empty: none
  std::vector<uint16_t> interMatrix;
  std::string rcOverride;             // empty: none
  int videoDisable = 0;
  int videoDiscard = 0;  // AVDiscard; 0 keeps the library's default
  std::string videoCodecName;  // empty: none; consumed by the next opening
  int videoStreamCopy = 0;
  uint32_t videoCodecTag = 0;  // four characters, first in the low byte
  int sameQuality = 0;
  int meThreshold = 0;
  int intraDcPrecision = 8;
  int intraOnly = 0;
  int qpHist = 0;
  int videoGlobalHeader = 0;
  int doPsnr = 0;
  int passNumber = 0;
  std::string passLogFileName;
  int videoSyncMethod = -1;  // -1: automatic
  int usingVhook = 0;
  int threadCount = 1;  // codec threads; the "threads" option is refused
};

// The sound and how it is coded.
struct AudioOptions {
  int audioSampleRate = 44100;
  int audioChannels = 2;
  float audioQscale = -99999.0f;  // off
  int audioVolume = 256;          // 256: unchanged
  std::string audioLanguage;
  int audioDisable = 0;
  std::string audioCodecName;  // empty: none; consumed by the next opening
  int audioStreamCopy = 0;
  uint32_t audioCodecTag = 0;  // four characters, first in the low byte
  int audioSyncMethod = 0;
  float audioDriftThreshold = 0.1f;  // seconds
};

// Subtitles, the stream and metadata maps, and the per-stream time scales.
struct StreamOptions {
  int subtitleDisable = 0;
  std::string subtitleCodecName;  // empty: none; consumed by the next opening
  int subtitleStreamCopy = 0;
  std::string subtitleLanguage;
  std::vector<StreamMap> streamMaps;      // at most kMaxStreams
  std::vector<MetaDataMap> metaDataMaps;  // at most kMaxFiles
  // Timestamp scale per input file and stream; 0 means 1.
  std::array<std::array<double, kMaxStreams>, kMaxFiles> inputTsScale{};
};

// What the outputs are told about themselves.
struct MetadataOptions {
  std::string title, author, copyright, comment, genre, album;
  int year = 0, track = 0;
  int64_t recTimestamp = 0;  // seconds since 1970 ("timestamp")
  // Outputs keep the source's recording date, place and camera, and get
  // its recording time as their file time.
  bool keepRecordingMetadata = false;
};

// Where reading starts, how long it goes on, and how the times are kept.
struct TimingOptions {
  int64_t recordingTime = std::numeric_limits<int64_t>::max();  // microseconds
  int32_t expectedDurationMs = -1;  // reference of the progress reports
  int64_t inputStartTime = 0;       // microseconds ("ss")
  int64_t inputTsOffset = 0;        // microseconds ("itsoffset")
  // With "ss": the time (microseconds, on the time line the input's
  // offset gives) before which decoded pictures and sound are dropped.
  int64_t decodedFrom = std::numeric_limits<int64_t>::min();
  int maxVideoFrames = std::numeric_limits<int32_t>::max();
  int maxAudioFrames = std::numeric_limits<int32_t>::max();
  int maxDataFrames = std::numeric_limits<int32_t>::max();
  float dtsDeltaThreshold = 10.0f;  // seconds
  int copyTs = 0, shortest = 0, inputSync = 0, rateEmu = 0;
};

// The library's own options set through the generic setter, and the
// option-holding objects they are written into.
struct LibraryOptions {
  int swsFlags = 4;  // SWS_BICUBIC
  // Library option names set so far through the generic setter; the
  // openings copy exactly these out of the defaults below.
  std::vector<std::string> setOptionNames;

  // The option-holding defaults the generic setter writes into: codec
  // contexts allocated without a codec (one per kind), a format context and
  // a scaler context.
  std::array<CodecContextPtr, kStreamKindCount> codecDefaults;
  FormatContextPtr formatDefaults;
  SwsContextPtr swsDefaults;

  // Options only a particular encoder (per kind) or muxer knows in this
  // library generation ("preset", "muxrate", ...). They are handed to the
  // encoder's avcodec_open2 or the muxer's avformat_write_header.
  std::array<Dictionary, kStreamKindCount> codecPrivateOptions;
  Dictionary formatPrivateOptions;

  // Creates the option-holding contexts; needs the bound libraries.
  // Returns false when an allocation failed.
  bool allocateDefaults();
  AVCodecContext *defaultsFor(StreamKind kind) const { return codecDefaults[kind].get(); }
};

struct OptionState : FileOptions,
                     PictureOptions,
                     VideoCodingOptions,
                     AudioOptions,
                     StreamOptions,
                     MetadataOptions,
                     TimingOptions,
                     LibraryOptions {
  // Back to the defaults, every record; frees the option-holding objects
  // (they are made again by allocateDefaults).
  void reset() { *this = OptionState{}; }
};
