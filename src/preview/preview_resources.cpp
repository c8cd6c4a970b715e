#include "preview_resources.h"

#include <QAudioDevice>
#include <QDir>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {
const char *const kResourceFolder = ":/preview";
}

QString previewResourcePath(const QString &name, const QString &type) {
  const QString wanted = (name + QLatin1Char('.') + type).toLower();
  const QStringList entries = QDir(QString::fromLatin1(kResourceFolder)).entryList(QDir::Files);
  for (const QString &entry : entries) {
    if (entry.toLower() == wanted) return QString::fromLatin1(kResourceFolder) + QLatin1Char('/') + entry;
  }
  return QString();
}

QPixmap previewGlyph(const QString &name) {
  const QString path = previewResourcePath(name, QStringLiteral("png"));
  return path.isEmpty() ? QPixmap() : QPixmap(path);
}

ResourceSound::ResourceSound(QObject *parent) : QObject(parent) {}

ResourceSound::~ResourceSound() = default;

bool ResourceSound::play(const QString &name) {
  const QString path = previewResourcePath(name, QStringLiteral("wav"));
  if (path.isEmpty()) return false;
  if (QMediaDevices::audioOutputs().isEmpty()) return false;
  if (!effect_) effect_ = new QSoundEffect(this);
  if (loaded_ != path) {
    effect_->setSource(QUrl(QStringLiteral("qrc") + path));
    loaded_ = path;
  }
  effect_->stop();
  effect_->play();
  ++started_;
  return true;
}
