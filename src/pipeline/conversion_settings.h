// The conversion settings: one plain record of everything the user chooses
// for a run. The window shows it, the "Additional Options" dialog edits it,
// the settings store saves and loads it, and the job builder reads it.
#pragma once

#include <cstdint>
#include <string>

#include "choice_list.h"
#include "job_builder.h"

// The limits of the drop-down length ("DropDownItems") for the spin buttons
// and for values the program sets; the smaller one is the first run's.
inline constexpr int kDropDownItemsMin = 26;
inline constexpr int kDropDownItemsMax = 47;

// "Fit into": the sizes a run may ask each output to fit, in bytes (0 is
// off); the window takes whole and decimal megabytes between the two.
inline constexpr int64_t kFitIntoLeastBytes = 1000000;        // 1 MB
inline constexpr int64_t kFitIntoMostBytes = 100000000000LL;  // 100,000 MB

// The letterbox choice ("Video Zoom"): its items, by index.
inline constexpr int kLetterBoxChoiceCount = 2;  // 0 "None", 1 "LetterBox"

struct ConversionSettings {
  // The output profile, by its catalog row (profileId); the first item of
  // the output format list at the start.
  int profileId = firstListedProfileId();
  // The setting lists of the profile (size, rates, channels, codecs, the
  // aspect ratio and the two quality levels) with their selections.
  ProfileChoices choices;
  int volumeValue = 255;   // the volume bar's value; 255 is 100%
  int letterBox = 0;       // 0 "None", 1 "LetterBox"
  bool overwrite = false;  // "Overwrite Existing File With The Same Name"
  std::string outputFolder;
  int dropDownItems = kDropDownItemsMin;  // length of the format list's drop-down
  bool keepMetadata = true;               // "Keep the recording date, place and camera"
  int64_t fitIntoBytes = 0;               // "Fit into": each output at most this size; 0: off
  int simultaneous = 1;                   // "Simultaneous conversions": 1 ... 8, 0 "Auto"

  static int firstListedProfileId();
};

// The catalog row of an item of the output format list, or -1 for a
// separator or an index outside the list.
int profileIdAtListItem(int item);
// The item of the output format list that offers the profile, or -1.
int listItemOfProfile(int profileId);
// The profile's label (its text in the list), empty for an unknown id.
std::string profileLabel(int profileId);
// The profile's output format name ("MP4"), empty for an unknown id.
std::string profileFormatName(int profileId);

// The drop-down length the format list gets: the stored number, or the
// minimum for one that is no length (0 or less).
int dropDownLength(const ConversionSettings &settings);

// Whether "Fit into" may hold `bytes`: 0 (off) or a size from
// kFitIntoLeastBytes to kFitIntoMostBytes.
bool fitIntoAllowed(int64_t bytes);

// The settings of a job from the conversion settings.
JobSettings jobSettingsFrom(const ConversionSettings &settings);
