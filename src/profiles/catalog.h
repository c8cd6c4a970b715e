// The output profile catalog, the quality table and the output format list.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "choice_list.h"

inline constexpr int kProfileCount = 83;
// The items of the output format list: the offered profiles and the
// separators between their groups. The first 47 items keep their places
// (the settings store keeps the list index); newer profiles follow behind a
// separator of their own.
inline constexpr int kOutputFormatCount = 56;
inline constexpr int kOfferedProfileCount = 51;
// The first catalog row and the first list item of the newer profiles.
inline constexpr int kFirstCurrentProfileId = 75;
inline constexpr int kFirstCurrentFormatItem = 48;

// How the encoder mapping turns a profile's choices into encoder settings:
// the rule of the 3GP/3G2 rows, of the iPod and Apple TV rows, of the other
// older profiles, of the newer profiles (encoders, constant-quality option
// and speed from their row of the encoder table; the source's size, rate
// and channels unless chosen otherwise), or none (the row cannot be chosen).
enum class ProfileRule { None, Mobile, Apple, Generic, EncoderTable };

// One output profile: its label, its output format name (upper case; also
// the output file's extension without the dot), its number, equal to the
// row's index, and its mapping rule.
struct OutputProfile {
  std::string_view title;
  std::string_view formatName;
  int32_t profileId;
  ProfileRule rule;
};

// The bit rates of the five quality levels (0 Highest .. 4 Lowest) of one
// profile, as decimal text without unit. Video in kbit/s (0: no video bit
// rate: no video, or a profile whose levels are constant-quality levels);
// audio in kbit/s (0: none, the sound is copied or lossless), except the AMR
// rows, whose values are in bit/s.
struct QualityRates {
  std::string_view title;
  std::string_view formatName;
  std::array<std::string_view, 5> videoRates;
  std::array<std::string_view, 5> audioRates;
  int32_t profileId;
};

extern const OutputProfile kProfileTable[kProfileCount];
extern const QualityRates kQualityTable[kProfileCount];

// The items of the output format list in order, separators included.
extern const std::array<std::string_view, kOutputFormatCount> kOutputFormatItems;
// The text of every separator item of the list.
extern const std::string_view kOutputFormatSeparator;

// The former name of kOutputFormatItems, until its last users move.
inline constexpr const auto &outputFormatItems = kOutputFormatItems;

// Clears the list, adds the items of the output format list and selects
// the first.
void fillOutputFormatList(ChoiceList &list);

// True when the text is (or contains) a separator of the output format list.
bool isFormatSeparator(std::string_view text);

// The first catalog row whose title equals the label, or nullptr.
const OutputProfile *findProfile(std::string_view label);
// The first quality row whose title equals the label, or nullptr.
const QualityRates *findQuality(std::string_view label);

// True for the labels of the audio-only formats, whose video controls the
// window disables.
bool isAudioOnlyFormat(std::string_view label);
