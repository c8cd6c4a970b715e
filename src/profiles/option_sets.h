// The option set of each offered profile: what the setting lists offer and
// select when the profile is chosen, as typed values (profile_items.h).
#pragma once

#include <cstdint>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "choice_list.h"
#include "profile_items.h"

// The items that a profile puts into one list, and the one it selects (the
// first when none is named). No items: the list is emptied and left without
// selection.
template <typename T>
struct ItemList {
  std::span<const T> items;
  std::optional<T> selected;

  constexpr ItemList() = default;
  template <size_t N>
  constexpr ItemList(const T (&list)[N]) : items(list) {}
  template <size_t N>
  constexpr ItemList(const T (&list)[N], T chosen) : items(list), selected(chosen) {}
};

// What a profile does to the channel and aspect choices, which otherwise
// carry over from the profile chosen before. Stereo and Original select the
// first item of their list. The older profiles offer "Stereo" and "Mono";
// the newer ones also "Original" (the source's channels), which they select,
// and a profile that copies the sound offers "Original" only.
enum class ChannelChoice { Kept, Stereo, Mono, Original, SourceOnly };
enum class AspectChoice { Kept, Original };

// The option set of one offered profile: the content of every setting list.
// Codecs are names (the encoder mapping turns them into encoders).
struct OptionSet {
  int32_t profileId;
  ItemList<std::string_view> videoCodecs;
  ItemList<std::string_view> audioCodecs;
  ItemList<PictureSize> sizes;
  ItemList<Quantity> videoBitrates;  // kbit/s, or the constant-quality levels of the newer profiles
  ItemList<FrameRate> frameRates;
  ItemList<Quantity> audioBitrates;
  ItemList<Quantity> sampleRates;
  ChannelChoice channels;
  AspectChoice aspect;
};

// The option set of a catalog row, or nullptr when it is not offered.
const OptionSet *findOptionSet(int profileId);

// True when the catalog row has an option set (it is offered in the list).
bool hasOptionSet(int profileId);

// The labels of a list's items, in order.
std::vector<std::string> itemLabels(std::span<const std::string_view> items);
std::vector<std::string> itemLabels(std::span<const PictureSize> items);
std::vector<std::string> itemLabels(std::span<const Quantity> items);
std::vector<std::string> itemLabels(std::span<const FrameRate> items);

// Loads the option set of the profile into `choices`. Lists that the set
// does not mention keep their items and selection. Returns false, and
// changes nothing, for a number without an option set.
bool fillProfileOptions(int profileId, ProfileChoices &choices);

// The same by the profile's title; sets `outputType` to its format name.
// Returns false, and changes nothing, when no catalog row has that title.
bool fillProfileOptions(std::string_view formatLabel, ProfileChoices &choices, std::string &outputType);
