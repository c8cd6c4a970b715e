#include "preview_player.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>
#include <QVideoSink>

#include "preview_volume.h"
#include "preview_view.h"

struct PreviewPlayer::Graph {
  // Destroyed in reverse order: the player first, then what it used.
  std::unique_ptr<QVideoSink> sink;
  std::unique_ptr<QAudioOutput> audio;
  std::unique_ptr<QMediaPlayer> player;
  bool soundDevice = false;
};

namespace {

QVideoFrame::RotationAngle turnedAngle(int degrees) {
  switch (((degrees % 360) + 360) % 360) {
    case 90: return QVideoFrame::Rotation90;
    case 180: return QVideoFrame::Rotation180;
    case 270: return QVideoFrame::Rotation270;
    default: return QVideoFrame::Rotation0;
  }
}

}  // namespace

PreviewPlayer::PreviewPlayer(QObject *parent) : QObject(parent) {}

PreviewPlayer::~PreviewPlayer() { deactivate(); }

void PreviewPlayer::activate() {
  if (graph_) return;
  auto g = std::make_unique<Graph>();
  g->sink = std::make_unique<QVideoSink>();
  g->player = std::make_unique<QMediaPlayer>();
  // The sound output is attached even without any device: the sound then
  // runs silently, and a file with sound only still plays (without an
  // output its playback fails at once).
  g->soundDevice = !QMediaDevices::audioOutputs().isEmpty();
  g->audio = std::make_unique<QAudioOutput>();
  g->player->setAudioOutput(g->audio.get());
  g->player->setVideoSink(g->sink.get());
  connect(g->sink.get(), &QVideoSink::videoFrameChanged, this, &PreviewPlayer::onFrame);
  connect(g->player.get(), &QMediaPlayer::durationChanged, this, &PreviewPlayer::durationChanged);
  connect(g->player.get(), &QMediaPlayer::playbackStateChanged, this,
          [this](QMediaPlayer::PlaybackState) { emit stateChanged(state()); });
  connect(g->player.get(), &QMediaPlayer::errorOccurred, this,
          [this](QMediaPlayer::Error, const QString &message) { fail(message); });
  connect(g->player.get(), &QMediaPlayer::hasVideoChanged, this, &PreviewPlayer::videoAvailable);
  connect(g->player.get(), &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
    if (status == QMediaPlayer::EndOfMedia) emit ended();
    if (status == QMediaPlayer::InvalidMedia) fail(graph_->player->errorString());
  });
  graph_ = std::move(g);
  applyVolume();
}

void PreviewPlayer::deactivate() {
  if (!graph_) return;
  std::unique_ptr<Graph> g = std::move(graph_);
  g->player->disconnect(this);
  g->sink->disconnect(this);
  g->player->stop();
  g->player->setVideoSink(nullptr);
  g->player->setAudioOutput(nullptr);
  g->player.reset();
  g->audio.reset();
  g->sink.reset();
  file_.clear();
  failure_.clear();
  lastFrame_ = QVideoFrame();
  emit graphCleared();
}

bool PreviewPlayer::active() const { return graph_ != nullptr; }

void PreviewPlayer::clearGraph() {
  if (!graph_) return;
  graph_->player->stop();
  graph_->player->setSource(QUrl());
  file_.clear();
  failure_.clear();
  lastFrame_ = QVideoFrame();
  emit graphCleared();
}

bool PreviewPlayer::renderFile(const QString &path) {
  if (!graph_ || path.isEmpty()) return false;
  // The previous file's last picture is no longer current.
  lastFrame_ = QVideoFrame();
  if (window_) window_->showFrame(QVideoFrame());
  emit graphCleared();
  file_ = path;
  failure_.clear();
  turn_ = 0;
  const QFileInfo info(path);
  if (!info.isFile() || !info.isReadable()) {
    graph_->player->setSource(QUrl());
    fail(info.exists() ? tr("the file cannot be read") : tr("the file does not exist"));
    return false;
  }
  graph_->player->setSource(QUrl::fromLocalFile(path));
  return true;
}

