#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Parses hook-range text ("10-20, 5-8") into sorted (start, end) pairs.
std::vector<std::pair<int64_t, int64_t>> parseHookRanges(const std::string &text);
