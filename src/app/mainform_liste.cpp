// The List panel: the files written during this run (and, when asked, those
// of earlier runs from the history), their properties and shell actions, and
// the CPU and disk gauges.
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/mainform.h"
#include "app/recorder.h"
#include "app/tape_report.h"
#include "platform/cpuload.h"
#include "platform/dialogs.h"
#include "platform/disk.h"
#include "platform/shell.h"
#include "sessionlist/fichierlistbox.h"
#include "sessionlist/history.h"
#include "settings/parameters.h"
#include "ui/fitting.h"

namespace vistrel {

using sessionlist::TSortIndex;

namespace {

QProgressBar *Jauge(QWidget *parent, const char *name, const QString &format, const QString &hint) {
  auto *g = new QProgressBar(parent);
  g->setObjectName(name);
  g->setFormat(format);
  g->setToolTip(hint);
  g->setRange(0, 100);
  g->setValue(0);
  return g;
}

// A gauge turns red on its alert: the processor at or above it, a drive when
// less than that many MB are left.
void SetJauge(QProgressBar *g, int value, bool alert) {
  if (g->maximum() < value) g->setMaximum(value);
  g->setValue(value);
  g->setStyleSheet(alert ? "QProgressBar::chunk { background: red; }" : QString());
}

void SetJaugeDisque(QProgressBar *g, const platform::DiskFigures &d, int alertMB, bool maximum) {
  if (maximum) g->setMaximum(int(std::min<quint32>(d.totalMB, INT32_MAX)));
  SetJauge(g, int(std::min<quint32>(d.usedMB, INT32_MAX)), d.totalMB > 0 && d.freeMB < quint32(alertMB));
}

// Shows the panel's own changes (the count label) whenever the panel appears.
class OnShow final : public QObject {
 public:
  OnShow(QObject *parent, std::function<void()> run) : QObject(parent), run_(std::move(run)) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *e) override {
    if (e->type() == QEvent::Show) run_();
    return QObject::eventFilter(watched, e);
  }

 private:
  std::function<void()> run_;
};

}  // namespace

struct TCaptureForm::ListeState {
  sessionlist::TFichierListbox *liste = nullptr;
  QLabel *labselect = nullptr;
  QMenu *pmListe = nullptr;
  QProgressBar *tgCPU = nullptr, *tgVideo = nullptr, *tgImage = nullptr;
  QTimer *cpuTimer = nullptr, *freeSpaceTimer = nullptr;
  platform::CpuLoad cpu;
  QCheckBox *cbAnciens = nullptr;
  QPushButton *btnEffacerHistorique = nullptr;
  sessionlist::RecordingHistory history;
  std::vector<sessionlist::HistoryEntry> anciens;  // as the history stood when the program started
  bool problemeDit = false;

  void MontrerAnciens(bool show) {
    liste->RetirerAnciens();
    if (!show) return;
    std::vector<std::unique_ptr<sessionlist::TEarlierFichier>> entries;
    for (const auto &h : anciens) {
      auto e = std::make_unique<sessionlist::TEarlierFichier>();
      h.FillIn(*e);
      e->Missing = !QFileInfo::exists(h.file);
      entries.push_back(std::move(e));
    }
    liste->AjouterAnciens(std::move(entries));
  }
};

