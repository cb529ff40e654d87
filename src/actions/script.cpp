#include "actions/script.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/dialogs.h"

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

std::pair<QString, QString> SplitFirstWord(const QString &remainder) {
  const QString r = remainder.trimmed();
  if (r.startsWith(u'"')) {
    const qsizetype close = r.indexOf(u'"', 1);
    if (close < 0) return {r.mid(1), QString()};
    return {r.mid(1, close - 1), r.mid(close + 1).trimmed()};
  }
  const qsizetype space = r.indexOf(u' ');
  if (space < 0) return {r, QString()};
  return {r.left(space), r.mid(space + 1).trimmed()};
}

QString FirstWord(const QString &remainder) { return SplitFirstWord(remainder).first; }

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

void TCustomScript::Report(const QString &where, const QString &text, const QString &what) {
  Report(QString("%1: \"%2\" %3").arg(where, text, what));
}

void TCustomScript::BeginParse() {
  queue_.clear();
  quit_ = false;
  stopped_ = false;
  problemsBeforeParse_ = problems_;
}

void TCustomScript::EndParse() {
  if (StopOnProblem && problems_ > problemsBeforeParse_) stopped_ = true;
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
  if (stopped_) return;
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
    if (ActionHandler handler = a->OnExecute) {
      // Only what the handler says is this command's; the teller of an outer run
      // (a command file started by a command) comes back after it.
      const ProblemTeller outer = std::exchange(ParameterProblemTeller(), [this, &cmd](const QString &what) {
        Report(cmd.where, cmd.text, what);
        if (StopOnProblem) stopped_ = true;
      });
      handler(a);
      ParameterProblemTeller() = outer;
    }
    if (!cmd.action) continue;  // the handler took its own action away
    if (a->AutoCheck) a->SetChecked(!a->Checked());
    if (stopped_) break;
    QCoreApplication::processEvents();
  }
  index_ = -1;
  if (quit && !stopped_ && MainWindow) MainWindow->close();
  --executing_;
}

void TSwitch::RunCommandLine(const QStringList &args) {
  if (done_) return;
  done_ = true;
  BeginParse();
  for (qsizetype n = 0; n < args.size(); ++n) {
    const QString &arg = args[n];
    const ParsedCommand c = ParseSwitchArgument(arg);
    // "quit" closes the program after the other commands, with or without a prefix.
    if (c.mode == amPlain && arg.compare(u"quit", Qt::CaseInsensitive) == 0) {
      quit_ = true;
      continue;
    }
    // A plain argument has no name: it goes to the default action, if there is one.
    const QString where = QString("argument %1").arg(n + 1);
    if (TCustomSuperAction *a = Lookup(c.name))
      queue_.push_back({a, c.mode, c.parameter, -1, where, Printable(arg)});
    else if (c.name != u"quit")
      Report(where, Printable(arg), "names no action (a switch is +name, -name or /name)");
  }
  EndParse();
  if (!queue_.empty() || quit_) RunQueue();
  else if (OnNoCommandLine) OnNoCommandLine();
  queue_.clear();
}

void TScript::ParseText(const QString &text, const QString &source) {
  BeginParse();
  const QStringList lines = text.split(u'\n');
  for (qsizetype n = 0; n < lines.size(); ++n) {
    const QString line = lines[n].left(kMaxLineLength).trimmed();
    if (line.isEmpty()) continue;
    ParsedCommand c = ParseScriptLine(line);
    const QString where = QString("%1:%2").arg(source, QString::number(n + 1)), quoted = Printable(line);
    const auto problem = [&](const QString &what) { Report(where, quoted, what); };
    const auto [word, rest] = SplitFirstWord(c.parameter);
    // A second word would be dropped without a trace: a source name with blanks
    // that lost its quotes, or a number typed in two parts.
    if (!rest.isEmpty()) problem(QString("takes one word: \"%1\" is left over").arg(Printable(rest)));
    TCustomSuperAction *a = Lookup(c.name);
    if (!a) {
      if (c.name == u"wait" && c.mode == amPlain) {
        bool ok = false;
        const double s = word.toDouble(&ok);
        if (ok && std::isfinite(s) && s >= 0)
          queue_.push_back({nullptr, amPlain, QString(), s, where, quoted});
        else problem("needs a number of seconds");
      } else if (c.name != u"quit") {
        problem("names no action");
      }
      continue;
    }
    if (c.mode == amPlain && qobject_cast<TtoggleAction *>(a) && !word.isEmpty()) {
      const QString w = word.toLower();
      if (w == u"false")
        c.mode = amOff;
      else if (w == u"true")
        c.mode = amOn;
      else if (w == u"toggle")
        c.mode = amInvert;
      else
        problem("takes true, false or toggle");
    }
    queue_.push_back({a, c.mode, word, -1, where, quoted});
  }
  EndParse();
}

namespace {

// Reads a command file whole, or says why it is not one. It is opened without
// blocking and checked on the open descriptor, so a FIFO (which would hold the
// window until a writer comes), a device such as /dev/zero (whose size says 0)
// or a folder is refused before a byte is read, and the read itself stops
// past the cap whatever the size claimed.
std::optional<QByteArray> ReadCommandFile(const QString &fileName, QString *why) {
  const QByteArray path = QFile::encodeName(fileName);
  const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *why = QString::fromLocal8Bit(std::strerror(errno));
    return std::nullopt;
  }
  struct stat st {};
  std::optional<QByteArray> bytes;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *why = S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file");
  } else if (st.st_size > kMaxScriptBytes) {
    *why = QString("it is larger than %1 MB").arg(kMaxScriptBytes / (1024 * 1024));
  } else {
    QByteArray data(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    bool failed = false;
    while (got < data.size()) {
      const ssize_t n = ::read(fd, data.data() + got, std::size_t(data.size() - got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) failed = true;
      if (n <= 0) break;
      got += n;
    }
    // One byte more than the size said means the file grew while it was read.
    if (failed) *why = QString::fromLocal8Bit(std::strerror(errno));
    else if (got > st.st_size) *why = QStringLiteral("it grew while it was read");
    else bytes = data.left(got);
  }
  ::close(fd);
  return bytes;
}

// Command files are UTF-8; one saved as UTF-16 or UTF-32 by an editor says
// so with its byte-order mark and is decoded from it.
QString DecodeCommandFile(const QByteArray &bytes) {
  const auto encoding = QStringConverter::encodingForData(bytes);
  if (!encoding || *encoding == QStringConverter::Utf8) return QString::fromUtf8(bytes);
  QStringDecoder decode(*encoding);
  return decode(bytes);
}

}  // namespace

bool TScript::Load(const QString &fileName) {
  QString why;
  const std::optional<QByteArray> bytes = ReadCommandFile(fileName, &why);
  if (!bytes) {
    const QString text = QString("The command file %1 is not run: %2.").arg(fileName, why);
    Report(text);
    if (platform::DialogService::Instance().ShowsBoxes())
      platform::DialogService::Instance().Warning(text, MainWindow);
    return false;
  }
  QString text = DecodeCommandFile(*bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  ParseText(text, fileName);
  return true;
}

void TScript::Run(const QString &fileName) {
  if (depth_ >= kMaxScriptDepth || !QFileInfo::exists(fileName)) return;
  ++depth_;
  if (Load(fileName)) RunQueue();
  queue_.clear();
  --depth_;
}

void TScript::Check(const QString &fileName) {
  if (QFileInfo::exists(fileName)) Load(fileName);
  queue_.clear();
}

}  // namespace vistrel
