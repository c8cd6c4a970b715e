// Every offered output profile, with its default settings, converts a
// QuickTime source through the real window code, and the output is what
// the profile promises. The formats of today keep the source's size, rate
// and orientation, the one that copies the streams copies them, and FLAC
// keeps the sound exactly.
#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

#include "av_ptr.h"
#include "catalog.h"
#include "choice_list.h"
#include "job_builder.h"
#include "media_decoder.h"
#include "media_fixture.h"
#include "queue_window_fixture.h"

namespace {

// The codec name a probe reports for the output of an encoder; a copy
// keeps the source's codec.
std::string probedCodec(const std::string &encoder, const ProbedStream *source) {
  static const std::map<std::string, std::string> names = {
      {"libx264", "h264"},       {"libxvid", "mpeg4"},     {"msmpeg4", "msmpeg4v3"}, {"flv", "flv1"},
      {"libfaac", "aac"},        {"mpeg4aac", "aac"},      {"libmp3lame", "mp3"},    {"libamr_nb", "amr_nb"},
      {"libvorbis", "vorbis"},   {"libx265", "hevc"},      {"libvpx-vp9", "vp9"},    {"libsvtav1", "av1"},
      {"libopus", "opus"},
  };
  if (encoder == "copy") return source ? source->codec : std::string();
  const auto it = names.find(encoder);
  return it == names.end() ? encoder : it->second;
}

// "25", "29.97" or "30000/1001" in frames per second; 0 when empty.
double rateOf(const std::string &text) {
  if (text.empty()) return 0;
  const size_t slash = text.find('/');
  if (slash == std::string::npos) return std::stod(text);
  return std::stod(text.substr(0, slash)) / std::stod(text.substr(slash + 1));
}

// What the demuxer reads of the first stream of a kind: the stream's tag and
// every packet's bytes, in order.
struct StreamPackets {
  uint32_t tag = 0;
  std::vector<std::string> packets;
};

StreamPackets readPackets(const std::string &path, AVMediaType type) {
  StreamPackets result;
  MediaDecoder d;
  d.open(path, type);  // the packets need no decoder
  if (d.stream < 0) return result;
  result.tag = d.input->streams[d.stream]->codecpar->codec_tag;
  d.packets([&](AVPacket *pkt) {
    result.packets.emplace_back(reinterpret_cast<const char *>(pkt->data), pkt->size);
    return true;
  });
  return result;
}

// The decoded sound of the first audio stream (16-bit samples as the
// decoder gives them) and the number of samples; 0 samples when it cannot
// be decoded.
std::pair<std::string, int64_t> decodedSound(const std::string &path) {
  MediaDecoder d;
  if (!d.open(path, AVMEDIA_TYPE_AUDIO).empty() || d.decoder->sample_fmt != AV_SAMPLE_FMT_S16) return {{}, 0};
  std::string sound;
  int64_t samples = 0;
  d.run([&](AVFrame *frame) {
    sound.append(reinterpret_cast<const char *>(frame->data[0]), frame->nb_samples * frame->ch_layout.nb_channels * 2);
    samples += frame->nb_samples;
    return true;
  });
  return {sound, samples};
}

uint32_t fourCC(const char (&tag)[5]) {
  return static_cast<uint32_t>(tag[0]) | static_cast<uint32_t>(tag[1]) << 8 | static_cast<uint32_t>(tag[2]) << 16 |
         static_cast<uint32_t>(tag[3]) << 24;
}

// The length the file states, or else what its streams tell (some
// containers, SWF, state none).
double lengthOf(const ProbedFile &file) {
  double length = file.durationSec;
  for (const ProbedStream &s : file.streams) {
    if (length > 0) break;
    if (s.durationSec > 0)
      length = s.durationSec;
    else if (s.type == "video" && s.frames > 0 && s.frameRate > 0)
      length = static_cast<double>(s.frames) / s.frameRate;
  }
  return length;
}

// A 1280x720 clip at 23.976 fps.
MediaRecipe recipe720p() {
  MediaRecipe recipe;
  recipe.width = 1280;
  recipe.height = 720;
  recipe.rateNum = 24000;
  recipe.rateDen = 1001;
  return recipe;
}

class QueueAcceptance : public WindowTest {
 protected:
  // Converts the listed source(s) with the profile `label` (its choices
  // as `choose` leaves them) into a fresh folder; false when the run did
  // not end.
  bool convertWith(const QString &label, const std::string &folder, const std::function<void()> &choose = {}) {
    pickFormat(label);
    if (choose) choose();
    std::filesystem::create_directories(folder);
    setOutputFolder(folder);
    prompts.messages.clear();
    window->startConversion();
    if (waitUntil([&] { return !prompts.messages.isEmpty(); }, 120000, pumpEvents)) return true;
    window->stopAllConversions();
    return false;
  }
  std::string outputOf(const std::string &source, const std::string &folder) const {
    return folder + "/" + std::filesystem::path(source).stem().string() + "." + outputType().toLower().toStdString();
  }
  // The titles of the formats of today: the list items after its last separator.
  static std::vector<QString> profilesOfToday() {
    std::vector<QString> titles;
    for (int i = kFirstCurrentFormatItem; i < kOutputFormatCount; ++i) {
      const std::string_view item = kOutputFormatItems[static_cast<size_t>(i)];
      titles.push_back(QString::fromUtf8(item.data(), static_cast<int>(item.size())));
    }
    return titles;
  }
};

}  // namespace