void PreviewPlayer::fail(const QString &reason) {
  // The media framework tends to report one fault several times.
  if (!failure_.isEmpty()) return;
  failure_ = reason.isEmpty() ? tr("the file cannot be played") : reason;
  emit mediaFailed(failure_);
}

bool PreviewPlayer::hasVideo() const { return graph_ && graph_->player->hasVideo(); }

bool PreviewPlayer::atEnd() const {
  return graph_ && graph_->player->mediaStatus() == QMediaPlayer::EndOfMedia;
}

bool PreviewPlayer::play() {
  if (!graph_ || graph_->player->source().isEmpty()) return false;
  graph_->player->play();
  return true;
}

bool PreviewPlayer::pause() {
  if (!graph_ || graph_->player->source().isEmpty()) return false;
  // Pausing an ended file would start it again from its first picture.
  if (!atEnd()) graph_->player->pause();
  return true;
}

bool PreviewPlayer::stop() {
  if (!graph_) return false;
  graph_->player->stop();
  return true;
}

PreviewPlayer::PlaybackState PreviewPlayer::state() const {
  if (!graph_) return PlaybackState::Stopped;
  switch (graph_->player->playbackState()) {
    case QMediaPlayer::PlayingState: return PlaybackState::Playing;
    case QMediaPlayer::PausedState: return PlaybackState::Paused;
    default: return PlaybackState::Stopped;
  }
}

int64_t PreviewPlayer::duration() const { return graph_ ? graph_->player->duration() : 0; }

int64_t PreviewPlayer::position() const {
  if (!graph_) return 0;
  return atEnd() ? graph_->player->duration() : graph_->player->position();
}

void PreviewPlayer::setPosition(int64_t ms) {
  if (!graph_) return;
  graph_->player->setPosition(ms < 0 ? 0 : ms);
}

void PreviewPlayer::setVolume(int volume) {
  volume_ = preview::clampVolume(volume);
  applyVolume();
}

double PreviewPlayer::outputGain() const { return preview::volumeToGain(volume_); }

bool PreviewPlayer::hasSoundOutput() const { return graph_ && graph_->soundDevice; }

void PreviewPlayer::applyVolume() {
  if (graph_ && graph_->audio) graph_->audio->setVolume(static_cast<float>(outputGain()));
}

void PreviewPlayer::setView(PreviewView *window) {
  if (window_ == window) return;
  if (window_) window_->showFrame(QVideoFrame());
  window_ = window;
}

QMediaPlayer *PreviewPlayer::player() const { return graph_ ? graph_->player.get() : nullptr; }

void PreviewPlayer::setTurn(int quarterTurnsClockwise) {
  const int turn = ((quarterTurnsClockwise % 4) + 4) % 4;
  if (turn == turn_) return;
  turn_ = turn;
  if (!graph_ || !lastFrame_.isValid()) return;
  // The window would take the same picture for no change.
  if (window_) window_->showFrame(QVideoFrame());
  showTurned(lastFrame_, lastOwnAngle_);
}

void PreviewPlayer::onFrame(const QVideoFrame &frame) {
  if (!graph_) return;  // a picture still under way when the graph went away
  if (!frame.isValid()) {
    if (window_) window_->showFrame(frame);
    emit frameArrived(frame);
    return;
  }
  // A frame handed over again already carries the turn.
  showTurned(frame, frame == lastFrame_ ? lastOwnAngle_ : static_cast<int>(frame.rotationAngle()));
}

void PreviewPlayer::showTurned(QVideoFrame frame, int ownAngle) {
  // The turn is marked on the picture (as the file's own is), which the
  // window and the snapshot both follow.
  frame.setRotationAngle(turnedAngle(ownAngle + 90 * turn_));
  lastFrame_ = frame;
  lastOwnAngle_ = ownAngle;
  if (window_) window_->showFrame(frame);
  emit frameArrived(frame);
}
