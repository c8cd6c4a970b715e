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
std::recursive_mutex &codecLock();

// Identifier of the calling thread (the kernel's thread id).
uint32_t currentThreadId();

// Codes of the open-error table that the library does not return as such.
extern const int kOpenErrorUnknownFormat;    // no demuxer recognises the content
extern const int kOpenErrorImageNameSyntax;  // the format needs a frame number in the name

// Text of a library error code as an opening reports it ("%s: no such file
// or directory", ...), with `fileName` in place of "%s".
std::string openErrorText(int code, const std::string &fileName);

// Decoder or encoder lookup by name for an expected media type. An empty
// name gives AV_CODEC_ID_NONE and success. On failure `error` is
// "Unknown %s '%s'" or "Invalid %s type '%s'"; never raises.
bool findCodecByName(const std::string &name, AVMediaType type, bool encoder, AVCodecID &id,
                     std::string &error);

// Copies every option named in `names` from `defaults` to `target` whose
// flags contain all of `flags` (AV_OPT_FLAG_*).
void copyNamedOptions(const std::vector<std::string> &names, void *defaults, void *target,
                      int flags);
// The same into a dictionary (for objects that take options when opened).
void copyNamedOptions(const std::vector<std::string> &names, void *defaults, AVDictionary **target,
                      int flags);

class TranscodeTask {
 public:
  using LogSink = std::function<void(TranscodeTask &task, int level, const std::string &text)>;
  using ProgressSink =
      std::function<void(TranscodeTask &task, int32_t frameNumber, int32_t fps, int32_t currentDurationMs,
                         float quality, float bitRate, int64_t currentSize, int32_t totalDurationMs)>;
  using TerminateSink = std::function<void(TranscodeTask &task)>;
  using BeforeHookSink = std::function<void(TranscodeTask &task, int64_t pts, HookAction &action)>;
  using CustomHookSink = std::function<void(TranscodeTask &task, Bitmap24 &bitmap, int32_t frameNumber,
                                             int64_t pts, bool &update, bool &stop)>;

  TranscodeTask();
  virtual ~TranscodeTask();
  TranscodeTask(const TranscodeTask &) = delete;
  TranscodeTask &operator=(const TranscodeTask &) = delete;

  // ---- run state ----
  int32_t index = -1;
  std::atomic<uint32_t> threadId{0};
  std::atomic<bool> running{false};
  std::atomic<bool> stopRequested{false};  // polled by the transcode loop
  std::atomic<bool> finished{false};
  std::atomic<bool> terminated{false};
  bool failed = false;
  std::string errorMessage;
  std::string lastError;  // left by a failed input or output opening
  int64_t progressIntervalUs = 500000;
  InputOptions inputRecord;
  OutputOptions outputRecord;

  LogSink logSink;
  ProgressSink progressSink;
  TerminateSink terminateSink;
  BeforeHookSink beforeHookSink;
  CustomHookSink customHookSink;

  // ---- option state, inputs, outputs ----
  OptionState options;
  std::vector<InputFile> inputFiles;  // at most kMaxFiles
  TranscodeState transcoder;          // output files and the transcode
  // Output files added so far (OpenOutputFile counts each output it appends
  // to its list, also when a later step of the opening fails).
  int numOutputFiles = 0;
  FrameHookChain videoHooks;          // "vhook" modules
  // Time ranges (start, end) in which the video hook modules run, sorted by
  // ascending end.
  std::vector<std::pair<int64_t, int64_t>> hookRanges;

  // ---- life of the task ----
  // Releases what the task held, resets the options and creates the
  // option-holding contexts. Does nothing while the libraries are unbound.
  void prepare();
  // The task's verbosity and the library log level.
  void setVerbosity(int level);
  // Starts the task: on a worker thread (true is returned once the worker
  // runs) or, without thread, runs it to its end right here (returns false).
  bool start(bool onThread, ConvertPriority priority);
  // The transcode wrapper; ends with DoTerminate.
  void run();
  void doTerminate();
  // Asks the transcode to stop and releases a paused worker.
  void requestStop();
  // Delivers the termination of a task that never ran, from a short-lived
  // thread of its own (Stop).
  void startTerminateDelivery();
  // Releases everything the task opened; may run several times.
  void cleanup();
  // True while a worker thread of this task has not yet ended.
  bool hasWorker() const;
  // Blocks until the worker has ended (returns at once on the worker
  // itself).
  void waitForWorker();

  // Pause gate: the transcode loop calls WaitWhilePaused once per packet
  // (and the task once before the first); it blocks while the task is
  // paused, and returns at once when a stop has been requested.
  void waitWhilePaused();
  void setPaused(bool paused);
  bool pauseRequested() const;
  // Waits up to `timeoutMs` until the worker sits at the pause gate or has
  // ended; returns whether it does.
  bool waitUntilParked(int timeoutMs);

