#include "option_sets.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "catalog.h"

namespace {

using TItems = std::vector<std::string>;

// Shared item lists.
const TItems kAudio13 = {"32 Kbps",  "40 Kbps",  "48 Kbps",  "64 Kbps",  "80 Kbps",
                         "96 Kbps",  "112 Kbps", "128 Kbps", "160 Kbps", "192 Kbps",
                         "224 Kbps", "256 Kbps", "320 Kbps"};
const TItems kRate8 = {"8000 Hz",  "16000 Hz", "22050 Hz", "32000 Hz",
                       "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
const TItems kRate8W = {"8000  Hz", "16000 Hz", "22050 Hz", "32000 Hz",
                        "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
const TItems kFps7 = {"Auto",     "14.985 fps", "15.0 fps", "23.975 fps",
                      "25.0 fps", "29.97 fps",  "30.0 fps"};
const TItems kSize23 = {"Original Video Size", "128 x 96 (SQCIF)", "160 x 120 (QVGA)",
                        "176 x 120",           "176 x 144 (QCIF)", "192 x 144",
                        "208 x 176",           "220 x 176",        "240 x 180",
                        "320 x 200",           "320 x 240 (VGA)",  "352 x 240",
                        "352 x 288 (CIF)",     "480 x 272",        "480 x 360",
                        "480 x 480",           "480 x 576",        "624 x 352",
                        "640 x 352",           "640 x 480",        "704 x 576 (4CIF)",
                        "720 x 480",           "720 x 576"};
const TItems kVideo13 = {"192 Kbps",  "200 Kbps",  "216 Kbps",  "384 Kbps",  "512 Kbps",
                         "640 Kbps",  "768 Kbps",  "1000 Kbps", "1200 Kbps", "1500 Kbps",
                         "1600 Kbps", "2000 Kbps", "2500 Kbps"};
const TItems kAvi13 = {"192 Kbps", "200 Kbps",  "216 Kbps",  "256 Kbps",  "384 Kbps",
                       "512 Kbps", "640 Kbps",  "768 Kbps",  "800 Kbps",  "1000 Kbps",
                       "1200 Kbps", "1500 Kbps", "2500 Kbps"};
const TItems kApple5 = {"512 Kbps", "800 Kbps", "1200 Kbps", "1500 Kbps", "2500 Kbps"};
const TItems kAmr8 = {"4750 bps", "5150 bps", "5900 bps",  "6700 bps",
                      "7400 bps", "7950 bps", "10200 bps", "12200 bps"};
const TItems kDiscSizes8 = {"128 x 96 (SQCIF)", "176 x 144 (QCIF)", "352 x 240",
                            "352 x 288 (CIF)",  "480 x 272",        "480 x 480",
                            "640 x 480",        "704 x 576 (4CIF)"};
const TItems kDiscFps7 = {"23.976 fps [NTSC]", "24 fps",   "25 fps [PAL]", "29.97 fps [NTSC]",
                          "30.0 fps",          "50 fps",   "59.94 fps"};
const TItems kFlashSizes10 = {"Original Video Size", "128 x 96 (SQCIF)", "160 x 120 (QVGA)",
                              "176 x 144 (QCIF)",    "320 x 240 (VGA)",  "352 x 240",
                              "352 x 288 (CIF)",     "480 x 272",        "640 x 480",
                              "704 x 576 (4CIF)"};
const TItems kFlashFps12 = {"Auto",     "8 fps",      "10 fps",   "12 fps",
                            "14.985 fps", "15.0 fps", "20 fps",   "23.975 fps",
                            "25.0 fps", "29.97 fps",  "30.0 fps", "60 fps"};
const TItems kPlayerSizes6 = {"Auto", "160 x 120", "320 x 240", "480 x 272", "720 x 480", "640 x 480"};
const TItems kPlayerVideo5 = {"800 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps"};
const TItems kZuneSizes2 = {"320 x 240 ", "640 x 480"};
const TItems kZuneVideo6 = {"256 Kbps", "512 Kbps", "768 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps"};
const TItems kMobileSizes7 = {"128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 144 (QCIF)",
                              "208 x 176",        "220 x 176",        "320 x 240 (VGA)",
                              "352 x 288 (CIF)"};
const TItems kBlackBerrySizes3 = {"176 x 144", "240 x 180", "320 x 240"};
const TItems kBlackBerryFps5 = {"11 fps", "15 fps", "20 fps", "24 fps", "25 fps"};

// Replaces the items and selects `def` (the first item when `def` is empty).
// A default that is not among the items is a fault of the tables above.
void Fill(TChoiceList &combo, TItems items, std::string_view def = {}) {
  combo.Assign(std::move(items), def.empty() ? 0 : -1);
  if (!def.empty() && !combo.SelectText(def))
    throw std::logic_error("option set default missing from its list: " + std::string(def));
}

void ResetChannels(TProfileChoices &c) { c.ComboAudioChannels.ItemIndex = c.ComboAudioChannels.Items.empty() ? -1 : 0; }
void ResetAspect(TProfileChoices &c) { c.ComboAspectRatio.ItemIndex = c.ComboAspectRatio.Items.empty() ? -1 : 0; }
void ResetBoth(TProfileChoices &c) {
  ResetChannels(c);
  ResetAspect(c);
}

// Audio-only formats: no video choices at all.
void AudioOnly(TProfileChoices &c, std::string_view audioCodec, std::string_view audioRate,
               const TItems &rates, std::string_view sampleRate) {
  c.ComboVideoCodec.Clear();
  Fill(c.ComboAudioCodec, {std::string(audioCodec)});
  c.ComboVideoSize.Clear();
  c.ComboVideoBitrate.Clear();
  c.ComboVideoFramerate.Clear();
  Fill(c.ComboAudioBitrate, kAudio13, audioRate);
  Fill(c.ComboSamplingRate, rates, sampleRate);
  ResetBoth(c);
}

void Mobile(TProfileChoices &c) {  // 3GP, 3G2
  Fill(c.ComboVideoCodec, {"MPEG4", "H263", "H264"});
  Fill(c.ComboAudioCodec, {"amr_nb", "mpeg4aac"});
  Fill(c.ComboVideoSize, kMobileSizes7, "176 x 144 (QCIF)");
  Fill(c.ComboVideoBitrate, {"48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"},
       "128 Kbps");
  Fill(c.ComboVideoFramerate, {"Auto", "11 fps", "14.985 fps", "15 fps"}, "Auto");
  Fill(c.ComboAudioBitrate, kAmr8, "7400 bps");
  Fill(c.ComboSamplingRate, {"8000  bps", "16000 bps"}, "8000  bps");
  c.ComboAudioChannels.SelectText("Mono");
}

void Apple(TProfileChoices &c, TItems videoCodecs, std::string_view size, std::string_view videoRate,
           std::string_view audioRate) {
  Fill(c.ComboVideoCodec, std::move(videoCodecs));
  Fill(c.ComboAudioCodec, {"mpeg4aac"});
  Fill(c.ComboVideoSize, {std::string(size)});
  Fill(c.ComboVideoBitrate, kApple5, videoRate);
  Fill(c.ComboVideoFramerate, kFps7, "Auto");
  Fill(c.ComboAudioBitrate, kAudio13, audioRate);
  Fill(c.ComboSamplingRate, kRate8, "44100 Hz");
}

void Avi(TProfileChoices &c, TItems videoCodecs, TItems audioCodecs) {  // 22, 23, 24, 73
  Fill(c.ComboVideoCodec, std::move(videoCodecs));
  Fill(c.ComboAudioCodec, std::move(audioCodecs));
  Fill(c.ComboVideoSize, kSize23, "Original Video Size");
  Fill(c.ComboVideoBitrate, kAvi13, "1200 Kbps");
  Fill(c.ComboVideoFramerate, kFps7, "Auto");
  Fill(c.ComboAudioBitrate, kAudio13, "128 Kbps");
  Fill(c.ComboSamplingRate, kRate8, "48000 Hz");
  ResetBoth(c);
}

void Mp4(TProfileChoices &c, TItems videoCodecs) {  // 26, 27, 71
  Fill(c.ComboVideoCodec, std::move(videoCodecs));
  Fill(c.ComboAudioCodec, {"mpeg4aac"});
  Fill(c.ComboVideoSize, kSize23, "Original Video Size");
  Fill(c.ComboVideoBitrate, kVideo13, "1200 Kbps");
  Fill(c.ComboVideoFramerate, kFps7, "Auto");
  Fill(c.ComboAudioBitrate, kAudio13, "128 Kbps");
  Fill(c.ComboSamplingRate, kRate8, "44100 Hz");
  ResetBoth(c);
}

void Mpeg(TProfileChoices &c, std::string_view videoCodec, TItems audioCodecs,
          std::string_view videoRate) {  // 28, 29, 74
  Fill(c.ComboVideoCodec, {std::string(videoCodec)});
  Fill(c.ComboAudioCodec, std::move(audioCodecs));
  Fill(c.ComboVideoSize, kSize23, "320 x 240 (VGA)");
  Fill(c.ComboVideoBitrate, kVideo13, videoRate);
  Fill(c.ComboVideoFramerate, kFps7, "25.0 fps");
  Fill(c.ComboAudioBitrate, kAudio13, "192 Kbps");
  Fill(c.ComboSamplingRate, kRate8, "44100 Hz");
  ResetBoth(c);
}

void Wmv(TProfileChoices &c) {  // 31, 72
  Fill(c.ComboVideoCodec, {"WMV2"});
  Fill(c.ComboAudioCodec, {"wmav2"});
  Fill(c.ComboVideoSize, kSize23, "320 x 240 (VGA)");
  Fill(c.ComboVideoBitrate, kVideo13, "1200 Kbps");
  Fill(c.ComboVideoFramerate, kFps7, "Auto");
  Fill(c.ComboAudioBitrate, kAudio13, "128 Kbps");
  Fill(c.ComboSamplingRate, kRate8, "48000 Hz");
  ResetBoth(c);
}

void Flash(TProfileChoices &c, TItems videoRates, std::string_view videoRate) {  // 32, 33
  Fill(c.ComboVideoCodec, {"FLV"});
  Fill(c.ComboAudioCodec, {"mp3"});
  Fill(c.ComboVideoSize, kFlashSizes10, "Original Video Size");
  Fill(c.ComboVideoBitrate, std::move(videoRates), videoRate);
  Fill(c.ComboVideoFramerate, kFlashFps12, "15.0 fps");
  Fill(c.ComboAudioBitrate, kAudio13, "96 Kbps");
  Fill(c.ComboSamplingRate, {"11025 Hz", "22050 Hz", "44100 Hz"}, "44100 Hz");
}

void Disc(TProfileChoices &c, std::string_view videoCodec, std::string_view size,
          std::string_view videoRate) {  // 34, 35
  Fill(c.ComboVideoCodec, {std::string(videoCodec)});
  Fill(c.ComboAudioCodec, {"mp2"});
  Fill(c.ComboVideoSize, kDiscSizes8, size);
  Fill(c.ComboVideoBitrate, {std::string(videoRate)});
  Fill(c.ComboVideoFramerate, kDiscFps7, "29.97 fps [NTSC]");
  Fill(c.ComboAudioBitrate, kAudio13, "224 Kbps");
  Fill(c.ComboSamplingRate, {"44100 Hz"});
}

void Zune(TProfileChoices &c, TItems videoCodecs, std::string_view audioCodec,
          std::string_view videoRate) {  // 49, 50
  Fill(c.ComboVideoCodec, std::move(videoCodecs));
  Fill(c.ComboAudioCodec, {std::string(audioCodec)});
  Fill(c.ComboVideoSize, kZuneSizes2, "320 x 240 ");
  Fill(c.ComboVideoBitrate, kZuneVideo6, videoRate);
  Fill(c.ComboAudioBitrate, kAudio13, "128 Kbps");
}

void Player(TProfileChoices &c, std::string_view size, std::string_view videoRate) {  // 63-66
  Fill(c.ComboVideoCodec, {"MPEG4"});
  Fill(c.ComboAudioCodec, {"mp3", "mp2"});
  Fill(c.ComboVideoSize, kPlayerSizes6, size);
  Fill(c.ComboVideoBitrate, kPlayerVideo5, videoRate);
  Fill(c.ComboVideoFramerate, kFps7, "Auto");
  Fill(c.ComboAudioBitrate, kAudio13, "128 Kbps");
  Fill(c.ComboSamplingRate, kRate8, "48000 Hz");
}

// Runs the option set of one catalog row; false for rows without one.
bool RunOptionSet(int id, TProfileChoices &c) {
  switch (id) {
    case 0:   // 3GP
    case 1:   // 3G2
      Mobile(c);
      return true;
    case 3:   // iPod
      Apple(c, {"MPEG4", "H264"}, "320 x 240", "512 Kbps", "64 Kbps");
      return true;
    case 10:  // Apple TV
      Apple(c, {"MPEG4"}, "640 x 480", "1500 Kbps", "128 Kbps");
      ResetBoth(c);
      return true;
    case 13:  // iPod Touch
      Apple(c, {"MPEG4"}, "480 x 320", "1200 Kbps", "80 Kbps");
      return true;
    case 18:  // iPhone
      Apple(c, {"MPEG4"}, "480 x 320", "1200 Kbps", "80 Kbps");
      ResetBoth(c);
      return true;
    case 22:  // AVI
    case 73:  // Xbox360 AVI
      Avi(c, {"MPEG4", "H264"}, {"pcm_s16le", "mp3", "mp2", "ac3"});
      return true;
    case 23:  // AVI DivX
      Avi(c, {"MPEG4"}, {"mp3"});
      return true;
    case 24:  // AVI XviD
      Avi(c, {"XVID"}, {"mp3"});
      return true;
    case 26:  // MOV
      Mp4(c, {"MPEG4"});
      return true;
    case 27:  // MP4
    case 71:  // Xbox360 MPEG4
      Mp4(c, {"MPEG4", "H264", "XVid"});
      return true;
    case 28:  // MPEG-1
      Mpeg(c, "MPEG1VIDEO", {"mp2"}, "1600 Kbps");
      return true;
    case 29:  // MPEG-2
    case 74:  // Xbox360 MPEG2
      Mpeg(c, "MPEG2VIDEO", {"mp2", "ac3"}, "2000 Kbps");
      return true;
    case 30:  // RM
      Fill(c.ComboVideoCodec, {"RV10", "RV20"});
      Fill(c.ComboAudioCodec, {"ac3"});
      Fill(c.ComboVideoSize, kSize23, "320 x 240 (VGA)");
      Fill(c.ComboVideoBitrate,
           {"384  Kbps", "400  Kbps", "600  Kbps", "1200 Kbps", "1800 Kbps", "2200 Kbps",
            "2600 Kbps", "3000 Kbps"},
           "384  Kbps");
      Fill(c.ComboVideoFramerate, kFps7, "Auto");
      Fill(c.ComboAudioBitrate, kAudio13, "128 Kbps");
      Fill(c.ComboSamplingRate, kRate8W, "48000 Hz");
      ResetBoth(c);
      return true;
    case 31:  // WMV
    case 72:  // Xbox360 WMV
      Wmv(c);
      return true;
    case 32:  // SWF
      Flash(c, {"800 Kbps", "400 Kbps", "200 Kbps", "128 Kbps", "100 Kbps"}, "200 Kbps");
      ResetBoth(c);
      return true;
    case 33:  // FLV
      Flash(c, {"1200 Kbps", "512 Kbps", "368 Kbps", "200 Kbps", "120 Kbps"}, "368 Kbps");
      return true;
    case 34:  // Video CD
      Disc(c, "MPEG1VIDEO", "352 x 240", "1150 Kbps");
      return true;
    case 35:  // Super Video CD
      Disc(c, "MPEG2VIDEO", "480 x 480", "2040 Kbps");
      return true;
    case 37:  // AAC
      AudioOnly(c, "aac", "128 Kbps", kRate8, "48000 Hz");
      return true;
    case 38:  // ASF
      Fill(c.ComboVideoCodec, {"MSMPEG4"});
      Fill(c.ComboAudioCodec, {"mp3"});
      Fill(c.ComboVideoSize, kSize23, "Original Video Size");
      Fill(c.ComboVideoBitrate,
           {"512 Kbps", "768 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"},
           "1200 Kbps");
      Fill(c.ComboVideoFramerate, kFps7, "Auto");
      Fill(c.ComboAudioBitrate, kAudio13, "128 Kbps");
      Fill(c.ComboSamplingRate, kRate8, "48000 Hz");
      ResetBoth(c);
      return true;
    case 40:  // M4A
      AudioOnly(c, "mpeg4aac", "128 Kbps", kRate8, "48000 Hz");
      return true;
    case 41:  // MP3
      AudioOnly(c, "mp3", "192 Kbps", kRate8, "48000 Hz");
      return true;
    case 42:  // OGG
      AudioOnly(c, "vorbis", "160 Kbps", kRate8, "48000 Hz");
      return true;
    case 43:  // RA
      AudioOnly(c, "ac3", "128 Kbps", kRate8W, "48000 Hz");
      return true;
    case 44:  // WAV
      AudioOnly(c, "pcm_s16le", "128 Kbps", kRate8W, "44100 Hz");
      return true;
    case 45:  // WMA
      AudioOnly(c, "wmav2", "128 Kbps", kRate8W, "48000 Hz");
      return true;
    case 46:  // MP2
      AudioOnly(c, "mp2", "224 Kbps", kRate8, "48000 Hz");
      return true;
    case 49:  // Zune MPEG-4
      Zune(c, {"MPEG4", "H264"}, "mpeg4aac", "1500 Kbps");
      Fill(c.ComboVideoFramerate, {"29.97 fps"});
      Fill(c.ComboSamplingRate, kRate8W, "44100 Hz");
      ResetBoth(c);
      return true;
    case 50:  // Zune WMV
      Zune(c, {"WMV2"}, "wmav2", "1200 Kbps");
      Fill(c.ComboVideoFramerate, kFps7, "Auto");
      Fill(c.ComboSamplingRate, kRate8W, "48000 Hz");
      ResetBoth(c);
      return true;
    case 53:  // PSP
      Fill(c.ComboVideoCodec, {"MPEG4", "H264", "XVID"});
      Fill(c.ComboAudioCodec, {"mpeg4aac"});
      Fill(c.ComboVideoSize, {"160 x 112", "320 x 240", "368 x 208", "480 x 272"}, "368 x 208");
      Fill(c.ComboVideoBitrate, {"128 Kbps", "216 Kbps", "384 Kbps", "512 Kbps", "768 Kbps"},
           "768 Kbps");
      Fill(c.ComboVideoFramerate, {"14.985 fps", "29.97 fps"}, "29.97 fps");
      Fill(c.ComboAudioBitrate,
           {"32 Kbps", "48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "160 Kbps"}, "64 Kbps");
      Fill(c.ComboSamplingRate, {"24000 Hz"});
      ResetBoth(c);
      return true;
    case 58:  // PS3
      Fill(c.ComboVideoCodec, {"H264"});
      Fill(c.ComboAudioCodec, {"mpeg4aac"});
      Fill(c.ComboVideoSize, {"640 x 480", "720 x 480", "720 x 576"}, "720 x 480");
      Fill(c.ComboVideoBitrate, {"1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"},
           "1200 Kbps");
      Fill(c.ComboVideoFramerate, {"29.97 fps"});
      Fill(c.ComboAudioBitrate, kAudio13, "96 Kbps");
      Fill(c.ComboSamplingRate, kRate8W, "44100 Hz");
      ResetBoth(c);
      return true;
    case 63:  // Archos AV500/GMini402
      Player(c, "480 x 272", "1500 Kbps");
      return true;
    case 64:  // Archos AV700
      Player(c, "720 x 480", "2000 Kbps");
      return true;
    case 65:  // Creative Zen Vision
    case 66:  // iRiver PMP100
      Player(c, "640 x 480", "1500 Kbps");
      return true;
    case 67:  // BlackBerry MPEG-4
      Fill(c.ComboVideoCodec, {"MPEG4"});
      Fill(c.ComboAudioCodec, {"mpeg4aac"});
      Fill(c.ComboVideoSize, kBlackBerrySizes3, "320 x 240");
      Fill(c.ComboVideoBitrate,
           {"80 Kbps", "128 Kbps", "200 Kbps", "256 Kbps", "300 Kbps", "512 Kbps"}, "300 Kbps");
      Fill(c.ComboVideoFramerate, kBlackBerryFps5, "24 fps");
      Fill(c.ComboAudioBitrate,
           {"40 Kbps", "48 Kbps", "64 Kbps", "80 Kbps", "96 Kbps", "112 Kbps"}, "80 Kbps");
      Fill(c.ComboSamplingRate, kRate8, "44100 Hz");
      return true;
    case 68:  // BlackBerry AVI
      Fill(c.ComboVideoCodec, {"H263"});
      Fill(c.ComboAudioCodec, {"mp3", "pcm_s16le"});
      Fill(c.ComboVideoSize, {"176 x 144"});
      Fill(c.ComboVideoBitrate,
           {"80 Kbps", "120 Kbps", "200 Kbps", "256 Kbps", "300 Kbps", "512 Kbps"}, "300 Kbps");
      Fill(c.ComboVideoFramerate, kBlackBerryFps5, "24 fps");
      Fill(c.ComboAudioBitrate, kAudio13, "64 Kbps");
      Fill(c.ComboSamplingRate, kRate8, "44100 Hz");
      return true;
    case 69:  // BlackBerry 3GP
      Fill(c.ComboVideoCodec, {"MPEG4", "H263"});
      Fill(c.ComboAudioCodec, {"amr_nb", "mpeg4aac"});
      Fill(c.ComboVideoSize, kBlackBerrySizes3, "176 x 144");
      Fill(c.ComboVideoBitrate,
           {"40 Kbps", "80 Kbps", "120 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"}, "128 Kbps");
      Fill(c.ComboVideoFramerate, {"Auto", "11 fps", "15 fps", "20 fps", "24 fps", "25 fps"},
           "15 fps");
      Fill(c.ComboAudioBitrate, kAmr8, "4750 bps");
      Fill(c.ComboSamplingRate, {"8000  Hz", "16000 Hz"}, "8000  Hz");
      return true;
    default:
      return false;
  }
}

}  // namespace

bool HasOptionSet(int profileId) {
  TProfileChoices scratch;
  return RunOptionSet(profileId, scratch);
}

bool FillProfileOptions(std::string_view formatLabel, TProfileChoices &choices,
                        std::string &outputType) {
  bool found = false;
  for (const TheAVCodec &row : AVCodecTable) {
    if (row.Title != formatLabel) continue;
    found = true;
    outputType = std::string(row.FormatName);
    RunOptionSet(row.ProfileId, choices);
  }
  return found;
}
