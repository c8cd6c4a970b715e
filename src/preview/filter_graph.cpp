#include "filter_graph.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>
#include <QVideoSink>

#include "preview_volume.h"
#include "video_window.h"

struct TFilterGraph::TGraph {
  // Destroyed in reverse order: the player first, then what it used.
  std::unique_ptr<QVideoSink> sink;
  std::unique_ptr<QAudioOutput> audio;
  std::unique_ptr<QMediaPlayer> player;
};

TFilterGraph::TFilterGraph(QObject *parent) : QObject(parent) {}

TFilterGraph::~TFilterGraph() { Deactivate(); }

void TFilterGraph::Activate() {
  if (graph_) return;
  auto g = std::make_unique<TGraph>();
  g->sink = std::make_unique<QVideoSink>();
  g->player = std::make_unique<QMediaPlayer>();
  // Without any sound device the player still runs, just silently; an
  // output is attached only where there is a device to play on.
  if (!QMediaDevices::audioOutputs().isEmpty()) {
    g->audio = std::make_unique<QAudioOutput>();
    g->player->setAudioOutput(g->audio.get());
  }
  g->player->setVideoSink(g->sink.get());
  connect(g->sink.get(), &QVideoSink::videoFrameChanged, this, &TFilterGraph::onFrame);
  connect(g->player.get(), &QMediaPlayer::durationChanged, this, &TFilterGraph::DurationChanged);
  connect(g->player.get(), &QMediaPlayer::playbackStateChanged, this,
          [this](QMediaPlayer::PlaybackState) { emit StateChanged(State()); });
  connect(g->player.get(), &QMediaPlayer::errorOccurred, this,
          [this](QMediaPlayer::Error, const QString &message) { emit MediaFailed(message); });
  graph_ = std::move(g);
  applyVolume();
}

void TFilterGraph::Deactivate() {
  if (!graph_) return;
  std::unique_ptr<TGraph> g = std::move(graph_);
  g->player->disconnect(this);
  g->sink->disconnect(this);
  g->player->stop();
  g->player->setVideoSink(nullptr);
  g->player->setAudioOutput(nullptr);
  g->player.reset();
  g->audio.reset();
  g->sink.reset();
  file_.clear();
  emit GraphCleared();
}

bool TFilterGraph::Active() const { return graph_ != nullptr; }

void TFilterGraph::ClearGraph() {
  if (!graph_) return;
  graph_->player->stop();
  graph_->player->setSource(QUrl());
  file_.clear();
  emit GraphCleared();
}

bool TFilterGraph::RenderFile(const QString &path) {
  if (!graph_ || path.isEmpty()) return false;
  emit GraphCleared();  // the previous file's last picture is no longer current
  file_ = path;
  graph_->player->setSource(QUrl::fromLocalFile(path));
  return true;
}

bool TFilterGraph::Play() {
  if (!graph_ || graph_->player->source().isEmpty()) return false;
  graph_->player->play();
  return true;
}

bool TFilterGraph::Pause() {
  if (!graph_ || graph_->player->source().isEmpty()) return false;
  graph_->player->pause();
  return true;
}

bool TFilterGraph::Stop() {
  if (!graph_) return false;
  graph_->player->stop();
  return true;
}

TFilterGraph::TGraphState TFilterGraph::State() const {
  if (!graph_) return gsStopped;
  switch (graph_->player->playbackState()) {
    case QMediaPlayer::PlayingState: return gsPlaying;
    case QMediaPlayer::PausedState: return gsPaused;
    default: return gsStopped;
  }
}

int64_t TFilterGraph::Duration() const { return graph_ ? graph_->player->duration() : 0; }

int64_t TFilterGraph::Position() const { return graph_ ? graph_->player->position() : 0; }

void TFilterGraph::SetPosition(int64_t ms) {
  if (!graph_) return;
  graph_->player->setPosition(ms < 0 ? 0 : ms);
}

void TFilterGraph::SetVolume(int volume) {
  volume_ = preview::ClampVolume(volume);
  applyVolume();
}

double TFilterGraph::OutputGain() const { return preview::VolumeToGain(volume_); }

bool TFilterGraph::HasSoundOutput() const { return graph_ && graph_->audio; }

void TFilterGraph::applyVolume() {
  if (graph_ && graph_->audio) graph_->audio->setVolume(static_cast<float>(OutputGain()));
}

void TFilterGraph::SetVideoWindow(TVideoWindow *window) {
  if (window_ == window) return;
  if (window_) window_->ShowFrame(QVideoFrame());
  window_ = window;
}

QMediaPlayer *TFilterGraph::Player() const { return graph_ ? graph_->player.get() : nullptr; }

void TFilterGraph::onFrame(const QVideoFrame &frame) {
  if (!graph_) return;  // a picture still under way when the graph went away
  if (window_) window_->ShowFrame(frame);
  emit FrameArrived(frame);
}
