#include "settings_store.h"

#include <QDir>
#include <QSettings>
#include <QVariant>
#include <limits>

#include "app_info.h"

namespace {

std::unique_ptr<QSettings> makeSettings(const QString &folder) {
  const QString org = QString::fromLatin1(trevix::kOrganisation);
  const QString app = QString::fromLatin1(trevix::kProgramTitle);
  if (folder.isEmpty())
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, org, app);
  const QString file = QDir(folder).filePath(org + QLatin1Char('/') + app + QStringLiteral(".conf"));
  return std::make_unique<QSettings>(file, QSettings::NativeFormat);
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString &folder) : folder_(folder) {}

QtSettingsStore::~QtSettingsStore() { closeKey(); }

bool QtSettingsStore::openKey() {
  if (!settings_) settings_ = makeSettings(folder_);
  // A file that reads partly as junk (a format error) still gives the
  // values that are good, and may be written again.
  return settings_->status() != QSettings::AccessError;
}

void QtSettingsStore::closeKey() {
  if (!settings_) return;
  settings_->sync();
  settings_.reset();
}

QString QtSettingsStore::fileName() const {
  if (settings_) return settings_->fileName();
  return makeSettings(folder_)->fileName();
}

bool QtSettingsStore::valueExists(const QString &name) const {
  return settings_ && settings_->contains(name);
}

bool QtSettingsStore::readString(const QString &name, QString &value) const {
  if (!valueExists(name)) return false;
  const QVariant v = settings_->value(name);
  // Text files keep strings as strings; lists, byte arrays and other typed
  // values are not strings.
  if (v.typeId() != QMetaType::QString) return false;
  value = v.toString();
  return true;
}

bool QtSettingsStore::readInteger(const QString &name, int32_t &value) const {
  if (!valueExists(name)) return false;
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

bool QtSettingsStore::writeString(const QString &name, const QString &value) {
  if (!settings_ || !settings_->isWritable()) return false;
  settings_->setValue(name, value);
  return true;
}

bool QtSettingsStore::writeInteger(const QString &name, int32_t value) {
  if (!settings_ || !settings_->isWritable()) return false;
  settings_->setValue(name, static_cast<int>(value));
  return true;
}

bool QtSettingsStore::removeAll() {
  if (!settings_ || !settings_->isWritable()) return false;
  settings_->clear();
  return true;
}

bool QtSettingsStore::flush() {
  if (!settings_) return false;
  settings_->sync();
  // A format error stays from the read; only an access error is the write's.
  return settings_->status() != QSettings::AccessError;
}
