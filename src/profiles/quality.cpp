#include "quality.h"

#include <string>

#include "catalog.h"
#include "encoder_table.h"

namespace {

std::string rateAt(const std::array<std::string_view, 5> &rates, int level) {
  if (level < 0 || level >= static_cast<int>(rates.size())) return {};
  return std::string(rates[static_cast<size_t>(level)]);
}

// Selects every item equal to `text`; the selection stays when none is.
void selectEqual(ChoiceList &combo, const std::string &text) {
  for (size_t i = 0; i < combo.items.size(); ++i)
    if (combo.items[i] == text) combo.itemIndex = static_cast<int>(i);
}

}  // namespace

void applyQualityPreset(std::string_view formatLabel, ProfileChoices &choices) {
  const QualityRates *row = findQuality(formatLabel);
  if (!row) return;

  // Constant-quality levels: the list holds one item per level.
  const int videoLevel = choices.comboVideoQuality.itemIndex;
  if (usesQualityLevels(row->profileId)) {
    if (videoLevel >= 0 && videoLevel < static_cast<int>(choices.comboVideoBitrate.items.size()))
      choices.comboVideoBitrate.itemIndex = videoLevel;
  } else {
    selectEqual(choices.comboVideoBitrate, rateAt(row->videoRates, videoLevel) + " Kbps");
  }

  // The AMR lists count in bit/s; all others in kbit/s.
  const bool kbps = choices.comboAudioBitrate.text().find("Kbps") != std::string::npos;
  selectEqual(choices.comboAudioBitrate,
              rateAt(row->audioRates, choices.comboAudioQuality.itemIndex) + (kbps ? " Kbps" : " bps"));
}
