// One conversion task: its option state, its input files, the transcode
// state of its outputs, and the run state the component drives.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine_types.h"
#include "input_file.h"
#include "option_state.h"
#include "options.h"
#include "transcoder.h"
#include "video_hook.h"

// The process-wide codec lock: one task at a time opens or closes codecs or
// reads stream information. Re-entrant.
std::recursive_mutex &CodecLock();

// Identifier of the calling thread (the kernel's thread id).
uint32_t CurrentThreadId();

// Codes of the open-error table that the library does not return as such.
extern const int kOpenErrorUnknownFormat;    // no demuxer recognises the content
extern const int kOpenErrorImageNameSyntax;  // the format needs a frame number in the name

// Text of a library error code as an opening reports it ("%s: no such file
// or directory", ...), with `fileName` in place of "%s".
std::string OpenErrorText(int code, const std::string &fileName);

// Decoder or encoder lookup by name for an expected media type. An empty
// name gives AV_CODEC_ID_NONE and success. On failure `error` is
// "Unknown %s '%s'" or "Invalid %s type '%s'"; never raises.
bool FindCodecByName(const std::string &name, AVMediaType type, bool encoder, AVCodecID &id,
                     std::string &error);

// Copies every option named in `names` from `defaults` to `target` whose
// flags contain all of `flags` (AV_OPT_FLAG_*).
void CopyNamedOptions(const std::vector<std::string> &names, void *defaults, void *target,
                      int flags);
// The same into a dictionary (for objects that take options when opened).
void CopyNamedOptions(const std::vector<std::string> &names, void *defaults, AVDictionary **target,
                      int flags);

class TCustomFFmpeg {
 public:
  using TLogSink = std::function<void(TCustomFFmpeg &task, int level, const std::string &text)>;
  using TProgressSink =
      std::function<void(TCustomFFmpeg &task, int32_t frameNumber, int32_t fps, int32_t currentDurationMs,
                         float quality, float bitRate, int64_t currentSize, int32_t totalDurationMs)>;
  using TTerminateSink = std::function<void(TCustomFFmpeg &task)>;
  using TBeforeHookSink = std::function<void(TCustomFFmpeg &task, int64_t pts, THookAction &action)>;
  using TCustomHookSink = std::function<void(TCustomFFmpeg &task, TBitmap24 &bitmap, int32_t frameNumber,
                                             int64_t pts, bool &update, bool &stop)>;

  TCustomFFmpeg();
  virtual ~TCustomFFmpeg();
  TCustomFFmpeg(const TCustomFFmpeg &) = delete;
  TCustomFFmpeg &operator=(const TCustomFFmpeg &) = delete;

  // ---- run state ----
  int32_t Index = -1;
  std::atomic<uint32_t> ThreadId{0};
  std::atomic<bool> Running{false};
  std::atomic<bool> StopRequested{false};  // polled by the transcode loop
  std::atomic<bool> Finished{false};
  std::atomic<bool> Terminated{false};
  bool Failed = false;
  std::string ErrorMessage;
  std::string LastError;  // left by a failed input or output opening
  int64_t ProgressIntervalUs = 500000;
  TInputOptions InputRecord;
  TOutputOptions OutputRecord;

  TLogSink LogSink;
  TProgressSink ProgressSink;
  TTerminateSink TerminateSink;
  TBeforeHookSink BeforeHookSink;
  TCustomHookSink CustomHookSink;

  // ---- option state, inputs, outputs ----
  TOptionState Options;
  std::vector<TInputFile> InputFiles;  // at most kMaxFiles
  TTranscodeState Transcoder;          // output files and the transcode
  // Output files added so far (OpenOutputFile counts each output it appends
  // to its list, also when a later step of the opening fails).
  int NumOutputFiles = 0;
  TFrameHookChain VideoHooks;          // "vhook" modules
  // Time ranges (start, end) in which the video hook modules run, sorted by
  // ascending end.
  std::vector<std::pair<int64_t, int64_t>> HookRanges;

  // ---- life of the task ----
  // Releases what the task held, resets the options and creates the
  // option-holding contexts. Does nothing while the libraries are unbound.
  void Prepare();
  // The task's verbosity and the library log level.
  void SetVerbosity(int level);
  // Starts the task: on a worker thread (true is returned once the worker
  // runs) or, without thread, runs it to its end right here (returns false).
  bool Start(bool onThread, TConvertPriority priority);
  // The transcode wrapper; ends with DoTerminate.
  void Run();
  void DoTerminate();
  // Asks the transcode to stop and releases a paused worker.
  void RequestStop();
  // Delivers the termination of a task that never ran, from a short-lived
  // thread of its own (Stop).
  void StartTerminateDelivery();
  // Releases everything the task opened; may run several times.
  void Cleanup();
  // True while a worker thread of this task has not yet ended.
  bool HasWorker() const;
  // Blocks until the worker has ended (returns at once on the worker
  // itself).
  void WaitForWorker();

  // Pause gate: the transcode loop calls WaitWhilePaused once per packet
  // (and the task once before the first); it blocks while the task is
  // paused, and returns at once when a stop has been requested.
  void WaitWhilePaused();
  void SetPaused(bool paused);
  bool PauseRequested() const;
  // Waits up to `timeoutMs` until the worker sits at the pause gate or has
  // ended; returns whether it does.
  bool WaitUntilParked(int timeoutMs);

