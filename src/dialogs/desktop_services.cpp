#include "desktop_services.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QStringList>
#include <QVariantMap>

#include "app_info.h"

bool SystemDesktopServices::openUrl(const QUrl &url) { return QDesktopServices::openUrl(url); }

bool SystemDesktopServices::notify(const QString &title, const QString &text) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  const QString service = QString::fromLatin1(kNotificationService);
  QDBusConnectionInterface *daemon = bus.interface();
  if (!daemon || !daemon->isServiceRegistered(service)) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(service, QString::fromLatin1(kNotificationPath), service,
                                                     QStringLiteral("Notify"));
  const QString appId = QString::fromLatin1(trevix::kDesktopId);
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), appId);
  // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
  call << QString::fromLatin1(trevix::kProgramTitle) << 0u << appId << title << text << QStringList() << hints
       << -1;
  return bus.send(call);
}

DesktopServices &systemDesktopServices() {
  static SystemDesktopServices services;
  return services;
}
