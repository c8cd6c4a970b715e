// The typed setters of the option language: each does what the option of
// the same name does, with an already converted value, on the option state
// of one task. The option text, the records and the presets set options
// through them (option_language.h). Failures throw EngineError.
#pragma once

#include <cstdint>
#include <string>

#include "engine_types.h"
#include "option_host.h"
#include "option_state.h"

class OptionSetters {
 public:
  OptionSetters(OptionState &options, OptionHost &host) : options_(options), host_(host) {}
  void setFormat(const std::string &name);        // "f": input and output
  void setInputFormat(const std::string &name);   // input only
  void setOutputFormat(const std::string &name);  // output only
  void setFrameRate(const std::string &text);
  void setFrameSize(const std::string &text);
  void setAspect(const std::string &text);
  void setCropTop(int v);
  void setCropBottom(int v);
  void setCropLeft(int v);
  void setCropRight(int v);
  void setPadTop(int v);
  void setPadBottom(int v);
  void setPadLeft(int v);
  void setPadRight(int v);
  void setPadColor(uint32_t rgb);  // red in the low byte
  void setVideoCodec(const std::string &name);
  void setAudioCodec(const std::string &name);
  void setSubtitleCodec(const std::string &name);
  void setVideoTag(const std::string &tag);
  void setAudioTag(const std::string &tag);
  void setAudioSampleRate(int hz);
  void setAudioChannels(int channels);
  void setAudioVolume(int volume);
  void setVideoSyncMethod(int method);
  void setAudioSyncMethod(int method);
  void setMuxDelay(float seconds);
  void setMuxPreload(float seconds);
  void setTitle(const std::string &s);
  void setAuthor(const std::string &s);
  void setCopyright(const std::string &s);
  void setComment(const std::string &s);
  void setAlbum(const std::string &s);
  void setGenre(const std::string &s);
  void setYear(int year);
  void setTrack(int track);
  void setStartTimeUs(int64_t us);
  void setProgramId(int id);
  void setRecordingTimeMs(int64_t ms);
  void setTimestamp(int64_t secondsSince1970);
  void setAudioLanguage(const std::string &s);
  void setSubtitleLanguage(const std::string &s);
  void setCopyTs(bool on);
  void setVideoDisable();
  void setAudioDisable();
  void setSubtitleDisable();
  void setIntraMatrix(const std::string &text);  // 64 coefficients, "," between
  void setInterMatrix(const std::string &text);
  // "vhook": a module file name and its arguments, separated by "|" when
  // the text has one, else by blanks.
  void addVideoHookModule(const std::string &value);
  // "pix_fmt" with "list": the library's pixel formats to the log sink.
  void listPixelFormats();

 protected:
  void logF(LogLevel level, const char *format, ...) __attribute__((format(printf, 3, 4)));

  OptionState &options_;
  OptionHost &host_;
};