  // ---- sinks ----
  void log(int level, const std::string &text);
  void logF(int level, const char *format, ...) __attribute__((format(printf, 3, 4)));
  void doProgress(int32_t frameNumber, int32_t fps, int32_t currentDurationMs, float quality,
                  float bitRate, int64_t currentSize, int32_t totalDurationMs);

  // ---- options ----
  void applyOptionText(const std::string &text);
  void parseOption(const std::string &name, const std::string &value);
  bool setGenericOption(const std::string &name, const std::string &value);
  bool setGenericOptionInt(const std::string &name, int64_t value);
  // "b", "vb", "ab": the generic option, then the too-low warning.
  void setBitRateOption(const std::string &name, const std::string &value);

  // Typed setters (each does what the option of the same name does).
  void setFormat(const std::string &name);        // "f": input and output
  void setInputFormat(const std::string &name);   // input only
  void setOutputFormat(const std::string &name);  // output only
  void setFrameRate(const std::string &text);
  void setFrameSize(const std::string &text);
  void setAspect(const std::string &text);
  void setCropTop(int v);
  void setCropBottom(int v);
  void setCropLeft(int v);
  void setCropRight(int v);
  void setPadTop(int v);
  void setPadBottom(int v);
  void setPadLeft(int v);
  void setPadRight(int v);
  void setPadColor(uint32_t rgb);  // red in the low byte
  void setVideoCodec(const std::string &name);
  void setAudioCodec(const std::string &name);
  void setSubtitleCodec(const std::string &name);
  void setVideoTag(const std::string &tag);
  void setAudioTag(const std::string &tag);
  void setAudioSampleRate(int hz);
  void setAudioChannels(int channels);
  void setAudioVolume(int volume);
  void setVideoSyncMethod(int method);
  void setAudioSyncMethod(int method);
  void setMuxDelay(float seconds);
  void setMuxPreload(float seconds);
  void setTitle(const std::string &s);
  void setAuthor(const std::string &s);
  void setCopyright(const std::string &s);
  void setComment(const std::string &s);
  void setAlbum(const std::string &s);
  void setGenre(const std::string &s);
  void setYear(int year);
  void setTrack(int track);
  void setStartTimeUs(int64_t us);
  void setProgramId(int id);
  void setRecordingTimeMs(int64_t ms);
  void setTimestamp(int64_t secondsSince1970);
  void setAudioLanguage(const std::string &s);
  void setSubtitleLanguage(const std::string &s);
  void setCopyTs(bool on);
  void setVideoDisable();
  void setAudioDisable();
  void setSubtitleDisable();
  // Target presets: type "vcd", "svcd", "dvd", "dv", "dv50"; norm "pal",
  // "ntsc", "film" or anything else for a guess; defaultNorm decides when
  // the guess cannot.
  void applyTarget(const std::string &type, const std::string &norm, const std::string &defaultNorm);
  // Norm resolution of the presets: 0 PAL, 1 NTSC, 2 film.
  int resolveNorm(const std::string &norm, const std::string &defaultNorm);

  // ---- records ----
  void applyInputOptions(InputOptions &record, const std::string &fileName);
  void applyOutputOptions(OutputOptions &record, const std::string &fileName);

  // ---- input ----
  bool openInputFile(const std::string &fileName);

 protected:
  struct Gate;
  std::unique_ptr<Gate> gate_;
  struct Worker;
  std::shared_ptr<Worker> worker_;

 private:
  void fail(const std::string &message);
  void clearPerFileOptions();
  void addVhook(const std::string &value);
  void parseMatrix(const std::string &value, std::vector<uint16_t> &matrix);
  void listPixelFormats();
};

// "newvideo", "newaudio", "newsubtitle": appends a further stream of that
// type to the task's last opened output. The transcoder defines it; without
// an opened output it raises "At least one output file must be specified".
void newStreamOnLastOutput(TranscodeTask &task, AVMediaType type);


// The component's owning, ordered list of tasks. Indexes outside the list
// raise std::out_of_range.
class TaskList {
 public:
  int count() const { return static_cast<int>(items_.size()); }
  TranscodeTask &item(int index) const;
  // Appends; the task's Index becomes its position, which is returned.
  int add(std::unique_ptr<TranscodeTask> task);
  // Takes the task out of the list (the caller frees it) and renumbers the
  // later tasks.
  std::unique_ptr<TranscodeTask> extract(int index);
  std::vector<std::unique_ptr<TranscodeTask>> extractAll();
  // The first task whose ThreadId equals `threadId`, or null.
  TranscodeTask *findByThreadId(uint32_t threadId) const;

 private:
  std::vector<std::unique_ptr<TranscodeTask>> items_;
};

// Parses hook-range text ("10-20, 5-8") into sorted (start, end) pairs.
std::vector<std::pair<int64_t, int64_t>> parseHookRanges(const std::string &text);

// A local date-time (days since 30 December 1899) as whole seconds since
// 1 January 1970 UTC, using the standard time-zone bias.
int64_t dateTimeToUnixSeconds(double dateTime);
// The current local date-time in the same day count.
double nowAsDateTime();
