#pragma once
// A camcorder window: the tape's time code and recording date, the marker
// of the window that receives the main window's camera shortcuts, "Stop when
// quit", the transport bar and the tape's health.
#include <QWidget>

#include "app/tape_health.h"

class QCheckBox;
class QLabel;
class QPushButton;
namespace vistrel::ui {
class TapeHealthStrip;
}

namespace vistrel {

namespace sources { class TavStrel; }
class Tnav_captureframe;

class TcamForm : public QWidget {
  Q_OBJECT
 public:
  // `number`: 1 or 2, which window of the two this is.
  TcamForm(int number, QWidget *owner);
  ~TcamForm() override;

  static constexpr int kWidth = 568, kHeight = 170;

  int Number() const { return number_; }
  QLabel *Label1;           // the DV recording date
  QLabel *image1;           // the active-window marker
  QLabel *Timecode;         // the time-code panel
  QCheckBox *cbStopQuittant;
  Tnav_captureframe *nav_captureframe1;
  ui::TapeHealthStrip *HealthStrip;
  QLabel *HealthText;      // damaged frames so far and the time code of the last
  QPushButton *btnRetour;  // back to a few seconds before the first damaged frame
  app::TapeHealth &Health() { return health_; }
  // Shown whenever a source with a camcorder is bound to this window.
  bool WantedVisible = true;
  // How many times AfficherTimecode refreshed this window.
  int Rafraichissements = 0;

  void SetActive(bool active);
  bool IsActive() const;
  // Time code and DV date of `source` (the 300 ms refresh).
  void AfficherTimecode(const sources::TavStrel &source);
  // The program is closing: Stop sent when "Stop when quit" is ticked, the
  // transport dropped. Runs once.
  void FormDestroy();
  // A released camcorder: stopped when asked to, dropped, window hidden.
  void Liberer(bool arreter = true);

 protected:
  void closeEvent(QCloseEvent *e) override;

 private:
  void StopperSiDemande();
  void AfficherSante();
  void RetourPremiereErreur();
  app::TapeHealth health_;
  app::TapeRewinder rewinder_;
  filters::Tvs_DvHealth *checker_ = nullptr;
  int number_;
  bool destroyed_ = false;
};

}  // namespace vistrel
