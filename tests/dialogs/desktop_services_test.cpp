// The desktop's notification service as the program reaches it: a private
// session bus (dbus-daemon) with a stand-in for the service. Nothing is
// shown where no service runs, and the call the service gets carries the
// program's name, icon, title and text.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QVariantMap>
#include <memory>

#include "desktop_services.h"
#include "latin1_text.h"
#include "test_env.h"

namespace {

// Answers Notify as a desktop's notification daemon would, and keeps what
// it was told.
class NotificationStandIn : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  QStringList received;  // "app|icon|summary|body|desktop-entry|timeout"

 public slots:
  uint Notify(const QString &app, uint, const QString &icon, const QString &summary, const QString &body,
              const QStringList &, const QVariantMap &hints, int timeout) {
    received << QStringList{app, icon, summary, body, hints.value(Q("desktop-entry")).toString(),
                            QString::number(timeout)}
                    .join(QLatin1Char('|'));
    return static_cast<uint>(received.size());
  }
};

// The bus of this test process, started before anything uses the session
// bus; empty when dbus-daemon is not installed.
QProcess *gBus = nullptr;

bool busAvailable() { return gBus && gBus->state() == QProcess::Running; }

TEST(Notifications, NothingIsShownWhereNoServiceRuns) {
  if (!busAvailable()) GTEST_SKIP() << "dbus-daemon is not installed";
  SystemDesktopServices desktop;
  EXPECT_FALSE(desktop.notify(Q("Trevix MOV Video Converter"), Q("All Conversions Completed")));
}

TEST(Notifications, TheServiceGetsTheProgramsNotification) {
  if (!busAvailable()) GTEST_SKIP() << "dbus-daemon is not installed";
  QDBusConnection bus = QDBusConnection::sessionBus();
  NotificationStandIn service;
  ASSERT_TRUE(bus.registerObject(Q(kNotificationPath), &service, QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(bus.registerService(Q(kNotificationService)));
  SystemDesktopServices desktop;
  EXPECT_TRUE(desktop.notify(Q("Trevix MOV Video Converter"), Q("All Conversions Completed: 2 Done, 1 Fail")));
  EXPECT_TRUE(waitUntil([&] { return !service.received.isEmpty(); }, 5000,
                        [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }));
  EXPECT_EQ(service.received,
            QStringList{Q("Trevix MOV Video Converter|" TREVIX_APP_ID
                          "|Trevix MOV Video Converter|All Conversions Completed: 2 Done, 1 Fail|" TREVIX_APP_ID
                          "|-1")});
  bus.unregisterService(Q(kNotificationService));
  bus.unregisterObject(Q(kNotificationPath));
}

}  // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // A bus of our own, so the user's desktop is neither used nor disturbed.
  std::unique_ptr<QProcess> bus;
  const QString daemon = QStandardPaths::findExecutable(Q("dbus-daemon"));
  if (!daemon.isEmpty()) {
    bus = std::make_unique<QProcess>();
    bus->start(daemon, {Q("--session"), Q("--nofork"), Q("--print-address=1")});
    if (bus->waitForStarted(5000) && bus->waitForReadyRead(5000)) {
      qputenv("DBUS_SESSION_BUS_ADDRESS", bus->readLine().trimmed());
      gBus = bus.get();
    }
  }
  QCoreApplication app(argc, argv);
  const int result = RUN_ALL_TESTS();
  if (bus) {
    bus->terminate();
    bus->waitForFinished(5000);
  }
  return result;
}

#include "desktop_services_test.moc"
