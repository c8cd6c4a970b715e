#include "option_language.h"

#include "binding.h"
#include "engine_log.h"

void OptionLanguage::setVerbosity(int level) {
  options_.verbose = level;
  if (!librariesLoaded()) return;
  libavutil.av_log_set_level(engineToLibraryLevel(verbosityLevel(level)));
  engineLogLevelChanged(libavutil.av_log_get_level());
}
