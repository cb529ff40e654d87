// A scheduled recording told to the desktop, through the started window and
// a stand-in notification server on a private session bus: its start and end,
// a start that fails, and nothing at all once the user turned it off.
#include "app/desktop_notices.h"

#include "app/cockpit_state.h"
#include "notification_standin.h"
#include "recording_fixture.h"
#include "settings/optionsframe.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

struct NoticedWindow {
  PrivateSessionBus bus;  // before the window: Qt connects to the session bus once
  StandInNotifications server;
  std::unique_ptr<RecordingWindow> w;
  QDateTime now = QDateTime::currentDateTime();
  bool ready = false;
  NoticedWindow() {
    if (bus.address.isEmpty() || !server.Serve(bus.address)) return;
    w = std::make_unique<RecordingWindow>();
    w->form.Horloge().SetNowSource([this] { return now; });
    w->Choose(w->VideoBox(), kCamera);
    w->Choose(w->AudioBox(), kMicrophone);
    w->Format(5);
    ready = true;
  }
  TCaptureForm::CockpitState &C() { return w->form.Cockpit(); }
  // Arms a schedule from `from` to `to` seconds from now.
  void Schedule(int from, int to) {
    SetScheduleFields(C(), now, from, to);
    w->form.Action("acProgrammerBascule")->ExecuteInteractive();
  }
  void Advance(int seconds) {
    now = now.addSecs(seconds);
    w->form.Horloge().Tick();
  }
  QStringList Summaries() const {
    QStringList out;
    for (const auto &c : server.calls) out << c.summary;
    return out;
  }
};

}  // namespace

TEST(DesktopNotices, AScheduledRecordingIsToldAtItsStartAndItsEnd) {
  NoticedWindow n;
  if (!n.ready) GTEST_SKIP() << "no dbus-daemon";
  n.Schedule(2, 4);
  ASSERT_EQ(n.w->form.Etat(), esAttente) << n.w->Dialogs().join(" | ").toStdString();
  n.Advance(2);
  ASSERT_EQ(n.w->form.Etat(), esCaptureProgrammee);
  const QString file = n.w->form.Recording().File();
  ASSERT_TRUE(SpinUntil([&] { return n.server.calls.size() == 1; }, 5000));
  EXPECT_EQ(n.server.calls[0].body, "Recording into " + file);
  n.w->Run(1500);
  n.Advance(2);
  ASSERT_EQ(n.w->form.Etat(), esPreview);
  ASSERT_TRUE(SpinUntil([&] { return n.server.calls.size() == 2; }, 5000));
  EXPECT_EQ(n.Summaries(), (QStringList{"Scheduled recording started", "Scheduled recording finished"}));
  EXPECT_EQ(n.server.calls[1].body, file + " is finished.");
  EXPECT_EQ(n.server.calls[1].hints.value("urgency").value<uchar>(), 1);
}

TEST(DesktopNotices, AFailedStartIsToldUnlessTheUserTurnedNoticesOff) {
  NoticedWindow n;
  if (!n.ready) GTEST_SKIP() << "no dbus-daemon";
  auto *box = n.w->form.OptionsFrame->options->cbDesktopNotices;
  ASSERT_TRUE(box->isChecked()) << "on by default";
  struct Case {
    bool on;
    qsizetype told;
  } const cases[] = {{true, 1}, {false, 0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.on);
    n.server.calls.clear();
    box->setChecked(c.on);
    EXPECT_EQ(n.w->form.Parameters().Bool("Desktop Notifications"), c.on);
    // "Default" builds no capture chain: the start is refused with a message.
    n.w->form.Parameters().SetByte("Capture Format", 10);
    n.Schedule(2, 60);
    ASSERT_EQ(n.w->form.Etat(), esAttente);
    n.Advance(2);
    EXPECT_EQ(n.w->form.Etat(), esPreview);
    SpinFor(500);
    ASSERT_EQ(n.server.calls.size(), c.told);
    if (c.told == 0) continue;
    EXPECT_EQ(n.server.calls[0].summary, "Scheduled recording did not start");
    EXPECT_TRUE(n.server.calls[0].body.contains("records nothing")) << n.server.calls[0].body.toStdString();
    EXPECT_EQ(n.server.calls[0].hints.value("urgency").value<uchar>(), 2);
  }
}

TEST(DesktopNotices, ACaptureEndedByAFullDiskIsToldWithTheMessageShown) {
  NoticedWindow n;
  if (!n.ready) GTEST_SKIP() << "no dbus-daemon";
  START_CAPTURE(*n.w);
  ASSERT_TRUE(SpinUntil([&] { return n.w->span->Started(); }, 10000));
  auto &graph = n.w->dm.fg();
  const std::int64_t reserve = graph.DiskReserve();
  // The disk looks nearly full from now on: the capture stops by itself.
  graph.SetDiskReserve(std::int64_t(1) << 60);
  ASSERT_TRUE(SpinUntil([&] { return n.w->form.Etat() == esPreview; }, 5000));
  graph.SetDiskReserve(reserve);
  ASSERT_TRUE(SpinUntil([&] { return !n.server.calls.isEmpty(); }, 5000));
  ASSERT_EQ(n.server.calls.size(), 1) << "a manual capture's start and stop are not told";
  const auto &call = n.server.calls[0];
  EXPECT_EQ(call.summary, "Recording stopped");
  EXPECT_EQ(call.hints.value("urgency").value<uchar>(), 2);
  EXPECT_TRUE(call.body.contains("The capture stopped because the disk holding")) << call.body.toStdString();
  EXPECT_TRUE(n.w->Dialogs().contains(call.body)) << "the same words as the message box";
}
