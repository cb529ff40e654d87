#include "platform/dialogs.h"

#include "platform/messagebox.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>

#include <cstdio>

namespace vistrel::platform {
namespace {

const char *KindWord(DlgKind kind) {
  switch (kind) {
    case DlgKind::Warning: return "warning";
    case DlgKind::Error: return "error";
    case DlgKind::Information: return "information";
    case DlgKind::Confirmation: return "confirmation";
  }
  return "message";
}

const char *AnswerWord(DlgAnswer answer) {
  switch (answer) {
    case DlgAnswer::None: return "none";
    case DlgAnswer::Yes: return "yes";
    case DlgAnswer::No: return "no";
    case DlgAnswer::All: return "all";
    case DlgAnswer::Ok: return "ok";
  }
  return "none";
}

// One log line per box, whatever line breaks the text holds, so a run's log
// can be read and grepped question by question.
QString OneLine(const QString &markup) {
  QString text = DialogService::PlainText(markup);
  text.replace(QLatin1String("\r\n"), QLatin1String(" "));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  return text.trimmed();
}

void Log(const QString &line) {
  const QByteArray bytes = ("vistrel: " + line + "\n").toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
  std::fflush(stderr);
}

// What a preset answer means for the buttons actually offered.
DlgAnswer AdaptAnswer(DlgAnswer preset, DlgButtons buttons) {
  if (buttons == DlgButtons::Ok) return DlgAnswer::Ok;
  switch (preset) {
    case DlgAnswer::All:
      return buttons == DlgButtons::YesNoAll ? DlgAnswer::All : DlgAnswer::Yes;
    case DlgAnswer::Ok: return DlgAnswer::Yes;
    default: return preset;
  }
}

// A parent closed while the box is up takes the box with it; the answer is
// then None and the box must not be deleted a second time.
DlgAnswer Run(std::unique_ptr<QMessageBox> box) {
  QPointer<QMessageBox> alive(box.get());
  box->exec();
  if (!alive) {
    (void)box.release();
    return DlgAnswer::None;
  }
  return AnswerOfBox(*box);
}

}  // namespace

DialogService &DialogService::Instance() {
  static DialogService service;
  return service;
}

QString DialogService::PlainText(const QString &markup) {
  QString out;
  out.reserve(markup.size());
  bool inTag = false;
  QString tag;
  for (const QChar c : markup) {
    if (!inTag) {
      if (c == QLatin1Char('<')) {
        inTag = true;
        tag.clear();
      } else {
        out += c;
      }
      continue;
    }
    if (c == QLatin1Char('<')) {
      out += c;  // a second "<" inside a tag is text, as the label shows it
    } else if (c == QLatin1Char('>')) {
      inTag = false;
      const QString upper = tag.toUpper();
      if (upper == QLatin1String("BR") || upper.startsWith(QLatin1String("BR "))) out += QLatin1Char('\n');
    } else {
      tag += c;
    }
  }
  // A tag left open at the end of the text shows nothing, as in the label.
  return out;
}

void DialogService::SetMarkupRenderer(std::function<QString(const QString &)> toHtml) {
  DialogService &self = Instance();
  std::lock_guard lock(self.mutex_);
  self.renderer_ = std::move(toHtml);
}

void DialogService::SetUnattended(std::optional<DlgAnswer> answer) {
  std::lock_guard lock(mutex_);
  unattended_ = answer;
}

std::optional<DlgAnswer> DialogService::Unattended() const {
  std::lock_guard lock(mutex_);
  return unattended_;
}

QStringList DialogService::History() const {
  std::lock_guard lock(mutex_);
  return history_;
}

void DialogService::ClearHistory() {
  std::lock_guard lock(mutex_);
  history_.clear();
}

void DialogService::Record(const QString &text) {
  std::lock_guard lock(mutex_);
  history_ << text;
}

QString DialogService::Render(const QString &text, bool *rich) const {
  std::function<QString(const QString &)> renderer;
  {
    std::lock_guard lock(mutex_);
    renderer = renderer_;
  }
  *rich = static_cast<bool>(renderer);
  return renderer ? renderer(text) : PlainText(text);
}

// A box can only be answered by someone when a real window system is there
// and we are on its thread; offscreen and minimal platforms have no user, and
// a modal box there would wait forever.
void DialogService::LogAnswered(const QString &question, const QString &answerWord) {
  Log(QStringLiteral("question: %1 -> %2").arg(PlainText(question).simplified(), answerWord));
}

bool DialogService::ShowsBoxes() const {
  if (Unattended()) return false;
  auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
  if (!app) return false;
  if (QThread::currentThread() != app->thread()) return false;
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

DlgAnswer DialogService::Ask(DlgKind kind, const QString &text, DlgButtons buttons, QWidget *parent) {
  Record(text);
  if (!ShowsBoxes()) {
    const DlgAnswer answer = AdaptAnswer(Unattended().value_or(DlgAnswer::No), buttons);
    Log(QStringLiteral("question: %1 -> %2").arg(OneLine(text), QLatin1String(AnswerWord(answer))));
    return answer;
  }

  bool rich = false;
  const QString shown = Render(text, &rich);
  auto box = MakeMessageBox(kind, shown, rich, buttons, parent);
  return Run(std::move(box));
}

void DialogService::Show(DlgKind kind, const QString &text, QWidget *parent) {
  Record(text);
  if (!ShowsBoxes()) {
    Log(QStringLiteral("%1: %2").arg(QLatin1String(KindWord(kind)), OneLine(text)));
    return;
  }
  bool rich = false;
  const QString shown = Render(text, &rich);
  Run(MakeMessageBox(kind, shown, rich, DlgButtons::Ok, parent));
}

void DialogService::Warning(const QString &text, QWidget *parent) { Show(DlgKind::Warning, text, parent); }
void DialogService::Error(const QString &text, QWidget *parent) { Show(DlgKind::Error, text, parent); }
void DialogService::Information(const QString &text, QWidget *parent) { Show(DlgKind::Information, text, parent); }

void DialogService::Notice(const QString &text, QWidget *parent) {
  Record(text);
  if (!ShowsBoxes()) {
    Log(QStringLiteral("notice: %1").arg(OneLine(text)));
    return;
  }
  bool rich = false;
  const QString shown = Render(text, &rich);
  QMessageBox *box = MakeMessageBox(DlgKind::Warning, shown, rich, DlgButtons::Ok, parent).release();
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

}  // namespace vistrel::platform
