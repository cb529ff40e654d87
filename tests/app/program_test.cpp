// The real program, run as a user would run it from a shell.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>

namespace {

QString ProgramPath() { return QStringLiteral(VISTREL_BINARY); }

struct RunResult {
  int exitCode;
  QString out, err;
};

RunResult RunProgram(const QStringList &args, int timeoutMs = 20000) {
  QProcess p;
  p.start(ProgramPath(), args);
  EXPECT_TRUE(p.waitForFinished(timeoutMs)) << "no exit within " << timeoutMs << " ms";
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

TEST(Program, VersionAndHelp) {
  const RunResult v = RunProgram({"--version"});
  EXPECT_EQ(v.exitCode, 0);
  EXPECT_EQ(v.out, "Vistrel 6.3.0\n");

  const RunResult h = RunProgram({"--help"});
  EXPECT_EQ(h.exitCode, 0);
  for (const char *option : {"--help", "--version", "--answer=", "--test-devices"})
    EXPECT_TRUE(h.out.contains(option)) << option;
}

TEST(Program, UnknownOptionPrintsUsageAndExitsTwo) {
  const RunResult r = RunProgram({"--no-such-option"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("--no-such-option"));
  EXPECT_TRUE(r.err.contains("Usage:"));
  EXPECT_TRUE(r.out.isEmpty());
}

TEST(Program, StartsHeadlessAndQuitsCleanlyOnTerminate) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");  // the program must pick offscreen by itself
  p.setProcessEnvironment(env);
  p.start(ProgramPath(), {"--answer=no"});
  ASSERT_TRUE(p.waitForStarted(5000));
  // Still running after start-up: the window came up rather than the process failing.
  EXPECT_FALSE(p.waitForFinished(2500)) << p.readAllStandardError().toStdString();
  ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

TEST(Program, ListSourcesNamesTheTestDevicesInBoxOrder) {
  const RunResult r = RunProgram({"--test-devices", "--list-sources"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList video = {"Vistrel Test Camera", "Vistrel Test Capture Card - Video", "DV Source - Video",
                             "Vistrel Test MPEG Encoder - Video", "no video stream"};
  const QStringList audio = {"Vistrel Test Capture Card - Audio", "DV Source - Audio",
                             "Vistrel Test MPEG Encoder - Audio", "Vistrel Test Microphone", "no audio stream"};
  qsizetype at = 0;
  for (const QStringList &list : {video, audio})
    for (const QString &name : list) {
      const qsizetype found = r.out.indexOf(name, at);
      ASSERT_GE(found, 0) << name.toStdString() << " missing or out of order in:\n" << r.out.toStdString();
      at = found + name.size();
    }
}

TEST(Program, TerminateDuringStartUpStillEndsNormally) {
  QProcess p;
  p.start(ProgramPath(), {"--answer=no"});
  ASSERT_TRUE(p.waitForStarted(5000));
  // As soon as the program catches SIGTERM (its first line does; before that the
  // dynamic loader is still running), while the window is still being made.
  const QString status = QString("/proc/%1/status").arg(p.processId());
  bool caught = false;
  for (int i = 0; i < 500 && !caught; ++i) {
    QFile f(status);
    if (f.open(QIODevice::ReadOnly)) {
      for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("SigCgt:")) caught = (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    }
    if (!caught) QThread::msleep(2);
  }
  ASSERT_TRUE(caught);
  ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
  ASSERT_TRUE(p.waitForFinished(15000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}
