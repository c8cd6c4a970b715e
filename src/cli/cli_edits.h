// The per-file edits of trevix-convert's command line (--rotate, --start,
// --end), which apply to every file of the call.
#pragma once

#include "cli_options.h"
#include "source_jobs.h"

// The turn and cut the options ask for. Raises UsageError for an angle
// other than 90, 180 or 270 (0 is accepted), or a time that is not seconds
// or HH:MM:SS[.mmm], or an end not after the start.
JobEdits jobEditsOption(const CliOptions &options);

// The bytes of --target-size (0 when not given). Raises UsageError for a
// size it cannot read.
int64_t targetSizeOption(const CliOptions &options);
