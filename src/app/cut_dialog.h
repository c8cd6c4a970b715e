// "Set Start and End…" of the source list's pop-up menu: a small dialog
// with the cut's start and end as HH:MM:SS.mmm (or seconds). An empty start
// is the clip's start, an empty end its end. OK takes the cut only when it
// can be converted; otherwise the dialog stays open and says why.
#pragma once

#include <QDialog>

#include "source_jobs.h"

class QLabel;
class QLineEdit;

class CutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CutDialog(QWidget *parent = nullptr);

  // Opens over the window for `job`, its cut in the fields; `row` is kept
  // for the one who takes the result.
  void edit(int row, const SourceJob &job);
  int row() const { return row_; }
  // The turn and cut once accepted: the job's own with the fields' cut.
  JobEdits edits() const { return job_.edits; }

  // Checks the fields; accepts when they give a cut that can be converted.
  void accept() override;

 private:
  QLineEdit *startEdit_ = nullptr;
  QLineEdit *endEdit_ = nullptr;
  QLabel *reasonLabel_ = nullptr;
  SourceJob job_;
  int row_ = -1;
};
