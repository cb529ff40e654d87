#pragma once
// One owner-drawn panel of the status bar: a text centred in its rectangle,
// in its own colour, optionally followed 3 pixels further by a red suffix.
#include <QColor>
#include <QLabel>

namespace vistrel {

class TStatusPanel : public QLabel {
  Q_OBJECT
 public:
  explicit TStatusPanel(const QString &designText, QWidget *parent = nullptr);
  // The plain text (QLabel::text) is the two parts together.
  void SetTexts(const QString &text, const QColor &colour, const QString &redSuffix = QString());
  QString MainText() const { return main_; }
  QString Suffix() const { return suffix_; }
  QColor Colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent *) override;

 private:
  QString main_, suffix_;
  QColor colour_ = Qt::black;
};

}  // namespace vistrel
