#include "source_list_model.h"

#include <array>

#include "shown_text.h"

namespace {

struct ColumnLook {
  const char *title;
  int width;
  const char *widest;  // the widest texts the column shows, "|" between them
};

constexpr std::array<ColumnLook, kSourceListColumnCount> kColumns = {{
    {QT_TRANSLATE_NOOP("SourceListModel", "Video File Name"), 310, ""},
    {QT_TRANSLATE_NOOP("SourceListModel", "Video Size"), 90, "8888x8888"},
    {QT_TRANSLATE_NOOP("SourceListModel", "FrameRate"), 80, "888.88"},
    {QT_TRANSLATE_NOOP("SourceListModel", "Duration"), 60, "Unknown|100:00:00"},
    {QT_TRANSLATE_NOOP("SourceListModel", "Output"), 65, "MPEG|WMV"},
    {QT_TRANSLATE_NOOP("SourceListModel", "Progress"), 57, "Loading|Error|Abort|100%|00:00:00"},
    {QT_TRANSLATE_NOOP("SourceListModel", "Frames"), 60, "8888888"},
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
  // The English texts and the ones shown in the user's language.
  QStringList texts;
  for (const QString &text : QString::fromLatin1(kColumns[column].widest).split(QLatin1Char('|')))
    texts << text << shownText(text.toStdString());
  return texts;
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
      // The states and "Unknown" in the user's language; names and figures as they are.
      if (column == kProgressColumn || column == kDurationColumn) return shownText(sourceJobText(job, column));
      return QString::fromStdString(sourceJobText(job, column));
    case Qt::CheckStateRole:
      if (column == kFileNameColumn) return job.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      if (column != kFileNameColumn) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
      return {};
    case Qt::ToolTipRole: {
      const QString hint = sourceHintShown(job);
      if (!hint.isEmpty()) return hint;
      // A long path is cut off in its column: the hint shows it whole, with
      // the recording's time where the source has one.
      if (column == kFileNameColumn) {
        const QString recorded = recordingShown(job.probe);
        const QString path = QString::fromStdString(job.path);
        return recorded.isEmpty() ? path : path + QLatin1Char('\n') + recorded;
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
  if (role == Qt::DisplayRole) return tr(kColumns[section].title);
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
