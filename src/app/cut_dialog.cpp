#include "cut_dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>

#include "job_edits.h"

namespace {

QLineEdit *makeTimeEdit(QWidget *parent, const char *name, const QString &placeholder) {
  auto *edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setPlaceholderText(placeholder);
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000")) * 3 / 2);
  return edit;
}

}  // namespace

CutDialog::CutDialog(QWidget *parent) : QDialog(parent) {
  setWindowTitle(tr("Set Start and End"));
  setWindowModality(Qt::WindowModal);
  startEdit_ = makeTimeEdit(this, "cutStartEdit", tr("the clip's start"));
  endEdit_ = makeTimeEdit(this, "cutEndEdit", tr("the clip's end"));
  reasonLabel_ = new QLabel(this);
  reasonLabel_->setObjectName(QStringLiteral("cutReasonLabel"));
  reasonLabel_->setWordWrap(true);
  reasonLabel_->hide();
  auto *hint = new QLabel(tr("Times as HH:MM:SS.mmm or in seconds (5.5)."), this);
  hint->setObjectName(QStringLiteral("cutHintLabel"));
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName(QStringLiteral("cutButtons"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CutDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CutDialog::reject);
  auto *form = new QFormLayout;
  form->addRow(tr("Start :"), startEdit_);
  form->addRow(tr("End :"), endEdit_);
  auto *column = new QVBoxLayout(this);
  column->addLayout(form);
  column->addWidget(hint);
  column->addWidget(reasonLabel_);
  column->addWidget(buttons);
}

void CutDialog::edit(int row, const SourceJob &job) {
  row_ = row;
  job_ = job;
  setWindowTitle(tr("Set Start and End") + QStringLiteral(" - ") + QFileInfo(QString::fromStdString(job.path)).fileName());
  const JobEdits &e = job.edits;
  startEdit_->setText(e.startMs > 0 ? QString::fromStdString(cutTimeText(e.startMs)) : QString());
  endEdit_->setText(e.endMs >= 0 ? QString::fromStdString(cutTimeText(e.endMs)) : QString());
  reasonLabel_->clear();
  reasonLabel_->hide();
  startEdit_->setFocus();
  startEdit_->selectAll();
  open();
}

void CutDialog::accept() {
  const auto timeOf = [this](QLineEdit *edit, int64_t empty, int64_t &ms) {
    const QString text = edit->text().trimmed();
    if (text.isEmpty()) {
      ms = empty;
      return true;
    }
    const std::optional<int64_t> parsed = parseTimeText(text.toStdString());
    if (parsed) {
      ms = *parsed;
      return true;
    }
    reasonLabel_->setText(tr("\"%1\" is not a time: give seconds (\"5.5\") or HH:MM:SS.mmm.").arg(text));
    reasonLabel_->show();
    edit->setFocus();
    return false;
  };
  SourceJob cut = job_;
  if (!timeOf(startEdit_, 0, cut.edits.startMs) || !timeOf(endEdit_, -1, cut.edits.endMs)) return;
  const std::string problem = cutProblem(cut);
  if (!problem.empty()) {
    reasonLabel_->setText(QString::fromStdString(problem));
    reasonLabel_->show();
    return;
  }
  job_ = cut;
  QDialog::accept();
}
