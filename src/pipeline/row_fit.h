// The fit of one row's output into a size, encode by encode. A profile
// that encodes pictures runs two passes: the first at the profile's own
// quality, writing the video encoder's statistics next to the output and
// measuring what the container adds; an output that fits already is kept
// as it is (fitting never makes a clip bigger). The second encodes at the
// rate worked out from the length, the sound's bytes and that measure; an
// output over the size is encoded once more at a rate lowered by the
// excess. Profiles without encoded pictures fit by their sound's rate in
// one pass. No encode keeps an output over the size (the engine removes
// it), and the statistics files go with the fit.
#pragma once

#include <cstdint>
#include <string>

#include "engine_types.h"
#include "options.h"
#include "source_jobs.h"
#include "target_size.h"

class RowFit {
 public:
  enum class Step { Encode, Done, Fail };

  // Plans the fit of `durationMs` of `profile` (the row's options, filled
  // in) showing `width`x`height` pictures at `fps` into `targetBytes`; the
  // statistics go to files named from `passLogStem` (a path). refused()
  // tells when no rate can reach the size.
  RowFit(int64_t targetBytes, int64_t durationMs, const OutputOptions &profile, int width, int height, double fps,
         std::string passLogStem);
  ~RowFit();
  RowFit(RowFit &&other) noexcept;
  RowFit &operator=(RowFit &&) = delete;
  RowFit(const RowFit &) = delete;
  RowFit &operator=(const RowFit &) = delete;

  bool refused() const { return !plan_.possible; }
  const std::string &reason() const { return reason_; }

  // Sets `o` (the profile's options) to the next encode's.
  void apply(OutputOptions &o) const;
  // The log line of the next encode.
  std::string note() const;
  // After an encode that finished, with the size of its output: whether
  // to encode again, or the fit is done, or failed (reason()).
  Step next(const OutputMeasure &measure);
  // The log line of what the last encode came to.
  const std::string &outcomeNote() const { return outcomeNote_; }
  // Whether a later encode of the fit is under way (the row's log goes on).
  bool continuing() const { return encode_ > 0; }
  // Where the row's progress bar stands at `percent` of the current
  // encode: every encode has its share, and the bar never goes back.
  int barPercent(int64_t percent) const;
  // What the row's hint, the log and --json tell.
  const FitRecord &record() const { return record_; }
  // Removes the statistics files; safe to call again.
  void removePassLogs();

 private:
  enum class Mode { OnePass, TwoPass };

  int64_t target_;
  int64_t durationMs_;
  OutputOptions profile_;
  std::string stem_;
  Mode mode_ = Mode::OnePass;
  FitPlan plan_;
  std::string reason_;
  std::string outcomeNote_;
  int encode_ = 0;          // 0: the first; 1: the second pass; 2: the second pass once more
  int32_t videoRate_ = -1;  // of the second pass
  int32_t lowestRate_ = kLowestVideoBitRate;
  FitRecord record_;
};

// A stem for the statistics files of an output in `folder`, hidden, not
// yet taken: "<folder>/.trevix-pass-k3j9x2qa".
std::string passLogStemIn(const std::string &folder);
