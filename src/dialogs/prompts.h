// Every message box and file or folder dialog of the program goes through
// Prompts, so that tests can answer them.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <vector>

class QWidget;

// One choice of an open dialog: the shown name and its patterns as written
// in the filter text ("*.mov;*.qt" or "*.mov; *.qt").
struct FileFilter {
  QString name;
  QString patterns;
};

// Splits a filter text of the form "Name|patterns|Name|patterns|" into its
// choices. A trailing "|" is allowed; a name without patterns is dropped.
std::vector<FileFilter> parseFileFilter(const QString &filterText);

// The patterns of one choice as a list of single globs ("*.mov", "*.qt").
QStringList filterGlobs(const FileFilter &filter);

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Modal message box captioned "Information" with the information icon.
  virtual void information(QWidget *owner, const QString &text) = 0;
  // Modal question with Yes and No buttons and the question icon; true on Yes.
  virtual bool askYesNo(QWidget *owner, const QString &caption, const QString &text) = 0;
  // Open dialog with multiple selection, existing files only. The first
  // filter is selected. Returns the chosen paths; empty on cancel.
  virtual QStringList openFiles(QWidget *owner, const std::vector<FileFilter> &filters) = 0;
  // Folder picker showing `headline`, starting in `startFolder` (empty: the
  // system default). Returns the chosen folder's full path; empty on cancel.
  virtual QString browseForFolder(QWidget *owner, const QString &headline, const QString &startFolder) = 0;
  // Opens a document or address with the desktop's default handler.
  virtual bool openUrl(const QUrl &url) = 0;
};

// The real dialogs (Qt message boxes and file dialogs, QDesktopServices).
class QtPrompts : public Prompts {
 public:
  void information(QWidget *owner, const QString &text) override;
  bool askYesNo(QWidget *owner, const QString &caption, const QString &text) override;
  QStringList openFiles(QWidget *owner, const std::vector<FileFilter> &filters) override;
  QString browseForFolder(QWidget *owner, const QString &headline, const QString &startFolder) override;
  bool openUrl(const QUrl &url) override;
};

// The program-wide prompts: the ones installed with setAppPrompts, else the
// real dialogs.
Prompts &appPrompts();
// Installs `prompts` (not owned) as the program-wide prompts; nullptr
// returns to the default.
void setAppPrompts(Prompts *prompts);
