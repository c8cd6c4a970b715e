// Quality presets: the two quality levels move the selections of the
// hidden bit-rate lists.
#pragma once

#include <string_view>

#include "choice_list.h"

// Selects, in the video and audio bit-rate lists, the items that the quality
// table gives for the profile titled `formatLabel` and the levels selected in
// the video and audio quality lists. A value that a list does not hold, or a
// label without a quality row, changes nothing. For a profile whose video
// levels are constant-quality levels, the video list's item of the level is
// selected.
void applyQualityPreset(std::string_view formatLabel, ProfileChoices &choices);
