#include "source_list_model.h"

#include <array>

namespace {

struct ColumnLook {
  const char *title;
  int width;
  const char *widest;  // the widest texts the column shows, "|" between them
};

constexpr std::array<ColumnLook, kSourceListColumnCount> kColumns = {{
    {"Video File Name", 310, ""},
    {"Video Size", 90, "8888x8888"},
    {"FrameRate", 80, "888.88"},
    {"Duration", 60, "Unknown|100:00:00"},
    {"Output", 65, "MPEG|WMV"},
    {"Progress", 57, "Loading|Error|Abort|100%|00:00:00"},
    {"Frames", 60, "8888888"},
}};

bool validColumn(int column) { return column >= 0 && column < kSourceListColumnCount; }

}  // namespace

SourceListModel::SourceListModel(SourceJobs &jobs, QObject *parent) : QAbstractTableModel(parent), jobs_(jobs) {
  jobs_.setListener(this);
}

SourceListModel::~SourceListModel() { jobs_.setListener(nullptr); }

int SourceListModel::columnWidth(int column) { return validColumn(column) ? kColumns[column].width : 0; }

QStringList SourceListModel::widestTexts(int column) {
  if (!validColumn(column) || !*kColumns[column].widest) return {};
  return QString::fromLatin1(kColumns[column].widest).split(QLatin1Char('|'));
}

int SourceListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : jobs_.count(); }

int SourceListModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : kSourceListColumnCount;
}

QVariant SourceListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || !jobs_.contains(index.row()) || !validColumn(index.column())) return {};
  const SourceJob &job = jobs_.at(index.row());
  const auto column = static_cast<SourceListColumn>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(sourceJobText(job, column));
    case Qt::CheckStateRole:
      if (column == kFileNameColumn) return job.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      if (column != kFileNameColumn) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
      return {};
    case Qt::ToolTipRole: {
      const std::string hint = sourceJobHint(job);
      if (!hint.empty()) return QString::fromStdString(hint);
      // A long path is cut off in its column: the hint shows it whole, with
      // the recording's time where the source has one.
      if (column == kFileNameColumn) {
        const std::string recorded = recordingTimeText(job.probe);
        return QString::fromStdString(recorded.empty() ? job.path : job.path + "\n" + recorded);
      }
      return {};
    }
    default:
      return {};
  }
}

bool SourceListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != kFileNameColumn ||
      !jobs_.contains(index.row()))
    return false;
  jobs_.setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
  return true;
}

Qt::ItemFlags SourceListModel::flags(const QModelIndex &index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == kFileNameColumn) f |= Qt::ItemIsUserCheckable;
  return f;
}

QVariant SourceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || !validColumn(section)) return QAbstractTableModel::headerData(section, orientation, role);
  if (role == Qt::DisplayRole) return QString::fromLatin1(kColumns[section].title);
  if (role == Qt::TextAlignmentRole && section != kFileNameColumn)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
  return {};
}

void SourceListModel::jobsInserting(int first, int last) { beginInsertRows(QModelIndex(), first, last); }
void SourceListModel::jobsInserted() { endInsertRows(); }
void SourceListModel::jobsRemoving(int first, int last) { beginRemoveRows(QModelIndex(), first, last); }
void SourceListModel::jobsRemoved() { endRemoveRows(); }

void SourceListModel::jobsChanged(int first, int last) {
  emit dataChanged(index(first, 0), index(last, kSourceListColumnCount - 1));
}
