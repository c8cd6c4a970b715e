// The output profile catalog: one typed row per profile, keyed by its
// number (the row's index, the stable id that settings and callers use),
// and the output format list that offers them.
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

// The bit rates, in bit/s, of the five quality levels (0 Highest .. 4
// Lowest). A video rate of 0: no video bit rate (no video, or a profile
// whose levels are constant-quality levels); an audio rate of 0: none (the
// sound is copied or lossless).
using LevelRates = std::array<int32_t, 5>;

// One output profile: its number, equal to the row's index; its label; its
// output format name (upper case; also the output file's extension without
// the dot); its mapping rule; whether it writes sound only; and the bit
// rates of its quality levels. Its option set (option_sets.h) and encoder
// row (encoder_table.h) are joined to it by the number.
struct OutputProfile {
  int32_t profileId;
  std::string_view title;
  std::string_view formatName;
  ProfileRule rule;
  bool audioOnly;
  LevelRates videoRates;
  LevelRates audioRates;
};

extern const OutputProfile kProfileTable[kProfileCount];

// The list item that separates two groups, and the number that stands for
// it in kOutputFormatIds.
extern const std::string_view kOutputFormatSeparator;
inline constexpr int kSeparatorItem = -1;

// The catalog row of every item of the output format list, in order.
extern const std::array<int, kOutputFormatCount> kOutputFormatIds;
// The items of the output format list in order, separators included.
extern const std::array<std::string_view, kOutputFormatCount> kOutputFormatItems;

// The former name of kOutputFormatItems, until its last users move.
inline constexpr const auto &outputFormatItems = kOutputFormatItems;

// Clears the list, adds the items of the output format list and selects
// the first.
void fillOutputFormatList(ChoiceList &list);

// The catalog row at a place of the output format list; -1 for a separator
// or a place outside the list.
int profileIdAt(int formatItem);
// The place of a profile in the output format list; -1 when it is not offered.
int formatItemOf(int profileId);

// True when the text is (or contains) a separator of the output format list.
bool isFormatSeparator(std::string_view text);

// The catalog row of a profile number, or nullptr outside the catalog.
const OutputProfile *profileRow(int profileId);
// The first catalog row whose title equals the label, or nullptr.
const OutputProfile *findProfile(std::string_view label);
// The number of the row titled `label`, or -1.
int profileIdOf(std::string_view label);

// True for the profiles that write sound only, whose video controls the
// window disables.
bool isAudioOnlyProfile(int profileId);
// The same by title.
bool isAudioOnlyFormat(std::string_view label);
