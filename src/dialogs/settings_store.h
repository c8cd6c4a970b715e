// The per-user settings store: one key holding named string and integer
// values. Reads are strict: a missing value, or one that does not read as
// the asked type, is a failed read.
#pragma once

#include <QString>
#include <memory>

class QSettings;

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Opens the key, creating it when missing. False when it cannot be read.
  virtual bool openKey() = 0;
  // Writes pending values and releases the key; safe to call when closed.
  virtual void closeKey() = 0;
  virtual bool valueExists(const QString &name) const = 0;
  virtual bool readString(const QString &name, QString &value) const = 0;
  virtual bool readInteger(const QString &name, int32_t &value) const = 0;
  virtual bool writeString(const QString &name, const QString &value) = 0;
  virtual bool writeInteger(const QString &name, int32_t value) = 0;
  // Removes every value of the key (the program's and any other).
  virtual bool removeAll() = 0;
  // Writes pending values now; false when they could not be kept.
  virtual bool flush() = 0;
};

// The store on QSettings in the native per-user format, organisation
// "Trevix", application "Trevix MOV Video Converter".
//
// The location can be moved, for tests: a non-empty `folder` takes the
// place of the user's configuration folder (the file is then
// <folder>/Trevix/Trevix MOV Video Converter.conf).
class QtSettingsStore : public SettingsStore {
 public:
  explicit QtSettingsStore(const QString &folder = QString());
  ~QtSettingsStore() override;

  bool openKey() override;
  void closeKey() override;
  bool valueExists(const QString &name) const override;
  bool readString(const QString &name, QString &value) const override;
  bool readInteger(const QString &name, int32_t &value) const override;
  bool writeString(const QString &name, const QString &value) override;
  bool writeInteger(const QString &name, int32_t value) override;
  bool removeAll() override;
  bool flush() override;

  // The file that holds the values.
  QString fileName() const;

 private:
  QString folder_;  // empty: the native default location
  std::unique_ptr<QSettings> settings_;
};
