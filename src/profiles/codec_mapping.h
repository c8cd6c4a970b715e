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

// "1280x720" (blanks around the numbers allowed) gives 1280 and 720; false,
// and nothing written, for anything else.
bool parsePictureSize(std::string_view text, int &width, int &height);

// A chosen picture size ("1920x1080") for a source of the given size: the
// size names the long and the short side, so a portrait source (taller than
// wide) gets it as 1080x1920 and a landscape one as 1920x1080. An unknown or
// square source, or a text that is no size, gets it unchanged.
std::string orientFrameSize(std::string_view frameSize, int sourceWidth, int sourceHeight);

// A frame rate for the output record: the NTSC rates ("23.976", "29.97",
// "59.94") as their exact fractions ("24000/1001", ...), others unchanged.
std::string exactFrameRate(std::string_view rate);

// Writes vcodec, acodec, frameSize, vb, ab, ar and, by rule, ac and vn of
// the profile titled `formatLabel` into `options`, from the combo texts.
// `outputType` is the format name of the selected profile. The newer
// profiles also write the frame rate (empty: the source's), the encoder
// options (extraOptions), the video tag and sn. Raises SettingLabelError
// when a bit-rate, quality-level or sample-rate text has no number.
void applyProfileOptions(std::string_view formatLabel, const ProfileChoices &choices,
                         std::string_view outputType, OutputOptions &options);

// What the newer profiles decide from the source once the job's other
// settings are in: a chosen size follows the source's orientation (see
// orientFrameSize; the size is the one the source list shows); copied sound,
// and any sound at the volume bar's 100% (255), keeps its volume. Other
// profiles change nothing.
void finishProfileOptions(std::string_view formatLabel, int sourceWidth, int sourceHeight,
                          OutputOptions &options);
