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
class TBMDThread : public QObject {
  Q_OBJECT
 public:
  explicit TBMDThread(QObject *owner, std::function<void()> onStart = nullptr);

  std::function<void()> OnStart;
  int RefreshInterval = 100;   // ms; the refresh timer is not used
  bool UpdateEnabled = false;

  // `data` is handed to nobody; kept for the component's interface. Errors
  // raised by OnStart reach the caller, and the component is idle again.
  void Start(int data = 0);
  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

// Accepts local files dropped onto `target` (a child of `window`) and hands
// their paths, in the order dropped, to `onDrop` once the drop is over (from
// the event loop). Folders and non-local
// addresses are left out; nothing is accepted while `accepting` says no.
class TFileDropTarget : public QObject {
  Q_OBJECT
 public:
  TFileDropTarget(QWidget *window, std::function<QWidget *()> target,
                  std::function<void(const QStringList &)> onDrop,
                  std::function<bool()> accepting = nullptr);

  static QStringList LocalFiles(const class QMimeData *mime);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  bool OverTarget(const QPointF &windowPos) const;
  QWidget *window_;
  std::function<QWidget *()> target_;
  std::function<void(const QStringList &)> onDrop_;
  std::function<bool()> accepting_;
};
