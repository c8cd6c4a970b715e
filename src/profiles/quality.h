// Quality presets: the two quality levels move the selections of the
// bit-rate lists.
#pragma once

#include <string_view>

#include "choice_list.h"

// Selects, in the video and audio bit-rate lists, the items that the
// profile's row gives for the levels selected in the video and audio quality
// lists: the item spelled as the level's rate is spelled ("128 Kbps"). A
// rate that a list does not hold, a level out of range, or a number outside
// the catalog changes nothing. For a profile whose video levels are
// constant-quality levels, the video list's item of the level is selected.
void applyQualityPreset(int profileId, ProfileChoices &choices);
// The same by the profile's title.
void applyQualityPreset(std::string_view formatLabel, ProfileChoices &choices);
