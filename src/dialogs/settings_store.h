// The per-user settings store: one key holding named string and integer
// values. Reads are strict: a missing value, or one that does not read as
// the asked type, is a failed read.
#pragma once

#include <QString>
#include <memory>

class QSettings;

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // Opens the key, creating it when missing. False when it cannot be used.
  virtual bool OpenKey() = 0;
  // Writes pending values and releases the key; safe to call when closed.
  virtual void CloseKey() = 0;
  virtual bool ValueExists(const QString &name) const = 0;
  virtual bool ReadString(const QString &name, QString &value) const = 0;
  virtual bool ReadInteger(const QString &name, int32_t &value) const = 0;
  virtual bool WriteString(const QString &name, const QString &value) = 0;
  virtual bool WriteInteger(const QString &name, int32_t value) = 0;
};

// The store on QSettings in the native per-user format, organisation
// "Trevix", application "Trevix MOV Video Converter".
//
// The location can be moved, for tests and portable use: a non-empty
// `folder`, else the environment variable TREVIX_SETTINGS_DIR, names a
// folder that takes the place of the user's configuration folder (the file
// is then <folder>/Trevix/Trevix MOV Video Converter.conf).
class TQtSettingsStore : public ISettingsStore {
 public:
  explicit TQtSettingsStore(const QString &folder = QString());
  ~TQtSettingsStore() override;

  bool OpenKey() override;
  void CloseKey() override;
  bool ValueExists(const QString &name) const override;
  bool ReadString(const QString &name, QString &value) const override;
  bool ReadInteger(const QString &name, int32_t &value) const override;
  bool WriteString(const QString &name, const QString &value) override;
  bool WriteInteger(const QString &name, int32_t value) override;

  // The file that holds the values.
  QString FileName() const;

 private:
  QString folder_;  // empty: the native default location
  std::unique_ptr<QSettings> settings_;
};
