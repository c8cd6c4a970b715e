// The option set of each offered profile: what the setting combos offer and
// select when the profile is chosen.
#pragma once

#include <string>
#include <string_view>

#include "choice_list.h"

// Loads the option set of the profile whose title equals `formatLabel`
// into `choices` and sets `outputType` to its format name. Combos that the
// set does not mention keep their items and selection. Returns false, and
// changes nothing, when no catalog row has that title.
bool fillProfileOptions(std::string_view formatLabel, ProfileChoices &choices,
                        std::string &outputType);

// True when the catalog row has an option set (it is offered in the list).
bool hasOptionSet(int profileId);
