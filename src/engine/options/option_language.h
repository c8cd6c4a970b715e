// The option language of a task: the option text ("name=value" lines),
// the libraries' own options for names the table does not know, the target
// presets and the two option records, all over the task's option state.
// The parser and its table are in option_table.cpp, the generic fall-back in
// generic_options.cpp, the presets in option_presets.cpp, the records in
// records.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "option_setters.h"
#include "options.h"

class OptionLanguage : public OptionSetters {
 public:
  OptionLanguage(OptionState &options, OptionHost &host) : OptionSetters(options, host) {}

  OptionState &state() { return options_; }
  OptionHost &host() { return host_; }

  // ---- the option text ----
  void applyOptionText(const std::string &text);
  void parseOption(const std::string &name, const std::string &value);
  bool setGenericOption(const std::string &name, const std::string &value);
  bool setGenericOptionInt(const std::string &name, int64_t value);
  // "b", "vb", "ab": the generic option, then the too-low warning.
  void setBitRateOption(const std::string &name, const std::string &value);
  // "v": the task's verbosity and the library log level.
  void setVerbosity(int level);

  // Target presets: type "vcd", "svcd", "dvd", "dv", "dv50"; norm "pal",
  // "ntsc", "film" or anything else for a guess; defaultNorm decides when
  // the guess cannot.
  void applyTarget(const std::string &type, const std::string &norm, const std::string &defaultNorm);
  // Norm resolution of the presets: 0 PAL, 1 NTSC, 2 film.
  int resolveNorm(const std::string &norm, const std::string &defaultNorm);

  // ---- records ----
  void applyInputOptions(InputOptions &record, const std::string &fileName);
  void applyOutputOptions(OutputOptions &record, const std::string &fileName);
  InputOptions inputRecord;
  OutputOptions outputRecord;
};