TEST_F(QueueAcceptance, EveryOfferedProfileConverts) {
  const std::string source = cachedFixture(MediaRecipe{}, "acceptance.mov");
  const ProbedFile in = probeMedia(source);
  ASSERT_TRUE(in.ok) << in.error;
  ASSERT_NE(in.first("video"), nullptr);
  addFiles({QString::fromStdString(source)});
  ASSERT_EQ(rows(), 1);

  int profiles = 0;
  std::ostringstream failures;
  for (std::string_view item : outputFormatItems) {
    if (isFormatSeparator(item)) continue;
    ++profiles;
    const QString label = QString::fromUtf8(item.data(), static_cast<int>(item.size()));
    SCOPED_TRACE(label.toStdString());
    const std::string out = scratch.file("out-" + std::to_string(profiles));
    // What the job builder hands the engine for this profile.
    OutputOptions promise;
    const auto promised = [&] { fillOutputOptions(promise, job(0).probe, jobSettingsFrom(window->settings())); };
    if (!convertWith(label, out, promised)) {
      failures << label.toStdString() << ": no end of run\n";
      continue;
    }
    EXPECT_EQ(prompts.messages, QStringList{"All Conversions Completed"});
    if (text(0, kProgressColumn) != "Done") {
      failures << label.toStdString() << ": " << text(0, kProgressColumn).toStdString() << "\n";
      continue;
    }
    const ProbedFile res = probeMedia(outputOf(source, out));
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
      EXPECT_EQ(v->codec, probedCodec(promise.vcodec, in.first("video")));
      if (!promise.frameSize.empty() && promise.frameSize != "original") {
        EXPECT_EQ(std::to_string(v->width) + "x" + std::to_string(v->height), promise.frameSize);
      } else {
        EXPECT_EQ(std::pair(v->width, v->height), std::pair(640, 480));
      }
      // No frame rate given: the source's.
      const double rate = promise.frameRate.empty() ? in.first("video")->frameRate : rateOf(promise.frameRate);
      EXPECT_NEAR(v->frameRate, rate, rate * 0.002);
    }
    const ProbedStream *a = res.first("audio");
    if (!a) {
      failures << label.toStdString() << ": no audio stream\n";
      continue;
    }
    EXPECT_EQ(std::tuple(a->codec, a->channels, a->sampleRate),
              std::tuple(probedCodec(promise.acodec, in.first("audio")), promise.ac > 0 ? promise.ac : 2,
                         promise.ar > 0 ? promise.ar : 48000));
    EXPECT_NEAR(lengthOf(res), in.durationSec, 0.3);
  }
  EXPECT_EQ(profiles, kOfferedProfileCount);
  EXPECT_TRUE(failures.str().empty()) << failures.str();
}

