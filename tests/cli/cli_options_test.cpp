// The converter's command line: options, profile names, the choices a
// profile offers, and the texts it prints. No media libraries needed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "cli_json.h"
#include "cli_options.h"
#include "cli_runner.h"
#include "test_env.h"
#include "text_checks.h"
#include "codec_mapping.h"
#include "job_builder.h"
#include "probe_summary.h"

namespace {

CliOptions parse(std::vector<std::string> args) { return parseCommandLine(args); }

std::string usageErrorOf(const CliOptions &o) {
  try {
    resolveChoices(o);
  } catch (const UsageError &e) {
    return e.what();
  }
  return {};
}

// The choices of a command line.
ConversionChoices choicesOf(std::vector<std::string> args) { return resolveChoices(parse(std::move(args))); }

CliOptions withProfile(const std::string &profile) {
  CliOptions o;
  o.profile = profile;
  return o;
}

}  // namespace

TEST(CliCommandLine, ReadsOptionsValuesAndFiles) {
  const CliOptions o = parse({"--profile", "xvid", "-o", "/out", "--size=320x240", "--overwrite", "-q", "a.mov",
                               "--", "-b.mov"});
  EXPECT_EQ(o.profile, "xvid");
  EXPECT_EQ(o.outputFolder, "/out");
  EXPECT_EQ(o.size, "320x240");
  EXPECT_TRUE(o.overwrite);
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.files, (std::vector<std::string>{"a.mov", "-b.mov"}));
  EXPECT_EQ(parse({"-o/tmp/x"}).outputFolder, "/tmp/x");
  // The recording metadata is kept unless the last of the two says no.
  EXPECT_TRUE(o.keepMetadata);
  EXPECT_FALSE(parse({"--no-metadata"}).keepMetadata);
  EXPECT_TRUE(parse({"--no-metadata", "--keep-metadata"}).keepMetadata);
}

TEST(CliCommandLine, RefusesBrokenCommandLines) {
  // An unknown option, a value missing or given twice, a value where none belongs, an empty value.
  for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"--size"}, {"--fps", "25", "--fps", "30"}, {"--quiet=yes"}, {"--profile="}})
    EXPECT_THROW(parse(args), UsageError) << args[0];
  // No folder, a folder that is not there, no files.
  for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
           {"a.mov"}, {"-o", "/no/such/folder/anywhere", "a.mov"}, {"-o", "/"}}) {
    CliOptions o = parse(args);
    EXPECT_THROW(checkForConversion(o), UsageError) << args[0];
  }
}

TEST(CliCommandLine, ThreadsAreAWholeNumberFromZeroToTheMost) {
  EXPECT_EQ(threadsOption(parse({"a.mov"})), 0);  // every core
  for (int n : {1, 16, kMaxThreads}) EXPECT_EQ(threadsOption(parse({"--threads", std::to_string(n)})), n);
  EXPECT_EQ(threadsOption(parse({"--threads=16"})), 16);
  for (const char *bad : {"-1", "two", "2.5", "3x", "65"}) {
    SCOPED_TRACE(bad);
    try {
      threadsOption(parse({"--threads", bad}));
      ADD_FAILURE() << "accepted";
    } catch (const UsageError &e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("--threads \"") + bad + "\" is not a number of threads from 0 to 64");
    }
  }
}

TEST(CliCommandLine, JobsAreAWholeNumberFromZeroToEight) {
  EXPECT_EQ(jobsOption(parse({"a.mov"})), 1);
  EXPECT_EQ(jobsOption(parse({"--jobs", "0"})), 0);  // as many as the cores allow
  EXPECT_EQ(jobsOption(parse({"--jobs=8"})), 8);
  for (const char *bad : {"-1", "two", "9"}) EXPECT_THROW(jobsOption(parse({"--jobs", bad})), UsageError) << bad;
}

