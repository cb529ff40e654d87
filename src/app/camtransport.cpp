#include "app/camtransport.h"

namespace vistrel {

using sources::TransportMode;

EdMode ModePourCommande(CamCommande commande, int current) {
  switch (commande) {
    case CamCommande::Play: return ED_MODE_PLAY;
    case CamCommande::Pause: return ED_MODE_FREEZE;
    case CamCommande::Stop: return ED_MODE_STOP;
    case CamCommande::AvanceLent: return ED_MODE_PLAY_SLOWEST_FWD;
    case CamCommande::ReculeLent: return ED_MODE_PLAY_SLOWEST_REV;
    // From stop the tape winds; while it plays it runs at its fastest.
    case CamCommande::AvanceRapide: return current == ED_MODE_STOP ? ED_MODE_FF : ED_MODE_PLAY_FASTEST_FWD;
    case CamCommande::ReculeRapide: return current == ED_MODE_STOP ? ED_MODE_REW : ED_MODE_PLAY_FASTEST_REV;
    case CamCommande::PlayPause: return current == ED_MODE_PLAY ? ED_MODE_FREEZE : ED_MODE_PLAY;
  }
  return ED_MODE_STOP;
}

EdMode LireMode(const sources::ExternalTransport &transport) {
  switch (transport.Mode()) {
    case TransportMode::Play: return ED_MODE_PLAY;
    case TransportMode::Pause: return ED_MODE_FREEZE;
    case TransportMode::Stop: return ED_MODE_STOP;
    case TransportMode::FastForward: return ED_MODE_FF;
    case TransportMode::Rewind: return ED_MODE_REW;
    case TransportMode::Shuttle: return ED_MODE_SHUTTLE;
    case TransportMode::Record: return ED_MODE_RECORD;
  }
  return ED_MODE_STOP;
}

bool EnvoyerMode(sources::ExternalTransport &transport, EdMode mode) {
  switch (mode) {
    case ED_MODE_PLAY: return transport.Play();
    case ED_MODE_FREEZE: return transport.Pause();
    case ED_MODE_STOP: return transport.Stop();
    case ED_MODE_FF: return transport.FastForward();
    case ED_MODE_REW: return transport.Rewind();
    case ED_MODE_PLAY_FASTEST_FWD: return transport.Shuttle(sources::kFastestSpeed);
    case ED_MODE_PLAY_SLOWEST_FWD: return transport.Shuttle(sources::kSlowestSpeed);
    case ED_MODE_PLAY_FASTEST_REV: return transport.Shuttle(-sources::kFastestSpeed);
    case ED_MODE_PLAY_SLOWEST_REV: return transport.Shuttle(-sources::kSlowestSpeed);
    default: return false;  // the windows never send the others
  }
}

bool ExecuterCommande(sources::ExternalTransport *transport, CamCommande commande) {
  if (!transport) return false;
  return EnvoyerMode(*transport, ModePourCommande(commande, LireMode(*transport)));
}

}  // namespace vistrel
