// Command-line switches and command files driving real actions through the queue.
#include "actions/script.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include "platform/dialogs.h"
#include "testenv.h"

using namespace vistrel;

namespace {

// A small action list with the shapes the program uses: one-shot actions, a toggle,
// two actions sharing a switch, a disabled action, an auto-check toggle.
struct Fixture {
  TActionList list;
  QObject owner;
  QStringList log;
  TSuperAction *grab, *freezeCapture, *formatCapture, *disabled, *source;
  TtoggleAction *fs, *freezePreview;

  TSuperAction *Plain(const char *name, const char *sw, const char *token) {
    auto *a = new TSuperAction(&owner);
    a->setObjectName(name);
    a->setText(name);
    a->SetSwitch(sw);
    a->SetToken(token);
    a->OnExecute = [this, name](TCustomSuperAction *) { log << QString("%1(%2)").arg(name, ActionParameter()); };
    list.Add(a);
    return a;
  }
  TtoggleAction *Toggle(const char *name, const char *sw, const char *token, bool autoCheck) {
    auto *t = new TtoggleAction(&owner);
    t->setObjectName(name);
    t->SetSwitch(sw);
    t->SetToken(token);
    t->TrueCaption = "on caption";
    t->FalseCaption = "off caption";
    t->AutoCheck = autoCheck;
    t->OnTrueExecute = [this, name](TCustomSuperAction *) { log << QString("%1:true").arg(name); };
    t->OnfalseExecute = [this, name](TCustomSuperAction *) { log << QString("%1:false").arg(name); };
    t->SetChecked(false);
    list.Add(t);
    return t;
  }
  Fixture() {
    grab = Plain("saGrab", "G", "Grab");  // setters lower-case
    fs = Toggle("tafullscreen", "fs", "full_screen", false);
    freezePreview = Toggle("taFreezepreview", "fp", "freeze_preview", true);
    freezeCapture = Plain("taFreezeCapture", "fc", "freeze_capture");
    disabled = Plain("cam_Stop", "s", "stop");
    disabled->setEnabled(false);
    source = Plain("saSourceVideo", "sv", "source_video");
    formatCapture = Plain("saFormatCapture", "fc", "format_capture");
  }
};

QString WriteFile(const QByteArray &bytes) {
  const QString path = test::freshDir("script") + "/commands.txt";
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  return path;
}

}  // namespace

TEST(SwitchParsing, PrefixesEqualsAndCase) {
  const auto c1 = ParseSwitchArgument("+GRAB");
  EXPECT_EQ(c1.mode, amOn);
  EXPECT_EQ(c1.name, "grab");
  EXPECT_EQ(c1.parameter, "");
  const auto c2 = ParseSwitchArgument("-SV=My Camera  HD ");
  EXPECT_EQ(c2.mode, amOff);
  EXPECT_EQ(c2.name, "sv");
  EXPECT_EQ(c2.parameter, "My Camera  HD ");  // spaces after "=" are kept
  const auto c3 = ParseSwitchArgument("/a=b=c");
  EXPECT_EQ(c3.mode, amInvert);
  EXPECT_EQ(c3.name, "a");
  EXPECT_EQ(c3.parameter, "b=c");
  // "=" right after the prefix is part of the name, not a separator.
  const auto c4 = ParseSwitchArgument("+=x");
  EXPECT_EQ(c4.name, "=x");
  EXPECT_EQ(c4.parameter, "");
  const auto plain = ParseSwitchArgument("movie.avi");
  EXPECT_EQ(plain.mode, amPlain);
  EXPECT_TRUE(plain.name.isEmpty());
  EXPECT_EQ(plain.parameter, "movie.avi");
  EXPECT_TRUE(ParseSwitchArgument("+").name.isEmpty());
  EXPECT_EQ(ParseSwitchArgument("").mode, amPlain);
}

