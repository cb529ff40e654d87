#pragma once
// Command runners: the command line (TSwitch) and command files (TScript) become a
// queue of commands that call the actions' handlers directly.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "actions/superaction.h"

namespace vistrel {

// The actions searched by name, in lookup order.
class TActionList {
 public:
  void Add(TCustomSuperAction *a) { actions_.push_back(a); }
  const std::vector<TCustomSuperAction *> &Actions() const { return actions_; }
  // In list order, the first action whose switch or token equals the lower-cased name.
  TCustomSuperAction *Find(const QString &name) const;

 private:
  std::vector<TCustomSuperAction *> actions_;
};

enum TActionMode { amOn = 0, amOff = 1, amInvert = 2, amPlain = 3 };

struct TActionEx {
  QPointer<TCustomSuperAction> action;
  int mode = amPlain;
  QString parameter;
  double waitSeconds = -1;  // >= 0: a pause of the unattended runs, no action
  QString where;            // "FILE:LINE" or "argument N", for what is told about it
  QString text;             // the line or argument as written, fit to be quoted
};

// One command-line argument or command-file line, before the name is looked up.
struct ParsedCommand {
  int mode = amPlain;
  QString name;       // lower-cased
  QString parameter;  // command line: after "="; command file: the whole remainder
};
ParsedCommand ParseSwitchArgument(const QString &arg);
ParsedCommand ParseScriptLine(const QString &trimmedLine);
// The first word of a command-file remainder: a double-quoted word may hold spaces
// (an unclosed quote runs to the end); an unquoted one ends at the first space.
QString FirstWord(const QString &remainder);
// The first word and what is left after it, trimmed.
std::pair<QString, QString> SplitFirstWord(const QString &remainder);

class TCustomScript {
 public:
  explicit TCustomScript(const TActionList *list) : list_(list) {}
  virtual ~TCustomScript() = default;

  TCustomSuperAction *DefaultAction = nullptr;
  // Closes the program when a run asked for "quit"; normally closes the main window.
  QPointer<QWidget> MainWindow;

  // Where an argument or a line that names no action is told; stderr unless replaced.
  std::function<void(const QString &)> OnProblem;
  // How many such arguments and lines this runner met since it was made.
  int Problems() const { return problems_; }
  // For runs nobody watches: a command line or file that could not be read whole
  // is not run at all, and a command whose parameter names what is not there ends
  // the run, so nothing is recorded from sources or a format that were not asked for.
  bool StopOnProblem = false;
  // The last run was refused or ended that way.
  bool Stopped() const { return stopped_; }

  bool Executing() const { return executing_ > 0; }
  bool QuitRequested() const { return quit_; }
  int CurrentIndex() const { return index_; }
  const std::vector<TActionEx> &Queue() const { return queue_; }

  // Name lookup; "quit" finds nothing and asks for the close at the end of the run.
  TCustomSuperAction *Lookup(const QString &name);
  // Runs the queue and empties it. The queue is taken over first, so a command that
  // starts another run (a command file naming a command file) cannot free it.
  void RunQueue();

 protected:
  void Report(const QString &problem);
  // "WHERE: "TEXT" WHAT"
  void Report(const QString &where, const QString &text, const QString &what);
  // Starts reading a command line or file into the queue.
  void BeginParse();
  // Ends it: with StopOnProblem, a problem met while reading refuses the run.
  void EndParse();
  std::vector<TActionEx> queue_;
  bool quit_ = false;
  bool stopped_ = false;

 private:
  bool Wait(double seconds);
  const TActionList *list_;
  int executing_ = 0;
  int index_ = -1;
  int problems_ = 0;
  int problemsBeforeParse_ = 0;
};

class TSwitch : public TCustomScript {
 public:
  using TCustomScript::TCustomScript;
  std::function<void()> OnNoCommandLine;
  // Runs the arguments (program name excluded) once; later calls do nothing.
  void RunCommandLine(const QStringList &args);
  bool Done() const { return done_; }

 private:
  bool done_ = false;
};

class TScript : public TCustomScript {
 public:
  using TCustomScript::TCustomScript;
  // Parses a command file into the queue; false when it cannot be read or is
  // refused (not a regular file, over the size cap), which is reported.
  bool Load(const QString &fileName);
  // `source` names the text in problem reports ("FILE:LINE: ...").
  void ParseText(const QString &text, const QString &source = QStringLiteral("command file"));
  // Load and run; a missing file does nothing.
  void Run(const QString &fileName);
  // Load only, so that what is wrong in the file is told without running it.
  void Check(const QString &fileName);

 private:
  int depth_ = 0;
};

}  // namespace vistrel
