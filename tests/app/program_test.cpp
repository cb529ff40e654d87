// The real program, run as a user would run it from a shell.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
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

// Without a display, as on a server or in a terminal over ssh.
QProcessEnvironment Headless() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");  // the program must pick offscreen by itself
  return env;
}

RunResult RunProgram(const QStringList &args, int timeoutMs = 20000) {
  QProcess p;
  p.setProcessEnvironment(Headless());
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
  // No action has the switch "h": "-h" is the usage, as everywhere else.
  const RunResult shortHelp = RunProgram({"-h"});
  EXPECT_EQ(shortHelp.exitCode, 0);
  EXPECT_EQ(shortHelp.out, h.out);
}

QString WriteCommandFile(const QByteArray &text) {
  static int n = 0;
  const QString path = QDir::temp().filePath(QString("vistrel-program-test-%1-%2.txt").arg(QCoreApplication::applicationPid()).arg(++n));
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
  return path;
}

TEST(Program, WithoutADisplayAndNothingLeftToDoItEnds) {
  // No switch, no command file, no capture: nobody could ever close the window.
  const RunResult idle = RunProgram({"--answer=no"}, 30000);
  EXPECT_EQ(idle.exitCode, 0) << idle.err.toStdString();
  // A command file that waits keeps it running until the file has run.
  QElapsedTimer t;
  t.start();
  const RunResult waited = RunProgram({"--answer=no", "--script=" + WriteCommandFile("wait 1.5\nnf\n")}, 30000);
  EXPECT_EQ(waited.exitCode, 0) << waited.err.toStdString();
  EXPECT_GE(t.elapsed(), 1500);
}

TEST(Program, UnknownSwitchesAndCommandLinesAreToldAndFailAnUnattendedRun) {
  const QString file = WriteCommandFile("nf\nnosuch action\n");
  const RunResult unattended = RunProgram({"--answer=no", "+nf", "+nosuch", "--script=" + file}, 30000);
  EXPECT_EQ(unattended.exitCode, 2);
  EXPECT_TRUE(unattended.err.contains("argument 2: \"+nosuch\" names no action")) << unattended.err.toStdString();
  EXPECT_TRUE(unattended.err.contains(file + ":2: \"nosuch action\" names no action")) << unattended.err.toStdString();
  // Someone at the window sees what happened; the status stays that of the run.
  const RunResult attended = RunProgram({"+nosuch", "quit"}, 30000);
  EXPECT_EQ(attended.exitCode, 0);
  EXPECT_TRUE(attended.err.contains("\"+nosuch\" names no action")) << attended.err.toStdString();
  // Right switches only: success.
  EXPECT_EQ(RunProgram({"--answer=no", "+nf", "quit"}, 30000).exitCode, 0);
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
  p.setProcessEnvironment(Headless());
  // A command file still waiting: the program has something left to do.
  p.start(ProgramPath(), {"--answer=no", "--script=" + WriteCommandFile("wait 60\n")});
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
  p.start(ProgramPath(), {"--answer=no", "--script=" + WriteCommandFile("wait 60\n")});
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