TEST(ScriptParsing, NamesRemaindersAndQuotedWords) {
  const auto c = ParseScriptLine("+SV=\"Two words\" tail");
  EXPECT_EQ(c.mode, amOn);
  EXPECT_EQ(c.name, "sv");
  EXPECT_EQ(FirstWord(c.parameter), "Two words");
  EXPECT_EQ(FirstWord("  plain words "), "plain");
  EXPECT_EQ(FirstWord("\"unterminated quote"), "unterminated quote");
  EXPECT_EQ(FirstWord("\"\""), "");
  const auto d = ParseScriptLine("fs true");
  EXPECT_EQ(d.mode, amPlain);
  EXPECT_EQ(d.name, "fs");
  EXPECT_EQ(d.parameter, "true");
}

TEST(Lookup, SwitchOrTokenInListOrderAndQuit) {
  Fixture f;
  TSwitch runner(&f.list);
  EXPECT_EQ(runner.Lookup("GrAb"), f.grab);
  EXPECT_EQ(runner.Lookup("g"), f.grab);
  // "fc" is shared; the first in list order wins, the format is reached by its token.
  EXPECT_EQ(runner.Lookup("fc"), f.freezeCapture);
  EXPECT_EQ(runner.Lookup("format_capture"), f.formatCapture);
  EXPECT_EQ(runner.Lookup("nothing"), nullptr);
  EXPECT_EQ(runner.Lookup(""), nullptr);  // no default action
  EXPECT_FALSE(runner.QuitRequested());
  EXPECT_EQ(runner.Lookup("QUIT"), nullptr);
  EXPECT_TRUE(runner.QuitRequested());
}

TEST(CommandLine, RunsOnceInOrderSkippingDisabledAndQuitsAtTheEnd) {
  Fixture f;
  QWidget window;
  window.show();
  TSwitch runner(&f.list);
  runner.MainWindow = &window;
  bool closedBeforeLast = false;
  f.formatCapture->OnExecute = [&](TCustomSuperAction *) {
    closedBeforeLast = !window.isVisible();
    f.log << "format(" + ActionParameter() + ")";
  };
  runner.RunCommandLine({"QUIT", "/G", "-GRAB", "+s", "+sv=Test Camera 2", "file.avi", "+format_capture=divx"});
  EXPECT_EQ(f.log, QStringList({"saGrab()", "saGrab()", "saSourceVideo(Test Camera 2)", "format(divx)"}));
  EXPECT_FALSE(closedBeforeLast);   // "quit" waits for every other command
  EXPECT_FALSE(window.isVisible());  // and then closes the main window
  f.log.clear();
  runner.RunCommandLine({"+g"});
  EXPECT_TRUE(f.log.isEmpty());  // the command line is handled once

  // Behind a prefix "quit" asks for the close too.
  QWidget second;
  second.show();
  TSwitch prefixed(&f.list);
  prefixed.MainWindow = &second;
  prefixed.RunCommandLine({"+QUIT"});
  EXPECT_FALSE(second.isVisible());

  // A command line with nothing to run raises the notification instead.
  TSwitch empty(&f.list);
  bool none = false;
  empty.OnNoCommandLine = [&] { none = true; };
  empty.RunCommandLine({"plain", "+unknown"});
  EXPECT_TRUE(none);
}

TEST(CommandLine, ToggleHandlersFollowThePrefixAndAutoCheckInverts) {
  Fixture f;
  TSwitch runner(&f.list);
  runner.RunCommandLine({"+fs", "-fs", "/fs", "+fp"});
  // "+" runs the unchecked-state handler, "-" the checked one, "/" the current state's.
  EXPECT_EQ(f.log, QStringList({"tafullscreen:false", "tafullscreen:true", "tafullscreen:true", "taFreezepreview:false"}));
  EXPECT_EQ(f.fs->text(), "on caption");
  EXPECT_TRUE(f.freezePreview->Checked());  // inverted after its handler
  EXPECT_EQ(f.freezePreview->text(), "on caption");
}

