#include "quality.h"

#include <string>

#include "catalog.h"

namespace {

std::string RateAt(const std::array<std::string_view, 5> &rates, int level) {
  if (level < 0 || level >= static_cast<int>(rates.size())) return {};
  return std::string(rates[static_cast<size_t>(level)]);
}

// Selects every item equal to `text`; the selection stays when none is.
void SelectEqual(TChoiceList &combo, const std::string &text) {
  for (size_t i = 0; i < combo.Items.size(); ++i)
    if (combo.Items[i] == text) combo.ItemIndex = static_cast<int>(i);
}

}  // namespace

void ApplyQualityPreset(std::string_view formatLabel, TProfileChoices &choices) {
  const Quality *row = FindQuality(formatLabel);
  if (!row) return;

  SelectEqual(choices.ComboVideoBitrate,
              RateAt(row->VideoRates, choices.ComboVideoQuality.ItemIndex) + " Kbps");

  // The AMR lists count in bit/s; all others in kbit/s.
  const bool kbps = choices.ComboAudioBitrate.Text().find("Kbps") != std::string::npos;
  SelectEqual(choices.ComboAudioBitrate,
              RateAt(row->AudioRates, choices.ComboAudioQuality.ItemIndex) + (kbps ? " Kbps" : " bps"));
}
