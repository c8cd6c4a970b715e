// The converter's command line: options, profile names, the choices a
// profile offers, and the texts it prints. No media libraries needed.
#include <gtest/gtest.h>

#include "cli_options.h"
#include "cli_runner.h"
#include "codec_mapping.h"
#include "job_builder.h"

namespace {

TCliOptions Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

std::string UsageErrorOf(const TCliOptions &o) {
  try {
    ResolveChoices(o);
  } catch (const TUsageError &e) {
    return e.what();
  }
  return {};
}

TCliOptions WithProfile(const std::string &profile) {
  TCliOptions o;
  o.Profile = profile;
  return o;
}

}  // namespace

TEST(CliCommandLine, ReadsOptionsValuesAndFiles) {
  const TCliOptions o = Parse({"--profile", "xvid", "-o", "/out", "--size=320x240", "--overwrite", "-q", "a.mov",
                               "--", "-b.mov"});
  EXPECT_EQ(o.Profile, "xvid");
  EXPECT_EQ(o.OutputFolder, "/out");
  EXPECT_EQ(o.Size, "320x240");
  EXPECT_TRUE(o.Overwrite);
  EXPECT_TRUE(o.Quiet);
  EXPECT_EQ(o.Files, (std::vector<std::string>{"a.mov", "-b.mov"}));
  EXPECT_EQ(Parse({"-o/tmp/x"}).OutputFolder, "/tmp/x");
}

TEST(CliCommandLine, RefusesBrokenCommandLines) {
  EXPECT_THROW(Parse({"--bogus"}), TUsageError);
  EXPECT_THROW(Parse({"--size"}), TUsageError);                    // value missing
  EXPECT_THROW(Parse({"--fps", "25", "--fps", "30"}), TUsageError);  // given twice
  EXPECT_THROW(Parse({"--quiet=yes"}), TUsageError);
  EXPECT_THROW(Parse({"--profile="}), TUsageError);

  TCliOptions noFolder = Parse({"a.mov"});
  EXPECT_THROW(CheckForConversion(noFolder), TUsageError);
  TCliOptions missing = Parse({"-o", "/no/such/folder/anywhere", "a.mov"});
  EXPECT_THROW(CheckForConversion(missing), TUsageError);
  TCliOptions noFiles = Parse({"-o", "/"});
  EXPECT_THROW(CheckForConversion(noFiles), TUsageError);
}

TEST(CliProfiles, FindsAProfileByItsTextOrAUniquePart) {
  EXPECT_EQ(OfferedProfiles().size(), 43u);
  EXPECT_EQ(MatchProfiles("iPod (*.mp4)"), std::vector<std::string>{"iPod (*.mp4)"});
  EXPECT_EQ(MatchProfiles("ipod (*.mp4)"), std::vector<std::string>{"iPod (*.mp4)"});
  EXPECT_EQ(MatchProfiles("xvid"), std::vector<std::string>{"AVI - XviD Video (*.avi)"});
  EXPECT_EQ(MatchProfiles("mp3"), std::vector<std::string>{"MP3 - Mpeg Layer3 Audio (*.mp3)"});
  // An exact title wins over the longer titles that contain it.
  EXPECT_EQ(MatchProfiles("iphone (*.mp4)"), std::vector<std::string>{"iPhone (*.mp4)"});
  EXPECT_TRUE(MatchProfiles("-----").empty());  // separators are no profiles
  EXPECT_TRUE(MatchProfiles("DVD - VOB").empty());  // a catalog row the list does not offer
}

TEST(CliProfiles, AnAmbiguousTextIsRefusedWithItsMatches) {
  const std::string msg = UsageErrorOf(WithProfile("ipod"));
  EXPECT_NE(msg.find("matches several profiles"), std::string::npos) << msg;
  EXPECT_NE(msg.find("iPod (*.mp4)"), std::string::npos) << msg;
  EXPECT_NE(msg.find("iPod Touch (*.mp4)"), std::string::npos) << msg;
  EXPECT_EQ(msg.find("iPhone"), std::string::npos) << msg;

  const std::string none = UsageErrorOf(WithProfile("betamax"));
  EXPECT_NE(none.find("matches no profile"), std::string::npos) << none;
  EXPECT_NE(none.find("Zune WMV Windows Media Video (*.wmv)"), std::string::npos) << none;
}

