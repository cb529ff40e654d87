#include "actions/script.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace vistrel {

namespace {

int ModeOfPrefix(QChar c) {
  if (c == u'+') return amOn;
  if (c == u'-') return amOff;
  if (c == u'/') return amInvert;
  return amPlain;
}

// A command file naming itself (directly or in a ring) would otherwise recurse
// until the stack runs out.
constexpr int kMaxScriptDepth = 8;
// Longer lines are cut: no name or parameter of ours comes near it.
constexpr qsizetype kMaxLineLength = 4096;
// A command file is a few lines typed by someone; a huge file is not one, and is
// refused rather than read whole into memory.
constexpr qint64 kMaxScriptBytes = 16 * 1024 * 1024;

// What a report quotes of a line: short, and without control characters that
// would move the terminal's cursor or change its colours.
QString Printable(const QString &text) {
  QString out = text.left(80);
  for (QChar &c : out)
    if (!c.isPrint()) c = u'?';
  return out;
}

}  // namespace

TCustomSuperAction *TActionList::Find(const QString &name) const {
  const QString n = name.toLower();
  for (auto *a : actions_)
    if (a && (a->Switch() == n || a->Token() == n)) return a;
  return nullptr;
}

ParsedCommand ParseSwitchArgument(const QString &arg) {
  ParsedCommand c;
  c.mode = arg.isEmpty() ? amPlain : ModeOfPrefix(arg.front());
  if (c.mode == amPlain) {
    c.parameter = arg;
    return c;
  }
  const qsizetype eq = arg.indexOf(u'=');
  if (eq >= 2) {
    c.name = arg.mid(1, eq - 1).toLower();
    c.parameter = arg.mid(eq + 1);
  } else {
    c.name = arg.mid(1).toLower();
  }
  return c;
}

ParsedCommand ParseScriptLine(const QString &line) {
  ParsedCommand c;
  qsizetype start = 0;
  if (!line.isEmpty()) {
    c.mode = ModeOfPrefix(line.front());
    if (c.mode != amPlain) start = 1;
  }
  qsizetype end = start;
  while (end < line.size() && line[end] != u'=' && line[end] != u' ') ++end;
  c.name = line.mid(start, end - start).toLower();
  c.parameter = end < line.size() ? line.mid(end + 1) : QString();
  return c;
}

QString FirstWord(const QString &remainder) {
  const QString r = remainder.trimmed();
  if (r.startsWith(u'"')) {
    const qsizetype close = r.indexOf(u'"', 1);
    return close < 0 ? r.mid(1) : r.mid(1, close - 1);
  }
  const qsizetype space = r.indexOf(u' ');
  return space < 0 ? r : r.left(space);
}

TCustomSuperAction *TCustomScript::Lookup(const QString &name) {
  const QString n = name.toLower();
  if (n.isEmpty()) return DefaultAction;
  if (n == u"quit") {
    quit_ = true;
    return nullptr;
  }
  return list_ ? list_->Find(n) : nullptr;
}

void TCustomScript::Report(const QString &problem) {
  ++problems_;
  if (OnProblem) OnProblem(problem);
  else std::fprintf(stderr, "vistrel: %s\n", qPrintable(problem));
}

bool TCustomScript::Wait(double seconds) {
  // The event loop keeps running, so timers, grabs and recordings go on meanwhile.
  QEventLoop loop;
  bool elapsed = false;
  QTimer::singleShot(static_cast<int>(std::min(seconds * 1000.0, 2.0e9)), &loop, [&] {
    elapsed = true;
    loop.quit();
  });
  loop.exec();
  return elapsed;  // false: the application is quitting
}

