#include "app/nav_captureframe.h"

#include <QAction>
#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

#include "actions/shortcuthint.h"

namespace vistrel {

namespace {

struct ButtonRow {
  CamCommande commande;
  const char *name, *caption, *hint, *key;
  QStyle::StandardPixmap icon;  // NoIcon: the caption shows
};

constexpr auto kNoIcon = QStyle::StandardPixmap(-1);

// In their order on screen.
constexpr ButtonRow kButtons[] = {
    {CamCommande::ReculeRapide, "acReculeRapide", "Back fast", "Rewind, or play backwards at the fastest speed",
     "Ctrl+Down", QStyle::SP_MediaSeekBackward},
    {CamCommande::ReculeLent, "acReculeLent", "Back slow", "Play backwards at the slowest speed", "Ctrl+Left",
     QStyle::SP_MediaSkipBackward},
    {CamCommande::AvanceLent, "acAvanceLent", "Advance slow", "Play forwards at the slowest speed", "Ctrl+Right",
     QStyle::SP_MediaSkipForward},
    {CamCommande::AvanceRapide, "acAvanceRapide", "Advance fast", "Wind forwards, or play at the fastest speed",
     "Ctrl+Up", QStyle::SP_MediaSeekForward},
    {CamCommande::Play, "acPlay", "Play", "Put the camcorder in Play mode", "Ctrl+Ins", kNoIcon},
    {CamCommande::Pause, "acPause", "Pause", "Put the camcorder in Pause mode", "Ctrl+Del", kNoIcon},
    {CamCommande::Stop, "acStop", "Stop", "Stop the camcorder", "Ctrl+End", kNoIcon},
};

}  // namespace

Tnav_captureframe::Tnav_captureframe(QWidget *parent) : QFrame(parent) {
  setObjectName("nav_captureframe1");
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  for (const ButtonRow &b : kButtons) {
    auto *a = new QAction(b.caption, this);
    a->setObjectName(b.name);
    a->setToolTip(b.hint);
    a->setShortcut(QKeySequence::fromString(b.key, QKeySequence::PortableText));
    a->setShortcutContext(Qt::WindowShortcut);
    ShowShortcutInToolTip(a);
    if (b.icon != kNoIcon) a->setIcon(style()->standardIcon(b.icon));
    const CamCommande c = b.commande;
    connect(a, &QAction::triggered, this, [this, c] { Commande(c); });
    addAction(a);
    actions_[int(c)] = a;
    auto *button = new QToolButton(this);
    button->setObjectName(QString("btn") + (b.name + 2));
    button->setDefaultAction(a);
    button->setToolButtonStyle(b.icon != kNoIcon ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    button->setMinimumSize(56, 30);
    row->addWidget(button);
  }
  // The Ins toggle has no button; its state follows the camcorder at each run.
  auto *toggle = new QAction("Play", this);
  toggle->setObjectName("taPlayPause");
  toggle->setCheckable(true);
  toggle->setShortcut(QKeySequence(Qt::Key_Insert));
  toggle->setShortcutContext(Qt::WindowShortcut);
  connect(toggle, &QAction::triggered, this, [this] {
    PreparerPlayPause();
    Commande(CamCommande::PlayPause);
  });
  addAction(toggle);
  actions_[int(CamCommande::PlayPause)] = toggle;
  row->addStretch();
}

void Tnav_captureframe::SetTransport(sources::ExternalTransport *transport) { transport_ = transport; }

void Tnav_captureframe::PreparerPlayPause() {
  QAction *toggle = actions_[int(CamCommande::PlayPause)];
  const bool playing = transport_ && LireMode(*transport_) == ED_MODE_PLAY;
  toggle->setChecked(playing);
  toggle->setText(playing ? "Pause" : "Play");
  toggle->setToolTip(playing ? "Put the camcorder in Pause mode" : "Put the camcorder in Play mode");
}

void Tnav_captureframe::Commande(CamCommande commande) {
  // A camcorder that refuses a mode stays as it was; nothing to tell the user.
  ExecuterCommande(transport_, commande);
}

}  // namespace vistrel
