#pragma once

#include <string>
#include <vector>

#include "av_headers.h"

// Copies every option named in `names` from `defaults` to `target` whose
// flags contain all of `flags` (AV_OPT_FLAG_*).
void copyNamedOptions(const std::vector<std::string> &names, void *defaults, void *target,
                      int flags);
// The same into a dictionary (for objects that take options when opened).
void copyNamedOptions(const std::vector<std::string> &names, void *defaults, AVDictionary **target,
                      int flags);
