// Every offered output profile, with its default settings, converts a
// QuickTime source through the real window code, and the output is what
// the profile promises.
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "catalog.h"
#include "choice_list.h"
#include "job_builder.h"
#include "media_fixture.h"
#include "queue_window_fixture.h"

namespace {

// The codec name a probe reports for the output of an encoder.
std::string ProbedCodec(const std::string &encoder) {
  static const std::map<std::string, std::string> names = {
      {"libx264", "h264"},       {"libxvid", "mpeg4"},     {"msmpeg4", "msmpeg4v3"}, {"flv", "flv1"},
      {"libfaac", "aac"},        {"mpeg4aac", "aac"},      {"libmp3lame", "mp3"},    {"libamr_nb", "amr_nb"},
      {"libvorbis", "vorbis"},
  };
  const auto it = names.find(encoder);
  return it == names.end() ? encoder : it->second;
}

double RateOf(const std::string &text) {
  if (text.empty()) return 0;
  return std::stod(text);
}

class QueueAcceptance : public WindowTest {};

}  // namespace

TEST_F(QueueAcceptance, EveryOfferedProfileConverts) {
  const std::string source = CachedFixture(TMediaRecipe{}, "acceptance.mov");
  const TProbedFile in = ProbeMedia(source);
  ASSERT_TRUE(in.ok) << in.error;
  AddFiles({QString::fromStdString(source)});
  ASSERT_EQ(Rows(), 1);

  int profiles = 0;
  std::ostringstream failures;
  for (std::string_view item : OutputFormatItems) {
    if (IsFormatSeparator(item)) continue;
    ++profiles;
    const QString label = QString::fromUtf8(item.data(), static_cast<int>(item.size()));
    SCOPED_TRACE(label.toStdString());
    PickFormat(label);
    const std::string out = scratch.file("out-" + std::to_string(profiles));
    std::filesystem::create_directories(out);
    SetOutputFolder(out);

    // What the job builder hands the engine for this profile.
    TJobSettings settings =
        MakeJobSettings(label.toStdString(), window->ProfileChoices(), window->OutputType.toStdString(), out,
                        false, window->VolumeValue);
    TOutputOptions promise;
    FillOutputOptions(promise, {source, Text(0, colVideoSize).toStdString(), Text(0, colDuration).toStdString()},
                      settings);

    prompts.Messages.clear();
    window->ButtonConvertClick();
    if (!WaitFor([&] { return !prompts.Messages.isEmpty(); }, 120000)) {
      window->ButtonStopConvertClick();
      failures << label.toStdString() << ": no end of run\n";
      continue;
    }
    EXPECT_EQ(prompts.Messages, QStringList{"All Conversions Completed"});
    if (Text(0, colProgress) != "Done") {
      failures << label.toStdString() << ": " << Text(0, colProgress).toStdString() << "\n";
      continue;
    }
    const std::string file = out + "/" + std::filesystem::path(source).stem().string() + "." +
                             window->OutputType.toLower().toStdString();
    const TProbedFile res = ProbeMedia(file);
    if (!res.ok) {
      failures << label.toStdString() << ": output unreadable: " << res.error << "\n";
      continue;
    }

    const TProbedStream *v = res.first("video");
    if (promise.vn) {
      EXPECT_EQ(v, nullptr);
    } else if (!promise.vcodec.empty()) {
      if (!v) {
        failures << label.toStdString() << ": no video stream\n";
        continue;
      }
      EXPECT_EQ(v->codec, ProbedCodec(promise.vcodec));
      if (!promise.frameSize.empty() && promise.frameSize != "original") {
        EXPECT_EQ(std::to_string(v->width) + "x" + std::to_string(v->height), promise.frameSize);
      } else {
        EXPECT_EQ(v->width, 640);
        EXPECT_EQ(v->height, 480);
      }
      const double rate = RateOf(promise.frameRate);
      if (rate > 0) {
        EXPECT_NEAR(v->frameRate, rate, rate * 0.002);
      }
    }
    const TProbedStream *a = res.first("audio");
    if (!a) {
      failures << label.toStdString() << ": no audio stream\n";
      continue;
    }
    EXPECT_EQ(a->codec, ProbedCodec(promise.acodec));
    EXPECT_EQ(a->channels, promise.ac > 0 ? promise.ac : 2);
    EXPECT_EQ(a->sampleRate, promise.ar > 0 ? promise.ar : 48000);
    // Some containers (SWF) state no length: then the streams tell it.
    double length = res.durationSec;
    for (const TProbedStream &s : res.streams) {
      if (length > 0) break;
      if (s.durationSec > 0)
        length = s.durationSec;
      else if (s.type == "video" && s.frames > 0 && s.frameRate > 0)
        length = static_cast<double>(s.frames) / s.frameRate;
    }
    EXPECT_NEAR(length, in.durationSec, 0.3);
  }
  EXPECT_EQ(profiles, 43);
  EXPECT_TRUE(failures.str().empty()) << failures.str();
}
