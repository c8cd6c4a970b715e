// The option language: option text as the "extraOptions" of the input and
// output records carry it (one name=value pair a line), single name/value
// pairs through the task's parser, the typed fields of the records, and now
// and then all of it through the component with a real source and output,
// so the options meet the opening of the files.
//
// Failures the parser reports (EngineError) are answers; any other
// exception, and every sanitizer report, is a fault.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine_types.h"
#include "fuzz_support.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "option_values.h"
#include "transcode_task.h"

namespace {

// "vhook" loads the module its value names: the fuzzer must not load
// whatever library of the system it happens to spell.
bool loadsModules(const std::string &text) { return text.find("vhook") != std::string::npos; }

std::string pickName(FuzzedDataProvider &in) {
  static const std::vector<std::string> names = optionTableNames();
  if (in.ConsumeBool()) return names[in.ConsumeIntegralInRange<size_t>(0, names.size() - 1)];
  return in.ConsumeRandomLengthString(32);
}

void copyText(char *field, size_t size, const std::string &text) {
  const size_t n = std::min(size - 1, text.size());
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

void fillInput(FuzzedDataProvider &in, InputOptions &r) {
  if (in.ConsumeBool()) r.format = in.ConsumeRandomLengthString(16);
  if (in.ConsumeBool()) r.startTimeMs = in.ConsumeIntegral<int32_t>();
  if (in.ConsumeBool()) r.programid = in.ConsumeIntegral<int32_t>();
  r.extraOptions = in.ConsumeRandomLengthString(256);
}

void fillOutput(FuzzedDataProvider &in, OutputOptions &r) {
  // The fields in the order of the record; each one set or left alone.
  auto maybeInt = [&](int32_t &field) {
    if (in.ConsumeBool()) field = in.ConsumeIntegral<int32_t>();
  };
  auto maybeFloat = [&](float &field) {
    if (in.ConsumeBool()) field = in.ConsumeFloatingPoint<float>();
  };
  auto maybeText = [&](std::string &field, size_t max) {
    if (in.ConsumeBool()) field = in.ConsumeRandomLengthString(max);
  };
  maybeText(r.format, 16);
  maybeInt(r.packetsize);
  maybeInt(r.muxrate);
  maybeFloat(r.muxdelay);
  maybeFloat(r.muxpreload);
  maybeText(r.acodec, 16);
  r.an = in.ConsumeBool();
  maybeInt(r.vol);
  maybeInt(r.ac);
  maybeInt(r.ar);
  maybeInt(r.ab);
  maybeInt(r.abt);
  maybeText(r.alang, 8);
  maybeInt(r.async);
  maybeText(r.atag, 8);
  maybeText(r.vcodec, 16);
  r.vn = in.ConsumeBool();
  maybeText(r.frameRate, 16);
  maybeText(r.frameSize, 16);
  maybeText(r.aspect, 16);
  for (int32_t *f : {&r.croptop, &r.cropbottom, &r.cropleft, &r.cropright, &r.padtop, &r.padbottom, &r.padleft,
                     &r.padright})
    maybeInt(*f);
  if (in.ConsumeBool()) r.padcolor = in.ConsumeIntegral<uint32_t>();
  for (int32_t *f : {&r.gop, &r.vb, &r.maxrate, &r.minrate, &r.bt, &r.bufsize, &r.vsync}) maybeInt(*f);
  maybeText(r.vtag, 8);
  r.sn = in.ConsumeBool();
  maybeText(r.slang, 8);
  r.copyts = in.ConsumeBool();
  r.overwrite = true;  // the scratch output may be there from an earlier input
  maybeInt(r.recordingTimeMs);
  if (in.ConsumeBool()) r.timestamp = in.ConsumeFloatingPoint<double>();
  maybeInt(r.year);
  maybeInt(r.track);
  for (auto *f : {r.title, r.author, r.copyright, r.comment, r.album})
    if (in.ConsumeBool()) copyText(f, sizeof r.title, in.ConsumeRandomLengthString(600));
  if (in.ConsumeBool()) copyText(r.genre, sizeof r.genre, in.ConsumeRandomLengthString(40));
  maybeInt(r.target);
  maybeInt(r.targetNorm);
  maybeInt(r.targetDefaultNorm);
  maybeText(r.hookRanges, 32);
  r.extraOptions = in.ConsumeRandomLengthString(256);
}

// The source the component runs opens: a short generated clip.
const std::string &sourceClip() {
  static const std::string path = [] {
    MediaRecipe recipe = smallClipRecipe(0.4);
    recipe.path = fuzzScratchFolder() + "/source.mov";
    const std::string error = generateMedia(recipe);
    if (!error.empty()) {
      std::fprintf(stderr, "cannot write the source clip: %s\n", error.c_str());
      std::abort();
    }
    return recipe.path;
  }();
  return path;
}

void throughComponent(FuzzedDataProvider &in) {
  static const char *const kExtensions[] = {".mp4", ".mov", ".avi", ".mkv", ".flv", ".mpg", ".wmv",
                                            ".3gp", ".webm", ".mp3", ".ogg", ".wav", ".m4a", ".vob"};
  MediaEngine &engine = fuzzEngine();
  InputOptions input;
  OutputOptions output;
  fillInput(in, input);
  const std::string outputName =
      fuzzScratchFolder() + "/out" + kExtensions[in.ConsumeIntegralInRange<size_t>(0, std::size(kExtensions) - 1)];
  fillOutput(in, output);
  if (loadsModules(input.extraOptions) || loadsModules(output.extraOptions)) return;
  const int index = engine.addTask(sourceClip(), &input);
  if (index >= 0) engine.setOutput(index, outputName, &output);
  engine.clearTasks();
  removeScratchFiles("out");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzEngine().setLogLevel(LogLevel::Quiet);
  sourceClip();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int mode = in.ConsumeIntegralInRange<int>(0, 15);
  try {
    if (mode == 15) {
      throughComponent(in);
      return 0;
    }
    TranscodeTask task;
    task.prepare();
    task.sinks().log = [](TranscodeTask &, LogLevel, const std::string &text) {
      // The sink gets each line whole.
      if (text.size() > (1u << 20)) std::abort();
    };
    if (mode < 5) {
      const std::string text = in.ConsumeRemainingBytesAsString();
      if (loadsModules(text)) return 0;
      task.language().applyOptionText(text);
    } else if (mode < 9) {
      const std::string name = pickName(in);
      const std::string value = in.ConsumeRemainingBytesAsString();
      if (loadsModules(name)) return 0;
      task.language().parseOption(name, value);
    } else if (mode < 11) {
      InputOptions record;
      fillInput(in, record);
      if (loadsModules(record.extraOptions)) return 0;
      task.language().applyInputOptions(record, "input.mov");
    } else {
      OutputOptions record;
      fillOutput(in, record);
      if (loadsModules(record.extraOptions)) return 0;
      task.language().applyOutputOptions(record, fuzzScratchFolder() + "/record.mp4");
    }
  } catch (const EngineError &) {
    // The option's own complaint: an answer, not a fault.
  }
  return 0;
}
