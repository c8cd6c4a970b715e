#include "job_builder.h"

#include <filesystem>

#include "codec_mapping.h"
#include "output_files.h"
#include "pipeline_text.h"

TJobSettings MakeJobSettings(const std::string &formatTitle, const TProfileChoices &choices,
                             const std::string &outputType, const std::string &outputFolder,
                             bool overwrite, int volumeValue) {
  TJobSettings s;
  s.OutputFolder = outputFolder;
  s.Overwrite = overwrite;
  s.OutputType = outputType;
  s.FrameRateLabel = choices.ComboVideoFramerate.Text();
  s.AspectIndex = choices.ComboAspectRatio.ItemIndex;
  s.VolumeValue = volumeValue;
  s.ApplyProfileOptions = [formatTitle, choices, outputType](TOutputOptions &o) {
    ApplyProfileOptions(formatTitle, choices, outputType, o);
  };
  return s;
}

std::string OutputExtension(const std::string &outputType) { return "." + LowerText(outputType); }

std::string OutputFileFor(const std::string &source, const TJobSettings &settings) {
  std::string prefix = TrimText(settings.OutputFolder);
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  const std::string name = std::filesystem::path(source).filename().string();
  const std::string ext = OutputExtension(settings.OutputType);
  if (settings.Overwrite) {
    std::filesystem::path p(prefix + name);
    p.replace_extension(ext);
    return p.string();
  }
  return UniqueOutputName(prefix + name, ext);
}

TInputOptions MakeInputOptions(const std::string &engineSource) {
  TInputOptions in;
  in.fileName = engineSource;
  in.startTimeMs = 0;
  return in;
}

void FillOutputOptions(TOutputOptions &o, const TRowTexts &row, const TJobSettings &settings) {
  Initialise(o);
  o.frameRate = FrameRateText(settings.FrameRateLabel);
  if (settings.ApplyProfileOptions) settings.ApplyProfileOptions(o);
  o.vol = settings.VolumeValue;
  o.aspect = AspectForChoice(settings.AspectIndex, row.VideoSize);
  if (DurationUnknown(row.Duration)) o.recordingTimeMs = 36000000;  // 10 hours
}

TJobPlan PlanJob(const TRowTexts &row, const TJobSettings &settings) {
  TJobPlan plan;
  plan.Source = SourceFileOf(row.Caption);
  plan.OutputFile = OutputFileFor(plan.Source, settings);
  plan.SameAsSource = SameFilePath(plan.Source, plan.OutputFile);
  plan.Wrapped = IsRmvbSource(plan.Source);
  if (plan.Wrapped) plan.ScriptLines = RmvbScriptLines(settings.ProgramFolder, plan.Source);
  plan.EngineSource = plan.Source;
  plan.Input = MakeInputOptions(plan.EngineSource);
  FillOutputOptions(plan.Output, row, settings);
  return plan;
}

void PrepareSource(TJobPlan &plan, const TJobSettings &settings) {
  plan.EngineSource = plan.Source;
  if (plan.Wrapped) {
    const std::string folder = settings.ScriptFolder.empty() ? TempFolder() : settings.ScriptFolder;
    const std::string script = WriteScriptFile(folder, plan.ScriptLines);
    if (settings.AviSynthInput && !script.empty()) plan.EngineSource = script;
  }
  plan.Input.fileName = plan.EngineSource;
}