TEST(CliProfiles, FindsAProfileByItsTextOrAUniquePart) {
  EXPECT_EQ(offeredProfiles().size(), 51u);
  EXPECT_TRUE(matchProfiles("-----").empty());  // separators are no profiles
  EXPECT_TRUE(matchProfiles("DVD - VOB").empty());  // a catalog row the list does not offer
  // By the title in any case or a unique part; an exact title wins over the
  // longer titles that contain it ("iphone (*.mp4)"); the formats of today
  // by their codec or container.
  const std::pair<const char *, const char *> today[] = {
      {"iPod (*.mp4)", "iPod (*.mp4)"}, {"ipod (*.mp4)", "iPod (*.mp4)"}, {"xvid", "AVI - XviD Video (*.avi)"},
      {"mp3", "MP3 - Mpeg Layer3 Audio (*.mp3)"}, {"iphone (*.mp4)", "iPhone (*.mp4)"},
      {"h.265", "MP4 - H.265/HEVC Video (*.mp4)"}, {"hevc", "MP4 - H.265/HEVC Video (*.mp4)"},
      {"mp4 - h.264", "MP4 - H.264 Video (*.mp4)"}, {"mkv", "MKV - H.264 Video (*.mkv)"},
      {"vp9", "WebM - VP9 Video (*.webm)"},         {"av1", "WebM - AV1 Video (*.webm)"},
      {"no re-encoding", "MP4 - Same Video and Audio, No Re-encoding (*.mp4)"},
      {"flac", "FLAC - Lossless Audio (*.flac)"},   {"opus", "Opus Audio (*.opus)"}};
  for (const auto &[part, title] : today) EXPECT_EQ(matchProfiles(part), std::vector<std::string>{title}) << part;
  // H.264 comes in two containers.
  EXPECT_EQ(matchProfiles("h.264"), (std::vector<std::string>{"MP4 - H.264 Video (*.mp4)", "MKV - H.264 Video (*.mkv)"}));
}

TEST(CliProfiles, AnAmbiguousTextIsRefusedWithItsMatches) {
  const std::string msg = usageErrorOf(withProfile("ipod"));
  expectHas(msg, {"matches several profiles", "iPod (*.mp4)", "iPod Touch (*.mp4)"});
  EXPECT_EQ(msg.find("iPhone"), std::string::npos) << msg;

  const std::string none = usageErrorOf(withProfile("betamax"));
  expectHas(none, {"matches no profile", "Zune WMV Windows Media Video (*.wmv)"});
}

// A misspelt profile is answered with the profiles it comes close to.
TEST(CliProfiles, ATextMatchingNothingSuggestsTheClosestProfiles) {
  EXPECT_EQ(closestProfiles("xvdi"), std::vector<std::string>{"AVI - XviD Video (*.avi)"});
  EXPECT_EQ(closestProfiles("Quicktme"), std::vector<std::string>{"MOV - QuickTime Video (*.mov)"});
  const std::vector<std::string> ipod = closestProfiles("ipdo");
  ASSERT_FALSE(ipod.empty());
  for (const std::string &t : ipod) EXPECT_EQ(t.rfind("iPod", 0), 0u) << t;
  // Two words are compared with two neighbouring words of a title.
  const std::vector<std::string> apple = closestProfiles("aple tv");
  ASSERT_FALSE(apple.empty());
  EXPECT_NE(apple.front().find("Apple TV"), std::string::npos) << apple.front();
  EXPECT_LE(closestProfiles("video", 3).size(), 3u);
  EXPECT_TRUE(closestProfiles("betamax").empty());
  EXPECT_TRUE(closestProfiles("").empty());

  const std::string msg = usageErrorOf(withProfile("ipdo"));
  expectHas(msg, {"matches no profile. Did you mean:\n  iPod (*.mp4)\n"});
  EXPECT_EQ(msg.find("Zune"), std::string::npos) << msg;  // not the whole list
}

TEST(CliCommandLine, AFolderStandsForTheSourcesInIt) {
  ScratchDir dir;
  for (const char *name : {"b.MOV", "a.mp4", "notes.txt", "c.m4a", "sub/d.mov"}) {
    std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
    std::ofstream(dir.file(name)) << "x";
  }
  std::filesystem::create_directories(dir.file("empty"));
  EXPECT_EQ(expandSourceArguments({"x.mov", dir.path().string(), "y.mov"}),
            (std::vector<std::string>{"x.mov", dir.file("a.mp4"), dir.file("b.MOV"), dir.file("c.m4a"), "y.mov"}));
  try {
    expandSourceArguments({dir.file("empty")});
    ADD_FAILURE() << "a folder without sources is refused";
  } catch (const UsageError &e) {
    EXPECT_NE(std::string(e.what()).find(dir.file("empty")), std::string::npos) << e.what();
  }
  const CliOptions o = parse({"--json", "--version"});
  EXPECT_TRUE(o.json);
  EXPECT_TRUE(o.version);
}

