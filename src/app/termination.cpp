#include "app/termination.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vistrel {

namespace {

int g_signalFds[2] = {-1, -1};
// A signal the main loop has not taken yet: while it waits, the loop is busy
// (or not running yet), so a second one must not wait behind it.
volatile std::sig_atomic_t g_pending = 0;

void OnSignal(int sig) {
  if (g_pending) {
    // Only async-signal-safe work here: the default action ends the process.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
    return;
  }
  g_pending = 1;
  const char c = 1;
  // Only async-signal-safe work here: wake the main loop.
  [[maybe_unused]] ssize_t n = ::write(g_signalFds[0], &c, 1);
}

}  // namespace

void CatchTerminationSignals() {
  if (g_signalFds[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

void CloseOnTermination(QWidget *window) {
  CatchTerminationSignals();
  if (g_signalFds[1] < 0) return;
  // A signal caught earlier is still waiting in the socket, so the notifier
  // fires for it as soon as the event loop runs.
  auto *notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, window);
  QPointer<QWidget> target(window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
    char c;
    [[maybe_unused]] ssize_t n = ::read(g_signalFds[1], &c, 1);
    g_pending = 0;
    if (target) target->close();
  });
}

}  // namespace vistrel
