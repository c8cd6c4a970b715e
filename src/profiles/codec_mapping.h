// Turns the texts of the setting combos into encoder settings of an output
// record.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "catalog.h"
#include "choice_list.h"
#include "options.h"

// A label whose number cannot be read: the job of that file fails.
class SettingLabelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The mapping rule of a catalog row; None for a number outside the catalog.
ProfileRule profileRule(int profileId);

// The characters of a label before its first blank ("128 Kbps" gives
// "128"); a label without a blank gives an empty text.
std::string numberPart(std::string_view label);

// A plain decimal integer; anything else raises SettingLabelError.
int32_t labelToInt(std::string_view text);

// "176 x 144 (QCIF)" gives "176x144", "320 x 240 " gives "320x240",
// "Original Video Size" gives "original".
std::string parseFrameSizeLabel(std::string_view label);

// The frame rate for the output record from the frame-rate combo's text:
// "Auto" (any case, blanks around) gives "25", "29.97 fps [NTSC]" gives
// "29.97", an empty text gives an empty result (the source rate stays).
std::string frameRateText(std::string_view comboText);

// Writes vcodec, acodec, frameSize, vb, ab, ar and, by rule, ac and vn of
// the profile titled `formatLabel` into `options`, from the combo texts.
// `outputType` is the format name of the selected profile. Raises
// SettingLabelError when a bit-rate or sample-rate text has no number.
void applyProfileOptions(std::string_view formatLabel, const ProfileChoices &choices,
                         std::string_view outputType, OutputOptions &options);
