#include "quality.h"

#include "catalog.h"
#include "encoder_table.h"
#include "option_sets.h"

namespace {

bool validLevel(int level) { return level >= 0 && level < static_cast<int>(LevelRates().size()); }

// Selects the item that shows `rate` in `unit`, spelled without padding;
// the selection stays when there is none.
void selectRate(ChoiceList &combo, int32_t rate, Unit unit) {
  if (rate > 0) combo.selectText(itemLabel(Quantity{rate, unit, 0, {}}));
}

}  // namespace

void applyQualityPreset(int profileId, ProfileChoices &choices) {
  const OutputProfile *row = profileRow(profileId);
  if (!row) return;

  // Constant-quality levels: the list holds one item per level.
  const int videoLevel = choices.comboVideoQuality.itemIndex;
  if (usesQualityLevels(profileId)) {
    if (videoLevel >= 0 && videoLevel < static_cast<int>(choices.comboVideoBitrate.items.size()))
      choices.comboVideoBitrate.itemIndex = videoLevel;
  } else if (validLevel(videoLevel)) {
    selectRate(choices.comboVideoBitrate, row->videoRates[static_cast<size_t>(videoLevel)], Unit::Kbps);
  }

  // The AMR lists count in bit/s; all others in kbit/s.
  const OptionSet *set = findOptionSet(profileId);
  const Unit audioUnit = set && !set->audioBitrates.items.empty() ? set->audioBitrates.items.front().unit : Unit::Kbps;
  const int audioLevel = choices.comboAudioQuality.itemIndex;
  if (validLevel(audioLevel))
    selectRate(choices.comboAudioBitrate, row->audioRates[static_cast<size_t>(audioLevel)], audioUnit);
}

void applyQualityPreset(std::string_view formatLabel, ProfileChoices &choices) {
  applyQualityPreset(profileIdOf(formatLabel), choices);
}
