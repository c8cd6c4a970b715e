#include "add_file_thread.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

TBMDThread::TBMDThread(QObject *owner, std::function<void()> onStart)
    : QObject(owner), OnStart(std::move(onStart)) {}

void TBMDThread::Start(int) {
  if (active_) return;
  active_ = true;
  // The run ends once the UI thread is back in its event loop.
  struct TEndOfRun {
    TBMDThread *self;
    ~TEndOfRun() {
      QMetaObject::invokeMethod(self, [s = self] { s->active_ = false; }, Qt::QueuedConnection);
    }
  } end{this};
  if (OnStart) OnStart();
}

TFileDropTarget::TFileDropTarget(QWidget *window, std::function<QWidget *()> target,
                                 std::function<void(const QStringList &)> onDrop,
                                 std::function<bool()> accepting)
    : QObject(window),
      window_(window),
      target_(std::move(target)),
      onDrop_(std::move(onDrop)),
      accepting_(std::move(accepting)) {
  window->setAcceptDrops(true);
  window->installEventFilter(this);
}

QStringList TFileDropTarget::LocalFiles(const QMimeData *mime) {
  QStringList files;
  if (!mime || !mime->hasUrls()) return files;
  for (const QUrl &url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (path.isEmpty() || QFileInfo(path).isDir()) continue;
    files << path;
  }
  return files;
}

bool TFileDropTarget::OverTarget(const QPointF &windowPos) const {
  QWidget *target = target_ ? target_() : nullptr;
  if (!target || !target->isEnabled()) return false;
  const QPoint p = target->mapFrom(window_, windowPos.toPoint());
  return target->rect().contains(p);
}

bool TFileDropTarget::eventFilter(QObject *watched, QEvent *event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto *e = static_cast<QDragMoveEvent *>(event);
      const bool ok = (!accepting_ || accepting_()) && OverTarget(e->position()) &&
                      !LocalFiles(e->mimeData()).isEmpty();
      if (ok)
        e->acceptProposedAction();
      else
        e->ignore();
      return true;
    }
    case QEvent::Drop: {
      auto *e = static_cast<QDropEvent *>(event);
      if ((accepting_ && !accepting_()) || !OverTarget(e->position())) {
        e->ignore();
        return true;
      }
      const QStringList files = LocalFiles(e->mimeData());
      if (files.isEmpty()) {
        e->ignore();
        return true;
      }
      e->acceptProposedAction();
      // The files are added once the drop is over, so the file manager is
      // not kept waiting while they are probed.
      QMetaObject::invokeMethod(
          this, [this, files] { if (onDrop_) onDrop_(files); }, Qt::QueuedConnection);
      return true;
    }
    default:
      return false;
  }
}
