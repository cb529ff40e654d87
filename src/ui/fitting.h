#pragma once
// Controls that fit their text to the room a side panel gives them: check
// boxes and radio buttons whose caption wraps onto more lines, path fields
// that show a long path by its two ends, and small buttons as wide as their
// text rather than the style's minimum.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <type_traits>

namespace vistrel::ui {

// How many average characters a wrapped caption may be squeezed to before
// the column itself has to grow.
inline constexpr int kWrapMinChars = 24;

// The width of a lower-case letter of running text. (The font's own average
// counts capitals and wide signs, and is a good third wider.)
int TypicalCharWidth(const QFontMetrics &fm);
// A caption's width at which it wraps no further: its longest word, or
// kWrapMinChars characters, whichever is wider, never more than the caption.
int WrapMinimumWidth(const QFontMetrics &fm, const QString &text);
// The height of `text` wrapped at `width` pixels.
int WrappedHeight(const QFontMetrics &fm, const QString &text, int width);

// A QCheckBox or QRadioButton whose caption wraps. It stays one of them for
// every caller (text(), qobject_cast, findChild); only its size and painting
// change. A click anywhere on it toggles it, as on a one-line caption.
template <class Button>
class Wrapping : public Button {
  static_assert(std::is_base_of_v<QCheckBox, Button> || std::is_base_of_v<QRadioButton, Button>);
  static constexpr bool kRadio = std::is_base_of_v<QRadioButton, Button>;

 public:
  explicit Wrapping(const QString &text, QWidget *parent = nullptr) : Button(text, parent) { Shrinkable(); }
  explicit Wrapping(QWidget *parent = nullptr) : Button(parent) { Shrinkable(); }

  // As narrow as the wrapping allows, as high as one line: the layout asks
  // heightForWidth() for the lines the width it gives makes.
  QSize minimumSizeHint() const override {
    return {Chrome() + WrapMinimumWidth(this->fontMetrics(), this->text()), Button::sizeHint().height()};
  }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override {
    const QFontMetrics fm = this->fontMetrics();
    const int one = fm.height();
    const int many = WrappedHeight(fm, this->text(), std::max(1, width - Chrome()));
    return Button::sizeHint().height() + std::max(0, many - one);
  }

 protected:
  void paintEvent(QPaintEvent *) override {
    QStylePainter p(this);
    QStyleOptionButton opt;
    this->initStyleOption(&opt);
    const QString text = opt.text;
    opt.text.clear();
    p.drawControl(kRadio ? QStyle::CE_RadioButton : QStyle::CE_CheckBox, opt);
    const QRect contents =
        this->style()->subElementRect(kRadio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &opt,
                                      this);
    p.drawItemText(contents, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                   opt.palette, this->isEnabled(), text, QPalette::WindowText);
  }
  bool hitButton(const QPoint &pos) const override { return this->rect().contains(pos); }

 private:
  // A check box's own policy never lets a layout make it narrower than its
  // one-line caption.
  void Shrinkable() {
    QSizePolicy policy = this->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Preferred);
    policy.setVerticalPolicy(QSizePolicy::Minimum);  // taller by the lines it wraps into
    policy.setHeightForWidth(true);
    this->setSizePolicy(policy);
  }
  // Everything but the caption: indicator, spacing, margins.
  int Chrome() const {
    return Button::sizeHint().width() - this->fontMetrics().size(Qt::TextShowMnemonic, this->text()).width();
  }
};

using WrapCheckBox = Wrapping<QCheckBox>;
using WrapRadioButton = Wrapping<QRadioButton>;

// While `edit` is not being edited, a path too long for it shows its start
// and its end around an ellipsis; its tooltip is the whole path (above the
// tooltip it already had, which stays as a second line).
void ElideMiddle(QLineEdit *edit);
// The text `edit` shows while it is not being edited.
QString ShownText(const QLineEdit *edit);

// `button` as wide as its text and the style's margins: a "..." beside a
// path field takes no room from the field.
void FitToText(QAbstractButton *button);

}  // namespace vistrel::ui