  // ---- sinks ----
  void Log(int level, const std::string &text);
  void LogF(int level, const char *format, ...) __attribute__((format(printf, 3, 4)));
  void DoProgress(int32_t frameNumber, int32_t fps, int32_t currentDurationMs, float quality,
                  float bitRate, int64_t currentSize, int32_t totalDurationMs);

  // ---- options ----
  void ApplyOptionText(const std::string &text);
  void ParseOption(const std::string &name, const std::string &value);
  bool SetGenericOption(const std::string &name, const std::string &value);
  bool SetGenericOptionInt(const std::string &name, int64_t value);
  // "b", "vb", "ab": the generic option, then the too-low warning.
  void SetBitRateOption(const std::string &name, const std::string &value);

  // Typed setters (each does what the option of the same name does).
  void SetFormat(const std::string &name);        // "f": input and output
  void SetInputFormat(const std::string &name);   // input only
  void SetOutputFormat(const std::string &name);  // output only
  void SetFrameRate(const std::string &text);
  void SetFrameSize(const std::string &text);
  void SetAspect(const std::string &text);
  void SetCropTop(int v);
  void SetCropBottom(int v);
  void SetCropLeft(int v);
  void SetCropRight(int v);
  void SetPadTop(int v);
  void SetPadBottom(int v);
  void SetPadLeft(int v);
  void SetPadRight(int v);
  void SetPadColor(uint32_t rgb);  // red in the low byte
  void SetVideoCodec(const std::string &name);
  void SetAudioCodec(const std::string &name);
  void SetSubtitleCodec(const std::string &name);
  void SetVideoTag(const std::string &tag);
  void SetAudioTag(const std::string &tag);
  void SetAudioSampleRate(int hz);
  void SetAudioChannels(int channels);
  void SetAudioVolume(int volume);
  void SetVideoSyncMethod(int method);
  void SetAudioSyncMethod(int method);
  void SetMuxDelay(float seconds);
  void SetMuxPreload(float seconds);
  void SetTitle(const std::string &s);
  void SetAuthor(const std::string &s);
  void SetCopyright(const std::string &s);
  void SetComment(const std::string &s);
  void SetAlbum(const std::string &s);
  void SetGenre(const std::string &s);
  void SetYear(int year);
  void SetTrack(int track);
  void SetStartTimeUs(int64_t us);
  void SetProgramId(int id);
  void SetRecordingTimeMs(int64_t ms);
  void SetTimestamp(int64_t secondsSince1970);
  void SetAudioLanguage(const std::string &s);
  void SetSubtitleLanguage(const std::string &s);
  void SetCopyTs(bool on);
  void SetVideoDisable();
  void SetAudioDisable();
  void SetSubtitleDisable();
  // Target presets: type "vcd", "svcd", "dvd", "dv", "dv50"; norm "pal",
  // "ntsc", "film" or anything else for a guess; defaultNorm decides when
  // the guess cannot.
  void ApplyTarget(const std::string &type, const std::string &norm, const std::string &defaultNorm);
  // Norm resolution of the presets: 0 PAL, 1 NTSC, 2 film.
  int ResolveNorm(const std::string &norm, const std::string &defaultNorm);

  // ---- records ----
  void ApplyInputOptions(TInputOptions &record, const std::string &fileName);
  void ApplyOutputOptions(TOutputOptions &record, const std::string &fileName);

  // ---- input ----
  bool OpenInputFile(const std::string &fileName);

 protected:
  struct TGate;
  std::unique_ptr<TGate> gate_;
  struct TWorker;
  std::shared_ptr<TWorker> worker_;

 private:
  void Fail(const std::string &message);
  void ClearPerFileOptions();
  void AddVhook(const std::string &value);
  void ParseMatrix(const std::string &value, std::vector<uint16_t> &matrix);
  void ListPixelFormats();
};

// "newvideo", "newaudio", "newsubtitle": appends a further stream of that
// type to the task's last opened output. The transcoder defines it; without
// an opened output it raises "At least one output file must be specified".
void NewStreamOnLastOutput(TCustomFFmpeg &task, AVMediaType type);

// A task as the component holds it.
class TFFmpeg : public TCustomFFmpeg {
 public:
  using TCustomFFmpeg::TCustomFFmpeg;
};

// The component's owning, ordered list of tasks. Indexes outside the list
// raise std::out_of_range.
class TFFmpegList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TFFmpeg &Item(int index) const;
  // Appends; the task's Index becomes its position, which is returned.
  int Add(std::unique_ptr<TFFmpeg> task);
  // Takes the task out of the list (the caller frees it) and renumbers the
  // later tasks.
  std::unique_ptr<TFFmpeg> Extract(int index);
  std::vector<std::unique_ptr<TFFmpeg>> ExtractAll();
  // The first task whose ThreadId equals `threadId`, or null.
  TFFmpeg *FindByThreadId(uint32_t threadId) const;

 private:
  std::vector<std::unique_ptr<TFFmpeg>> items_;
};

// Parses hook-range text ("10-20, 5-8") into sorted (start, end) pairs.
std::vector<std::pair<int64_t, int64_t>> ParseHookRanges(const std::string &text);

// A local date-time (days since 30 December 1899) as whole seconds since
// 1 January 1970 UTC, using the standard time-zone bias.
int64_t DateTimeToUnixSeconds(double dateTime);
// The current local date-time in the same day count.
double NowAsDateTime();
