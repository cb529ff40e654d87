#pragma once
// The camcorder windows' commands in the vocabulary of edit-device modes:
// which mode each command sends, given the mode the camcorder is in, and how
// a mode is carried out on a tape transport.
#include "sources/transport.h"

namespace vistrel {

// Edit-device transport modes (base 4096).
enum EdMode : int {
  ED_MODE_PLAY = 4296,
  ED_MODE_STOP = 4297,
  ED_MODE_FREEZE = 4298,
  ED_MODE_FF = 4300,
  ED_MODE_REW = 4301,
  ED_MODE_RECORD = 4302,
  ED_MODE_SHUTTLE = 4305,
  ED_MODE_PLAY_FASTEST_FWD = 5029,
  ED_MODE_PLAY_SLOWEST_FWD = 5030,
  ED_MODE_PLAY_FASTEST_REV = 5031,
  ED_MODE_PLAY_SLOWEST_REV = 5032,
};

enum class CamCommande { Play, Pause, Stop, AvanceLent, AvanceRapide, ReculeLent, ReculeRapide, PlayPause };

// The mode a command sends when the camcorder is in `current`.
EdMode ModePourCommande(CamCommande commande, int current);
// The camcorder's mode as an edit-device mode (get_Mode).
EdMode LireMode(const sources::ExternalTransport &transport);
// Sends the mode (put_Mode); false when the camcorder refused it.
bool EnvoyerMode(sources::ExternalTransport &transport, EdMode mode);
// The command on a transport, reading its mode first; nothing without one.
bool ExecuterCommande(sources::ExternalTransport *transport, CamCommande commande);

}  // namespace vistrel
