// The per-input and per-output option records: what a caller says about one
// input or output file without writing option text. Every field starts at
// its "not set" value, for which the engine's own default stays in force.
#pragma once

#include <cstdint>
#include <string>

struct InputOptions {
  std::string fileName;      // kept with the task
  std::string format;        // "f" before the input; empty: detect
  int32_t startTimeMs = -1;  // "ss"; set only when positive
  int32_t programid = -1;    // "programid"; set when >= 0
  // A turn by hand, degrees clockwise (0, 90, 180, 270), on top of the
  // display matrix: re-encoded pictures are turned, copied ones get the
  // matrix that says the whole turn.
  int32_t rotateDegrees = 0;
  std::string extraOptions;  // one name=value pair per line
};

// A colour as 0x00BBGGRR (lowest byte red).
using Color = uint32_t;

struct OutputOptions {
  std::string fileName;
  std::string format;          // "f"
  int32_t packetsize = -1;
  int32_t muxrate = -1;
  float muxdelay = -1.0f;      // seconds
  float muxpreload = -1.0f;    // seconds
  std::string acodec;          // encoder name or "copy"
  bool an = false;
  int32_t vol = -1;            // 256 keeps the volume
  int32_t ac = -1;
  int32_t ar = -1;             // Hz
  int32_t ab = -1;             // bit/s
  int32_t abt = -1;
  std::string alang;
  int32_t async = 0;
  std::string atag;
  std::string vcodec;          // encoder name or "copy"
  bool vn = false;
  std::string frameRate;       // "25", "30000/1001"
  std::string frameSize;       // "320x240"
  std::string aspect;          // "4:3", "1.3333"
  int32_t croptop = -1;
  int32_t cropbottom = -1;
  int32_t cropleft = -1;
  int32_t cropright = -1;
  int32_t padtop = -1;
  int32_t padbottom = -1;
  int32_t padleft = -1;
  int32_t padright = -1;
  Color padcolor = 0;         // black
  int32_t gop = -1;
  int32_t vb = -1;             // bit/s
  int32_t maxrate = -1;
  int32_t minrate = -1;
  int32_t bt = -1;
  int32_t bufsize = -1;
  // Two passes: 1 encodes the video writing its encoder's statistics to
  // `passLogFile` (the stem of the files; next to the output is best), 2
  // encodes it again from them; 0: one pass.
  int32_t pass = 0;
  std::string passLogFile;
  int32_t vsync = -1;
  std::string vtag;
  bool sn = false;
  std::string slang;
  bool copyts = false;
  bool overwrite = false;      // "y": the output may replace a file of its name
  // The output is kept only whole and when its file is at most this many
  // bytes; otherwise it is removed (TaskStatus tells its size). -1: any.
  int64_t keepAtMostBytes = -1;
  int32_t recordingTimeMs = -1;
  double timestamp = -1.0;     // days since 30 December 1899, local time
  bool keepMetadata = false;   // keep the source's recording date, place and camera
  int32_t year = -1;
  int32_t track = -1;
  char title[512] = {};
  char author[512] = {};
  char copyright[512] = {};
  char comment[512] = {};
  char album[512] = {};
  char genre[32] = {};
  int32_t target = 0;          // 0 none, 1 "vcd", 2 "svcd", 3 "dvd"
  int32_t targetNorm = 0;      // 0 "auto", 1 "pal", 2 "ntsc"
  int32_t targetDefaultNorm = 1;  // 1 "pal", else "ntsc"
  bool customHook = false;
  bool beforeHook = false;
  std::string hookRanges;
  std::string extraOptions;    // applied first of all
};

// Reset a record to its defaults.
inline void initialise(InputOptions &o) { o = InputOptions{}; }
inline void initialise(OutputOptions &o) { o = OutputOptions{}; }
