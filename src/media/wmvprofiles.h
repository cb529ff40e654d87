#pragma once
// Windows Media profiles of our own: what the ASF writer is configured from.
// Three versions (4, 7, 8) each with a list of profiles, and the four default
// quality levels High, Medium, Low and Internet.
#include <QList>
#include <QString>

namespace vistrel::media {

struct WmvProfile {
  QString name;
  int videoKbps = 0;  // 0: audio only
  int audioKbps = 0;
  int width = 0, height = 0;
  int fps = 0;
  bool HasVideo() const { return videoKbps > 0; }
};

// The version code of a version radio index: 0 -> 0x00040000, 1 -> 0x00070000,
// 2 -> 0x00080000; other indexes give version 8.
quint32 WmvVersionCode(int versionIndex);
// The profiles of a version, in profile order.
QList<WmvProfile> WmvSystemProfiles(int versionIndex);
// The default profiles: 0 High, 1 Medium, 2 Low, 3 Internet (others: Medium).
WmvProfile WmvDefaultProfile(int level);

}  // namespace vistrel::media
