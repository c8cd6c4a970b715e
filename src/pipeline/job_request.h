// Pieces of a conversion request that both front ends need: what the probe
// tells about a source (for its list row) and the program-folder part of a
// job's settings. The window and the command-line converter call these, so
// a file gets the same row texts and the same job either way.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "job_builder.h"
#include "source_jobs.h"

class MediaProbe;

// Opens `path` with the probe, reads what the source list shows (video
// size as shown, turned upright, and rate of the first video stream,
// duration, when and whether where it was recorded) and closes it again.
// A file the probe cannot open gives Opened false, one it found to be no
// video or audio file NotSource too. Raises what the probe
// raises when the libraries are not bound.
ProbeSummary probeSourceFile(MediaProbe &probe, const std::string &path);

// Whether a job's output carries the place of its recording: the settings
// keep the recording metadata, the source knows the place and the output's
// container (from its name) holds it.
bool jobKeepsPlace(const ProbeSummary &source, const JobSettings &settings, const std::string &outputFile);

// Completes the settings of a job with the program folder (a trailing "/"
// is added when missing) and whether the bound libraries read the scripts
// that wrap ".rmvb" sources.
void setProgramFolder(JobSettings &settings, const std::string &programFolder);

// The extensions of the sources the program converts, as the open dialog's
// "All Supported Files" names them (lower case, with the dot).
inline constexpr std::array<const char *, 5> kSourceExtensions = {".mov", ".qt", ".m4v", ".mp4", ".m4a"};

// Whether `path` ends in one of kSourceExtensions, in any case.
bool isSourceFileName(const std::string &path);

// The files of `folder` (not of its sub-folders) with a source extension,
// sorted by name: what a folder given to either program stands for. Empty
// when the folder cannot be read.
std::vector<std::string> sourceFilesInFolder(const std::string &folder);