// A 1280x720 clip at 23.976 fps converts with each format of today to the
// promised codecs at the clip's own size, rate and length.
TEST_F(QueueAcceptance, FormatsOfTodayKeepTheSourcesSizeRateAndLength) {
  const std::string source = cachedFixture(recipe720p(), "acceptance-720p.mov");
  const ProbedFile in = probeMedia(source);
  ASSERT_TRUE(in.ok) << in.error;
  ASSERT_NEAR(in.first("video")->frameRate, 23.976, 0.001);
  addFiles({QString::fromStdString(source)});
  ASSERT_EQ(rows(), 1);

  struct Promise {
    const char *video;  // empty: no video stream
    const char *audio;
    int sampleRate;
  };
  const std::map<QString, Promise> promises = {
      {"MP4 - H.264 Video (*.mp4)", {"h264", "aac", 48000}},
      {"MP4 - H.265/HEVC Video (*.mp4)", {"hevc", "aac", 48000}},
      {"MKV - H.264 Video (*.mkv)", {"h264", "aac", 48000}},
      {"WebM - VP9 Video (*.webm)", {"vp9", "opus", 48000}},
      {"WebM - AV1 Video (*.webm)", {"av1", "opus", 48000}},
      {"MP4 - Same Video and Audio, No Re-encoding (*.mp4)", {"h264", "aac", 48000}},
      {"FLAC - Lossless Audio (*.flac)", {"", "flac", 48000}},
      {"Opus Audio (*.opus)", {"", "opus", 48000}},
  };
  int n = 0;
  for (const QString &label : profilesOfToday()) {
    SCOPED_TRACE(label.toStdString());
    ASSERT_EQ(promises.count(label), 1u);
    const Promise &promise = promises.at(label);
    const std::string folder = scratch.file("today-" + std::to_string(++n));
    ASSERT_TRUE(convertWith(label, folder));
    ASSERT_EQ(text(0, kProgressColumn), "Done");
    const std::string output = outputOf(source, folder);
    const ProbedFile res = probeMedia(output);
    ASSERT_TRUE(res.ok) << res.error;
    const ProbedStream *v = res.first("video");
    if (*promise.video) {
      ASSERT_NE(v, nullptr);
      EXPECT_EQ(std::tuple(v->codec, v->width, v->height, v->frames),
                std::tuple(promise.video, 1280, 720, in.first("video")->frames));
      EXPECT_NEAR(v->frameRate, 24000.0 / 1001.0, 0.001);
    } else {
      EXPECT_EQ(v, nullptr);
    }
    const ProbedStream *a = res.first("audio");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::tuple(a->codec, a->sampleRate, a->channels), std::tuple(promise.audio, promise.sampleRate, 2));
    EXPECT_NEAR(lengthOf(res), in.durationSec, 0.3);
    if (label.contains("HEVC")) {
      EXPECT_EQ(readPackets(output, AVMEDIA_TYPE_VIDEO).tag, fourCC("hvc1"));  // Apple's players open it
    }
  }
  EXPECT_EQ(n, kOfferedProfileCount - 43);
}

