// The source list's table model: the rows of a SourceJobs with the list's
// seven columns, their texts made by sourceJobText(), the check mark of the
// first column, centred columns after the first, and each row's hint
// (sourceJobHint(): why it failed, where its output went). It follows every
// change of the jobs (it is their listener) and writes the user's check
// marks back into them. UI thread only.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "source_jobs.h"

class SourceListModel : public QAbstractTableModel, private SourceJobsListener {
  Q_OBJECT
 public:
  // `jobs` must outlive the model.
  explicit SourceListModel(SourceJobs &jobs, QObject *parent = nullptr);
  ~SourceListModel() override;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // The column widths of the list in the design, in pixels: the least they
  // get.
  static int columnWidth(int column);
  // The widest texts a column shows ("Unknown", "100%"); none for the file
  // name, which takes the room left.
  static QStringList widestTexts(int column);

 private:
  void jobsInserting(int first, int last) override;
  void jobsInserted() override;
  void jobsRemoving(int first, int last) override;
  void jobsRemoved() override;
  void jobsChanged(int first, int last) override;

  SourceJobs &jobs_;
};
