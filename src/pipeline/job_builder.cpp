#include "job_builder.h"

#include <algorithm>
#include <filesystem>

#include "codec_mapping.h"
#include "output_files.h"
#include "pipeline_text.h"

JobSettings makeJobSettings(int profileId, const ProfileChoices &choices, const std::string &outputFolder,
                            bool overwrite, int volumeValue) {
  JobSettings s;
  s.profileId = profileId;
  s.outputFolder = outputFolder;
  s.overwrite = overwrite;
  if (const OutputProfile *row = profileRow(profileId)) s.outputType = std::string(row->formatName);
  s.aspectIndex = choices.comboAspectRatio.itemIndex;
  s.volumeValue = volumeValue;
  s.applyProfileOptions = [profileId, choices](OutputOptions &o) { applyProfileOptions(profileId, choices, o); };
  s.finishProfileOptions = [profileId](OutputOptions &o, const ProbeSummary &source) {
    const bool picture = source.opened && source.videoStreamCount > 0;
    SourceShape shape;
    if (picture) {
      shape.width = source.width;
      shape.height = source.height;
    }
    if (source.opened) shape.audioChannels = source.audioChannels;
    finishProfileOptions(profileId, shape, o);
  };
  return s;
}

JobSettings makeJobSettings(const std::string &formatTitle, const ProfileChoices &choices,
                            const std::string &outputType, const std::string &outputFolder, bool overwrite,
                            int volumeValue) {
  JobSettings s = makeJobSettings(profileIdOf(formatTitle), choices, outputFolder, overwrite, volumeValue);
  s.outputType = outputType;
  return s;
}

std::string outputExtension(const std::string &outputType) { return "." + lowerText(outputType); }

std::string outputFileFor(const std::string &source, const JobSettings &settings,
                          const std::vector<std::string> &reserved) {
  std::string prefix = trimText(settings.outputFolder);
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  const std::string name = std::filesystem::path(source).filename().string();
  const std::string ext = outputExtension(settings.outputType);
  const auto isReserved = [&reserved](const std::string &candidate) {
    return std::find(reserved.begin(), reserved.end(), candidate) != reserved.end();
  };
  if (settings.overwrite) return freeOutputName(prefix + name, ext, isReserved);
  return uniqueOutputName(prefix + name, ext, isReserved);
}

InputOptions makeInputOptions(const std::string &engineSource) {
  InputOptions in;
  in.fileName = engineSource;
  in.startTimeMs = 0;
  return in;
}

void fillOutputOptions(OutputOptions &o, const ProbeSummary &source, const JobSettings &settings) {
  initialise(o);
  o.frameRate = settings.frameRate;
  if (settings.applyProfileOptions) settings.applyProfileOptions(o);
  o.overwrite = settings.overwrite;
  // The sound keeps its place against the picture by its sample count:
  // a late start becomes leading silence, which every container keeps
  // (several store no audio time stamps at all).
  o.async = 1;
  o.vol = settings.volumeValue;
  const bool picture = source.opened && source.videoStreamCount > 0;
  o.aspect = aspectForChoice(settings.aspectIndex, picture ? source.width : -1, picture ? source.height : -1);
  // Pixels that are not square (a 720x480 camera clip at 10:11) shape the
  // picture on screen too.
  if (settings.aspectIndex == 0 && picture && source.width > 0 && source.height > 0 && source.sarNum > 0 &&
      source.sarDen > 0 && source.sarNum != source.sarDen)
    o.aspect = roundedDecimalText(static_cast<double>(source.width) * source.sarNum / source.sarDen / source.height, 4);
  if (sourceLengthUnknown(source)) o.recordingTimeMs = 36000000;  // 10 hours
  if (settings.finishProfileOptions) settings.finishProfileOptions(o, source);
  o.keepMetadata = settings.keepMetadata;
}

JobPlan planJob(const std::string &listedPath, const ProbeSummary &source, const JobSettings &settings) {
  JobPlan plan;
  plan.source = sourceFileOf(listedPath);
  plan.outputFile = outputFileFor(plan.source, settings);
  plan.sameAsSource = sameFilePath(plan.source, plan.outputFile);
  plan.wrapped = isRmvbSource(plan.source);
  if (plan.wrapped) plan.scriptLines = rmvbScriptLines(settings.programFolder, plan.source);
  plan.engineSource = plan.source;
  plan.input = makeInputOptions(plan.engineSource);
  fillOutputOptions(plan.output, source, settings);
  return plan;
}

void prepareSource(JobPlan &plan, const JobSettings &settings) {
  plan.engineSource = plan.source;
  if (plan.wrapped) {
    const std::string folder = settings.scriptFolder.empty() ? tempFolder() : settings.scriptFolder;
    const std::string script = writeScriptFile(folder, plan.scriptLines);
    if (settings.aviSynthInput && !script.empty()) plan.engineSource = script;
  }
  plan.input.fileName = plan.engineSource;
}
