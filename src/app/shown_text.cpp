#include "shown_text.h"

#include <QCoreApplication>
#include <QRegularExpression>

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
    QT_TRANSLATE_NOOP("PipelineText", "not a video or audio file"),
    QT_TRANSLATE_NOOP("PipelineText", "has no picture and no sound"),
};

QString translated(const char *english) { return QCoreApplication::translate(kContext, english); }

}  // namespace

QString shownText(const std::string &english) {
  if (english.empty()) return {};
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
      return job.reason.empty() ? shownText(sourceJobHint(job)) : english;
    case JobState::Waiting: {
      const QString error = QString::fromStdString(job.probe.error);
      if (job.probe.notSource) {
        // "<path>: not a video or audio file": the path stays, the words are translated.
        const qsizetype cut = error.lastIndexOf(QStringLiteral(": "));
        if (cut < 0) return shownText(job.probe.error);
        return error.left(cut + 2) + shownText(error.mid(cut + 2).toStdString());
      }
      if (job.probe.opened) return english;
      if (error.isEmpty()) return translated(QT_TRANSLATE_NOOP("PipelineText", "The file could not be read."));
      return translated(QT_TRANSLATE_NOOP("PipelineText", "The file could not be read: %1")).arg(error);
    }
    case JobState::Converting:
      break;
  }
  return english;
}
