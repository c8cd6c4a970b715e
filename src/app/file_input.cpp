#include "file_input.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

ExclusiveRun::ExclusiveRun(QObject *owner, std::function<void()> runHandler)
    : QObject(owner), handler(std::move(runHandler)) {}

void ExclusiveRun::start() {
  if (active_) return;
  active_ = true;
  // The run ends once the UI thread is back in its event loop.
  struct EndOfRun {
    ExclusiveRun *self;
    ~EndOfRun() {
      QMetaObject::invokeMethod(self, [s = self] { s->active_ = false; }, Qt::QueuedConnection);
    }
  } end{this};
  if (handler) handler();
}

FileDropTarget::FileDropTarget(QWidget *window, std::function<QWidget *()> target,
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

QStringList FileDropTarget::localFiles(const QMimeData *mime) {
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

bool FileDropTarget::overTarget(const QPointF &windowPos) const {
  QWidget *target = target_ ? target_() : nullptr;
  if (!target || !target->isEnabled()) return false;
  const QPoint p = target->mapFrom(window_, windowPos.toPoint());
  return target->rect().contains(p);
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto *e = static_cast<QDragMoveEvent *>(event);
      const bool ok = (!accepting_ || accepting_()) && overTarget(e->position()) &&
                      !localFiles(e->mimeData()).isEmpty();
      if (ok)
        e->acceptProposedAction();
      else
        e->ignore();
      return true;
    }
    case QEvent::Drop: {
      auto *e = static_cast<QDropEvent *>(event);
      if ((accepting_ && !accepting_()) || !overTarget(e->position())) {
        e->ignore();
        return true;
      }
      const QStringList files = localFiles(e->mimeData());
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
