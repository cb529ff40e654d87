#include "media/wmvprofiles.h"

namespace vistrel::media {

quint32 WmvVersionCode(int versionIndex) {
  switch (versionIndex) {
    case 0: return 0x00040000;
    case 1: return 0x00070000;
    default: return 0x00080000;
  }
}

QList<WmvProfile> WmvSystemProfiles(int versionIndex) {
  const int v = versionIndex == 0 ? 4 : versionIndex == 1 ? 7 : 8;
  const QString tag = QStringLiteral(" (v%1)").arg(v);
  QList<WmvProfile> list = {
      {"Video for dial-up modems, 28.8 Kbps" + tag, 20, 8, 160, 120, 8},
      {"Video for dial-up modems, 56 Kbps" + tag, 40, 10, 176, 144, 15},
      {"Video for ISDN, 128 Kbps" + tag, 100, 16, 240, 180, 15},
      {"Video for LAN, cable modem or xDSL, 300 Kbps" + tag, 250, 32, 320, 240, 25},
      {"Video for broadband, 768 Kbps" + tag, 700, 64, 640, 480, 25},
      {"Audio for FM radio quality, 64 Kbps" + tag, 0, 64, 0, 0, 0},
      {"Audio for CD quality, 128 Kbps" + tag, 0, 128, 0, 0, 0},
  };
  if (v >= 7) {
    list.insert(5, {"Video for LAN, 1.5 Mbps" + tag, 1400, 128, 640, 480, 25});
    list.insert(6, {"Video for broadband PAL, 2 Mbps" + tag, 1850, 128, 720, 576, 25});
  }
  if (v >= 8) list.insert(7, {"Video for high quality, 4 Mbps" + tag, 3800, 160, 720, 576, 25});
  return list;
}

WmvProfile WmvDefaultProfile(int level) {
  switch (level) {
    case 0: return {"High", 3800, 160, 720, 576, 25};
    case 2: return {"Low", 250, 32, 320, 240, 25};
    case 3: return {"Internet", 40, 10, 176, 144, 15};
    default: return {"Medium", 1400, 128, 640, 480, 25};
  }
}

}  // namespace vistrel::media
