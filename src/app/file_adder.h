// The worker-thread component that starts the add-file procedure, and the
// drop target that lets files dragged from a file manager onto the source
// list take the same road.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QWidget;

// Holds at most one run at a time. Start raises OnStart on the calling
// thread and waits for it to return; the run ends when control is back in
// the event loop of that thread. A Start while a run is active (for
// example from inside OnStart, while it lets the UI process events) is
// ignored.
class FileAdder : public QObject {
  Q_OBJECT
 public:
  explicit FileAdder(QObject *owner, std::function<void()> onStart = nullptr);

  std::function<void()> onStart;
  int refreshInterval = 100;   // ms; the refresh timer is not used
  bool updateEnabled = false;

  // `data` is handed to nobody; kept for the component's interface. Errors
  // raised by OnStart reach the caller, and the component is idle again.
  void start(int data = 0);
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
