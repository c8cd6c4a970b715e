#include "log_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kStartWidth = 640;
constexpr int kStartHeight = 400;

}  // namespace

LogDialog::LogDialog(QWidget *owner) : QDialog(owner) {
  setObjectName(QStringLiteral("logDialog"));
  setModal(false);
  setSizeGripEnabled(true);

  headlineLabel = new QLabel(this);
  headlineLabel->setObjectName(QStringLiteral("headlineLabel"));
  headlineLabel->setWordWrap(true);
  headlineLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  QFont bold = headlineLabel->font();
  bold.setBold(true);
  headlineLabel->setFont(bold);

  logView = new QPlainTextEdit(this);
  logView->setObjectName(QStringLiteral("logView"));
  logView->setReadOnly(true);
  logView->setLineWrapMode(QPlainTextEdit::NoWrap);
  logView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  logView->setAccessibleName(tr("Engine log"));

  auto *buttons = new QDialogButtonBox(this);
  copyButton = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
  copyButton->setObjectName(QStringLiteral("copyButton"));
  copyButton->setToolTip(tr("Copy the reason and the log to the clipboard"));
  closeButton = buttons->addButton(QDialogButtonBox::Close);
  closeButton->setObjectName(QStringLiteral("closeButton"));
  connect(copyButton, &QPushButton::clicked, this, &LogDialog::copyToClipboard);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(headlineLabel);
  layout->addWidget(logView, 1);
  layout->addWidget(buttons);
  resize(kStartWidth, kStartHeight);
}

void LogDialog::showLog(const QString &fileName, const QString &headline, const QStringList &lines) {
  fileName_ = fileName;
  setWindowTitle(tr("Log - %1").arg(QFileInfo(fileName).fileName()));
  headlineLabel->setText(headline);
  logView->setPlainText(lines.isEmpty() ? tr("(The engine wrote no messages.)")
                                        : lines.join(QLatin1Char('\n')));
  show();
  raise();
  activateWindow();
}

QString LogDialog::copiedText() const {
  QString text = fileName_ + QLatin1Char('\n') + headlineLabel->text() + QStringLiteral("\n\n") +
                 logView->toPlainText();
  if (!text.endsWith(QLatin1Char('\n'))) text += QLatin1Char('\n');
  return text;
}

void LogDialog::copyToClipboard() {
  if (QClipboard *clipboard = QApplication::clipboard()) clipboard->setText(copiedText());
}
