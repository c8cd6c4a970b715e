// The source list as data: one SourceJob per listed file (what the probe
// found, the check mark, and how its conversion went), held by SourceJobs.
// The window shows it through a table model, trevix-convert keeps it
// without a window; the conversion queue and the job builder work on it.
// sourceJobText() is the one place that turns a job into the texts of the
// list's columns.
//
// Everything here belongs to the thread that owns the list (the UI thread
// in the window, the run loop in trevix-convert); nothing is locked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Columns of the source list (the first holds the source path).
enum SourceListColumn {
  kFileNameColumn = 0,
  kVideoSizeColumn = 1,
  kFrameRateColumn = 2,
  kDurationColumn = 3,
  kOutputColumn = 4,
  kProgressColumn = 5,
  kFramesColumn = 6,
  kSourceListColumnCount = 7
};

// What the add-file procedure learns about one file.
struct ProbeSummary {
  bool opened = false;  // the probe could open the file
  int videoStreamCount = 0;
  int width = -1, height = -1;  // the picture as it is shown (a phone's portrait clip: 1080x1920)
  int sarNum = 0, sarDen = 1;   // its pixel aspect; 0: square
  int frameRateNum = -1, frameRateDen = -1;
  int64_t durationUs = -1;  // negative: unknown
  int audioChannels = 0;    // of the first sound track, the one converted; 0: none or unknown
  // When it was recorded: seconds since 1970 (UTC), -1 when the source does
  // not say; and the zone of the place (minutes east of UTC) when it does.
  int64_t recordedAt = -1;
  bool recordedZoneKnown = false;
  int recordedZoneMinutes = 0;
  bool recordedPlace = false;  // the source knows where it was recorded
  std::string error;        // why the probe could not open the file
  bool notSource = false;   // read, but no video or audio file: never converted (error says why)
};

// Where a job stands in the current (or last) run.
enum class JobState { Waiting, Converting, Done, Failed, Aborted };

// What the engine last reported for a converting job.
struct JobProgress {
  int64_t percent = -1;    // 0..100, or -1 when the source's length is unknown
  int64_t positionMs = 0;  // the output position reached
};

// What one row changes of its source, on top of the run's settings (the
// list's pop-up menu, or the command line for every file of a call). Not
// stored in the settings: a new list starts without cuts or turns.
struct JobEdits {
  int rotation = 0;     // turned by hand, degrees clockwise: 0, 90, 180 or 270
  int64_t startMs = 0;  // the cut's start; 0: the source's start
  int64_t endMs = -1;   // the cut's end; -1: the source's end
  bool cut() const { return startMs > 0 || endMs >= 0; }
  bool operator==(const JobEdits &) const = default;
};

// How a run fitted the row's output into the size asked for.
struct FitRecord {
  int64_t targetBytes = 0;    // 0: no fitting
  int32_t videoBitRate = -1;  // the rate chosen (a constant quality's highest); -1: the profile's own
  int32_t audioBitRate = -1;  // the sound's rate; -1: the profile's own or none
  int64_t reachedBytes = -1;  // the output's size once it is done
  bool again = false;         // the first output came out over: encoded once more at a lower rate
};

struct SourceJob {
  std::string path;        // as the open dialog returned it
  ProbeSummary probe;
  std::string outputType;  // the profile's format name ("MP4"); empty when the probe failed
  bool checked = true;     // only checked jobs are converted
  JobEdits edits;

  JobState state = JobState::Waiting;
  bool loadingScript = false;         // the source is read through a script ("Loading")
  std::optional<JobProgress> progress;  // none before the first report of this run
  std::optional<int32_t> frameNumber;   // none before the first report; -1: no video
  std::string outputPath;             // the file the job writes
  FitRecord fit;
  int64_t cutStartMs = -1;            // where this run's cut starts (copied pictures: a keyframe); -1: no cut
  std::string reason;                 // why it failed
  std::vector<std::string> logLines;  // the engine's log of the job
};

// A job keeps this many log lines; the next one is kLogCutText and the
// rest are dropped (a runaway stream of warnings must not fill memory).
inline constexpr size_t kMaxJobLogLines = 5000;
inline constexpr const char *kLogCutText = "(further messages left out)";

