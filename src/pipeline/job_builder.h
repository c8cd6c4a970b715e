// The job builder's logic without any window: from one listed source (its
// path and what the probe found) and the chosen settings to the file names
// and option records handed to the engine. The conversion queue runs these
// pieces for each row; planJob works out a whole job without the engine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "choice_list.h"
#include "options.h"
#include "source_jobs.h"

// Writes the selected profile's encoder settings into a record that has
// been reset and given its frame rate. May throw for unreadable settings.
using ApplyProfile = std::function<void(OutputOptions &)>;

// Completes the profile's settings from what the probe found once the job's
// other settings are in (the picture size follows a portrait source; copied
// sound, and sound at the volume bar's 100%, keeps its volume).
using FinishProfile = std::function<void(OutputOptions &, const ProbeSummary &)>;

// Everything of the window and of the settings that shapes a job.
struct JobSettings {
  std::string outputFolder;    // the output folder's text
  bool overwrite = false;      // "Overwrite Existing File With The Same Name"
  int profileId = -1;          // the catalog row of the chosen profile
  std::string outputType;      // FormatName of the profile, e.g. "MP4"
  std::string frameRate;       // the output record's frame rate until the profile writes its own
  int aspectIndex = 0;         // aspect combo: 0 original, 1 4:3, 2 16:9, -1 none
  int volumeValue = 255;       // from the volume bar
  bool keepMetadata = true;    // "Keep the recording date, place and camera"
  std::string programFolder;   // ends in "/"; holds the DirectShow plug-in
  std::string scriptFolder;    // where ".rmvb" scripts go (tempFolder())
  bool aviSynthInput = false;  // the libraries can read the scripts
  int64_t targetSizeBytes = 0; // "Fit into": each output at most this size; 0: off
  int simultaneous = 1;        // rows converted at once; 0: as many as the cores allow
  ApplyProfile applyProfileOptions;
  FinishProfile finishProfileOptions;  // may be empty
};

// The settings of a job from the output profile's number (its catalog row),
// its setting choices (aspect ratio and the encoder lists), the output
// folder, the overwrite rule and the volume value.
JobSettings makeJobSettings(int profileId, const ProfileChoices &choices, const std::string &outputFolder,
                            bool overwrite, int volumeValue);
// The same for the profile titled `formatTitle`, with `outputType` (its
// format name) as given.
JobSettings makeJobSettings(const std::string &formatTitle, const ProfileChoices &choices,
                            const std::string &outputType, const std::string &outputFolder, bool overwrite,
                            int volumeValue);

// "." followed by the output type in lower case.
std::string outputExtension(const std::string &outputType);

// The output file of a source: the output folder, the source's file name
// with the output extension, made unique unless overwriting is chosen. A
// name in `reserved` (the outputs of rows converting meanwhile) is taken
// even when overwriting.
std::string outputFileFor(const std::string &source, const JobSettings &settings,
                          const std::vector<std::string> &reserved = {});

// The input record of a job.
InputOptions makeInputOptions(const std::string &engineSource);

// Resets `o` and fills it in the job's order: frame rate, the profile's
// encoder settings (the profile's frame rate among them), the overwrite rule, the sample-count audio sync, volume,
// aspect ratio (the original one from the source's picture size), a 10-hour
// cap when the source's length is unknown, what the profile decides from
// the source, and whether the recording's date, place and camera are kept. Lets the profile's errors through.
void fillOutputOptions(OutputOptions &o, const ProbeSummary &source, const JobSettings &settings);

// A whole job worked out ahead, without touching the engine.
struct JobPlan {
  std::string source;                    // the listed file (sourceFileOf)
  std::string outputFile;
  bool sameAsSource = false;             // output would replace the source: refuse
  bool wrapped = false;                  // ".rmvb": a script is written
  std::vector<std::string> scriptLines;  // its two lines
  std::string engineSource;              // what the engine opens (set by prepareSource)
  InputOptions input;
  OutputOptions output;
};

// Works out the output name and option records of one listed source.
// Throws what the profile's mapping throws. The script of a ".rmvb" source
// is not written yet: prepareSource does that.
JobPlan planJob(const std::string &listedPath, const ProbeSummary &source, const JobSettings &settings);

// Writes the script of a wrapped source (when `wrapped`) and decides what
// the engine opens: the script when the libraries read scripts, else the
// source itself. Sets engineSource and input.fileName.
void prepareSource(JobPlan &plan, const JobSettings &settings);
