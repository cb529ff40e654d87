#include "graph/dsfunctions.h"

#include <QRegularExpression>

#include "media/requirements.h"
#include "media/soundplayer.h"
#include "platform/disk.h"

namespace vistrel {
namespace {

using media::FilterCategory;
using media::FilterSlot;

template <typename Match>
bool BindFirst(FilterCategory category, FilterSlot &component, Match matches) {
  component.TakeOutOfGraph();
  for (const auto &factory : media::FactoriesIn(category))
    if (matches(factory.get())) return component.Bind(factory.get());
  return false;
}

}  // namespace

bool MemeTypeMedia(const media::MediaType &a, const media::MediaType &b) {
  return a.major == b.major && a.subtype == b.subtype && a.formatType == b.formatType && a.format == b.format;
}

bool FiltreParClsid(FilterCategory category, const QString &clsid, FilterSlot &component) {
  return BindFirst(category, component,
                   [&](GstElementFactory *f) { return media::FactoryName(f) == clsid; });
}

bool FiltreParNom(FilterCategory category, const QString &name, FilterSlot &component) {
  return BindFirst(category, component,
                   [&](GstElementFactory *f) { return media::FriendlyName(f) == name; });
}

bool ListeCompresseursVideo(QStringList &list) {
  list.clear();
  for (const auto &factory : media::FactoriesIn(FilterCategory::VideoCompressor))
    list << media::FriendlyName(factory.get());
  return true;
}

quint32 EspaceTotal(const QString &path) { return platform::DiskFiguresOf(path).totalMB; }
quint32 EspaceUtilise(const QString &path) { return platform::DiskFiguresOf(path).usedMB; }
quint32 EspaceLibre(const QString &path) { return platform::DiskFiguresOf(path).freeMB; }

void Bip0() { media::PlayBeep(0); }
void Bip1() { media::PlayBeep(1); }

QString VersionDirectX() { return media::GStreamerVersion(); }

int VersionMajeureDirectX() { return VersionMajeureDe(VersionDirectX()); }

int VersionMajeureDe(const QString &versionText) {
  static const QRegularExpression pattern(QStringLiteral("^(\\d{1,4})\\.(\\d{1,2})(\\D|$)"));
  const QRegularExpressionMatch m = pattern.match(versionText);
  if (!m.hasMatch()) return 0;
  return m.captured(1).toInt() * 100 + m.captured(2).toInt();
}

QString FourCCTexte(quint32 code) {
  QString text;
  for (int i = 0; i < 4; ++i) {
    const auto byte = quint8(code >> (8 * i));
    if (byte < 32) return {};
    text += QChar::fromLatin1(char(byte));
  }
  return text;
}

}  // namespace vistrel
