#pragma once
// The transport bar of a camcorder window: seven buttons bound to the
// frame's own actions (and their shortcuts while the window is active), the
// transport they drive and whether it reads a time code.
#include <QFrame>

#include <array>

#include "app/camtransport.h"

class QAction;

namespace vistrel {

class Tnav_captureframe : public QFrame {
  Q_OBJECT
 public:
  explicit Tnav_captureframe(QWidget *parent = nullptr);

  // Replaced at every connection of a source with a camcorder.
  void SetTransport(sources::ExternalTransport *transport);
  sources::ExternalTransport *Transport() const { return transport_; }
  bool HasTransport() const { return transport_ != nullptr; }
  // The transports read the tape's time code themselves.
  bool HasTimecodeReader() const { return transport_ != nullptr; }

  // One command of the table; nothing without a transport, a refusal ignored.
  void Commande(CamCommande commande);

  // The frame's actions by command (PlayPause is the Ins toggle).
  QAction *Action(CamCommande commande) const { return actions_[int(commande)]; }

 private:
  void PreparerPlayPause();
  std::array<QAction *, 8> actions_{};
  sources::ExternalTransport *transport_ = nullptr;
};

}  // namespace vistrel