void TCaptureForm::ConstruireListe() {
  if (liste_) return;
  liste_ = new ListeState;
  connect(this, &QObject::destroyed, [state = liste_] { delete state; });
  auto &l = *liste_;
  auto *body = ListeFrame->Body();

  l.labselect = new QLabel(ListeFrame);
  l.labselect->setObjectName("labselect");
  l.liste = new sessionlist::TFichierListbox(ListeFrame);
  l.liste->setEnabled(false);
  l.tgCPU = Jauge(ListeFrame, "tgCPU", "%v%", "Use of the most loaded CPU. \nIt is recommended to stay below 80%");
  l.tgVideo = Jauge(ListeFrame, "tgVideo", "%v Mb", "Free space on the drive where the videos are saved.");
  l.tgImage = Jauge(ListeFrame, "tgImage", "%v Mb", "Free space on the drive where the images are saved.");
  int at = 1;  // below the title
  body->insertWidget(at++, l.labselect);
  body->insertWidget(at++, l.liste, 1);
  l.cbAnciens = new ui::WrapCheckBox("Show earlier recordings", ListeFrame);
  l.cbAnciens->setObjectName("cbAnciens");
  l.btnEffacerHistorique = new QPushButton("Clear the history", ListeFrame);
  l.btnEffacerHistorique->setObjectName("btnEffacerHistorique");
  body->insertWidget(at++, l.cbAnciens);
  body->insertWidget(at++, l.btnEffacerHistorique, 0, Qt::AlignLeft);
  body->insertWidget(at++, new QLabel("Processor", ListeFrame));
  body->insertWidget(at++, l.tgCPU);
  body->insertWidget(at++, new QLabel("Video drive", ListeFrame));
  body->insertWidget(at++, l.tgVideo);
  body->insertWidget(at++, new QLabel("Image drive", ListeFrame));
  body->insertWidget(at++, l.tgImage);

  connect(l.liste, &sessionlist::TFichierListbox::OnCountsChange, this, [this](int, int count) {
    auto &s = Liste();
    s.labselect->setText(QString::number(count) + " files sorted " + sessionlist::SortCaption(s.liste->SortMode()));
    s.liste->setEnabled(count > 0);
  });
  l.labselect->setText("0 files sorted " + sessionlist::SortCaption(l.liste->SortMode()));

  l.history.Load();
  l.anciens = l.history.Entries();
  connect(l.cbAnciens, &QCheckBox::toggled, this, [this](bool on) {
    auto &s = Liste();
    s.MontrerAnciens(on);
    // Said once, when the user first asks for what the unreadable file held.
    if (on && !s.problemeDit && !s.history.Problem().isEmpty()) {
      s.problemeDit = true;
      platform::DialogService::Instance().Warning(s.history.Problem(), this);
    }
  });
  connect(l.btnEffacerHistorique, &QPushButton::clicked, this, [this] {
    auto &s = Liste();
    if (platform::DialogService::Instance().Ask(platform::DlgKind::Confirmation,
                                                "Forget every recording of the earlier sessions and of this one?",
                                                platform::DlgButtons::YesNo, this) != platform::DlgAnswer::Yes)
      return;
    if (!s.history.Clear())
      platform::DialogService::Instance().Warning("The history " + s.history.Path() + " could not be removed.", this);
    s.anciens.clear();
    s.MontrerAnciens(false);
  });

  // The pop-up menu.
  l.pmListe = new QMenu(l.liste);
  l.pmListe->setObjectName("pmListe");
  auto current = [this]() { return static_cast<const sessionlist::TDataFichier *>(Liste().liste->CurrentEntry()); };
  l.pmListe->addAction("Properties", this, [this] {
    const auto *entry = dynamic_cast<const sessionlist::TDataFichier *>(Liste().liste->CurrentEntry());
    if (entry) platform::DialogService::Instance().Information(sessionlist::ProprietesTexte(*entry), this);
  });
  l.pmListe->addAction("Parent folder", this, [this, current] {
    if (const auto *e = current()) platform::ShowFolder(e->Folder, this);
  });
  l.pmListe->addAction("Open in the associated application", this, [current] {
    if (const auto *e = current()) platform::OpenWithShell(e->FullName);
  });
  l.pmListe->addAction("Open in Quorrel", this, [this, current] {
    const QString quorrel = params_->Str("Quorrel");
    const auto *e = current();
    if (e && !quorrel.isEmpty() && QFileInfo(quorrel).isFile()) platform::RunProgram(quorrel, {e->FullName});
  });
  l.pmListe->addSeparator();
  QMenu *sort = l.pmListe->addMenu("Sort");
  const std::pair<const char *, TSortIndex> modes[] = {{"Alphabetical order", TSortIndex::alpha},
                                                       {"Size", TSortIndex::size},
                                                       {"Date", TSortIndex::modify},
                                                       {"extension", TSortIndex::extension}};
  for (const auto &[caption, mode] : modes)
    sort->addAction(caption, this, [this, mode = mode] { Liste().liste->TrierPar(mode); });
  l.liste->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(l.liste, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &at) { Liste().pmListe->popup(Liste().liste->viewport()->mapToGlobal(at)); });
  connect(l.liste, &QListWidget::itemDoubleClicked, this, [current] {
    if (const auto *e = current()) platform::OpenWithShell(e->FullName);
  });

  // Gauges, refreshed by their timers and whenever the panel appears.
  l.cpuTimer = new QTimer(this);
  l.cpuTimer->setInterval(500);
  connect(l.cpuTimer, &QTimer::timeout, this, &TCaptureForm::MajJaugeCPU);
  l.cpuTimer->start();
  l.freeSpaceTimer = new QTimer(this);
  l.freeSpaceTimer->setInterval(2000);
  connect(l.freeSpaceTimer, &QTimer::timeout, this, [this] { MajJaugesDisque(false); });
  l.freeSpaceTimer->start();
  ListeFrame->installEventFilter(new OnShow(this, [this] {
    auto &s = Liste();
    s.labselect->setText(QString::number(s.liste->Count()) + " files sorted " +
                         sessionlist::SortCaption(s.liste->SortMode()));
    MajJaugeCPU();
    MajJaugesDisque(false);
  }));
}

sessionlist::TFichierListbox *TCaptureForm::FichierListbox() const { return liste_ ? liste_->liste : nullptr; }

void TCaptureForm::MajJaugeCPU() {
  auto &l = Liste();
  const QString stat = platform::CpuLoad::ReadProcStat();
  if (stat.isEmpty()) return;  // the gauge keeps its last value
  l.cpu.Update(stat);
  SetJauge(l.tgCPU, l.cpu.Busiest(), l.cpu.Busiest() >= 81);
}

void TCaptureForm::MajJaugesDisque(bool maxima) {
  auto &l = Liste();
  const auto video = platform::DiskFiguresOf(NomVideo().isEmpty() ? params_->Str("Video Directory") : NomVideo());
  const auto image = platform::DiskFiguresOf(NomImage.isEmpty() ? params_->Str("Image Directory") : NomImage);
  SetJaugeDisque(l.tgVideo, video, 500, maxima);
  SetJaugeDisque(l.tgImage, image, 100, maxima);
}

void TCaptureForm::AjouterSession(const QString &file, int dropped, int captured) {
  if (!liste_ || file.isEmpty()) return;
  auto entry = std::make_unique<sessionlist::TDataFichier>(file);
  entry->Dropped = dropped;
  entry->Captured = captured;
  entry->TapeErrorFrames = app::TapeReportDamagedFrames(file);
  entry->VideoSource = SourcesFrame->cboxvideo->currentText();
  entry->AudioSource = SourcesFrame->cboxAudio->currentText();
  entry->AudioEntry = SourcesFrame->cbEntries->currentText();
  entry->CaptureFormat = SourcesFrame->cbFormatCapture->currentText();
  const auto remembered = sessionlist::HistoryEntry::From(*entry);
  liste_->liste->AjouterFichier(std::move(entry), true);
  liste_->history.Add(remembered);
}

}  // namespace vistrel