void TCustomScript::RunQueue() {
  std::vector<TActionEx> queue;
  queue.swap(queue_);
  const bool quit = quit_;
  quit_ = false;
  ++executing_;
  // The position is local: a nested run (a command file started by a command) must
  // not move the outer run back to its start.
  for (int i = 0; i < static_cast<int>(queue.size()); ++i) {
    index_ = i;
    const TActionEx &cmd = queue[i];
    ActionGo() = true;
    QCoreApplication::processEvents();
    if (cmd.waitSeconds >= 0) {
      if (!Wait(cmd.waitSeconds)) break;
      continue;
    }
    TCustomSuperAction *a = cmd.action.data();
    if (!a || !a->isEnabled()) continue;
    ActionParameters() = QStringList{cmd.parameter};
    if (cmd.mode == amOn) a->SetChecked(false);
    else if (cmd.mode == amOff) a->SetChecked(true);
    else if (cmd.mode == amInvert) a->SetChecked(a->Checked());
    if (ActionHandler handler = a->OnExecute) handler(a);
    if (!cmd.action) continue;  // the handler took its own action away
    if (a->AutoCheck) a->SetChecked(!a->Checked());
    QCoreApplication::processEvents();
  }
  index_ = -1;
  if (quit && MainWindow) MainWindow->close();
  --executing_;
}

void TSwitch::RunCommandLine(const QStringList &args) {
  if (done_) return;
  done_ = true;
  queue_.clear();
  quit_ = false;
  for (qsizetype n = 0; n < args.size(); ++n) {
    const QString &arg = args[n];
    const ParsedCommand c = ParseSwitchArgument(arg);
    // "quit" closes the program after the other commands, with or without a prefix.
    if (c.mode == amPlain && arg.compare(u"quit", Qt::CaseInsensitive) == 0) {
      quit_ = true;
      continue;
    }
    // A plain argument has no name: it goes to the default action, if there is one.
    if (TCustomSuperAction *a = Lookup(c.name)) queue_.push_back({a, c.mode, c.parameter});
    else if (c.name != u"quit")
      Report(QString("argument %1: \"%2\" names no action (a switch is +name, -name or /name)")
                 .arg(QString::number(n + 1), Printable(arg)));
  }
  if (!queue_.empty() || quit_) RunQueue();
  else if (OnNoCommandLine) OnNoCommandLine();
  queue_.clear();
}

void TScript::ParseText(const QString &text, const QString &source) {
  queue_.clear();
  quit_ = false;
  const QStringList lines = text.split(u'\n');
  for (qsizetype n = 0; n < lines.size(); ++n) {
    const QString line = lines[n].left(kMaxLineLength).trimmed();
    if (line.isEmpty()) continue;
    ParsedCommand c = ParseScriptLine(line);
    TCustomSuperAction *a = Lookup(c.name);
    if (!a) {
      const auto problem = [&](const char *what) {
        Report(QString("%1:%2: \"%3\" %4").arg(source, QString::number(n + 1), Printable(line), QLatin1String(what)));
      };
      if (c.name == u"wait" && c.mode == amPlain) {
        bool ok = false;
        const double s = FirstWord(c.parameter).toDouble(&ok);
        if (ok && std::isfinite(s) && s >= 0) queue_.push_back({nullptr, amPlain, QString(), s});
        else problem("needs a number of seconds");
      } else if (c.name != u"quit") {
        problem("names no action");
      }
      continue;
    }
    if (c.mode == amPlain && qobject_cast<TtoggleAction *>(a)) {
      const QString word = FirstWord(c.parameter).toLower();
      if (word == u"false") c.mode = amOff;
      else if (word == u"true") c.mode = amOn;
      else if (word == u"toggle") c.mode = amInvert;
    }
    queue_.push_back({a, c.mode, FirstWord(c.parameter)});
  }
}

bool TScript::Load(const QString &fileName) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxScriptBytes) return false;
  ParseText(QString::fromUtf8(f.readAll()), fileName);
  return true;
}

void TScript::Run(const QString &fileName) {
  if (depth_ >= kMaxScriptDepth || !QFile::exists(fileName)) return;
  ++depth_;
  if (Load(fileName)) RunQueue();
  queue_.clear();
  --depth_;
}

}  // namespace vistrel
