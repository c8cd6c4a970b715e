// The command line of trevix-convert: parsing, finding the profile, and
// turning the choices into the setting lists that the window would hold for
// them. Nothing here touches the media libraries.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "choice_list.h"

// A command line that cannot be carried out as given (exit status 2).
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the command line says, before any of it is checked against a
// profile. Texts are empty when the option was not given.
struct TCliOptions {
  std::string OutputFolder;        // -o, --output
  std::vector<std::string> Files;  // the sources, in order
  std::string Profile;             // --profile
  std::string VideoQuality;        // --video-quality
  std::string AudioQuality;        // --audio-quality
  std::string Size;                // --size
  std::string FrameRate;           // --fps
  std::string Channels;            // --channels
  std::string Volume;              // --volume
  std::string Aspect;              // --aspect
  bool Overwrite = false;          // --overwrite
  bool Quiet = false;              // -q, --quiet
  bool Help = false;               // -h, --help
  bool ListProfiles = false;       // --list-profiles
};

// Reads the arguments (without the program name). Options take their
// value as the next argument or after "=" ("--size=320x240"); "--" ends
// the options. Raises TUsageError for an unknown option, a missing value or
// a value given twice. Whether files and a folder are present is checked by
// CheckForConversion, so that --help and --list-profiles work alone.
TCliOptions ParseCommandLine(const std::vector<std::string> &args);

// Raises TUsageError unless there is an output folder that exists and at
// least one file.
void CheckForConversion(const TCliOptions &options);

// The titles of the output format list, separators left out (43).
std::vector<std::string> OfferedProfiles();

// The titles of the output format list that `text` names: the title itself
// (exact, then without regard to case) or, failing that, every title that
// contains `text` without regard to case, in list order. Separators are
// never matched; an empty text matches nothing.
std::vector<std::string> MatchProfiles(std::string_view text);

// Everything the window would hold for a conversion with these choices.
struct TConversionChoices {
  std::string Title;       // the output format list's text
  std::string OutputType;  // the profile's format name ("MP4")
  TProfileChoices Choices;  // the setting lists with their selections
  int VolumePosition = 5;  // the volume bar, 0..10
  int VolumeValue = 255;   // what that position hands to the engine
  bool Overwrite = false;
  std::string OutputFolder;
};

// The title taken when --profile is not given: the list's first item, as a
// window that was never set up shows it.
std::string DefaultProfileTitle();

// Loads the option set of the chosen profile and selects what the options
// ask for, in the window's order: the profile's option set, then (when a
// quality level is given) the quality presets of both levels, then size,
// frame rate, channels and aspect ratio. A profile text that matches no or
// several profiles, or a value that the profile does not offer, raises
// TUsageError with a message that lists what there is to choose from.
TConversionChoices ResolveChoices(const TCliOptions &options);

// The text of --list-profiles: every offered profile with its choices and
// defaults, grouped as the output format list groups them.
std::string ProfileListText();

// The text of --help.
std::string HelpText();
