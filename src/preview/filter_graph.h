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
#include "video_window.h"

class TFilterGraph : public QObject {
  Q_OBJECT

 public:
  enum TGraphState { gsStopped, gsPaused, gsPlaying };

  explicit TFilterGraph(QObject *parent = nullptr);
  ~TFilterGraph() override;

  // Creates the player, its sound output and the video path. Does nothing
  // when the graph is active already.
  void Activate();
  // Stops and releases the player; the volume setting is kept.
  void Deactivate();
  bool Active() const;

  // Stops playback and unloads the media; the graph stays active.
  void ClearGraph();

  // Loads `path` for playback into the bound window. Returns false when the
  // graph is not active or the path is empty. Loading runs in the
  // background; a file that cannot be played leaves the preview without a
  // picture (MediaFailed is raised).
  bool RenderFile(const QString &path);
  QString FileName() const { return file_; }

  bool Play();
  bool Pause();
  bool Stop();
  TGraphState State() const;

  // Length of the loaded media in milliseconds (0 while unknown).
  int64_t Duration() const;
  int64_t Position() const;
  void SetPosition(int64_t ms);

  // Sound level on the linear scale 0 ... 10000 (10000 at start); values
  // outside the scale are clamped.
  void SetVolume(int volume);
  int Volume() const { return volume_; }
  // The gain handed to the sound output (0 ... 1).
  double OutputGain() const;
  // Whether a sound output is attached (false on a machine without sound).
  bool HasSoundOutput() const;

  // The window the pictures are shown in (may be null).
  void SetVideoWindow(TVideoWindow *window);
  TVideoWindow *VideoWindow() const { return window_; }

  QMediaPlayer *Player() const;

 signals:
  void FrameArrived(const QVideoFrame &frame);
  void GraphCleared();
  void DurationChanged(qint64 ms);
  void StateChanged(int state);
  void MediaFailed(const QString &message);

 private:
  void onFrame(const QVideoFrame &frame);
  void applyVolume();

  struct TGraph;
  std::unique_ptr<TGraph> graph_;
  QPointer<TVideoWindow> window_;
  QString file_;
  int volume_ = 10000;
};
