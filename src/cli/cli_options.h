// The command line of trevix-convert: parsing, finding the profile, and
// turning the choices into the setting lists that the window would hold for
// them. Nothing here touches the media libraries.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "choice_list.h"
#include "source_jobs.h"

// A command line that cannot be carried out as given (exit status 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the command line says, before any of it is checked against a
// profile. Texts are empty when the option was not given.
struct CliOptions {
  std::string outputFolder;        // -o, --output
  std::vector<std::string> files;  // the sources, in order
  std::string profile;             // --profile
  std::string videoQuality;        // --video-quality
  std::string audioQuality;        // --audio-quality
  std::string size;                // --size
  std::string frameRate;           // --fps
  std::string channels;            // --channels
  std::string volume;              // --volume
  std::string aspect;              // --aspect
  std::string threads;             // --threads
  std::string jobs;                // --jobs
  std::string rotate;              // --rotate
  std::string start;               // --start
  std::string end;                 // --end
  std::string targetSize;          // --target-size
  bool overwrite = false;          // --overwrite
  bool quiet = false;              // -q, --quiet
  bool json = false;               // --json
  bool help = false;               // -h, --help
  bool version = false;            // --version
  bool listProfiles = false;       // --list-profiles
  bool keepMetadata = true;        // --keep-metadata / --no-metadata (the last one given)
};

// Reads the arguments (without the program name). Options take their
// value as the next argument or after "=" ("--size=320x240"); "--" ends
// the options. Raises UsageError for an unknown option, a missing value or
// a value given twice. Whether files and a folder are present is checked by
// checkForConversion, so that --help, --version and --list-profiles work
// alone.
CliOptions parseCommandLine(const std::vector<std::string> &args);

// Raises UsageError unless there is an output folder that exists and at
// least one file.
void checkForConversion(const CliOptions &options);

// The sources the file arguments name: a file as given, a folder replaced
// by the QuickTime and MPEG-4 files in it (by name; its sub-folders are not
// entered). Raises UsageError for a folder that holds none of them.
std::vector<std::string> expandSourceArguments(const std::vector<std::string> &arguments);

// The titles of the output format list, separators left out (43).
std::vector<std::string> offeredProfiles();

// The titles of the output format list that `text` names: the title itself
// (exact, then without regard to case) or, failing that, every title that
// contains `text` without regard to case, in list order. Separators are
// never matched; an empty text matches nothing.
std::vector<std::string> matchProfiles(std::string_view text);

// For a text that names no profile: the titles that come closest to it (a
// misspelt word of the title, a few letters off), nearest first, at most
// `limit`; none when nothing is near.
std::vector<std::string> closestProfiles(std::string_view text, size_t limit = 5);

// The threads of --threads: a whole number from 0 (every core, also when
// the option is not given) to kMaxThreads; 1 converts on one thread.
// Raises UsageError for anything else.
constexpr int kMaxThreads = 64;
int threadsOption(const CliOptions &options);

// The conversions at once of --jobs: 1 (also when the option is not given)
// to 8, or 0 for as many as the cores allow. Raises UsageError for anything
// else.
int jobsOption(const CliOptions &options);

// Everything the window would hold for a conversion with these choices.
struct ConversionChoices {
  int profileId = -1;      // the chosen profile's catalog row
  std::string title;       // the output format list's text
  std::string outputType;  // the profile's format name ("MP4")
  ProfileChoices choices;  // the setting lists with their selections
  int volumePosition = 5;  // the volume bar, 0..10
  int volumeValue = 255;   // what that position hands to the engine
  bool overwrite = false;
  bool keepMetadata = true;  // the recording's date, place and camera
  std::string outputFolder;
  JobEdits edits;  // --rotate, --start, --end: every file's (see jobEditsOption)
  int64_t targetSizeBytes = 0;  // --target-size; 0: off
  int simultaneous = 1;         // --jobs; 0: as many as the cores allow
};

// The title taken when --profile is not given: the list's first item, as a
// window that was never set up shows it.
std::string defaultProfileTitle();

// Loads the option set of the chosen profile and selects what the options
// ask for, in the window's order: the profile's option set, then (when a
// quality level is given) the quality presets of both levels, then size,
// frame rate, channels and aspect ratio. A profile text that matches no or
// several profiles, or a value that the profile does not offer, raises
// UsageError with a message that lists what there is to choose from.
ConversionChoices resolveChoices(const CliOptions &options);

// The text of --list-profiles: every offered profile with its choices and
// defaults, grouped as the output format list groups them.
std::string profileListText();

// The text of --help.
std::string helpText();

// The text of --version.
std::string versionText();
