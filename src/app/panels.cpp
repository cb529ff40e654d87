#include "app/panels.h"

#include <QComboBox>
#include <QLabel>
#include <QProxyStyle>
#include <QVBoxLayout>

#include "platform/product.h"
#include "settings/optionsframe.h"

namespace vistrel {

TPanelFrame::TPanelFrame(const QString &objectName, const QString &title, QWidget *parent)
    : QFrame(parent), title_(title) {
  setObjectName(objectName);
  setFrameShape(QFrame::StyledPanel);
  body_ = new QVBoxLayout(this);
  auto *heading = new QLabel(QString("<b>%1</b>").arg(title), this);
  body_->addWidget(heading);
}

namespace {

// A box whose list drops below it. The style's own popup opens centred on
// the current entry, so the click that opened it lands on another entry,
// and the same click picks a different format each time.
class DropDownStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                QStyleHintReturn *returned) const override {
    return hint == SH_ComboBox_Popup ? 0 : QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

}  // namespace

TSourcesFrame::TSourcesFrame(QWidget *parent) : TPanelFrame("SourcesFrame", "Sources", parent) {
  QLabel *caption = nullptr;
  auto *dropDown = new DropDownStyle;
  dropDown->setParent(this);
  auto add = [this, &caption, dropDown](const char *name, const QString &label) {
    caption = new QLabel(label, this);
    body_->addWidget(caption);
    auto *box = new QComboBox(this);
    box->setStyle(dropDown);
    box->setObjectName(name);
    body_->addWidget(box);
    return box;
  };
  cboxvideo = add("cboxvideo", "Video source");
  cboxAudio = add("cboxAudio", "Audio source");
  cbEntries = add("cbEntries", "Input");
  lbEntries = caption;
  cbFormatCapture = add("cbFormatCapture", "Capture format");
  btnFormatSettings = new QPushButton("Format settings", this);
  body_->addWidget(btnFormatSettings);
  lbNomVideo = new ClickLabel(this);
  lbNomVideo->setObjectName("lbNomVideo");
  lbNomVideo->setWordWrap(true);
  body_->addWidget(lbNomVideo);
  btnDossierVideos = new QPushButton("Open the folder of captured videos", this);
  body_->addWidget(btnDossierVideos);
  body_->addStretch();
}

TDossiersFrame::TDossiersFrame(QWidget *parent) : TPanelFrame("DossiersFrame", "Folders", parent) {
  lbNomVideo = new ClickLabel(this);
  lbNomVideo->setWordWrap(true);
  btnOuvrirVideo = new QPushButton("Open the video folder", this);
  lbNomImage = new ClickLabel(this);
  lbNomImage->setWordWrap(true);
  btnOuvrirImage = new QPushButton("Open the image folder", this);
  body_->addWidget(lbNomVideo);
  body_->addWidget(btnOuvrirVideo);
  body_->addWidget(lbNomImage);
  body_->addWidget(btnOuvrirImage);
  body_->addStretch();
}

TProgrammerFrame::TProgrammerFrame(QWidget *parent) : TPanelFrame("ProgrammerFrame", "Schedule", parent) {
  body_->addStretch();
}

TExtraireFrame::TExtraireFrame(QWidget *parent) : TPanelFrame("ExtraireFrame", "Grab", parent) {
  lbDestination = new ClickLabel(this);
  lbDestination->setWordWrap(true);
  body_->addWidget(lbDestination);
  body_->addStretch();
}

TOptionsHost::TOptionsHost(settings::TparameterList &params, QWidget *parent)
    : TPanelFrame("OptionsHost", "Settings", parent) {
  options = new settings::TOptionsFrame(params, this);
  body_->addWidget(options);
}

void TOptionsHost::SetPage(int page) {
  if (page >= 0 && page < options->Pages->count()) options->Pages->setCurrentIndex(page);
}

int TOptionsHost::Page() const { return options->Pages->currentIndex(); }

TListeFrame::TListeFrame(QWidget *parent) : TPanelFrame("ListeFrame", "List", parent) { body_->addStretch(); }

THelpFrame::THelpFrame(QWidget *parent) : TPanelFrame("HelpFrame", "Help", parent) {
  pages = new QTabWidget(this);
  pages->setUsesScrollButtons(false);
  pages->setElideMode(Qt::ElideNone);
  report = new QTextEdit(pages);
  report->setReadOnly(true);
  auto *sourcesPage = new QWidget(pages);
  auto *sl = new QVBoxLayout(sourcesPage);
  auto *caption = new QLabel("Sources used (untick a source to skip it):", sourcesPage);
  caption->setWordWrap(true);
  sl->addWidget(caption);
  sourceList = new QListWidget(sourcesPage);
  sl->addWidget(sourceList);
  pages->addTab(report, "System");
  pages->addTab(sourcesPage, "Sources");
  body_->addWidget(pages);
}

TAproposFrame::TAproposFrame(QWidget *parent) : TPanelFrame("AproposFrame", "About", parent) {
  auto *text = new QLabel(QString("<b>%1</b> version %2<br>by %3<br><br>Video and audio capture.")
                              .arg(kProductTitle, kProductVersion, kMakerName),
                          this);
  text->setWordWrap(true);
  body_->addWidget(text);
  body_->addStretch();
}

}  // namespace vistrel
