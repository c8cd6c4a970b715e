// "Show Log": what the engine said while converting one file, with the
// row's outcome (for a failed file, the reason) on top and a Copy button
// that puts both on the clipboard, for a bug report or a search. One
// dialog, reused for every row; it does not block the window. UI thread.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class LogDialog : public QDialog {
  Q_OBJECT
 public:
  explicit LogDialog(QWidget *owner);

  // Shows the log of `fileName`: `headline` on top, then `lines`.
  void showLog(const QString &fileName, const QString &headline, const QStringList &lines);
  // What Copy puts on the clipboard: the file, the headline and the lines.
  QString copiedText() const;

  QLabel *headlineLabel = nullptr;
  QPlainTextEdit *logView = nullptr;
  QPushButton *copyButton = nullptr;
  QPushButton *closeButton = nullptr;

 public slots:
  void copyToClipboard();

 private:
  QString fileName_;
};