TEST(CliChoices, WithoutOptionsTheProfileDefaultsStand) {
  const ConversionChoices c = resolveChoices(withProfile("MP3 - Mpeg Layer3 Audio (*.mp3)"));
  EXPECT_EQ(c.outputType, "MP3");
  // The option set's default, not the "Normal" preset (128 Kbps).
  EXPECT_EQ(c.choices.comboAudioBitrate.text(), "192 Kbps");
  EXPECT_EQ(c.volumeValue, 255);
  EXPECT_EQ(resolveChoices(CliOptions{}).title, "3GP - Mobile Video Format (*.3gp)");
  EXPECT_EQ(resolveChoices(CliOptions{}).profileId, 0);
}

TEST(CliChoices, QualityLevelsMoveBothBitRatesAsTheWindowDoes) {
  ConversionChoices c =
      choicesOf({"--profile", "iPod (*.mp4)", "--video-quality", "highest", "--audio-quality", "Lowest"});
  EXPECT_EQ(c.choices.comboVideoBitrate.text(), "1200 Kbps");
  EXPECT_EQ(c.choices.comboAudioBitrate.text(), "64 Kbps");

  // One level given: the other one counts as Normal.
  EXPECT_EQ(choicesOf({"--profile", "mp3", "--audio-quality", "Highest"}).choices.comboAudioBitrate.text(),
            "256 Kbps");
  c = choicesOf({"--profile", "MPEG-1 Movie", "--video-quality", "Lowest"});
  EXPECT_EQ(c.choices.comboVideoBitrate.text(), "768 Kbps");
  EXPECT_EQ(c.choices.comboAudioBitrate.text(), "128 Kbps");  // Normal, not the 192 default

  expectHas(usageErrorOf(parse({"--profile", "xvid", "--video-quality", "superb"})), {"Highest", "Lowest"});
}

TEST(CliChoices, OfferedValuesAreTakenInTheirShortForms) {
  const ConversionChoices c = choicesOf({"--profile", "xvid", "--size", "176x144", "--fps", "15", "--channels", "mono",
                                         "--aspect", "16:9", "--volume", "7"});
  EXPECT_EQ(c.choices.comboVideoSize.text(), "176 x 144 (QCIF)");
  EXPECT_EQ(c.choices.comboVideoFramerate.text(), "15.0 fps");
  EXPECT_EQ(c.choices.comboAudioChannels.text(), "Mono");
  EXPECT_EQ(c.choices.comboAspectRatio.itemIndex, 2);
  EXPECT_EQ(c.volumeValue, 350);

  // The list's item has a trailing blank.
  EXPECT_EQ(choicesOf({"--profile", "Zune Mpeg4", "--size", "320 x 240"}).choices.comboVideoSize.text(),
            "320 x 240 ");
  const ConversionChoices vcd =
      choicesOf({"--profile", "Video CD (*.mpg)", "--fps", "29.97 fps [NTSC]", "--volume", "120%"});
  EXPECT_EQ(vcd.choices.comboVideoFramerate.itemIndex, 3);
  EXPECT_EQ(vcd.volumeValue, 300);
  EXPECT_EQ(choicesOf({"--profile", "mpeg-1", "--size", "original"}).choices.comboVideoSize.text(),
            "Original Video Size");
}

TEST(CliChoices, ValuesTheProfileDoesNotOfferAreRefusedWithTheOffer) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> kRefusals[] = {
      {{"--profile", "ipod (*.mp4)", "--size", "640x480"},
       {"\"640x480\" is not offered by \"iPod (*.mp4)\"", "320 x 240"}},
      {{"--profile", "PSP", "--fps", "25"}, {"14.985 fps", "29.97 fps  (default)"}},
      {{"--profile", "ogg", "--size", "320x240"}, {"no video settings"}},
      {{"--profile", "ogg", "--video-quality", "High"}, {"no video settings"}},
      {{"--profile", "xvid", "--volume", "11"}, {"10  (200%)"}},
      {{"--profile", "xvid", "--aspect", "21:9"}, {"16:9 (Wide Screen)"}}};
  for (const auto &[args, offer] : kRefusals) expectHas(usageErrorOf(parse(args)), offer);
}

