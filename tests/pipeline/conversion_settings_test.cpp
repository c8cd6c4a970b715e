// The conversion settings: the profile by its catalog row, read back from
// the output format list, and the job built from the record.
#include "conversion_settings.h"

#include <gtest/gtest.h>

#include "catalog.h"
#include "option_sets.h"

namespace {

// Every offered item of the list names its catalog row and back; separators
// and places outside the list name none.
TEST(ConversionSettings, ListItemsAndProfileIdsMatch) {
  int offered = 0;
  for (int item = 0; item < kOutputFormatCount; ++item) {
    const int id = profileIdAtListItem(item);
    if (isFormatSeparator(kOutputFormatItems[static_cast<size_t>(item)])) {
      EXPECT_EQ(id, -1) << item;
      continue;
    }
    ++offered;
    ASSERT_GE(id, 0) << item;
    EXPECT_EQ(listItemOfProfile(id), item);
    EXPECT_EQ(profileLabel(id), kOutputFormatItems[static_cast<size_t>(item)]);
  }
  EXPECT_EQ(offered, kOfferedProfileCount);
  for (int outside : {-1, kOutputFormatCount, 1000}) EXPECT_EQ(profileIdAtListItem(outside), -1);
  EXPECT_EQ(listItemOfProfile(kProfileCount), -1);
  EXPECT_EQ(profileLabel(-1), "");
  EXPECT_EQ(ConversionSettings().profileId, profileIdAtListItem(0));
}

TEST(ConversionSettings, TheJobTakesEveryChoiceOfTheRecord) {
  ConversionSettings s;
  s.profileId = profileIdAtListItem(kFirstCurrentFormatItem);  // MP4 - H.264
  std::string type;
  ASSERT_TRUE(fillProfileOptions(profileLabel(s.profileId), s.choices, type));
  s.choices.comboAspectRatio.itemIndex = 2;
  s.outputFolder = "/videos/out";
  s.overwrite = true;
  s.volumeValue = 600;
  s.keepMetadata = false;
  const JobSettings job = jobSettingsFrom(s);
  EXPECT_EQ(job.outputType, type);
  EXPECT_EQ(job.outputType, profileFormatName(s.profileId));
  EXPECT_EQ(job.outputFolder, "/videos/out");
  EXPECT_TRUE(job.overwrite);
  EXPECT_EQ(job.volumeValue, 600);
  EXPECT_EQ(job.aspectIndex, 2);
  EXPECT_EQ(job.profileId, s.profileId);
  // The chosen frame rate reaches the output record through the profile.
  ASSERT_TRUE(s.choices.comboVideoFramerate.selectText("25 fps"));
  OutputOptions written;
  jobSettingsFrom(s).applyProfileOptions(written);
  EXPECT_EQ(written.frameRate, "25");
  EXPECT_FALSE(job.keepMetadata);
  EXPECT_TRUE(jobSettingsFrom(ConversionSettings()).keepMetadata);
  s.dropDownItems = -5;
  EXPECT_EQ(dropDownLength(s), kDropDownItemsMin);
  s.dropDownItems = 40;
  EXPECT_EQ(dropDownLength(s), 40);
}

}  // namespace
