// The preview's playback graph: one media player with its sound output,
// created on activation and released on deactivation. Every decoded picture
// passes through the graph's own video sink, from where it goes on to the
// bound video window and to the frame grabbers.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVideoFrame>

#include <cstdint>
#include <memory>

class QAudioOutput;
class QMediaPlayer;
class QVideoSink;
#include "preview_view.h"

class PreviewPlayer : public QObject {
  Q_OBJECT

 public:
  enum class PlaybackState { Stopped, Paused, Playing };

  explicit PreviewPlayer(QObject *parent = nullptr);
  ~PreviewPlayer() override;

  // Creates the player, its sound output and the video path. Does nothing
  // when the graph is active already.
  void activate();
  // Stops and releases the player; the volume setting is kept.
  void deactivate();
  bool active() const;

  // Stops playback and unloads the media; the graph stays active.
  void clearGraph();

  // Loads `path` for playback into the bound window. Returns false when the
  // graph is not active or the path is empty. Loading runs in the
  // background; a file that cannot be played leaves the preview without a
  // picture (MediaFailed is raised).
  bool renderFile(const QString &path);
  QString fileName() const { return file_; }

  bool play();
  bool pause();
  bool stop();
  PlaybackState state() const;

  // Length of the loaded media in milliseconds (0 while unknown).
  int64_t duration() const;
  int64_t position() const;
  void setPosition(int64_t ms);

  // Sound level on the linear scale 0 ... 10000 (10000 at start); values
  // outside the scale are clamped.
  void setVolume(int volume);
  int volume() const { return volume_; }
  // The gain handed to the sound output (0 ... 1).
  double outputGain() const;
  // Whether a sound output is attached (false on a machine without sound).
  bool hasSoundOutput() const;

  // The window the pictures are shown in (may be null).
  void setView(PreviewView *window);
  PreviewView *view() const { return window_; }

  QMediaPlayer *player() const;

 signals:
  void frameArrived(const QVideoFrame &frame);
  void graphCleared();
  void durationChanged(qint64 ms);
  void stateChanged(PreviewPlayer::PlaybackState state);
  void mediaFailed(const QString &message);

 private:
  void onFrame(const QVideoFrame &frame);
  void applyVolume();

  struct Graph;
  std::unique_ptr<Graph> graph_;
  QPointer<PreviewView> window_;
  QString file_;
  int volume_ = 10000;
};
