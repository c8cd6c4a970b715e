// Pieces of a conversion request that both front ends need: what the probe
// tells about a source (for its list row) and the program-folder part of a
// job's settings. The window and the command-line converter call these, so
// a file gets the same row texts and the same job either way.
#pragma once

#include <string>

#include "job_builder.h"
#include "source_jobs.h"

class MediaProbe;

// Opens `path` with the probe, reads what the source list shows (video
// size as shown, turned upright, and rate of the first video stream,
// duration) and closes it again.
// A file the probe cannot open gives Opened false. Raises what the probe
// raises when the libraries are not bound.
ProbeSummary probeSourceFile(MediaProbe &probe, const std::string &path);

// Completes the settings of a job with the program folder (a trailing "/"
// is added when missing) and whether the bound libraries read the scripts
// that wrap ".rmvb" sources.
void setProgramFolder(JobSettings &settings, const std::string &programFolder);
