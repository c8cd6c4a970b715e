// Loading and saving the user's choices: the output folder, the output
// format, the overwrite rule, the drop-down length, the letterbox choice,
// the two quality levels, whether a recording's date, place and camera
// are kept, the size each output is fitted into, and how many conversions run
// at once. The aspect-ratio choice is never stored.
#pragma once

#include "catalog.h"
#include "conversion_settings.h"

class SettingsStore;

// Value names, in the order they are read and written.
inline constexpr const char *kValueOutputFolder = "Output Folder";
inline constexpr const char *kValueOutputFormat = "ComboOutputFormat";
inline constexpr const char *kValueOverwrite = "Overwrite";
inline constexpr const char *kValueDropDownItems = "DropDownItems";
inline constexpr const char *kValueLetterBox = "LetterBox";
inline constexpr const char *kValueVideoQuality = "VideoQuality";
inline constexpr const char *kValueAudioQuality = "AudioQuality";
inline constexpr const char *kValueKeepMetadata = "KeepMetadata";
// "Fit into", in kilobytes (1,000 bytes); 0 is off.
inline constexpr const char *kValueFitInto = "FitInto";
// Stored only when it is not 1 (one conversion at a time, as before it
// existed); 0 is "Auto".
inline constexpr const char *kValueSimultaneous = "SimultaneousConversions";

// The largest drop-down length: the whole format list, which is longer than
// the classic kDropDownItemsMax since today's formats joined it.
inline constexpr int kDropDownItemsLimit =
    kDropDownItemsMax > kOutputFormatCount ? kDropDownItemsMax : kOutputFormatCount;

// What loading found.
enum class SettingsLoad {
  Read,       // every value was there and good
  Rewritten,  // some were missing or bad: they took their defaults and the
              // file was written again
  NotSaved,   // as Rewritten, but the file could not be written
  NotRead,    // the file could not be read: every value has its default
};

// Reads the values one by one into `settings` (the lists of the profile's
// choices are not stored and stay as they are). A value that is missing, of
// another type or out of range takes its own default (a profile index past
// the list, or on a separator, the first profile; a quality level outside
// the five, "Normal"; a negative drop-down length the least one, a length
// above the list's the whole list; a "Fit into" size outside its range, off); the others are kept. A missing
// "Output Folder" reads as empty. When anything was missing or bad the
// values are saved again, so a first run creates them all and a damaged
// file is repaired.
SettingsLoad loadSettings(SettingsStore &store, ConversionSettings &settings);

// Writes the values of `settings`; the file then holds the program's values
// and nothing else. Stops at the first error; the key is always closed.
// Returns true when all were written.
bool saveSettings(SettingsStore &store, const ConversionSettings &settings);
