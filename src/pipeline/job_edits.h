// A row's turn and cut as the engine is told them, the checks made before
// a cut is converted, and the cut's times as people type them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "options.h"
#include "source_jobs.h"

// A time as seconds ("5.5", "12") or as "HH:MM:SS[.mmm]" ("00:01:05",
// "1:05:00.250"), in milliseconds; none for anything else (a negative
// number, minutes or seconds of 60 and more, more than three decimals).
std::optional<int64_t> parseTimeText(const std::string &text);

// "00:01:05.250".
std::string cutTimeText(int64_t ms);

// Why the row's cut cannot be converted (it starts at or after its end, or
// at or past the source's length), empty when it can or there is no cut.
std::string cutProblem(const SourceJob &job);

// Tells the engine the row's turn and cut: the turn and the cut's start on
// the input, the cut's length on the output (the progress counts against
// it). `startMs` is where the cut really starts (see copyStartMs).
void applyJobEdits(const JobEdits &edits, const ProbeSummary &probe, int64_t startMs, InputOptions &in,
                   OutputOptions &out);

// Copied pictures can only start at a keyframe: where a cut that asks for
// `askedMs` starts when the output copies the video, given the keyframe at
// or before it (negative: unknown, the asked start stays).
int64_t copyStartMs(int64_t askedMs, int64_t keyframeMs);

// The log line that says a copied cut starts early ("" when it does not).
std::string copyStartNote(int64_t askedMs, int64_t startMs);