// "No Re-encoding" writes the source's own packets, quickly, and a phone
// clip's display matrix with them: it still plays upright.
TEST_F(QueueAcceptance, NoReEncodingCopiesThePackets) {
  MediaRecipe recipe = recipe720p();
  recipe.rotation = 90;
  const std::string source = cachedFixture(recipe, "acceptance-720p-turned.mov");
  addFiles({QString::fromStdString(source)});
  ASSERT_EQ(rows(), 1);
  ASSERT_EQ(text(0, kDurationColumn), "00:00:05");
  EXPECT_EQ(text(0, kVideoSizeColumn), "720x1280");

  const std::string folder = scratch.file("copy");
  QElapsedTimer clock;
  pickFormat("MP4 - Same Video and Audio, No Re-encoding (*.mp4)");
  std::filesystem::create_directories(folder);
  setOutputFolder(folder);
  clock.start();
  window->startConversion();
  ASSERT_TRUE(waitUntil([&] { return text(0, kProgressColumn) == "Done" || text(0, kProgressColumn) == "Fail"; }, 60000, pumpEvents));
  const qint64 ms = clock.elapsed();
  ASSERT_EQ(text(0, kProgressColumn), "Done");
  EXPECT_LT(ms, 1000) << "a 5 s clip took " << ms << " ms to copy";
  RecordProperty("copy_ms", static_cast<int>(ms));

  const std::string output = outputOf(source, folder);
  for (AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}) {
    const StreamPackets before = readPackets(source, type), after = readPackets(output, type);
    ASSERT_FALSE(before.packets.empty());
    EXPECT_TRUE(after.packets == before.packets) << "the same packets, none re-encoded";
  }
  const ProbedFile copied = probeMedia(output);
  const ProbedStream *picture = copied.first("video");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->width, 1280) << "coded as it was";
  EXPECT_TRUE(picture->hasDisplayMatrix);
  EXPECT_EQ(picture->rotationCw, 90);
  EXPECT_TRUE(waitUntil([&] { return !prompts.messages.isEmpty(); }, 5000, pumpEvents));
}

// A portrait clip stays portrait, at its own size and at a chosen one.
TEST_F(QueueAcceptance, APortraitSourceStaysPortrait) {
  MediaRecipe recipe;
  recipe.width = 1080;
  recipe.height = 1920;
  recipe.durationSec = 1.0;
  const std::string source = cachedFixture(recipe, "acceptance-portrait.mov");
  addFiles({QString::fromStdString(source)});
  ASSERT_EQ(rows(), 1);
  ASSERT_EQ(text(0, kVideoSizeColumn), "1080x1920");

  const QString label = "MP4 - H.264 Video (*.mp4)";
  const std::pair<QString, QString> cases[] = {{"Original Video Size", "1080x1920"}, {"1280 x 720", "720x1280"}};
  int n = 0;
  for (const auto &[size, expected] : cases) {
    SCOPED_TRACE(size.toStdString());
    const std::string folder = scratch.file("portrait-" + std::to_string(++n));
    ASSERT_TRUE(convertWith(label, folder, [&] { chooseItem(control<QComboBox>(*window, "videoSizeCombo"), size); }));
    ASSERT_EQ(text(0, kProgressColumn), "Done");
    const ProbedFile res = probeMedia(outputOf(source, folder));
    ASSERT_TRUE(res.ok) << res.error;
    ASSERT_NE(res.first("video"), nullptr);
    const ProbedStream &v = *res.first("video");
    EXPECT_EQ(QString("%1x%2").arg(v.width).arg(v.height), expected);
  }
}

// FLAC keeps 16-bit sound sample for sample at the volume bar's 100%.
TEST_F(QueueAcceptance, FlacKeepsSixteenBitSoundExactly) {
  MediaRecipe recipe;
  recipe.width = 320;
  recipe.height = 240;
  recipe.durationSec = 1.0;
  recipe.audioCodec = "pcm_s16le";
  const std::string source = cachedFixture(recipe, "acceptance-pcm16.mov");
  addFiles({QString::fromStdString(source)});
  ASSERT_EQ(rows(), 1);
  ASSERT_EQ(window->settings().volumeValue, 255);  // the bar at 100%
  const std::string folder = scratch.file("flac");
  ASSERT_TRUE(convertWith("FLAC - Lossless Audio (*.flac)", folder));
  ASSERT_EQ(text(0, kProgressColumn), "Done");
  const auto before = decodedSound(source), after = decodedSound(outputOf(source, folder));
  EXPECT_GT(before.second, 40000);
  EXPECT_EQ(after.second, before.second);
  EXPECT_TRUE(after.first == before.first) << "the same samples";
}
