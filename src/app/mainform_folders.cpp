// The Folders panel's program fields: the DV date reader started on the
// session's clips, and the folder the capture plug-ins are loaded from; the
// buttons that open the video folder.
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/mainform.h"
#include "platform/dialogs.h"
#include "platform/product.h"
#include "platform/shell.h"
#include "sessionlist/fichierlistbox.h"
#include "sessionlist/srfichier.h"
#include "settings/settings.h"

namespace vistrel {

namespace {

QPushButton *Chooser(QWidget *parent, const char *name) {
  auto *b = new QPushButton("...", parent);
  b->setObjectName(name);
  b->setFixedWidth(32);
  return b;
}

// The same folder whether or not it ends with a separator.
bool SameFolder(const QString &a, const QString &b) { return QDir::cleanPath(a) == QDir::cleanPath(b); }

}  // namespace

void TCaptureForm::ConstruireDossiersProgrammes() {
  auto *group = new QGroupBox("Programs", DossiersFrame);
  group->setObjectName("gbProgrammes");
  auto *grid = new QGridLayout(group);
  leQuorrel = new QLineEdit(group);
  leQuorrel->setObjectName("leQuorrel");
  leQuorrel->setToolTip("The DV date reader Quorrel, started on the clips of the session");
  btnQuorrel = Chooser(group, "btnQuorrel");
  lePluginsDir = new QLineEdit(group);
  lePluginsDir->setObjectName("lePluginsDir");
  lePluginsDir->setToolTip("The folder of the capture plug-ins (*.pcf)");
  btnPluginsDir = Chooser(group, "btnPluginsDir");
  grid->addWidget(new QLabel("Quorrel", group), 0, 0, 1, 2);
  grid->addWidget(leQuorrel, 1, 0);
  grid->addWidget(btnQuorrel, 1, 1);
  grid->addWidget(new QLabel("Plug-ins folder", group), 2, 0, 1, 2);
  grid->addWidget(lePluginsDir, 3, 0);
  grid->addWidget(btnPluginsDir, 3, 1);
  auto *body = DossiersFrame->Body();
  body->insertWidget(body->count() - 1, group);  // above the closing stretch

  connect(leQuorrel, &QLineEdit::editingFinished, this, [this] { QuorrelChange(leQuorrel->text()); });
  connect(btnQuorrel, &QPushButton::clicked, this, [this] {
    if (!platform::DialogService::Instance().ShowsBoxes()) return;
    const QString file = QFileDialog::getOpenFileName(this, "Quorrel", leQuorrel->text());
    if (!file.isEmpty()) QuorrelChange(file);
  });
  // The two ways to the captured videos: the Folders panel's button opens
  // the folder, the Sources panel's one shows the last capture in it.
  connect(DossiersFrame->btnOuvrirVideo, &QPushButton::clicked, this,
          [this] { platform::ShowFolder(params_->Str("Video Directory"), this); });
  connect(SourcesFrame->btnDossierVideos, &QPushButton::clicked, this, [this] { acOuvrirDossierVideosexecute(); });
  connect(lePluginsDir, &QLineEdit::editingFinished, this, [this] { PluginsDirChange(lePluginsDir->text()); });
  connect(btnPluginsDir, &QPushButton::clicked, this, [this] {
    if (!platform::DialogService::Instance().ShowsBoxes()) return;
    const QString folder = QFileDialog::getExistingDirectory(this, "Plug-ins folder", lePluginsDir->text());
    if (!folder.isEmpty()) PluginsDirChange(folder);
  });
}

void TCaptureForm::ChargerPrefsDossiersProgrammes() {
  leQuorrel->setText(params_->Str("Quorrel"));
  lePluginsDir->setText(params_->Str("Plugins Dir"));
}

void TCaptureForm::SauverPrefsDossiersProgrammes() {
  params_->SetStr("Quorrel", leQuorrel->text());
  // The folder is stored when it is chosen, after the restart notice; an edit
  // not yet confirmed is not taken.
}

void TCaptureForm::QuorrelChange(const QString &file) {
  leQuorrel->setText(file);
  params_->SetStr("Quorrel", file);
}

void TCaptureForm::PluginsDirChange(const QString &folder) {
  if (folder.isEmpty()) {  // a cleared field is no folder: the one in force stays
    lePluginsDir->setText(params_->Str("Plugins Dir"));
    return;
  }
  lePluginsDir->setText(folder);
  if (SameFolder(folder, params_->Str("Plugins Dir"))) return;
  params_->SetStr("Plugins Dir", folder);
  platform::DialogService::Instance().Information(
      "The plug-ins found in the folder " + folder + "\n" + "will only be activated on next start of " +
          kProductTitle + "\n\n" + "You should restart it now.",
      this);
}

void TCaptureForm::acOuvrirDossierVideosexecute() {
  // The list is sorted; the file shown is the one recorded last.
  auto *list = FichierListbox();
  if (const auto *last = list && list->Count() > 0 ? list->LastAdded() : nullptr) {
    platform::ShowInFileManager(last->FullName);
    return;
  }
  platform::ShowFolder(params_->Str("Video Directory"), this);
}

}  // namespace vistrel
