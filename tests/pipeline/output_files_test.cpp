#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "job_builder.h"
#include "output_files.h"
#include "test_env.h"

namespace fs = std::filesystem;

static void Touch(const std::string &p) { std::ofstream(p) << "x"; }
static std::string Slurp(const std::string &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(OutputFiles, UniqueNamesCountUp) {
  TScratchDir dir;
  const std::string src = dir.file("clip.mov");
  EXPECT_EQ(UniqueOutputName(src, ".mp4"), dir.file("clip.mp4"));
  Touch(dir.file("clip.mp4"));
  EXPECT_EQ(UniqueOutputName(src, ".mp4"), dir.file("clip-1.mp4"));
  Touch(dir.file("clip-1.mp4"));
  Touch(dir.file("clip-2.mp4"));
  EXPECT_EQ(UniqueOutputName(src, ".mp4"), dir.file("clip-3.mp4"));
  // a link pointing nowhere still occupies its name
  fs::create_symlink(dir.file("nowhere"), dir.file("dangling.avi"));
  EXPECT_EQ(UniqueOutputName(dir.file("dangling.mov"), ".avi"), dir.file("dangling-1.avi"));
  // only the last extension is replaced
  EXPECT_EQ(UniqueOutputName(dir.file("a.b.mov"), ".flv"), dir.file("a.b.flv"));
}

TEST(OutputFiles, DeleteByMaskLeavesOtherFiles) {
  TScratchDir dir;
  Touch(dir.file("r.avs"));
  Touch(dir.file("r-1.AVS"));
  Touch(dir.file("keep.mp4"));
  fs::create_directory(dir.file("sub.avs"));
  DeleteFilesByMask(dir.path().string(), "*.avs");
  EXPECT_FALSE(fs::exists(dir.file("r.avs")));
  EXPECT_FALSE(fs::exists(dir.file("r-1.AVS")));
  EXPECT_TRUE(fs::exists(dir.file("keep.mp4")));
  EXPECT_TRUE(fs::is_directory(dir.file("sub.avs")));
  DeleteFilesByMask(dir.file("missing-folder"), "*.avs");  // no error
}

TEST(OutputFiles, TempFolderAndScript) {
  const std::string t = TempFolder();
  EXPECT_EQ(t, (fs::temp_directory_path() / "$$7777a/").string());

  TScratchDir dir;
  const std::string folder = dir.file("deeper/$$7777a/");
  const auto lines = RmvbScriptLines("/opt/trevix/", "/films/A Film.RMVB");
  const std::string script = WriteScriptFile(folder, lines);
  EXPECT_EQ(script, folder + "r.avs");
  EXPECT_EQ(Slurp(script),
            "LoadPlugin(\"/opt/trevix/DirectShowSource.dll\")\r\n"
            "DirectShowSource(\"/films/A Film.RMVB\", fps=25, convertfps=true)\r\n");
  EXPECT_EQ(WriteScriptFile(folder, lines), folder + "r-1.avs");
  EXPECT_TRUE(IsRmvbSource("/x/y.RmVb"));
  EXPECT_FALSE(IsRmvbSource("/x/y.rm"));
}

TEST(OutputFiles, SamePathDetection) {
  TScratchDir dir;
  Touch(dir.file("a.mp4"));
  EXPECT_TRUE(SameFilePath(dir.file("a.mp4"), dir.path().string() + "//./a.mp4"));
  fs::create_symlink(dir.file("a.mp4"), dir.file("link.mp4"));
  EXPECT_TRUE(SameFilePath(dir.file("a.mp4"), dir.file("link.mp4")));
  EXPECT_FALSE(SameFilePath(dir.file("a.mp4"), dir.file("b.mp4")));
}

TEST(JobBuilder, PlanWithoutTheWindow) {
  TScratchDir dir;
  TProfileChoices choices;
  choices.ComboVideoFramerate.Assign({"Auto", "29.97 fps"}, 1);
  choices.ComboVideoCodec.Assign({"MPEG4"}, 0);
  choices.ComboAudioCodec.Assign({"mpeg4aac"}, 0);
  choices.ComboVideoSize.Assign({"Original Video Size"}, 0);
  choices.ComboVideoBitrate.Assign({"1200 Kbps"}, 0);
  choices.ComboAudioBitrate.Assign({"128 Kbps"}, 0);
  choices.ComboSamplingRate.Assign({"44100 Hz"}, 0);
  TJobSettings s = MakeJobSettings("MP4 - MPEG4 Video (*.mp4)", choices, "MP4", dir.path().string(),
                                   false, 300);
  TJobPlan plan = PlanJob({"  /m/clip.mov ", "1280x720", "Unknown"}, s);
  EXPECT_EQ(plan.Source, "/m/clip.mov");
  EXPECT_EQ(plan.OutputFile, dir.file("clip.mp4"));
  EXPECT_FALSE(plan.Wrapped);
  EXPECT_EQ(plan.Input.fileName, "/m/clip.mov");
  EXPECT_EQ(plan.Input.startTimeMs, 0);
  EXPECT_EQ(plan.Output.frameRate, "29.97");
  EXPECT_EQ(plan.Output.vcodec, "mpeg4");
  EXPECT_EQ(plan.Output.acodec, "libfaac");
  EXPECT_EQ(plan.Output.vb, 1200000);
  EXPECT_EQ(plan.Output.vol, 300);
  EXPECT_EQ(plan.Output.aspect, "1.7778");
  EXPECT_EQ(plan.Output.recordingTimeMs, 36000000);

  // a label the mapping cannot read is an error of the job
  choices.ComboAudioBitrate.Clear();
  s = MakeJobSettings("MP4 - MPEG4 Video (*.mp4)", choices, "MP4", dir.path().string(), false, 255);
  EXPECT_ANY_THROW(PlanJob({"/m/clip.mov", "640x480", "00:00:05"}, s));
}
