#include "shown_text.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <vector>

#include "pipeline_text.h"
#include "source_jobs.h"

namespace {

constexpr const char *kContext = "PipelineText";

// The fixed texts the queue and the list show; lupdate finds them here, and
// a text is translated by its English.
[[maybe_unused]] constexpr const char *kFixedTexts[] = {
    QT_TRANSLATE_NOOP("PipelineText", "Done"),
    QT_TRANSLATE_NOOP("PipelineText", "Fail"),
    QT_TRANSLATE_NOOP("PipelineText", "Abort"),
    QT_TRANSLATE_NOOP("PipelineText", "Error"),
    QT_TRANSLATE_NOOP("PipelineText", "Loading"),
    QT_TRANSLATE_NOOP("PipelineText", "Unknown"),
    QT_TRANSLATE_NOOP("PipelineText", "Please Add Files To Convert!"),
    QT_TRANSLATE_NOOP("PipelineText", "Please select an output folder!"),
    QT_TRANSLATE_NOOP("PipelineText", "The conversion failed."),
    QT_TRANSLATE_NOOP("PipelineText", "Stopped before the end."),
    QT_TRANSLATE_NOOP("PipelineText", "the output would replace the source file"),
    QT_TRANSLATE_NOOP("PipelineText", "the conversion could not be set up"),
    QT_TRANSLATE_NOOP("PipelineText", "the conversion failed"),
};

// The queue's messages made with a path or a time, in the order of their
// arguments: a message that matches one is shown in its translated form
// with the same arguments.
constexpr const char *kComposedTexts[] = {
    QT_TRANSLATE_NOOP("PipelineText", "%1: not a video or audio file"),
    QT_TRANSLATE_NOOP("PipelineText", "%1: has no picture and no sound"),
    QT_TRANSLATE_NOOP("PipelineText", "The output folder \"%1\"\n\rdoes not exist or has been deleted!\n\r"
                                      "Please choose a new output folder."),
    QT_TRANSLATE_NOOP("PipelineText", "The cut starts at %1, at or after its end at %2."),
    QT_TRANSLATE_NOOP("PipelineText", "The cut starts at %1, past the end of the clip at %2."),
    QT_TRANSLATE_NOOP("PipelineText", "the output would replace another listed source: %1"),
    QT_TRANSLATE_NOOP("PipelineText", "cannot fit into %1: the length of the clip is unknown"),
};

QString translated(const char *english) { return QCoreApplication::translate(kContext, english); }

// Each composed text as a pattern that takes its arguments.
struct ComposedForm {
  const char *english;
  QRegularExpression pattern;
};

const std::vector<ComposedForm> &composedForms() {
  static const std::vector<ComposedForm> forms = [] {
    std::vector<ComposedForm> made;
    for (const char *form : kComposedTexts) {
      QString pattern = QRegularExpression::escape(QString::fromLatin1(form));
      pattern.replace(QRegularExpression(QStringLiteral("\\\\%\\d")), QStringLiteral("(.*)"));
      made.push_back({form, QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                                               QRegularExpression::DotMatchesEverythingOption)});
    }
    return made;
  }();
  return forms;
}

}  // namespace

QString shownText(const std::string &english) {
  if (english.empty()) return {};
  const QString text = QString::fromStdString(english);
  for (const ComposedForm &form : composedForms()) {
    const QRegularExpressionMatch match = form.pattern.match(text);
    if (!match.hasMatch()) continue;
    const QString shown = translated(form.english);
    if (match.lastCapturedIndex() == 1) return shown.arg(match.captured(1));
    return shown.arg(match.captured(1), match.captured(2));
  }
  return translated(english.c_str());
}

QString runPositionShown(const RunPosition &position) {
  return translated(QT_TRANSLATE_NOOP("PipelineText", "Converting %1 of %2"))
      .arg(position.ordinal)
      .arg(position.total);
}

QString fileSizeShown(int64_t bytes) {
  // The queue's rounding, its figure put into the translated form.
  QString figure = QString::fromStdString(fileSizeText(bytes));
  figure.remove(QRegularExpression(QStringLiteral("[^0-9]")));
  return translated(QT_TRANSLATE_NOOP("PipelineText", "File Size : %1 KBytes")).arg(figure);
}

QString runCountsShown(const RunCounts &counts) {
  QString text = translated(QT_TRANSLATE_NOOP("PipelineText", "%1 Done, %2 Fail")).arg(counts.done).arg(counts.failed);
  if (counts.aborted) text += translated(QT_TRANSLATE_NOOP("PipelineText", ", %1 Abort")).arg(counts.aborted);
  if (counts.notConverted)
    text += translated(QT_TRANSLATE_NOOP("PipelineText", ", %1 not converted")).arg(counts.notConverted);
  return text;
}

QString recordingShown(const ProbeSummary &probe) {
  const std::string english = recordingTimeText(probe);
  const std::string prefix = "Recorded ";
  if (english.compare(0, prefix.size(), prefix) != 0) return QString::fromStdString(english);
  return translated(QT_TRANSLATE_NOOP("PipelineText", "Recorded %1"))
      .arg(QString::fromStdString(english.substr(prefix.size())));
}

QString sourceHintShown(const SourceJob &job) {
  const QString english = QString::fromStdString(sourceJobHint(job));
  const QString output = QString::fromStdString(job.outputPath);
  switch (job.state) {
    case JobState::Done:
      // The fitting's summary stays as the queue wrote it.
      return translated(QT_TRANSLATE_NOOP("PipelineText", "Converted to %1"))
          .arg(output + QString::fromStdString(fitSummaryText(job.fit)));
    case JobState::Aborted:
      if (job.outputPath.empty()) return shownText(sourceJobHint(job));
      return translated(QT_TRANSLATE_NOOP("PipelineText", "Stopped before the end; the part converted is kept as %1"))
          .arg(output);
    case JobState::Failed:
      return shownText(sourceJobHint(job));
    case JobState::Waiting: {
      const QString error = QString::fromStdString(job.probe.error);
      if (job.probe.notSource) return shownText(job.probe.error);
      if (job.probe.opened) return english;
      if (error.isEmpty()) return translated(QT_TRANSLATE_NOOP("PipelineText", "The file could not be read."));
      return translated(QT_TRANSLATE_NOOP("PipelineText", "The file could not be read: %1")).arg(error);
    }
    case JobState::Converting:
      break;
  }
  return english;
}
