#include "preview_view.h"

#include <QLayout>
#include <QPalette>
#include <QVBoxLayout>
#include <QVideoSink>

PreviewView::PreviewView(QWidget *parent) : QVideoWidget(parent) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::Base, Qt::black);
  setPalette(pal);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setAspectRatioMode(Qt::KeepAspectRatio);
}

void PreviewView::fillPanel(QWidget *panel) {
  if (!panel) return;
  QLayout *layout = panel->layout();
  if (!layout) {
    layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
  }
  layout->addWidget(this);
}

void PreviewView::showFrame(const QVideoFrame &frame) {
  if (frame.isValid()) ++framesShown_;
  if (QVideoSink *sink = videoSink()) sink->setVideoFrame(frame);
}
