#include "settings_store.h"

#include <QDir>
#include <QSettings>
#include <QVariant>
#include <limits>

#include "app_info.h"

namespace {

std::unique_ptr<QSettings> MakeSettings(const QString &folder) {
  const QString org = QString::fromLatin1(trevix::kOrganisation);
  const QString app = QString::fromLatin1(trevix::kProgramTitle);
  if (folder.isEmpty())
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, org, app);
  const QString file = QDir(folder).filePath(org + QLatin1Char('/') + app + QStringLiteral(".conf"));
  return std::make_unique<QSettings>(file, QSettings::NativeFormat);
}

}  // namespace

TQtSettingsStore::TQtSettingsStore(const QString &folder) : folder_(folder) {
  if (folder_.isEmpty()) folder_ = qEnvironmentVariable("TREVIX_SETTINGS_DIR");
}

TQtSettingsStore::~TQtSettingsStore() { CloseKey(); }

bool TQtSettingsStore::OpenKey() {
  if (!settings_) settings_ = MakeSettings(folder_);
  return settings_->status() == QSettings::NoError;
}

void TQtSettingsStore::CloseKey() {
  if (!settings_) return;
  settings_->sync();
  settings_.reset();
}

QString TQtSettingsStore::FileName() const {
  if (settings_) return settings_->fileName();
  return MakeSettings(folder_)->fileName();
}

bool TQtSettingsStore::ValueExists(const QString &name) const {
  return settings_ && settings_->contains(name);
}

bool TQtSettingsStore::ReadString(const QString &name, QString &value) const {
  if (!ValueExists(name)) return false;
  const QVariant v = settings_->value(name);
  // Text files keep strings as strings; lists, byte arrays and other typed
  // values are not strings.
  if (v.typeId() != QMetaType::QString) return false;
  value = v.toString();
  return true;
}

bool TQtSettingsStore::ReadInteger(const QString &name, int32_t &value) const {
  if (!ValueExists(name)) return false;
  const QVariant v = settings_->value(name);
  qlonglong n = 0;
  bool ok = false;
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
      n = v.toLongLong(&ok);
      break;
    case QMetaType::QString:
      // Only a plain decimal number counts: no blanks, no fraction.
      n = v.toString().toLongLong(&ok, 10);
      if (ok && v.toString().trimmed() != v.toString()) ok = false;
      break;
    default:
      return false;
  }
  if (!ok || n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
    return false;
  value = static_cast<int32_t>(n);
  return true;
}

bool TQtSettingsStore::WriteString(const QString &name, const QString &value) {
  if (!settings_ || !settings_->isWritable()) return false;
  settings_->setValue(name, value);
  return true;
}

bool TQtSettingsStore::WriteInteger(const QString &name, int32_t value) {
  if (!settings_ || !settings_->isWritable()) return false;
  settings_->setValue(name, static_cast<int>(value));
  return true;
}
