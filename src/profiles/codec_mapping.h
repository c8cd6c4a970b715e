// Turns a profile's setting choices into encoder settings of an output
// record. The choices select items of the profile's option set; the values
// of those items (option_sets.h) are what is written.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "catalog.h"
#include "choice_list.h"
#include "options.h"

// A choice that the profile does not offer, or none where one is needed:
// the job of that file fails.
class SettingLabelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The mapping rule of a catalog row; None for a number outside the catalog.
ProfileRule profileRule(int profileId);

// "1280x720" (blanks around the numbers allowed) gives 1280 and 720; false,
// and nothing written, for anything else.
bool parsePictureSize(std::string_view text, int &width, int &height);

// A chosen picture size ("1920x1080") for a source of the given size: the
// size names the long and the short side, so a portrait source (taller than
// wide) gets it as 1080x1920 and a landscape one as 1920x1080. An unknown or
// square source, or a text that is no size, gets it unchanged.
std::string orientFrameSize(std::string_view frameSize, int sourceWidth, int sourceHeight);

// Writes vcodec, acodec, frameSize, frameRate, vb, ab, ar and, by rule, ac
// and vn of the profile into `options`, from the values of the items that
// the choices select (a selected text names the profile's item of that
// label).
// The older profiles write the frame rate as their list shows it ("29.97";
// "Auto" is 25); the newer ones as an exact fraction (empty: the source's),
// and also the encoder options (extraOptions), the video tag and sn. Raises
// SettingLabelError, before writing anything, when a selected text is no
// item of the profile's list, or when no audio bit rate, sample rate or
// quality level is selected where the rule needs one. A number without a rule
// changes nothing.
void applyProfileOptions(int profileId, const ProfileChoices &choices, OutputOptions &options);
// The same by the profile's title (the output type follows from the title).
void applyProfileOptions(std::string_view formatLabel, const ProfileChoices &choices, std::string_view outputType,
                         OutputOptions &options);

// What the profile decides from the source once the job's other settings
// are in.
struct SourceShape {
  int width = 0, height = 0;  // the picture as shown; 0: none or unknown
  int audioChannels = 0;      // of the sound track that is converted; 0: none or unknown
};

// The newer profiles: a chosen size follows the source's orientation (see
// orientFrameSize); copied sound, and any sound at the volume bar's 100%
// (255), keeps its volume; "Original" channels are those of the converted
// track. The iPod and Apple TV profiles write at most two channels: where
// the choice leaves the count to the source, a source of more becomes
// stereo. Other profiles change nothing.
void finishProfileOptions(int profileId, const SourceShape &source, OutputOptions &options);
// The same by the profile's title, for a source of the given picture size.
void finishProfileOptions(std::string_view formatLabel, int sourceWidth, int sourceHeight, OutputOptions &options);
