#include "prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

std::vector<FileFilter> parseFileFilter(const QString &filterText) {
  std::vector<FileFilter> result;
  const QStringList parts = filterText.split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() && parts[i + 1].isEmpty()) continue;
    if (parts[i + 1].trimmed().isEmpty()) continue;
    result.push_back({parts[i], parts[i + 1]});
  }
  return result;
}

QStringList filterGlobs(const FileFilter &filter) {
  QStringList globs;
  for (const QString &p : filter.patterns.split(QLatin1Char(';'))) {
    const QString glob = p.trimmed();
    if (!glob.isEmpty()) globs << glob;
  }
  return globs;
}

namespace {

// Messages break lines with a line feed followed by a carriage return; the
// message box only needs the line feed.
QString displayText(const QString &text) {
  QString shown = text;
  shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  shown.remove(QLatin1Char('\r'));
  return shown;
}

Prompts *gInstalled = nullptr;

}  // namespace

void QtPrompts::information(QWidget *owner, const QString &text) {
  QMessageBox::information(owner, QCoreApplication::translate("Prompts", "Information"), displayText(text));
}

bool QtPrompts::askYesNo(QWidget *owner, const QString &caption, const QString &text) {
  return QMessageBox::question(owner, caption, displayText(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

QStringList QtPrompts::openFiles(QWidget *owner, const std::vector<FileFilter> &filters) {
  QFileDialog dialog(owner);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The shown names already carry their patterns; the dialog takes the
  // patterns from the last parenthesis, which is kept out of sight.
  QStringList nameFilters;
  for (const FileFilter &f : filters)
    nameFilters << QStringLiteral("%1 (%2)").arg(f.name, filterGlobs(f).join(QLatin1Char(' ')));
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilters(nameFilters);
  if (!nameFilters.isEmpty()) dialog.selectNameFilter(nameFilters.first());
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString QtPrompts::browseForFolder(QWidget *owner, const QString &headline, const QString &startFolder) {
  return QFileDialog::getExistingDirectory(owner, headline, startFolder, QFileDialog::ShowDirsOnly);
}

bool QtPrompts::openUrl(const QUrl &url) { return QDesktopServices::openUrl(url); }

Prompts &appPrompts() {
  if (gInstalled) return *gInstalled;
  static QtPrompts real;
  return real;
}

void setAppPrompts(Prompts *prompts) { gInstalled = prompts; }