TEST(CliChoices, TheJobGetsTheWindowsEncoderSettings) {
  const ConversionChoices c =
      choicesOf({"--profile", "ipod (*.mp4)", "-o", "/out", "--volume", "0", "--aspect", "4:3"});
  EXPECT_EQ(c.profileId, 3);  // the catalog row of "iPod (*.mp4)"
  const JobSettings s = makeJobSettings(c.profileId, c.choices, c.outputFolder, c.overwrite, c.volumeValue);
  EXPECT_EQ(s.outputType, "MP4");
  OutputOptions out;
  fillOutputOptions(out, probed(640, 480, -1), s);  // of unknown length
  EXPECT_EQ(std::tuple(out.vcodec, out.acodec, out.frameSize, out.vb, out.vol, out.aspect),
            std::tuple("mpeg4", "libfaac", "320x240", 512000, 1, "4:3"));
  // "Auto", "Stereo", and for the unknown length 10 hours at most.
  EXPECT_EQ(std::tuple(out.frameRate, out.ac, out.recordingTimeMs), std::tuple("25", 2, 36000000));
}

TEST(CliTexts, ProgressAndFinalLines) {
  ProgressSample s{.frameNumber = 120, .currentMs = 4000, .totalMs = 10000, .elapsedSec = 2.0};
  EXPECT_EQ(progressLineText(s), "  40%  frames 120  fps 60  speed 2.0x  elapsed 00:00:02  left 00:00:03");
  s.totalMs = -1;
  s.frameNumber = -1;
  EXPECT_EQ(progressLineText(s), "  00:00:04  speed 2.0x  elapsed 00:00:02  left --:--:--");

  FileResult r{"a.mov", "out/a.mp4", JobState::Aborted, ""};
  EXPECT_EQ(finalLineText(r, true), "Abort: a.mov -> out/a.mp4 (partial)");
  EXPECT_EQ(finalLineText(r, false), "Abort: a.mov (stopped before any output was written)");
  r.state = JobState::Failed;
  r.message = "Invalid data";
  EXPECT_EQ(finalLineText(r, false), "Fail: a.mov: Invalid data");
  // A reason that names the file already does not name it twice.
  r.message = "a.mov: No such file or directory";
  EXPECT_EQ(finalLineText(r, false), "Fail: a.mov: No such file or directory");
  r.message = "a.mov.part: No such file or directory";
  EXPECT_EQ(finalLineText(r, false), "Fail: a.mov: a.mov.part: No such file or directory");

  std::vector<FileResult> all{{"a", "", JobState::Done, ""},
                              {"b", "", JobState::Failed, "x"},
                              {"c", "", JobState::Waiting, ""},
                              {"d", "", JobState::Aborted, ""}};
  EXPECT_EQ(summaryText(all), "4 files: 1 Done, 1 Fail, 1 Abort, 1 not converted");
  EXPECT_EQ(finalLineText(all[2], false), "Not converted: c");
  EXPECT_EQ(exitStatusFor(all, 0), 1);
  EXPECT_EQ(exitStatusFor(all, 2), 130);
  EXPECT_EQ(exitStatusFor({{"a", "", JobState::Done, ""}}, 0), 0);
}

TEST(CliTexts, ListAndHelpCoverEveryProfileAndOption) {
  const std::string list = profileListText();
  for (const std::string &t : offeredProfiles()) EXPECT_NE(list.find("\n  " + t + "\n"), std::string::npos) << t;
  EXPECT_NE(list.find("Highest 1200 Kbps"), std::string::npos);  // iPod's top video level
  const std::string help = helpText();
  for (const char *opt : {"--profile", "--video-quality", "--audio-quality", "--size", "--fps", "--channels",
                          "--volume", "--aspect", "--overwrite", "--quiet", "--list-profiles", "--help", "130",
                          "--json", "--version", "SOURCE-FOLDER", "--no-metadata", "--keep-metadata"})
    EXPECT_NE(help.find(opt), std::string::npos) << opt;
  EXPECT_EQ(versionText(), "trevix-convert " TREVIX_VERSION "\n");
}

