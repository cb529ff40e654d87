#pragma once
// The one way the program shows message boxes and asks questions. Routing
// every box through here lets an unattended run answer them all the same way
// and log them instead of waiting for a user who is not there.
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <optional>

class QWidget;

namespace vistrel::platform {

enum class DlgKind { Warning, Error, Information, Confirmation };
enum class DlgButtons { YesNo, YesNoAll, Ok };
enum class DlgAnswer { None, Yes, No, All, Ok };

class DialogService {
 public:
  static DialogService &Instance();

  // Shows a modal box and returns the button pressed. Unattended: nothing is
  // shown, the set answer is returned (adapted to the buttons offered) and the
  // question and answer are logged to stderr as one line.
  DlgAnswer Ask(DlgKind kind, const QString &text, DlgButtons buttons, QWidget *parent = nullptr);
  void Warning(const QString &text, QWidget *parent = nullptr);
  void Error(const QString &text, QWidget *parent = nullptr);
  void Information(const QString &text, QWidget *parent = nullptr);
  // A warning box that does not wait: it shows and the caller goes on (the
  // box closes itself when its button is pressed). Where no box can show,
  // logged only.
  void Notice(const QString &text, QWidget *parent = nullptr);

  // Set an answer to run unattended; std::nullopt shows boxes again.
  void SetUnattended(std::optional<DlgAnswer> answer);
  std::optional<DlgAnswer> Unattended() const;

  // Every text shown or asked since start (or the last ClearHistory), in order.
  QStringList History() const;
  void ClearHistory();

  // Texts may carry the system's angle-bracket markup. The renderer turns it
  // into the rich text shown in the box; the default strips the tags and turns
  // <BR> into a line break.
  // Static so it can be called either way; it sets the renderer of Instance().
  static void SetMarkupRenderer(std::function<QString(const QString &)> toHtml);

  // The default rendering: tags stripped, <BR> as a line break. Also used for
  // the log lines.
  static QString PlainText(const QString &markup);

  // Whether a question can be put to a person now: not unattended, on the GUI
  // thread, on a platform with a screen. Custom dialogs check this before exec().
  bool ShowsBoxes() const;
  // Logs a question that was answered without asking, in the service's format.
  static void LogAnswered(const QString &question, const QString &answerWord);

 private:
  DialogService() = default;
  void Show(DlgKind kind, const QString &text, QWidget *parent);
  // The text as the box shows it; *rich tells whether it came out as HTML.
  QString Render(const QString &text, bool *rich) const;
  void Record(const QString &text);

  mutable std::mutex mutex_;
  std::optional<DlgAnswer> unattended_;
  QStringList history_;
  std::function<QString(const QString &)> renderer_;
};

}  // namespace vistrel::platform