TEST(CliChoices, WithoutOptionsTheProfileDefaultsStand) {
  const TConversionChoices c = ResolveChoices(WithProfile("MP3 - Mpeg Layer3 Audio (*.mp3)"));
  EXPECT_EQ(c.OutputType, "MP3");
  // The option set's default, not the "Normal" preset (128 Kbps).
  EXPECT_EQ(c.Choices.ComboAudioBitrate.Text(), "192 Kbps");
  EXPECT_EQ(c.VolumeValue, 255);
  EXPECT_EQ(ResolveChoices(TCliOptions{}).Title, "3GP - Mobile Video Format (*.3gp)");
}

TEST(CliChoices, QualityLevelsMoveBothBitRatesAsTheWindowDoes) {
  TCliOptions o = WithProfile("iPod (*.mp4)");
  o.VideoQuality = "highest";
  o.AudioQuality = "Lowest";
  TConversionChoices c = ResolveChoices(o);
  EXPECT_EQ(c.Choices.ComboVideoBitrate.Text(), "1200 Kbps");
  EXPECT_EQ(c.Choices.ComboAudioBitrate.Text(), "64 Kbps");

  // One level given: the other one counts as Normal.
  TCliOptions mp3 = WithProfile("mp3");
  mp3.AudioQuality = "Highest";
  EXPECT_EQ(ResolveChoices(mp3).Choices.ComboAudioBitrate.Text(), "256 Kbps");
  TCliOptions onlyVideo = WithProfile("MPEG-1 Movie");
  onlyVideo.VideoQuality = "Lowest";
  c = ResolveChoices(onlyVideo);
  EXPECT_EQ(c.Choices.ComboVideoBitrate.Text(), "768 Kbps");
  EXPECT_EQ(c.Choices.ComboAudioBitrate.Text(), "128 Kbps");  // Normal, not the 192 default

  TCliOptions bad = WithProfile("xvid");
  bad.VideoQuality = "superb";
  const std::string msg = UsageErrorOf(bad);
  EXPECT_NE(msg.find("Highest"), std::string::npos) << msg;
  EXPECT_NE(msg.find("Lowest"), std::string::npos) << msg;
}

TEST(CliChoices, OfferedValuesAreTakenInTheirShortForms) {
  TCliOptions o = WithProfile("xvid");
  o.Size = "176x144";
  o.FrameRate = "15";
  o.Channels = "mono";
  o.Aspect = "16:9";
  o.Volume = "7";
  const TConversionChoices c = ResolveChoices(o);
  EXPECT_EQ(c.Choices.ComboVideoSize.Text(), "176 x 144 (QCIF)");
  EXPECT_EQ(c.Choices.ComboVideoFramerate.Text(), "15.0 fps");
  EXPECT_EQ(c.Choices.ComboAudioChannels.Text(), "Mono");
  EXPECT_EQ(c.Choices.ComboAspectRatio.ItemIndex, 2);
  EXPECT_EQ(c.VolumeValue, 350);

  TCliOptions zune = WithProfile("Zune Mpeg4");
  zune.Size = "320 x 240";  // the list's item has a trailing blank
  EXPECT_EQ(ResolveChoices(zune).Choices.ComboVideoSize.Text(), "320 x 240 ");
  TCliOptions vcd = WithProfile("Video CD (*.mpg)");
  vcd.FrameRate = "29.97 fps [NTSC]";
  vcd.Volume = "120%";
  EXPECT_EQ(ResolveChoices(vcd).Choices.ComboVideoFramerate.ItemIndex, 3);
  EXPECT_EQ(ResolveChoices(vcd).VolumeValue, 300);
  TCliOptions original = WithProfile("mpeg-1");
  original.Size = "original";
  EXPECT_EQ(ResolveChoices(original).Choices.ComboVideoSize.Text(), "Original Video Size");
}