TEST(Interactive, PrepareVetoAutoCheckAndDisabled) {
  Fixture f;
  // An auto-check toggle runs the handler of the state it had before the inversion.
  f.freezePreview->trigger();
  EXPECT_EQ(f.log, QStringList({"taFreezepreview:false"}));
  EXPECT_TRUE(f.freezePreview->Checked());
  EXPECT_EQ(f.freezePreview->text(), "off caption");  // inversion does not re-apply captions
  f.freezePreview->trigger();
  EXPECT_EQ(f.log.last(), "taFreezepreview:true");
  EXPECT_FALSE(f.freezePreview->Checked());

  f.log.clear();
  f.grab->Onprepare = [](TCustomSuperAction *) { ActionParameters() = QStringList{"prepared"}; };
  f.grab->trigger();
  f.grab->Onprepare = [](TCustomSuperAction *) { ActionGo() = false; };
  f.grab->trigger();
  f.disabled->ExecuteInteractive();
  EXPECT_EQ(f.log, QStringList({"saGrab(prepared)"}));

  // A handler that rebinds its own action's handler while running.
  f.log.clear();
  f.fs->OnfalseExecute = [&](TCustomSuperAction *a) {
    a->SetChecked(true);
    f.log << "rebound";
  };
  f.fs->SetChecked(false);
  f.fs->trigger();
  EXPECT_EQ(f.log, QStringList({"rebound"}));
  EXPECT_TRUE(f.fs->Checked());
}

TEST(CommandFile, WordsQuotesBadLinesAndMissingFile) {
  Fixture f;
  TScript script(&f.list);
  QByteArray bytes =
      "  \n"
      "fs true\n"
      "FS false\n"
      "fs Toggle\n"
      "sv \"Test Camera 2\" ignored\n"
      "sv Test Camera 2\n"
      "+unknown_action\n"
      "s\n"
      "wait -1\n"
      "wait abc\n"
      "sv \"never closed\n"
      "\x01\x02\xff\xfe garbage\r\n";
  bytes += QByteArray(100000, 'x') + "\n";
  bytes += "g\r\n";
  script.Run(WriteFile(bytes));
  EXPECT_EQ(f.log, QStringList({"tafullscreen:false", "tafullscreen:true", "tafullscreen:true",
                                "saSourceVideo(Test Camera 2)", "saSourceVideo(Test)", "saSourceVideo(never closed)",
                                "saGrab()"}));
  EXPECT_TRUE(script.Queue().empty());
  f.log.clear();
  script.Run(test::freshDir("none") + "/missing.txt");
  EXPECT_TRUE(f.log.isEmpty());
}

TEST(CommandFile, WaitKeepsTheEventLoopRunning) {
  Fixture f;
  TScript script(&f.list);
  bool timerFired = false;
  QTimer::singleShot(100, [&] { timerFired = true; });
  f.grab->OnExecute = [&](TCustomSuperAction *) { f.log << (timerFired ? "after" : "before"); };
  QElapsedTimer t;
  t.start();
  script.ParseText("g\nwait 0.3\ng\n");
  script.RunQueue();
  EXPECT_GE(t.elapsed(), 290);
  EXPECT_EQ(f.log, QStringList({"before", "after"}));
}

TEST(CommandFile, AFileNamingItselfStopsInsteadOfRecursingForever) {
  Fixture f;
  TScript script(&f.list);
  const QString path = test::freshDir("self") + "/self.txt";
  int runs = 0;
  f.source->OnExecute = [&](TCustomSuperAction *) {
    ++runs;
    script.Run(ActionParameter());  // what saScript does
  };
  f.grab->OnExecute = [&](TCustomSuperAction *) { f.log << "g"; };
  QFile out(path);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(QString("sv \"%1\"\ng\n").arg(path).toUtf8());
  out.close();
  script.Run(path);
  EXPECT_EQ(runs, 8);
  EXPECT_EQ(f.log.size(), 8);  // every level finishes its own remaining lines
  EXPECT_FALSE(script.Executing());
}

