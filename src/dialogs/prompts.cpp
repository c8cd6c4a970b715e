#include "prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>

std::vector<TFileFilter> ParseFileFilter(const QString &filterText) {
  std::vector<TFileFilter> result;
  const QStringList parts = filterText.split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() && parts[i + 1].isEmpty()) continue;
    if (parts[i + 1].trimmed().isEmpty()) continue;
    result.push_back({parts[i], parts[i + 1]});
  }
  return result;
}

QStringList FilterGlobs(const TFileFilter &filter) {
  QStringList globs;
  for (const QString &p : filter.Patterns.split(QLatin1Char(';'))) {
    const QString glob = p.trimmed();
    if (!glob.isEmpty()) globs << glob;
  }
  return globs;
}

namespace {

// Messages break lines with a line feed followed by a carriage return; the
// message box only needs the line feed.
QString DisplayText(const QString &text) {
  QString shown = text;
  shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  shown.remove(QLatin1Char('\r'));
  return shown;
}

void PrintPrompt(const char *kind, const QString &text) {
  std::fprintf(stderr, "%s: %s\n", kind, text.toLocal8Bit().constData());
  std::fflush(stderr);
}

IPrompts *gInstalled = nullptr;

}  // namespace

void TQtPrompts::Information(QWidget *owner, const QString &text) {
  QMessageBox::information(owner, QStringLiteral("Information"), DisplayText(text));
}

bool TQtPrompts::AskYesNo(QWidget *owner, const QString &caption, const QString &text) {
  return QMessageBox::question(owner, caption, DisplayText(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

QStringList TQtPrompts::OpenFiles(QWidget *owner, const std::vector<TFileFilter> &filters) {
  QFileDialog dialog(owner);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The shown names already carry their patterns; the dialog takes the
  // patterns from the last parenthesis, which is kept out of sight.
  QStringList nameFilters;
  for (const TFileFilter &f : filters)
    nameFilters << QStringLiteral("%1 (%2)").arg(f.Name, FilterGlobs(f).join(QLatin1Char(' ')));
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilters(nameFilters);
  if (!nameFilters.isEmpty()) dialog.selectNameFilter(nameFilters.first());
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString TQtPrompts::BrowseForFolder(QWidget *owner, const QString &headline, const QString &startFolder) {
  return QFileDialog::getExistingDirectory(owner, headline, startFolder, QFileDialog::ShowDirsOnly);
}

bool TQtPrompts::OpenUrl(const QUrl &url) { return QDesktopServices::openUrl(url); }

void TAutoAnswerPrompts::Information(QWidget *, const QString &text) { PrintPrompt("Information", text); }

bool TAutoAnswerPrompts::AskYesNo(QWidget *, const QString &caption, const QString &text) {
  PrintPrompt(caption.toLocal8Bit().constData(), text);
  return qEnvironmentVariable("TREVIX_AUTO_ANSWER").compare(QStringLiteral("no"), Qt::CaseInsensitive) != 0;
}

QStringList TAutoAnswerPrompts::OpenFiles(QWidget *, const std::vector<TFileFilter> &) {
  const QString files = qEnvironmentVariable("TREVIX_AUTO_FILES");
  PrintPrompt("Open", files);
  return files.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString TAutoAnswerPrompts::BrowseForFolder(QWidget *, const QString &headline, const QString &) {
  PrintPrompt("Folder", headline);
  return qEnvironmentVariable("TREVIX_AUTO_FOLDER");
}

bool TAutoAnswerPrompts::OpenUrl(const QUrl &url) {
  PrintPrompt("Open URL", url.toString());
  return true;
}

bool AutoAnswerRequested() {
  const QString v = qEnvironmentVariable("TREVIX_AUTO_ANSWER");
  return !v.isEmpty() && v != QStringLiteral("0");
}

IPrompts &AppPrompts() {
  if (gInstalled) return *gInstalled;
  static TQtPrompts real;
  static TAutoAnswerPrompts automatic;
  if (AutoAnswerRequested()) return automatic;
  return real;
}

void SetAppPrompts(IPrompts *prompts) { gInstalled = prompts; }
