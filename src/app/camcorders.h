#pragma once
// The main window's two camcorder windows: which one a connected camcorder
// takes, which one receives the camera shortcuts, and their refresh.
#include <QObject>
#include <QRect>

#include <array>
#include <functional>

#include "app/camtransport.h"
#include "graph/camcorderbinding.h"

namespace vistrel {

class TcamForm;

class TCamescopes : public QObject, public CamcorderBinding {
  Q_OBJECT
 public:
  explicit TCamescopes(QWidget *owner);
  ~TCamescopes() override;

  // Window 1 or 2.
  TcamForm *Fenetre(int number) const { return forms_[number - 1]; }
  TcamForm *Active() const { return forms_[active_]; }
  static TcamForm *FenetreDe(const sources::TavStrel *source);

  void Lier(sources::TavStrel &source, sources::TavStrel *other) override;
  void Delier(sources::TavStrel &source, bool full, bool shared) override;
  // While the device list is read again every source is released and the
  // same ones connected back: a camcorder is then not stopped ("Stop when
  // quit" is for leaving it, and a sound server appearing must not stop the
  // tape being captured).
  bool RelectureDesSources = false;

  // Makes window `number` the one the shortcuts reach.
  void Activer(int number);
  // cam_Toggle: to the other window when it is visible.
  void Basculer();
  // A camera command of the main window, for the active window.
  void Commande(CamCommande commande);
  // acShowVideoPilotDV / acShowAudioPilotDV: only with a window and a transport.
  void InverserVisibilite(const sources::TavStrel *source);
  // The window of a current source as its wanted visibility says (hidden
  // without a transport).
  void AppliquerVisibilite(const sources::TavStrel *source);
  // The 300 ms refresh: the video source's window, and the audio source's
  // unless it is the same one.
  void Rafraichir(const sources::TavStrel *video, const sources::TavStrel *audio);
  // The program closes: each window stops its camcorder when asked to.
  void Fermer();
  // Where a window opens the first time, unless a rectangle was given to it.
  std::function<QRect()> RectangleParDefaut;
  void Placer(int number, const QRect &r);

 private:
  std::array<TcamForm *, 2> forms_{};
  std::array<bool, 2> placed_{};
  int active_ = 0;
};

}  // namespace vistrel
