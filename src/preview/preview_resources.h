// The preview's built-in resources: the volume button's glyphs ("spkfull",
// "spkhalf", "spkmute") and the snapshot sound ("Snap", a WAV). Names are
// compared without regard to case.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>

class QSoundEffect;

// The resource path of `name` with the given type ("png", "wav"), or "" when
// the program has no such resource.
QString previewResourcePath(const QString &name, const QString &type);

// The glyph of that name; a null pixmap when there is none.
QPixmap previewGlyph(const QString &name);

// Plays a WAV resource without holding up the caller. On a machine
// without a sound device nothing is played.
class ResourceSound : public QObject {
  Q_OBJECT

 public:
  explicit ResourceSound(QObject *parent = nullptr);
  ~ResourceSound() override;

  // Starts the sound; false when the resource is missing or nothing can
  // play it.
  bool play(const QString &name);
  // The number of times a sound was started (for the checks of the window).
  int started() const { return started_; }

 private:
  QSoundEffect *effect_ = nullptr;
  QString loaded_;
  int started_ = 0;
};