// A job for `path` as the add-file procedure lists it.
SourceJob makeSourceJob(const std::string &path, const ProbeSummary &probe, const std::string &outputType);

// The probe's summary as the row shows it and its job converts it: the
// size turned by hand, the length that of the cut (the source's end when
// the cut ends past it; what is left of an unknown length stays unknown).
ProbeSummary editedProbe(const SourceJob &job);

// How a fit went, as the row's hint ends: " (fitted into 10 MB: video at
// 1234 kbit/s, 9.6 MB)"; empty without a fit.
std::string fitSummaryText(const FitRecord &fit);

// The text of one column of the list: the path, "640x480" (a single blank
// without video), "29.97", "00:01:05" or "Unknown", the output type, the
// progress ("", "Error", "Loading", "45%", "00:01:23", "Done", "Fail",
// "Abort") and the frame count (a single blank for output without video).
std::string sourceJobText(const SourceJob &job, SourceListColumn column);

// The hint the list shows over a row: why it failed (or why its file could
// not be read), or where a converted file went; empty when there is nothing
// to tell.
std::string sourceJobHint(const SourceJob &job);

// "Recorded 2023-07-14 18:42:05 +02:00" (in the recording's zone where the
// source names it, else in this computer's); empty without a recording time.
std::string recordingTimeText(const ProbeSummary &probe);

// Whether the source's length counts as unknown for the job builder (its
// duration reads "Unknown" or "00:00:00").
bool sourceLengthUnknown(const ProbeSummary &probe);

// Told about every change of a SourceJobs, in the order made. Inserting and
// removing come in pairs around the change, as list views need them.
class SourceJobsListener {
 public:
  virtual ~SourceJobsListener() = default;
  virtual void jobsInserting(int first, int last) = 0;
  virtual void jobsInserted() = 0;
  virtual void jobsRemoving(int first, int last) = 0;
  virtual void jobsRemoved() = 0;
  virtual void jobsChanged(int first, int last) = 0;
};

class SourceJobs {
 public:
  int count() const { return static_cast<int>(jobs_.size()); }
  bool contains(int row) const { return row >= 0 && row < count(); }
  // The job of a row that exists.
  const SourceJob &at(int row) const { return jobs_.at(static_cast<size_t>(row)); }

  void append(SourceJob job);
  void remove(int row);
  void clear();

  void setChecked(int row, bool checked);
  void setAllChecked(bool checked);
  // The row's turn and cut (the job model's part of the list's menu).
  void setEdits(int row, const JobEdits &edits);
  // Every row shows the profile's format name.
  void setOutputType(const std::string &outputType);
  // What a reset does with the frame counts of the last run.
  enum class FrameCounts { Keep, Clear };
  // A new run (or a new Add File): every job waits again, without the
  // progress, output, reason and log of the last one. Add File keeps the
  // frame counts; Start clears them, checked rows or not.
  void resetRunState(FrameCounts frames = FrameCounts::Keep);

  // The conversion of one row.
  void startJob(int row, const std::string &outputPath, bool loadingScript);
  // Where the row's cut starts in this run, and how it was fitted (no
  // change is announced).
  void setCutStart(int row, int64_t ms);
  void setFit(int row, const FitRecord &fit);
  void reportProgress(int row, const JobProgress &progress, int32_t frameNumber);
  void endJob(int row, JobState state, const std::string &reason);
  // The name the row's output really got (another than the one planned,
  // or none), told before endJob.
  void setOutputPath(int row, const std::string &outputPath);
  // One line of the engine's log of the row's task (no change is
  // announced: no column shows the log).
  void addLogLine(int row, const std::string &line);

  // Whether some job is being converted.
  bool anyConverting() const;

  // At most one listener (nullptr: none); it is not owned.
  void setListener(SourceJobsListener *listener) { listener_ = listener; }

 private:
  SourceJob *job(int row);
  void changed(int first, int last);

  std::vector<SourceJob> jobs_;
  SourceJobsListener *listener_ = nullptr;
};
