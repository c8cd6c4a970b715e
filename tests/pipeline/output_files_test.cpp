#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "job_builder.h"
#include "output_files.h"
#include "file_bytes.h"
#include "probe_summary.h"
#include "test_env.h"

namespace fs = std::filesystem;

static void touch(const std::string &p) { std::ofstream(p) << "x"; }

TEST(OutputFiles, UniqueNamesCountUp) {
  ScratchDir dir;
  const std::string src = dir.file("clip.mov");
  EXPECT_EQ(uniqueOutputName(src, ".mp4"), dir.file("clip.mp4"));
  touch(dir.file("clip.mp4"));
  EXPECT_EQ(uniqueOutputName(src, ".mp4"), dir.file("clip-1.mp4"));
  touch(dir.file("clip-1.mp4"));
  touch(dir.file("clip-2.mp4"));
  EXPECT_EQ(uniqueOutputName(src, ".mp4"), dir.file("clip-3.mp4"));
  // a link pointing nowhere still occupies its name
  fs::create_symlink(dir.file("nowhere"), dir.file("dangling.avi"));
  EXPECT_EQ(uniqueOutputName(dir.file("dangling.mov"), ".avi"), dir.file("dangling-1.avi"));
  // only the last extension is replaced
  EXPECT_EQ(uniqueOutputName(dir.file("a.b.mov"), ".flv"), dir.file("a.b.flv"));
}

TEST(OutputFiles, ExtensionOfTheFileNameOnly) {
  // A dot of the folder stays; a leading dot is no extension.
  const struct {
    const char *path, *extension, *replaced;
  } cases[] = {{"/v/clip.mov", ".mp4", "/v/clip.mp4"},  {"/v.d/clip", ".mp4", "/v.d/clip.mp4"},
               {"/v/.hidden", ".mp4", "/v/.hidden.mp4"}, {"/v/a.b.mov", "", "/v/a.b"},
               {"/v/..", ".mp4", "/v/...mp4"},           {"clip.mov", ".avi", "clip.avi"}};
  for (const auto &c : cases) EXPECT_EQ(replaceExtension(c.path, c.extension), c.replaced) << c.path;
  // A source without a file name in the root folder, and a type holding a
  // separator: the system library's replace_extension wrote past its buffer.
  JobSettings s;
  s.outputFolder = "/";
  s.outputType = "MP4/";
  s.overwrite = true;
  EXPECT_EQ(outputFileFor("", s), "/.mp4/");
  EXPECT_EQ(outputFileFor("/m/", s), "/.mp4/");
}

TEST(OutputFiles, DeleteByMaskLeavesOtherFiles) {
  ScratchDir dir;
  for (const char *name : {"r.avs", "r-1.AVS", "keep.mp4"}) touch(dir.file(name));
  fs::create_directory(dir.file("sub.avs"));
  deleteFilesByMask(dir.path().string(), "*.avs");
  for (const char *name : {"r.avs", "r-1.AVS"}) EXPECT_FALSE(fs::exists(dir.file(name))) << name;
  EXPECT_TRUE(fs::exists(dir.file("keep.mp4")));
  EXPECT_TRUE(fs::is_directory(dir.file("sub.avs")));
  deleteFilesByMask(dir.file("missing-folder"), "*.avs");  // no error
}

TEST(OutputFiles, TempFolderAndScript) {
  const std::string t = tempFolder();
  EXPECT_EQ(t, (fs::temp_directory_path() / "$$7777a/").string());

  ScratchDir dir;
  const std::string folder = dir.file("deeper/$$7777a/");
  const auto lines = rmvbScriptLines("/opt/trevix/", "/films/A Film.RMVB");
  const std::string script = writeScriptFile(folder, lines);
  EXPECT_EQ(script, folder + "r.avs");
  EXPECT_EQ(fileBytes(script),
            "LoadPlugin(\"/opt/trevix/DirectShowSource.dll\")\r\n"
            "DirectShowSource(\"/films/A Film.RMVB\", fps=25, convertfps=true)\r\n");
  EXPECT_EQ(writeScriptFile(folder, lines), folder + "r-1.avs");
  EXPECT_TRUE(isRmvbSource("/x/y.RmVb"));
  EXPECT_FALSE(isRmvbSource("/x/y.rm"));
}

TEST(OutputFiles, SamePathDetection) {
  ScratchDir dir;
  touch(dir.file("a.mp4"));
  EXPECT_TRUE(sameFilePath(dir.file("a.mp4"), dir.path().string() + "//./a.mp4"));
  fs::create_symlink(dir.file("a.mp4"), dir.file("link.mp4"));
  EXPECT_TRUE(sameFilePath(dir.file("a.mp4"), dir.file("link.mp4")));
  EXPECT_FALSE(sameFilePath(dir.file("a.mp4"), dir.file("b.mp4")));
}

TEST(JobBuilder, PlanWithoutTheWindow) {
  ScratchDir dir;
  ProfileChoices choices;
  choices.comboVideoFramerate.assign({"Auto", "29.97 fps"}, 1);
  choices.comboVideoCodec.assign({"MPEG4"}, 0);
  choices.comboAudioCodec.assign({"mpeg4aac"}, 0);
  choices.comboVideoSize.assign({"Original Video Size"}, 0);
  choices.comboVideoBitrate.assign({"1200 Kbps"}, 0);
  choices.comboAudioBitrate.assign({"128 Kbps"}, 0);
  choices.comboSamplingRate.assign({"44100 Hz"}, 0);
  JobSettings s = makeJobSettings("MP4 - MPEG4 Video (*.mp4)", choices, "MP4", dir.path().string(),
                                   false, 300);
  const ProbeSummary hd = probed(1280, 720, -1);  // of unknown length
  JobPlan plan = planJob("  /m/clip.mov ", hd, s);
  EXPECT_EQ(std::tuple(plan.source, plan.outputFile, plan.input.fileName, plan.input.startTimeMs),
            std::tuple("/m/clip.mov", dir.file("clip.mp4"), "/m/clip.mov", 0));
  EXPECT_FALSE(plan.wrapped);
  const OutputOptions &o = plan.output;
  EXPECT_EQ(std::tuple(o.frameRate, o.vcodec, o.acodec, o.vb, o.vol, o.aspect, o.recordingTimeMs),
            std::tuple("29.97", "mpeg4", "libfaac", 1200000, 300, "1.7778", 36000000));

  // a label the mapping cannot read is an error of the job
  choices.comboAudioBitrate.clear();
  s = makeJobSettings("MP4 - MPEG4 Video (*.mp4)", choices, "MP4", dir.path().string(), false, 255);
  EXPECT_ANY_THROW(planJob("/m/clip.mov", hd, s));
}
