#include "quality.h"

#include <string>

#include "catalog.h"

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

  selectEqual(choices.comboVideoBitrate,
              rateAt(row->videoRates, choices.comboVideoQuality.itemIndex) + " Kbps");

  // The AMR lists count in bit/s; all others in kbit/s.
  const bool kbps = choices.comboAudioBitrate.text().find("Kbps") != std::string::npos;
  selectEqual(choices.comboAudioBitrate,
              rateAt(row->audioRates, choices.comboAudioQuality.itemIndex) + (kbps ? " Kbps" : " bps"));
}
