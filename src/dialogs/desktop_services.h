// What the window asks of the desktop besides its dialogs: opening a folder
// or a file with the program the user chose for it, and a notification.
// The window reaches the desktop only through DesktopServices, so that
// tests can give their own.
#pragma once

#include <QString>
#include <QUrl>

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;
  // Opens a folder, a file or an address with the desktop's handler for
  // it; false when none took it.
  virtual bool openUrl(const QUrl &url) = 0;
  // Shows a notification with `title` and `text`; false (and nothing
  // shown) where no notification service runs.
  virtual bool notify(const QString &title, const QString &text) = 0;
};

// The desktop's own services: QDesktopServices for opening, and the
// freedesktop notification service (org.freedesktop.Notifications) on the
// session bus for notifications. The notification is sent without waiting
// for an answer, so a slow service never holds up the window. UI thread.
class SystemDesktopServices : public DesktopServices {
 public:
  bool openUrl(const QUrl &url) override;
  bool notify(const QString &title, const QString &text) override;
};

// The program-wide instance of SystemDesktopServices.
DesktopServices &systemDesktopServices();

// The notification service's names on the session bus.
inline constexpr const char *kNotificationService = "org.freedesktop.Notifications";
inline constexpr const char *kNotificationPath = "/org/freedesktop/Notifications";
