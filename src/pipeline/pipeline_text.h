// Texts of the conversion queue and the source list: durations, frame
// rates, aspect ratios, sizes and percentages as the window shows them and
// as the job builder hands them to the engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Removes blanks, tabs and line breaks at both ends.
std::string trimText(std::string_view text);

// Whole seconds as hours, minutes and seconds, two digits each at least:
// 3725 gives 01:02:05, 360000 gives 100:00:00. Negative values count as 0.
std::string formatDuration(int64_t seconds, const std::string &separator);

// A value rounded to `decimals` places (ties to even) and written as the
// shortest decimal text with a point: 29.97, 25, 1.7778.
std::string roundedDecimalText(double value, int decimals);

// The "FrameRate" column: numerator / denominator to two decimals (30000/1001
// gives 29.97). A zero denominator or a negative rate gives a single blank.
std::string frameRateDisplayText(int num, int den);

// The aspect ratio of a picture size to four decimals (640x480 gives
// "1.3333", 1280x720 "1.7778"). A source without a picture (a size that is
// not positive) counts as 640x480.
std::string aspectFromPictureSize(int width, int height);

// The aspect option for the aspect combo's item index: 0 computes it from
// the source's picture size, 1 "4:3", 2 "16:9", anything else leaves it
// empty.
std::string aspectForChoice(int aspectIndex, int width, int height);

// The second status panel during a conversion: bytes / 1000 rounded to the
// nearest integer (ties to even): 1234567 gives "File Size : 1235 KBytes".
std::string fileSizeText(int64_t bytes);

// current * 100 / total in integer arithmetic, or -1 when the total is not
// positive (the percentage is then unknown).
int64_t progressPercent(int64_t currentMs, int64_t totalMs);

// Lower-case copy (ASCII letters only).
std::string lowerText(std::string_view text);