TEST(Problems, UnknownSwitchesAndLinesAreToldWithTheirPlaceAndCounted) {
  Fixture f;
  QStringList told;
  TSwitch runner(&f.list);
  runner.OnProblem = [&](const QString &p) { told << p; };
  // Known names, "quit" behind any sign and a disabled action are no problems.
  runner.RunCommandLine({"+g", "-nosuch", "quit", "+QUIT", "+s", "plainword", "/\x1b[31mred"});
  ASSERT_EQ(told.size(), 3) << told.join('\n').toStdString();
  EXPECT_TRUE(told[0].startsWith("argument 2: \"-nosuch\"")) << told[0].toStdString();
  EXPECT_TRUE(told[1].startsWith("argument 6: \"plainword\"")) << told[1].toStdString();
  // What is quoted cannot drive the terminal.
  EXPECT_FALSE(told[2].contains(QChar(0x1b))) << told[2].toStdString();
  EXPECT_EQ(runner.Problems(), 3);
  EXPECT_EQ(f.log, QStringList({"saGrab()"}));

  told.clear();
  TScript script(&f.list);
  script.OnProblem = [&](const QString &p) { told << p; };
  const QString path = WriteFile("g\n\n  frobnicate now\nwait 0.01\nwait soon\nquit\n+sv \"A\"\n");
  script.Run(path);
  EXPECT_EQ(told, QStringList({path + ":3: \"frobnicate now\" names no action",
                               path + ":5: \"wait soon\" needs a number of seconds"}));
  EXPECT_EQ(script.Problems(), 2);
  EXPECT_EQ(f.log, QStringList({"saGrab()", "saGrab()", "saSourceVideo(A)"}));
}

TEST(CommandFile, OnlyRegularFilesUnderTheCapAreReadAndARefusalIsTold) {
  Fixture f;
  TScript script(&f.list);
  QStringList told;
  script.OnProblem = [&](const QString &p) { told << p; };
  const QString dir = test::freshDir("refused");
  const QString fifo = dir + "/fifo";
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString big = dir + "/big.txt";
  {
    QFile out(big);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_TRUE(out.resize(17 * 1024 * 1024));
  }
  QElapsedTimer t;
  t.start();
  // A FIFO with no writer would hold the window; /dev/zero has size 0 but no end.
  for (const QString &path : {QString("/dev/zero"), fifo, dir, big}) script.Run(path);
  EXPECT_LT(t.elapsed(), 5000);
  ASSERT_EQ(told.size(), 4) << told.join('\n').toStdString();
  EXPECT_EQ(told[0], "The command file /dev/zero is not run: it is not a regular file.");
  EXPECT_EQ(told[1], "The command file " + fifo + " is not run: it is not a regular file.");
  EXPECT_EQ(told[2], "The command file " + dir + " is not run: it is a folder.");
  EXPECT_EQ(told[3], "The command file " + big + " is not run: it is larger than 16 MB.");
  EXPECT_TRUE(f.log.isEmpty());
}

TEST(CommandFile, Utf16WithAByteOrderMarkAndUtf8WithOneAreDecoded) {
  Fixture f;
  TScript script(&f.list);
  const QString text = QStringLiteral("sv \"Caméra ☺\"\ng\n");
  QByteArray le("\xff\xfe", 2), be("\xfe\xff", 2);
  for (QChar c : text) {
    le += char(c.unicode() & 0xff), le += char(c.unicode() >> 8);
    be += char(c.unicode() >> 8), be += char(c.unicode() & 0xff);
  }
  for (const QByteArray &bytes : {le, be, QByteArray("\xef\xbb\xbf") + text.toUtf8()}) {
    f.log.clear();
    script.Run(WriteFile(bytes));
    EXPECT_EQ(f.log, QStringList({QStringLiteral("saSourceVideo(Caméra ☺)"), "saGrab()"}));
  }
  EXPECT_EQ(script.Problems(), 0);
}

TEST(Problems, LeftOverWordsAndUnknownToggleWordsAreToldButStillRunWhenWatched) {
  Fixture f;
  TScript script(&f.list);
  QStringList told;
  script.OnProblem = [&](const QString &p) { told << p; };
  const QString path = WriteFile("wait 0.01 3\nsv Vistrel Test Camera\nfs maybe\nsv \"A B\"  \nfs true\n");
  script.Run(path);
  EXPECT_EQ(told, QStringList({path + ":1: \"wait 0.01 3\" takes one word: \"3\" is left over",
                               path + ":2: \"sv Vistrel Test Camera\" takes one word: \"Test Camera\" is left over",
                               path + ":3: \"fs maybe\" takes true, false or toggle"}));
  EXPECT_FALSE(script.Stopped());
  EXPECT_EQ(f.log,
            QStringList({"saSourceVideo(Vistrel)", "tafullscreen:false", "saSourceVideo(A B)", "tafullscreen:false"}));
}

