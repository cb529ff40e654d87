// Entry point of every test program: isolates the user folders, starts GStreamer
// and a QApplication on the offscreen platform, then runs GoogleTest.
#include "testenv.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUuid>

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir> g_sandbox;
}

namespace vistrel::test {

QString sandboxRoot() { return g_sandbox->path(); }

QString freshDir(const QString &hint) {
  const QString path = g_sandbox->path() + "/" + hint + "-" +
                       QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
  QDir().mkpath(path);
  return path;
}

long long MsUntil(const std::function<bool()> &done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return t.elapsed();
}

bool SpinUntil(const std::function<bool()> &done, int ms) {
  MsUntil(done, ms);
  return done();
}

void SpinFor(int ms) {
  MsUntil([] { return false; }, ms);
}

}  // namespace vistrel::test

int main(int argc, char **argv) {
  g_sandbox = std::make_unique<QTemporaryDir>();
  const QByteArray root = g_sandbox->path().toUtf8();
  for (const char *sub : {"config", "data", "cache", "program", "state"}) QDir(g_sandbox->path()).mkpath(sub);
  setenv("HOME", root.constData(), 1);
  setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
  setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
  setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
  setenv("XDG_STATE_HOME", (root + "/state").constData(), 1);
  setenv("VISTREL_PROGRAM_DIR", (root + "/program").constData(), 1);
  setenv("VISTREL_TEST_DEVICES", "1", 1);
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  g_sandbox.reset();
  return rc;
}
