#include "option_sets.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "catalog.h"

namespace {

using Items = std::vector<std::string>;

// Shared item lists.
const Items kAudio13 = {"32 Kbps",  "40 Kbps",  "48 Kbps",  "64 Kbps",  "80 Kbps",
                         "96 Kbps",  "112 Kbps", "128 Kbps", "160 Kbps", "192 Kbps",
                         "224 Kbps", "256 Kbps", "320 Kbps"};
const Items kRate8 = {"8000 Hz",  "16000 Hz", "22050 Hz", "32000 Hz",
                       "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
const Items kRate8W = {"8000  Hz", "16000 Hz", "22050 Hz", "32000 Hz",
                        "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
const Items kFps7 = {"Auto",     "14.985 fps", "15.0 fps", "23.975 fps",
                      "25.0 fps", "29.97 fps",  "30.0 fps"};
const Items kSize23 = {"Original Video Size", "128 x 96 (SQCIF)", "160 x 120 (QVGA)",
                        "176 x 120",           "176 x 144 (QCIF)", "192 x 144",
                        "208 x 176",           "220 x 176",        "240 x 180",
                        "320 x 200",           "320 x 240 (VGA)",  "352 x 240",
                        "352 x 288 (CIF)",     "480 x 272",        "480 x 360",
                        "480 x 480",           "480 x 576",        "624 x 352",
                        "640 x 352",           "640 x 480",        "704 x 576 (4CIF)",
                        "720 x 480",           "720 x 576"};
const Items kVideo13 = {"192 Kbps",  "200 Kbps",  "216 Kbps",  "384 Kbps",  "512 Kbps",
                         "640 Kbps",  "768 Kbps",  "1000 Kbps", "1200 Kbps", "1500 Kbps",
                         "1600 Kbps", "2000 Kbps", "2500 Kbps"};
const Items kAvi13 = {"192 Kbps", "200 Kbps",  "216 Kbps",  "256 Kbps",  "384 Kbps",
                       "512 Kbps", "640 Kbps",  "768 Kbps",  "800 Kbps",  "1000 Kbps",
                       "1200 Kbps", "1500 Kbps", "2500 Kbps"};
const Items kApple5 = {"512 Kbps", "800 Kbps", "1200 Kbps", "1500 Kbps", "2500 Kbps"};
const Items kAmr8 = {"4750 bps", "5150 bps", "5900 bps",  "6700 bps",
                      "7400 bps", "7950 bps", "10200 bps", "12200 bps"};
const Items kDiscSizes8 = {"128 x 96 (SQCIF)", "176 x 144 (QCIF)", "352 x 240",
                            "352 x 288 (CIF)",  "480 x 272",        "480 x 480",
                            "640 x 480",        "704 x 576 (4CIF)"};
const Items kDiscFps7 = {"23.976 fps [NTSC]", "24 fps",   "25 fps [PAL]", "29.97 fps [NTSC]",
                          "30.0 fps",          "50 fps",   "59.94 fps"};
const Items kFlashSizes10 = {"Original Video Size", "128 x 96 (SQCIF)", "160 x 120 (QVGA)",
                              "176 x 144 (QCIF)",    "320 x 240 (VGA)",  "352 x 240",
                              "352 x 288 (CIF)",     "480 x 272",        "640 x 480",
                              "704 x 576 (4CIF)"};
const Items kFlashFps12 = {"Auto",     "8 fps",      "10 fps",   "12 fps",
                            "14.985 fps", "15.0 fps", "20 fps",   "23.975 fps",
                            "25.0 fps", "29.97 fps",  "30.0 fps", "60 fps"};
const Items kPlayerSizes6 = {"Auto", "160 x 120", "320 x 240", "480 x 272", "720 x 480", "640 x 480"};
const Items kPlayerVideo5 = {"800 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps"};
const Items kZuneSizes2 = {"320 x 240 ", "640 x 480"};
const Items kZuneVideo6 = {"256 Kbps", "512 Kbps", "768 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps"};
const Items kMobileSizes7 = {"128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 144 (QCIF)",
                              "208 x 176",        "220 x 176",        "320 x 240 (VGA)",
                              "352 x 288 (CIF)"};
const Items kBlackBerrySizes3 = {"176 x 144", "240 x 180", "320 x 240"};
const Items kBlackBerryFps5 = {"11 fps", "15 fps", "20 fps", "24 fps", "25 fps"};

// Replaces the items and selects `def` (the first item when `def` is empty).
// A default that is not among the items is a fault of the tables above.
void fill(ChoiceList &combo, Items items, std::string_view def = {}) {
  combo.assign(std::move(items), def.empty() ? 0 : -1);
  if (!def.empty() && !combo.selectText(def))
    throw std::logic_error("option set default missing from its list: " + std::string(def));
}

void resetChannels(ProfileChoices &c) { c.comboAudioChannels.itemIndex = c.comboAudioChannels.items.empty() ? -1 : 0; }
void resetAspect(ProfileChoices &c) { c.comboAspectRatio.itemIndex = c.comboAspectRatio.items.empty() ? -1 : 0; }
void resetBoth(ProfileChoices &c) {
  resetChannels(c);
  resetAspect(c);
}

// Audio-only formats: no video choices at all.
void audioOnly(ProfileChoices &c, std::string_view audioCodec, std::string_view audioRate,
               const Items &rates, std::string_view sampleRate) {
  c.comboVideoCodec.clear();
  fill(c.comboAudioCodec, {std::string(audioCodec)});
  c.comboVideoSize.clear();
  c.comboVideoBitrate.clear();
  c.comboVideoFramerate.clear();
  fill(c.comboAudioBitrate, kAudio13, audioRate);
  fill(c.comboSamplingRate, rates, sampleRate);
  resetBoth(c);
}

void mobile(ProfileChoices &c) {  // 3GP, 3G2
  fill(c.comboVideoCodec, {"MPEG4", "H263", "H264"});
  fill(c.comboAudioCodec, {"amr_nb", "mpeg4aac"});
  fill(c.comboVideoSize, kMobileSizes7, "176 x 144 (QCIF)");
  fill(c.comboVideoBitrate, {"48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"},
       "128 Kbps");
  fill(c.comboVideoFramerate, {"Auto", "11 fps", "14.985 fps", "15 fps"}, "Auto");
  fill(c.comboAudioBitrate, kAmr8, "7400 bps");
  fill(c.comboSamplingRate, {"8000  bps", "16000 bps"}, "8000  bps");
  c.comboAudioChannels.selectText("Mono");
}

void apple(ProfileChoices &c, Items videoCodecs, std::string_view size, std::string_view videoRate,
           std::string_view audioRate) {
  fill(c.comboVideoCodec, std::move(videoCodecs));
  fill(c.comboAudioCodec, {"mpeg4aac"});
  fill(c.comboVideoSize, {std::string(size)});
  fill(c.comboVideoBitrate, kApple5, videoRate);
  fill(c.comboVideoFramerate, kFps7, "Auto");
  fill(c.comboAudioBitrate, kAudio13, audioRate);
  fill(c.comboSamplingRate, kRate8, "44100 Hz");
}

void avi(ProfileChoices &c, Items videoCodecs, Items audioCodecs) {  // 22, 23, 24, 73
  fill(c.comboVideoCodec, std::move(videoCodecs));
  fill(c.comboAudioCodec, std::move(audioCodecs));
  fill(c.comboVideoSize, kSize23, "Original Video Size");
  fill(c.comboVideoBitrate, kAvi13, "1200 Kbps");
  fill(c.comboVideoFramerate, kFps7, "Auto");
  fill(c.comboAudioBitrate, kAudio13, "128 Kbps");
  fill(c.comboSamplingRate, kRate8, "48000 Hz");
  resetBoth(c);
}

void mp4(ProfileChoices &c, Items videoCodecs) {  // 26, 27, 71
  fill(c.comboVideoCodec, std::move(videoCodecs));
  fill(c.comboAudioCodec, {"mpeg4aac"});
  fill(c.comboVideoSize, kSize23, "Original Video Size");
  fill(c.comboVideoBitrate, kVideo13, "1200 Kbps");
  fill(c.comboVideoFramerate, kFps7, "Auto");
  fill(c.comboAudioBitrate, kAudio13, "128 Kbps");
  fill(c.comboSamplingRate, kRate8, "44100 Hz");
  resetBoth(c);
}

void mpeg(ProfileChoices &c, std::string_view videoCodec, Items audioCodecs,
          std::string_view videoRate) {  // 28, 29, 74
  fill(c.comboVideoCodec, {std::string(videoCodec)});
  fill(c.comboAudioCodec, std::move(audioCodecs));
  fill(c.comboVideoSize, kSize23, "320 x 240 (VGA)");
  fill(c.comboVideoBitrate, kVideo13, videoRate);
  fill(c.comboVideoFramerate, kFps7, "25.0 fps");
  fill(c.comboAudioBitrate, kAudio13, "192 Kbps");
  fill(c.comboSamplingRate, kRate8, "44100 Hz");
  resetBoth(c);
}

void wmv(ProfileChoices &c) {  // 31, 72
  fill(c.comboVideoCodec, {"WMV2"});
  fill(c.comboAudioCodec, {"wmav2"});
  fill(c.comboVideoSize, kSize23, "320 x 240 (VGA)");
  fill(c.comboVideoBitrate, kVideo13, "1200 Kbps");
  fill(c.comboVideoFramerate, kFps7, "Auto");
  fill(c.comboAudioBitrate, kAudio13, "128 Kbps");
  fill(c.comboSamplingRate, kRate8, "48000 Hz");
  resetBoth(c);
}

void flash(ProfileChoices &c, Items videoRates, std::string_view videoRate) {  // 32, 33
  fill(c.comboVideoCodec, {"FLV"});
  fill(c.comboAudioCodec, {"mp3"});
  fill(c.comboVideoSize, kFlashSizes10, "Original Video Size");
  fill(c.comboVideoBitrate, std::move(videoRates), videoRate);
  fill(c.comboVideoFramerate, kFlashFps12, "15.0 fps");
  fill(c.comboAudioBitrate, kAudio13, "96 Kbps");
  fill(c.comboSamplingRate, {"11025 Hz", "22050 Hz", "44100 Hz"}, "44100 Hz");
}

void disc(ProfileChoices &c, std::string_view videoCodec, std::string_view size,
          std::string_view videoRate) {  // 34, 35
  fill(c.comboVideoCodec, {std::string(videoCodec)});
  fill(c.comboAudioCodec, {"mp2"});
  fill(c.comboVideoSize, kDiscSizes8, size);
  fill(c.comboVideoBitrate, {std::string(videoRate)});
  fill(c.comboVideoFramerate, kDiscFps7, "29.97 fps [NTSC]");
  fill(c.comboAudioBitrate, kAudio13, "224 Kbps");
  fill(c.comboSamplingRate, {"44100 Hz"});
}

void zune(ProfileChoices &c, Items videoCodecs, std::string_view audioCodec,
          std::string_view videoRate) {  // 49, 50
  fill(c.comboVideoCodec, std::move(videoCodecs));
  fill(c.comboAudioCodec, {std::string(audioCodec)});
  fill(c.comboVideoSize, kZuneSizes2, "320 x 240 ");
  fill(c.comboVideoBitrate, kZuneVideo6, videoRate);
  fill(c.comboAudioBitrate, kAudio13, "128 Kbps");
}

void player(ProfileChoices &c, std::string_view size, std::string_view videoRate) {  // 63-66
  fill(c.comboVideoCodec, {"MPEG4"});
  fill(c.comboAudioCodec, {"mp3", "mp2"});
  fill(c.comboVideoSize, kPlayerSizes6, size);
  fill(c.comboVideoBitrate, kPlayerVideo5, videoRate);
  fill(c.comboVideoFramerate, kFps7, "Auto");
  fill(c.comboAudioBitrate, kAudio13, "128 Kbps");
  fill(c.comboSamplingRate, kRate8, "48000 Hz");
}

// Runs the option set of one catalog row; false for rows without one.
bool runOptionSet(int id, ProfileChoices &c) {
  switch (id) {
    case 0:   // 3GP
    case 1:   // 3G2
      mobile(c);
      return true;
    case 3:   // iPod
      apple(c, {"MPEG4", "H264"}, "320 x 240", "512 Kbps", "64 Kbps");
      return true;
    case 10:  // Apple TV
      apple(c, {"MPEG4"}, "640 x 480", "1500 Kbps", "128 Kbps");
      resetBoth(c);
      return true;
    case 13:  // iPod Touch
      apple(c, {"MPEG4"}, "480 x 320", "1200 Kbps", "80 Kbps");
      return true;
    case 18:  // iPhone
      apple(c, {"MPEG4"}, "480 x 320", "1200 Kbps", "80 Kbps");
      resetBoth(c);
      return true;
    case 22:  // AVI
    case 73:  // Xbox360 AVI
      avi(c, {"MPEG4", "H264"}, {"pcm_s16le", "mp3", "mp2", "ac3"});
      return true;
    case 23:  // AVI DivX
      avi(c, {"MPEG4"}, {"mp3"});
      return true;
    case 24:  // AVI XviD
      avi(c, {"XVID"}, {"mp3"});
      return true;
    case 26:  // MOV
      mp4(c, {"MPEG4"});
      return true;
    case 27:  // MP4
    case 71:  // Xbox360 MPEG4
      mp4(c, {"MPEG4", "H264", "XVid"});
      return true;
    case 28:  // MPEG-1
      mpeg(c, "MPEG1VIDEO", {"mp2"}, "1600 Kbps");
      return true;
    case 29:  // MPEG-2
    case 74:  // Xbox360 MPEG2
      mpeg(c, "MPEG2VIDEO", {"mp2", "ac3"}, "2000 Kbps");
      return true;
    case 30:  // RM
      fill(c.comboVideoCodec, {"RV10", "RV20"});
      fill(c.comboAudioCodec, {"ac3"});
      fill(c.comboVideoSize, kSize23, "320 x 240 (VGA)");
      fill(c.comboVideoBitrate,
           {"384  Kbps", "400  Kbps", "600  Kbps", "1200 Kbps", "1800 Kbps", "2200 Kbps",
            "2600 Kbps", "3000 Kbps"},
           "384  Kbps");
      fill(c.comboVideoFramerate, kFps7, "Auto");
      fill(c.comboAudioBitrate, kAudio13, "128 Kbps");
      fill(c.comboSamplingRate, kRate8W, "48000 Hz");
      resetBoth(c);
      return true;
    case 31:  // WMV
    case 72:  // Xbox360 WMV
      wmv(c);
      return true;
    case 32:  // SWF
      flash(c, {"800 Kbps", "400 Kbps", "200 Kbps", "128 Kbps", "100 Kbps"}, "200 Kbps");
      resetBoth(c);
      return true;
    case 33:  // FLV
      flash(c, {"1200 Kbps", "512 Kbps", "368 Kbps", "200 Kbps", "120 Kbps"}, "368 Kbps");
      return true;
    case 34:  // Video CD
      disc(c, "MPEG1VIDEO", "352 x 240", "1150 Kbps");
      return true;
    case 35:  // Super Video CD
      disc(c, "MPEG2VIDEO", "480 x 480", "2040 Kbps");
      return true;
    case 37:  // AAC
      audioOnly(c, "aac", "128 Kbps", kRate8, "48000 Hz");
      return true;
    case 38:  // ASF
      fill(c.comboVideoCodec, {"MSMPEG4"});
      fill(c.comboAudioCodec, {"mp3"});
      fill(c.comboVideoSize, kSize23, "Original Video Size");
      fill(c.comboVideoBitrate,
           {"512 Kbps", "768 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"},
           "1200 Kbps");
      fill(c.comboVideoFramerate, kFps7, "Auto");
      fill(c.comboAudioBitrate, kAudio13, "128 Kbps");
      fill(c.comboSamplingRate, kRate8, "48000 Hz");
      resetBoth(c);
      return true;
    case 40:  // M4A
      audioOnly(c, "mpeg4aac", "128 Kbps", kRate8, "48000 Hz");
      return true;
    case 41:  // MP3
      audioOnly(c, "mp3", "192 Kbps", kRate8, "48000 Hz");
      return true;
    case 42:  // OGG
      audioOnly(c, "vorbis", "160 Kbps", kRate8, "48000 Hz");
      return true;
    case 43:  // RA
      audioOnly(c, "ac3", "128 Kbps", kRate8W, "48000 Hz");
      return true;
    case 44:  // WAV
      audioOnly(c, "pcm_s16le", "128 Kbps", kRate8W, "44100 Hz");
      return true;
    case 45:  // WMA
      audioOnly(c, "wmav2", "128 Kbps", kRate8W, "48000 Hz");
      return true;
    case 46:  // MP2
      audioOnly(c, "mp2", "224 Kbps", kRate8, "48000 Hz");
      return true;
    case 49:  // Zune MPEG-4
      zune(c, {"MPEG4", "H264"}, "mpeg4aac", "1500 Kbps");
      fill(c.comboVideoFramerate, {"29.97 fps"});
      fill(c.comboSamplingRate, kRate8W, "44100 Hz");
      resetBoth(c);
      return true;
    case 50:  // Zune WMV
      zune(c, {"WMV2"}, "wmav2", "1200 Kbps");
      fill(c.comboVideoFramerate, kFps7, "Auto");
      fill(c.comboSamplingRate, kRate8W, "48000 Hz");
      resetBoth(c);
      return true;
    case 53:  // PSP
      fill(c.comboVideoCodec, {"MPEG4", "H264", "XVID"});
      fill(c.comboAudioCodec, {"mpeg4aac"});
      fill(c.comboVideoSize, {"160 x 112", "320 x 240", "368 x 208", "480 x 272"}, "368 x 208");
      fill(c.comboVideoBitrate, {"128 Kbps", "216 Kbps", "384 Kbps", "512 Kbps", "768 Kbps"},
           "768 Kbps");
      fill(c.comboVideoFramerate, {"14.985 fps", "29.97 fps"}, "29.97 fps");
      fill(c.comboAudioBitrate,
           {"32 Kbps", "48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "160 Kbps"}, "64 Kbps");
      fill(c.comboSamplingRate, {"24000 Hz"});
      resetBoth(c);
      return true;
    case 58:  // PS3
      fill(c.comboVideoCodec, {"H264"});
      fill(c.comboAudioCodec, {"mpeg4aac"});
      fill(c.comboVideoSize, {"640 x 480", "720 x 480", "720 x 576"}, "720 x 480");
      fill(c.comboVideoBitrate, {"1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"},
           "1200 Kbps");
      fill(c.comboVideoFramerate, {"29.97 fps"});
      fill(c.comboAudioBitrate, kAudio13, "96 Kbps");
      fill(c.comboSamplingRate, kRate8W, "44100 Hz");
      resetBoth(c);
      return true;
    case 63:  // Archos AV500/GMini402
      player(c, "480 x 272", "1500 Kbps");
      return true;
    case 64:  // Archos AV700
      player(c, "720 x 480", "2000 Kbps");
      return true;
    case 65:  // Creative Zen Vision
    case 66:  // iRiver PMP100
      player(c, "640 x 480", "1500 Kbps");
      return true;
    case 67:  // BlackBerry MPEG-4
      fill(c.comboVideoCodec, {"MPEG4"});
      fill(c.comboAudioCodec, {"mpeg4aac"});
      fill(c.comboVideoSize, kBlackBerrySizes3, "320 x 240");
      fill(c.comboVideoBitrate,
           {"80 Kbps", "128 Kbps", "200 Kbps", "256 Kbps", "300 Kbps", "512 Kbps"}, "300 Kbps");
      fill(c.comboVideoFramerate, kBlackBerryFps5, "24 fps");
      fill(c.comboAudioBitrate,
           {"40 Kbps", "48 Kbps", "64 Kbps", "80 Kbps", "96 Kbps", "112 Kbps"}, "80 Kbps");
      fill(c.comboSamplingRate, kRate8, "44100 Hz");
      return true;
    case 68:  // BlackBerry AVI
      fill(c.comboVideoCodec, {"H263"});
      fill(c.comboAudioCodec, {"mp3", "pcm_s16le"});
      fill(c.comboVideoSize, {"176 x 144"});
      fill(c.comboVideoBitrate,
           {"80 Kbps", "120 Kbps", "200 Kbps", "256 Kbps", "300 Kbps", "512 Kbps"}, "300 Kbps");
      fill(c.comboVideoFramerate, kBlackBerryFps5, "24 fps");
      fill(c.comboAudioBitrate, kAudio13, "64 Kbps");
      fill(c.comboSamplingRate, kRate8, "44100 Hz");
      return true;
    case 69:  // BlackBerry 3GP
      fill(c.comboVideoCodec, {"MPEG4", "H263"});
      fill(c.comboAudioCodec, {"amr_nb", "mpeg4aac"});
      fill(c.comboVideoSize, kBlackBerrySizes3, "176 x 144");
      fill(c.comboVideoBitrate,
           {"40 Kbps", "80 Kbps", "120 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"}, "128 Kbps");
      fill(c.comboVideoFramerate, {"Auto", "11 fps", "15 fps", "20 fps", "24 fps", "25 fps"},
           "15 fps");
      fill(c.comboAudioBitrate, kAmr8, "4750 bps");
      fill(c.comboSamplingRate, {"8000  Hz", "16000 Hz"}, "8000  Hz");
      return true;
    default:
      return false;
  }
}

}  // namespace

bool hasOptionSet(int profileId) {
  ProfileChoices scratch;
  return runOptionSet(profileId, scratch);
}

bool fillProfileOptions(std::string_view formatLabel, ProfileChoices &choices,
                        std::string &outputType) {
  bool found = false;
  for (const OutputProfile &row : kProfileTable) {
    if (row.title != formatLabel) continue;
    found = true;
    outputType = std::string(row.formatName);
    runOptionSet(row.profileId, choices);
  }
  return found;
}
