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

RunResult RunProgram(const QStringList &args, int timeoutMs = 20000, const QProcessEnvironment &env = Headless()) {
  QProcess p;
  p.setProcessEnvironment(env);
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

namespace {

// A user of its own, with an empty videos folder, so what a run recorded can be seen.
QProcessEnvironment FreshUser(const QString &home) {
  QProcessEnvironment env = Headless();
  QDir().mkpath(home + "/Videos");
  QDir().mkpath(home + "/program");
  env.insert("HOME", home);
  for (const char *var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) env.remove(var);
  env.insert("VISTREL_PROGRAM_DIR", home + "/program");
  return env;
}

QStringList Recorded(const QString &home) { return QDir(home + "/Videos").entryList(QDir::Files); }

}  // namespace

TEST(Program, CommandsNamingWhatIsNotThereAreToldWithTheirPlaceAndRecordNothing) {
  struct Case {
    QByteArray file;
    QString switchArg;  // before the command file, when not empty
    QString told;       // after "FILE:" (or alone, for the switch)
  };
  const QByteArray record = "capture\nwait 1\ncapture\nquit\n";
  const Case cases[] = {
      {"sv \"Nope Camera\"\n" + record,
       {},
       ":1: \"sv \"Nope Camera\"\" names no video source here; there are "
       "\"Vistrel Test Camera\", "},
      {"sv \"Vistrel Test Camera\"\nsource_audio \"Nope Microphone\"\n" + record,
       {},
       ":2: \"source_audio \"Nope Microphone\"\" names no audio source here"},
      {"format_capture Nope\n" + record, {}, ":1: \"format_capture Nope\" names no capture format; the formats are"},
      {"sv \"no video stream\"\nformat_capture divx\n" + record,
       {},
       ":2: \"format_capture divx\" names a capture format the sources chosen do not offer; they offer \"Wav\""},
      // Read whole before anything runs: nothing is recorded before the bad line either.
      {"sv \"Vistrel Test Camera\"\ncapture\nwait 1 2\ncapture\nquit\n",
       {},
       ":3: \"wait 1 2\" takes one word: \"2\" is left over"},
      {"sv Vistrel Test Camera\n" + record, {}, ":1: \"sv Vistrel Test Camera\" takes one word"},
      {record, "+sv=Nope Camera", "argument 1: \"+sv=Nope Camera\" names no video source here"},
  };
  int n = 0;
  for (const Case &c : cases) {
    const QString home =
        QDir::temp().filePath(QString("vistrel-program-absent-%1-%2").arg(QCoreApplication::applicationPid()).arg(++n));
    const QString file = WriteCommandFile(c.file);
    QStringList args = {"--answer=no", "--test-devices"};
    if (!c.switchArg.isEmpty()) args << c.switchArg;
    args << "--script=" + file;
    const RunResult r = RunProgram(args, 30000, FreshUser(home));
    const QString told = c.switchArg.isEmpty() ? file + c.told : c.told;
    EXPECT_EQ(r.exitCode, 2) << n << ": " << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(told)) << n << ": " << r.err.toStdString();
    EXPECT_EQ(Recorded(home), QStringList()) << n;
    QDir(home).removeRecursively();
  }
}

TEST(Program, ACameraAndAVideoFormatChosenAfterASoundOnlyChoiceAreRecorded) {
  const QString home =
      QDir::temp().filePath(QString("vistrel-program-soundonly-%1").arg(QCoreApplication::applicationPid()));
  const QString file = WriteCommandFile(
      "sv \"no video stream\"\nsa \"Vistrel Test Microphone\"\nformat_capture Wav\n"
      "sv \"Vistrel Test Camera\"\nformat_capture divx\ncapture\nwait 1\ncapture\nquit\n");
  const RunResult r = RunProgram({"--answer=no", "--test-devices", "--script=" + file}, 30000, FreshUser(home));
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList files = Recorded(home);
  ASSERT_EQ(files.size(), 1) << files.join(' ').toStdString() << r.err.toStdString();
  EXPECT_TRUE(files[0].endsWith(".avi")) << files[0].toStdString();
  QDir(home).removeRecursively();
}

TEST(Program, ASettingsFolderThatCannotBeWrittenIsToldAtStart) {
  const QString home =
      QDir::temp().filePath(QString("vistrel-program-readonly-%1").arg(QCoreApplication::applicationPid()));
  QProcessEnvironment env = FreshUser(home);
  const RunResult writable = RunProgram({"--answer=no", "+nf", "quit"}, 30000, env);
  EXPECT_EQ(writable.exitCode, 0) << writable.err.toStdString();
  EXPECT_FALSE(writable.err.contains("cannot be written")) << writable.err.toStdString();

  // Read-only by its mode; run as root that does not stop a write, and a folder
  // under /proc (where nobody makes files) stands in for it.
  QString config = home + "/readonly-config";
  QDir().mkpath(config);
  QFile::setPermissions(config, QFile::ReadOwner | QFile::ExeOwner);
  QFile probe(config + "/probe");
  if (probe.open(QIODevice::WriteOnly)) {
    probe.remove();
    config = "/proc/vistrel-config";
  }
  env.insert("XDG_CONFIG_HOME", config);
  const RunResult readOnly = RunProgram({"--answer=no", "+nf", "quit"}, 30000, env);
  EXPECT_EQ(readOnly.exitCode, 0) << readOnly.err.toStdString();
  EXPECT_TRUE(readOnly.err.contains("warning: The folder of the settings, " + config + "/Brenvik, cannot be written"))
      << readOnly.err.toStdString();
  EXPECT_TRUE(readOnly.err.contains("the settings will not be kept")) << readOnly.err.toStdString();
  EXPECT_TRUE(readOnly.err.contains("cannot be repaired")) << readOnly.err.toStdString();
  QFile::setPermissions(home + "/readonly-config", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QDir(home).removeRecursively();
}
