// Desktop notifications reach a stand-in server on a private session bus
// without waiting for it; with no server nothing breaks (no bus at all:
// e2e_notify.sh).
#include "platform/notifications.h"

#include <gtest/gtest.h>

#include "notification_standin.h"
#include "testenv.h"

using namespace vistrel;
using namespace vistrel::test;
using platform::DesktopNotifier;
using platform::Notice;
using platform::Urgency;

TEST(Notifications, NoticesReachTheServerAndAKeyedOneReplacesItsLast) {
  PrivateSessionBus bus(false);
  if (bus.address.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
  StandInNotifications server;
  ASSERT_TRUE(server.Serve(bus.address));
  QDBusConnection client = QDBusConnection::connectToBus(bus.address, "client");
  ASSERT_TRUE(client.isConnected());
  {
    DesktopNotifier notifier(client);
    struct Case {
      Notice notice;
      uint replaces;  // what the server is told to replace
      uchar urgency;
    } const cases[] = {
        {{"Recording stopped", "The disk is full.", Urgency::Critical, {}}, 0, 2},
        {{"Intervalometer picture saved", "/p/Image 1.bmp", Urgency::Low, "interval"}, 0, 0},
        {{"Intervalometer picture saved", "/p/Image 2.bmp", Urgency::Low, "interval"}, 43, 0},
        {{"Scheduled recording started", "Recording into /v/a.avi", Urgency::Normal, {}}, 0, 1},
    };
    for (const Case &c : cases) {
      SCOPED_TRACE(c.notice.body.toStdString());
      const qsizetype before = server.calls.size();
      notifier.Show(c.notice);
      // The server lives on this thread: had the call waited for its answer,
      // the server could not have taken it yet.
      EXPECT_EQ(notifier.Pending(), 1);
      EXPECT_EQ(server.calls.size(), before);
      ASSERT_TRUE(SpinUntil([&] { return notifier.Pending() == 0; }, 5000));
      ASSERT_EQ(server.calls.size(), before + 1);
      const auto &call = server.calls.last();
      EXPECT_EQ(call.app, "Vistrel");
      EXPECT_EQ(call.summary, c.notice.summary);
      EXPECT_EQ(call.body, c.notice.body);
      EXPECT_EQ(call.replaces, c.replaces);
      EXPECT_EQ(call.hints.value("urgency").value<uchar>(), c.urgency);
      EXPECT_EQ(call.hints.value("desktop-entry").toString(), "vistrel");
    }
  }
  QDBusConnection::disconnectFromBus("client");
}

TEST(Notifications, NoServerBreaksNothing) {
  PrivateSessionBus bus(false);
  if (bus.address.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
  QDBusConnection client = QDBusConnection::connectToBus(bus.address, "client");
  ASSERT_TRUE(client.isConnected());
  {
    DesktopNotifier notifier(client);
    QList<bool> answers;
    QObject::connect(&notifier, &DesktopNotifier::answered, [&](bool shown) { answers << shown; });
    notifier.Show({"Recording stopped", "no server here", Urgency::Critical, {}});
    ASSERT_TRUE(SpinUntil([&] { return notifier.Pending() == 0; }, 8000));
    EXPECT_EQ(answers, QList<bool>{false});
  }
  QDBusConnection::disconnectFromBus("client");
}
