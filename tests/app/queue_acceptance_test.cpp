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
std::string probedCodec(const std::string &encoder) {
  static const std::map<std::string, std::string> names = {
      {"libx264", "h264"},       {"libxvid", "mpeg4"},     {"msmpeg4", "msmpeg4v3"}, {"flv", "flv1"},
      {"libfaac", "aac"},        {"mpeg4aac", "aac"},      {"libmp3lame", "mp3"},    {"libamr_nb", "amr_nb"},
      {"libvorbis", "vorbis"},
  };
  const auto it = names.find(encoder);
  return it == names.end() ? encoder : it->second;
}

double rateOf(const std::string &text) {
  if (text.empty()) return 0;
  return std::stod(text);
}

class QueueAcceptance : public WindowTest {};

}  // namespace

TEST_F(QueueAcceptance, EveryOfferedProfileConverts) {
  const std::string source = cachedFixture(MediaRecipe{}, "acceptance.mov");
  const ProbedFile in = probeMedia(source);
  ASSERT_TRUE(in.ok) << in.error;
  addFiles({QString::fromStdString(source)});
  ASSERT_EQ(rows(), 1);

  int profiles = 0;
  std::ostringstream failures;
  for (std::string_view item : outputFormatItems) {
    if (isFormatSeparator(item)) continue;
    ++profiles;
    const QString label = QString::fromUtf8(item.data(), static_cast<int>(item.size()));
    SCOPED_TRACE(label.toStdString());
    pickFormat(label);
    const std::string out = scratch.file("out-" + std::to_string(profiles));
    std::filesystem::create_directories(out);
    setOutputFolder(out);

    // What the job builder hands the engine for this profile.
    JobSettings settings =
        makeJobSettings(label.toStdString(), window->profileChoices(), window->outputType.toStdString(), out,
                        false, window->volumeValue);
    OutputOptions promise;
    fillOutputOptions(promise, job(0).probe, settings);

    prompts.messages.clear();
    window->startConversion();
    if (!waitUntil([&] { return !prompts.messages.isEmpty(); }, 120000, pumpEvents)) {
      window->stopAllConversions();
      failures << label.toStdString() << ": no end of run\n";
      continue;
    }
    EXPECT_EQ(prompts.messages, QStringList{"All Conversions Completed"});
    if (text(0, kProgressColumn) != "Done") {
      failures << label.toStdString() << ": " << text(0, kProgressColumn).toStdString() << "\n";
      continue;
    }
    const std::string file = out + "/" + std::filesystem::path(source).stem().string() + "." +
                             window->outputType.toLower().toStdString();
    const ProbedFile res = probeMedia(file);
    if (!res.ok) {
      failures << label.toStdString() << ": output unreadable: " << res.error << "\n";
      continue;
    }

    const ProbedStream *v = res.first("video");
    if (promise.vn) {
      EXPECT_EQ(v, nullptr);
    } else if (!promise.vcodec.empty()) {
      if (!v) {
        failures << label.toStdString() << ": no video stream\n";
        continue;
      }
      EXPECT_EQ(v->codec, probedCodec(promise.vcodec));
      if (!promise.frameSize.empty() && promise.frameSize != "original") {
        EXPECT_EQ(std::to_string(v->width) + "x" + std::to_string(v->height), promise.frameSize);
      } else {
        EXPECT_EQ(v->width, 640);
        EXPECT_EQ(v->height, 480);
      }
      const double rate = rateOf(promise.frameRate);
      if (rate > 0) {
        EXPECT_NEAR(v->frameRate, rate, rate * 0.002);
      }
    }
    const ProbedStream *a = res.first("audio");
    if (!a) {
      failures << label.toStdString() << ": no audio stream\n";
      continue;
    }
    EXPECT_EQ(a->codec, probedCodec(promise.acodec));
    EXPECT_EQ(a->channels, promise.ac > 0 ? promise.ac : 2);
    EXPECT_EQ(a->sampleRate, promise.ar > 0 ? promise.ar : 48000);
    // Some containers (SWF) state no length: then the streams tell it.
    double length = res.durationSec;
    for (const ProbedStream &s : res.streams) {
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
