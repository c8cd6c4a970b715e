#include "preview_player.h"

#include <QAudioDevice>
#include <QAudioOutput>
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
};

PreviewPlayer::PreviewPlayer(QObject *parent) : QObject(parent) {}

PreviewPlayer::~PreviewPlayer() { deactivate(); }

void PreviewPlayer::activate() {
  if (graph_) return;
  auto g = std::make_unique<Graph>();
  g->sink = std::make_unique<QVideoSink>();
  g->player = std::make_unique<QMediaPlayer>();
  // Without any sound device the player still runs, just silently; an
  // output is attached only where there is a device to play on.
  if (!QMediaDevices::audioOutputs().isEmpty()) {
    g->audio = std::make_unique<QAudioOutput>();
    g->player->setAudioOutput(g->audio.get());
  }
  g->player->setVideoSink(g->sink.get());
  connect(g->sink.get(), &QVideoSink::videoFrameChanged, this, &PreviewPlayer::onFrame);
  connect(g->player.get(), &QMediaPlayer::durationChanged, this, &PreviewPlayer::durationChanged);
  connect(g->player.get(), &QMediaPlayer::playbackStateChanged, this,
          [this](QMediaPlayer::PlaybackState) { emit stateChanged(state()); });
  connect(g->player.get(), &QMediaPlayer::errorOccurred, this,
          [this](QMediaPlayer::Error, const QString &message) { emit mediaFailed(message); });
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
  emit graphCleared();
}

bool PreviewPlayer::active() const { return graph_ != nullptr; }

void PreviewPlayer::clearGraph() {
  if (!graph_) return;
  graph_->player->stop();
  graph_->player->setSource(QUrl());
  file_.clear();
  emit graphCleared();
}

bool PreviewPlayer::renderFile(const QString &path) {
  if (!graph_ || path.isEmpty()) return false;
  emit graphCleared();  // the previous file's last picture is no longer current
  file_ = path;
  graph_->player->setSource(QUrl::fromLocalFile(path));
  return true;
}

bool PreviewPlayer::play() {
  if (!graph_ || graph_->player->source().isEmpty()) return false;
  graph_->player->play();
  return true;
}

bool PreviewPlayer::pause() {
  if (!graph_ || graph_->player->source().isEmpty()) return false;
  graph_->player->pause();
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

int64_t PreviewPlayer::position() const { return graph_ ? graph_->player->position() : 0; }

void PreviewPlayer::setPosition(int64_t ms) {
  if (!graph_) return;
  graph_->player->setPosition(ms < 0 ? 0 : ms);
}

void PreviewPlayer::setVolume(int volume) {
  volume_ = preview::clampVolume(volume);
  applyVolume();
}

double PreviewPlayer::outputGain() const { return preview::volumeToGain(volume_); }

bool PreviewPlayer::hasSoundOutput() const { return graph_ && graph_->audio; }

void PreviewPlayer::applyVolume() {
  if (graph_ && graph_->audio) graph_->audio->setVolume(static_cast<float>(outputGain()));
}

void PreviewPlayer::setView(PreviewView *window) {
  if (window_ == window) return;
  if (window_) window_->showFrame(QVideoFrame());
  window_ = window;
}

QMediaPlayer *PreviewPlayer::player() const { return graph_ ? graph_->player.get() : nullptr; }

void PreviewPlayer::onFrame(const QVideoFrame &frame) {
  if (!graph_) return;  // a picture still under way when the graph went away
  if (window_) window_->showFrame(frame);
  emit frameArrived(frame);
}