TEST(CliChoices, ValuesTheProfileDoesNotOfferAreRefusedWithTheOffer) {
  TCliOptions o = WithProfile("ipod (*.mp4)");
  o.Size = "640x480";
  std::string msg = UsageErrorOf(o);
  EXPECT_NE(msg.find("\"640x480\" is not offered by \"iPod (*.mp4)\""), std::string::npos) << msg;
  EXPECT_NE(msg.find("320 x 240"), std::string::npos) << msg;

  TCliOptions fps = WithProfile("PSP");
  fps.FrameRate = "25";
  msg = UsageErrorOf(fps);
  EXPECT_NE(msg.find("14.985 fps"), std::string::npos) << msg;
  EXPECT_NE(msg.find("29.97 fps  (default)"), std::string::npos) << msg;

  TCliOptions audio = WithProfile("ogg");
  audio.Size = "320x240";
  EXPECT_NE(UsageErrorOf(audio).find("no video settings"), std::string::npos);
  audio.Size.clear();
  audio.VideoQuality = "High";
  EXPECT_NE(UsageErrorOf(audio).find("no video settings"), std::string::npos);

  TCliOptions volume = WithProfile("xvid");
  volume.Volume = "11";
  msg = UsageErrorOf(volume);
  EXPECT_NE(msg.find("10  (200%)"), std::string::npos) << msg;
  TCliOptions aspect = WithProfile("xvid");
  aspect.Aspect = "21:9";
  EXPECT_NE(UsageErrorOf(aspect).find("16:9 (Wide Screen)"), std::string::npos);
}

TEST(CliChoices, TheJobGetsTheWindowsEncoderSettings) {
  TCliOptions o = WithProfile("ipod (*.mp4)");
  o.OutputFolder = "/out";
  o.Volume = "0";
  o.Aspect = "4:3";
  const TConversionChoices c = ResolveChoices(o);
  const TJobSettings s = MakeJobSettings(c.Title, c.Choices, c.OutputType, c.OutputFolder, c.Overwrite,
                                         c.VolumeValue);
  TOutputOptions out;
  FillOutputOptions(out, TRowTexts{"/in/clip.mov", "640x480", "Unknown"}, s);
  EXPECT_EQ(out.vcodec, "mpeg4");
  EXPECT_EQ(out.acodec, "libfaac");
  EXPECT_EQ(out.frameSize, "320x240");
  EXPECT_EQ(out.vb, 512000);
  EXPECT_EQ(out.vol, 1);
  EXPECT_EQ(out.aspect, "4:3");
  EXPECT_EQ(out.frameRate, "25");                // "Auto"
  EXPECT_EQ(out.recordingTimeMs, 36000000);      // unknown length: 10 hours at most
}

TEST(CliTexts, ProgressAndFinalLines) {
  TProgressSample s;
  s.FrameNumber = 120;
  s.CurrentMs = 4000;
  s.TotalMs = 10000;
  s.ElapsedSec = 2.0;
  EXPECT_EQ(ProgressLineText(s), "  40%  frames 120  fps 60  speed 2.0x  elapsed 00:00:02  left 00:00:03");
  s.TotalMs = -1;
  s.FrameNumber = -1;
  EXPECT_EQ(ProgressLineText(s), "  00:00:04  speed 2.0x  elapsed 00:00:02  left --:--:--");

  TFileResult r{"a.mov", "out/a.mp4", "Abort", ""};
  EXPECT_EQ(FinalLineText(r, true), "Abort: a.mov -> out/a.mp4 (partial)");
  EXPECT_EQ(FinalLineText(r, false), "Abort: a.mov (stopped before any output was written)");
  r.State = "Fail";
  r.Message = "Invalid data";
  EXPECT_EQ(FinalLineText(r, false), "Fail: a.mov: Invalid data");

  std::vector<TFileResult> all{{"a", "", "Done", ""}, {"b", "", "Fail", "x"}, {"c", "", "", ""}};
  EXPECT_EQ(SummaryText(all), "3 files: 1 Done, 1 Fail, 1 not converted");
  EXPECT_EQ(ExitStatusFor(all, 0), 1);
  EXPECT_EQ(ExitStatusFor(all, 2), 130);
  EXPECT_EQ(ExitStatusFor({{"a", "", "Done", ""}}, 0), 0);
}

TEST(CliTexts, ListAndHelpCoverEveryProfileAndOption) {
  const std::string list = ProfileListText();
  for (const std::string &t : OfferedProfiles()) EXPECT_NE(list.find("\n  " + t + "\n"), std::string::npos) << t;
  EXPECT_NE(list.find("Highest 1200 Kbps"), std::string::npos);  // iPod's top video level
  const std::string help = HelpText();
  for (const char *opt : {"--profile", "--video-quality", "--audio-quality", "--size", "--fps", "--channels",
                          "--volume", "--aspect", "--overwrite", "--quiet", "--list-profiles", "--help", "130"})
    EXPECT_NE(help.find(opt), std::string::npos) << opt;
}
