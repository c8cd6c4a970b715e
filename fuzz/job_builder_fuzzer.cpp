// The job builder's inputs: the listed source path, what the probe found,
// and the settings (profile label, the setting lists' items and selections,
// output type, folder, overwrite rule, volume) through makeJobSettings and
// planJob; and the same settings as trevix-convert's command line reads
// them (parseCommandLine, resolveChoices).
//
// UsageError and SettingLabelError are the answers the command line and the
// profile mapping give for settings they cannot use; any other exception,
// and every sanitizer report, is a fault.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalog.h"
#include "cli_options.h"
#include "codec_mapping.h"
#include "fuzz_support.h"
#include "job_builder.h"
#include "option_sets.h"
#include "quality.h"
#include "source_jobs.h"

namespace {

// File names, folders, the output type (the output's extension) and the
// command line's arguments reach the program as C strings, which cannot
// hold a NUL: a NUL inside would make the system see a shorter name than
// the one the builder checked.
std::string withoutNul(std::string text) {
  std::erase(text, '\0');
  return text;
}

std::string pickTitle(FuzzedDataProvider &in) {
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) return in.ConsumeRandomLengthString(64);
  return std::string(kOutputFormatItems[in.ConsumeIntegralInRange<size_t>(0, kOutputFormatItems.size() - 1)]);
}

void shake(FuzzedDataProvider &in, ChoiceList &list) {
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
      break;  // as the profile left it
    case 1:
      list.itemIndex = in.ConsumeIntegral<int>();
      break;
    case 2:
      if (!list.items.empty())
        list.itemIndex = in.ConsumeIntegralInRange<int>(-1, static_cast<int>(list.items.size()) - 1);
      break;
    case 3:
      list.selectText(in.ConsumeRandomLengthString(24));
      break;
    case 4:
      list.assign({in.ConsumeRandomLengthString(24), in.ConsumeRandomLengthString(24)},
                  in.ConsumeIntegralInRange<int>(-1, 2));
      break;
  }
}

ProbeSummary fuzzSummary(FuzzedDataProvider &in) {
  ProbeSummary s;
  s.opened = in.ConsumeBool();
  s.videoStreamCount = in.ConsumeIntegralInRange<int>(-1, 3);
  s.width = in.ConsumeIntegral<int>();
  s.height = in.ConsumeIntegral<int>();
  s.frameRateNum = in.ConsumeIntegral<int>();
  s.frameRateDen = in.ConsumeIntegral<int>();
  s.durationUs = in.ConsumeIntegral<int64_t>();
  return s;
}

void planAll(const std::string &title, const ProfileChoices &choices, const std::string &outputType,
             const std::string &folder, bool overwrite, int volume, const std::string &source,
             const ProbeSummary &summary) {
  const JobSettings settings = makeJobSettings(title, choices, outputType, folder, overwrite, volume);
  const JobPlan plan = planJob(source, summary, settings);
  (void)makeSourceJob(plan.source, summary, outputType);
}

void fromSettings(FuzzedDataProvider &in) {
  const std::string title = pickTitle(in);
  ProfileChoices choices;
  std::string outputType;
  fillProfileOptions(title, choices, outputType);
  if (in.ConsumeBool()) applyQualityPreset(title, choices);
  for (ChoiceList *list : {&choices.comboVideoCodec, &choices.comboAudioCodec, &choices.comboVideoSize,
                           &choices.comboVideoBitrate, &choices.comboVideoFramerate, &choices.comboAudioBitrate,
                           &choices.comboSamplingRate, &choices.comboAudioChannels, &choices.comboAspectRatio,
                           &choices.comboVideoQuality, &choices.comboAudioQuality})
    shake(in, *list);
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) outputType = withoutNul(in.ConsumeRandomLengthString(8));
  const bool overwrite = in.ConsumeBool();
  const int volume = in.ConsumeIntegral<int>();
  const ProbeSummary summary = fuzzSummary(in);
  const std::string folder = in.ConsumeBool() ? fuzzScratchFolder() : withoutNul(in.ConsumeRandomLengthString(64));
  const std::string source = withoutNul(in.ConsumeRemainingBytesAsString());
  planAll(title, choices, outputType, folder, overwrite, volume, source, summary);
}

void fromCommandLine(FuzzedDataProvider &in) {
  const ProbeSummary summary = fuzzSummary(in);
  std::vector<std::string> args;
  while (in.remaining_bytes() > 0 && args.size() < 24) args.push_back(withoutNul(in.ConsumeRandomLengthString(48)));
  const CliOptions options = parseCommandLine(args);
  const ConversionChoices c = resolveChoices(options);
  const std::string folder = options.outputFolder.empty() ? fuzzScratchFolder() : options.outputFolder;
  for (const std::string &file : options.files)
    planAll(c.title, c.choices, c.outputType, folder, c.overwrite, c.volumeValue, file, summary);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  try {
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0) fromCommandLine(in);
    else fromSettings(in);
  } catch (const UsageError &) {
  } catch (const SettingLabelError &) {
  }
  return 0;
}
