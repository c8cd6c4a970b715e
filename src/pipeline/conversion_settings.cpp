#include "conversion_settings.h"

#include "catalog.h"

int ConversionSettings::firstListedProfileId() { return profileIdAtListItem(0); }

int profileIdAtListItem(int item) {
  if (item < 0 || item >= kOutputFormatCount) return -1;
  const std::string_view label = kOutputFormatItems[static_cast<size_t>(item)];
  if (isFormatSeparator(label)) return -1;
  const OutputProfile *row = findProfile(label);
  return row ? row->profileId : -1;
}

int listItemOfProfile(int profileId) {
  if (profileId < 0 || profileId >= kProfileCount) return -1;
  const std::string_view title = kProfileTable[profileId].title;
  for (int i = 0; i < kOutputFormatCount; ++i)
    if (kOutputFormatItems[static_cast<size_t>(i)] == title) return i;
  return -1;
}

std::string profileLabel(int profileId) {
  if (profileId < 0 || profileId >= kProfileCount) return {};
  return std::string(kProfileTable[profileId].title);
}

std::string profileFormatName(int profileId) {
  if (profileId < 0 || profileId >= kProfileCount) return {};
  return std::string(kProfileTable[profileId].formatName);
}

int dropDownLength(const ConversionSettings &settings) {
  return settings.dropDownItems > 0 ? settings.dropDownItems : kDropDownItemsMin;
}

bool fitIntoAllowed(int64_t bytes) {
  return bytes == 0 || (bytes >= kFitIntoLeastBytes && bytes <= kFitIntoMostBytes);
}

JobSettings jobSettingsFrom(const ConversionSettings &settings) {
  JobSettings job = makeJobSettings(settings.profileId, settings.choices, settings.outputFolder, settings.overwrite,
                                    settings.volumeValue);
  job.keepMetadata = settings.keepMetadata;
  job.targetSizeBytes = fitIntoAllowed(settings.fitIntoBytes) ? settings.fitIntoBytes : 0;
  job.simultaneous = settings.simultaneous;
  return job;
}
