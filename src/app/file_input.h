// How files come into the source list: the guard that lets one add-file
// procedure run at a time, and the drop target that lets files dragged from
// a file manager onto the source list take the same road. UI thread only.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QWidget;

// Runs its handler on the calling thread, at most one run at a time. The
// run ends when control is back in the event loop of that thread, so a
// start while a run is active (for example from inside the handler, while
// it lets the UI process events) is ignored. It starts no thread.
class ExclusiveRun : public QObject {
  Q_OBJECT
 public:
  explicit ExclusiveRun(QObject *owner, std::function<void()> handler = nullptr);

  std::function<void()> handler;

  // Runs the handler unless a run is active. Errors raised by the handler
  // reach the caller.
  void start();
  bool active() const { return active_; }

 private:
  bool active_ = false;
};

// Accepts local files dropped onto `target` (a child of `window`) and hands
// their paths, in the order dropped, to `onDrop` once the drop is over (from
// the event loop). Folders and non-local
// addresses are left out; nothing is accepted while `accepting` says no.
class FileDropTarget : public QObject {
  Q_OBJECT
 public:
  FileDropTarget(QWidget *window, std::function<QWidget *()> target,
                  std::function<void(const QStringList &)> onDrop,
                  std::function<bool()> accepting = nullptr);

  static QStringList localFiles(const class QMimeData *mime);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  bool overTarget(const QPointF &windowPos) const;
  QWidget *window_;
  std::function<QWidget *()> target_;
  std::function<void(const QStringList &)> onDrop_;
  std::function<bool()> accepting_;
};
