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

  // Loads `path` for playback into the bound window, without a turn of its
  // own (see setTurn). Returns false when the graph is not active or the
  // path is empty, and when the file is missing or cannot be read (then
  // mediaFailed is raised at once). Loading runs in the background; a file
  // that cannot be played leaves the preview without a picture, and
  // mediaFailed is raised once for it.
  bool renderFile(const QString &path);
  QString fileName() const { return file_; }
  // Why the loaded file cannot be played; "" while nothing failed.
  QString failure() const { return failure_; }
  // Whether the loaded file has a picture (false until that is known).
  bool hasVideo() const;
  // Whether playback ran to the end of the loaded file (and stays there, on
  // its last picture, until Play starts it again or a seek moves it).
  bool atEnd() const;

  // Turns the pictures this many quarters clockwise (0 ... 3, other values
  // taken modulo 4), on top of the turn the file's own display matrix asks
  // for. The current picture is shown again with the new turn. Loading a
  // file sets it back to 0.
  void setTurn(int quarterTurnsClockwise);
  int turn() const { return turn_; }

  bool play();
  // At the end of the file the last picture stays (nothing restarts); true
  // as long as a file is loaded.
  bool pause();
  bool stop();
  PlaybackState state() const;

  // Length of the loaded media in milliseconds (0 while unknown).
  int64_t duration() const;
  // The playback position in milliseconds: the length once the end is
  // reached.
  int64_t position() const;
  void setPosition(int64_t ms);

  // Sound level on the linear scale 0 ... 10000 (10000 at start); values
  // outside the scale are clamped.
  void setVolume(int volume);
  int volume() const { return volume_; }
  // The gain handed to the sound output (0 ... 1).
  double outputGain() const;
  // Whether the sound reaches a device (false on a machine without sound,
  // where it still runs silently, so that the clock of a file with sound
  // only moves as well).
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
  // Whether the loaded file has a picture, once that is known.
  void videoAvailable(bool available);
  // Playback reached the end of the file.
  void ended();

 private:
  void onFrame(const QVideoFrame &frame);
  void showTurned(QVideoFrame frame, int ownAngle);
  void fail(const QString &reason);
  void applyVolume();

  struct Graph;
  std::unique_ptr<Graph> graph_;
  QPointer<PreviewView> window_;
  QString file_;
  QString failure_;
  int volume_ = 10000;
  int turn_ = 0;
  QVideoFrame lastFrame_;  // the picture shown last, and the turn its file gave it
  int lastOwnAngle_ = 0;
};