// The lines of --json, one object each; figures that cannot be told are null.
TEST(CliTexts, JsonLines) {
  EXPECT_EQ(jsonQuoted("a \"b\"\\c\n\t\x01"), "\"a \\\"b\\\"\\\\c\\n\\t\\u0001\"");
  EXPECT_EQ(jsonQuoted("Caf\xc3\xa9.mov"), "\"Caf\xc3\xa9.mov\"");  // UTF-8 stays
  EXPECT_EQ(jsonQuoted("Caf\xe9.mov"), "\"Caf\xef\xbf\xbd.mov\"");   // Latin-1 does not parse: U+FFFD
  EXPECT_EQ(jsonQuoted("\xf0\x9f"), "\"\xef\xbf\xbd\xef\xbf\xbd\"");  // a cut sequence

  EXPECT_EQ(startedJson("a.mov", "out/a.mp4", RunPosition{1, 2}),
            R"({"event":"started","file":"a.mov","output":"out/a.mp4","position":1,"count":2})");
  EXPECT_EQ(startedJson("a.mov", "out/a.mkv", RunPosition{1, 1}, true),
            R"({"event":"started","file":"a.mov","output":"out/a.mkv","position":1,"count":1,)"
            R"("notice":"keeps the recording place"})");
  ProgressSample s{.frameNumber = 120, .fps = 60, .currentMs = 4000, .totalMs = 10000, .size = 5000, .elapsedSec = 2.0};
  EXPECT_EQ(progressJson("a.mov", s),
            R"({"event":"progress","file":"a.mov","percent":40,"position_ms":4000,"duration_ms":10000,)"
            R"("frames":120,"fps":60,"speed":2.00,"elapsed":2.0,"left":3.0,"size":5000})");
  s.totalMs = -1;
  s.frameNumber = -1;
  EXPECT_EQ(progressJson("a.mov", s),
            R"({"event":"progress","file":"a.mov","percent":null,"position_ms":4000,"duration_ms":null,)"
            R"("frames":null,"fps":null,"speed":2.00,"elapsed":2.0,"left":null,"size":5000})");

  const FileResult failed{"b.mov", "out/b.mp4", JobState::Failed, "b.mov: No such file or directory"};
  EXPECT_EQ(endedJson(failed, false),
            R"({"event":"ended","file":"b.mov","state":"Fail","output":null,"reason":"No such file or directory"})");
  const FileResult done{"a.mov", "out/a.mp4", JobState::Done, ""};
  EXPECT_EQ(endedJson(done, true),
            R"({"event":"ended","file":"a.mov","state":"Done","output":"out/a.mp4","reason":null})");
  EXPECT_EQ(summaryJson({done, failed, {"c.mov", "", JobState::Waiting, ""}}, 1),
            R"({"event":"summary","files":3,"done":1,"fail":1,"abort":0,"not_converted":1,"exit_status":1})");

  // A name that is not UTF-8 keeps every byte in a second field, in base64.
  const std::string bad = "bad\xff\xfe.mov", badOut = "out/bad\xff\xfe.mp4", u = "\xef\xbf\xbd\xef\xbf\xbd";
  EXPECT_EQ(startedJson(bad, badOut, RunPosition{1, 1}),
            R"({"event":"started","file":"bad)" + u + R"(.mov","file_bytes":"YmFk//4ubW92","output":"out/bad)" + u +
                R"(.mp4","output_bytes":"b3V0L2JhZP/+Lm1wNA==","position":1,"count":1})");
  EXPECT_EQ(progressJson("Caf\xe9.mov", s).rfind(R"({"event":"progress","file":"Caf)" + u.substr(3) +
                                                    R"(.mov","file_bytes":"Q2Fm6S5tb3Y=","percent")", 0),
            0u);
  EXPECT_EQ(endedJson({"a.mov", badOut, JobState::Done, ""}, true),
            R"({"event":"ended","file":"a.mov","state":"Done","output":"out/bad)" + u +
                R"(.mp4","output_bytes":"b3V0L2JhZP/+Lm1wNA==","reason":null})");
}