TEST(Problems, AnUnwatchedRunWithAnUnreadableLineRunsNothing) {
  Fixture f;
  QStringList told;
  TScript script(&f.list);
  script.StopOnProblem = true;
  script.OnProblem = [&](const QString &p) { told << p; };
  QWidget window;
  window.show();
  script.MainWindow = &window;
  script.Run(WriteFile("g\nsv \"A\" extra\ng\nquit\n"));
  EXPECT_TRUE(script.Stopped());
  EXPECT_EQ(told.size(), 1);
  EXPECT_TRUE(f.log.isEmpty()) << f.log.join(' ').toStdString();
  EXPECT_TRUE(window.isVisible());  // "quit" is not run either; the caller ends the run
  // A later good file runs again: the refusal belongs to one run.
  script.Run(WriteFile("g\n"));
  EXPECT_FALSE(script.Stopped());
  EXPECT_EQ(f.log, QStringList({"saGrab()"}));

  TSwitch runner(&f.list);
  runner.StopOnProblem = true;
  runner.OnProblem = [&](const QString &p) { told << p; };
  f.log.clear();
  runner.RunCommandLine({"+g", "+nosuch"});
  EXPECT_TRUE(runner.Stopped());
  EXPECT_TRUE(f.log.isEmpty());
}

TEST(Problems, AParameterNamingWhatIsNotThereIsToldWithItsPlaceAndEndsAnUnwatchedRun) {
  Fixture f;
  QStringList told;
  const auto tellAbsent = [&](TCustomSuperAction *) {
    if (ActionParameter() == u"Nope")
      TellParameterProblem("names nothing here");
    else
      f.log << "source(" + ActionParameter() + ")";
  };
  f.source->OnExecute = tellAbsent;
  TScript script(&f.list);
  script.OnProblem = [&](const QString &p) { told << p; };
  const QString path = WriteFile("sv A\nsv Nope\ng\n");
  // Watched: told, and the rest still runs.
  script.Run(path);
  EXPECT_EQ(told, QStringList({path + ":2: \"sv Nope\" names nothing here"}));
  EXPECT_EQ(f.log, QStringList({"source(A)", "saGrab()"}));
  EXPECT_FALSE(script.Stopped());
  EXPECT_EQ(script.Problems(), 1);

  // Unwatched: the run ends at the problem, "quit" included.
  told.clear();
  f.log.clear();
  script.StopOnProblem = true;
  QWidget window;
  window.show();
  script.MainWindow = &window;
  script.Run(WriteFile("sv A\nsv Nope\ng\nquit\n"));
  EXPECT_TRUE(script.Stopped());
  EXPECT_EQ(told.size(), 1);
  EXPECT_EQ(f.log, QStringList({"source(A)"}));
  EXPECT_TRUE(window.isVisible());

  // The same from a switch: its place is the argument.
  told.clear();
  TSwitch runner(&f.list);
  runner.OnProblem = [&](const QString &p) { told << p; };
  runner.RunCommandLine({"+g", "+sv=Nope"});
  EXPECT_EQ(told, QStringList({"argument 2: \"+sv=Nope\" names nothing here"}));

  // After the runs their teller is gone: the user is warned, no runner counts it.
  const int before = script.Problems() + runner.Problems();
  auto &dialogs = platform::DialogService::Instance();
  dialogs.SetUnattended(platform::DlgAnswer::No);
  dialogs.ClearHistory();
  TellParameterProblem("outside any run");
  EXPECT_TRUE(dialogs.History().join('\n').contains("outside any run")) << dialogs.History().join('\n').toStdString();
  dialogs.SetUnattended(std::nullopt);
  EXPECT_EQ(script.Problems() + runner.Problems(), before);
}
