#pragma once
// Small stateless helpers shared across the program: media-type comparison,
// binding stock-filter slots, the video compressor list, disk space, the
// countdown beeps, the media framework version and FourCC text.
#include "media/elementlookup.h"
#include "media/mediatype.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace vistrel {

// Same major type, subtype, format type and format block; the sample size
// and the flags do not count.
bool MemeTypeMedia(const media::MediaType &a, const media::MediaType &b);

// Takes the slot's element out of the graph, then binds the slot to the
// first element of the category whose identity (factory name) is `clsid`.
// Not found: false and the slot keeps its binding.
bool FiltreParClsid(media::FilterCategory category, const QString &clsid, media::FilterSlot &component);
// The same, matching the friendly name exactly.
bool FiltreParNom(media::FilterCategory category, const QString &name, media::FilterSlot &component);

// Empties the list, then adds the friendly name of every video compressor.
bool ListeCompresseursVideo(QStringList &list);

// Size of the volume holding the folder, in MiB; 0 when it cannot be measured.
quint32 EspaceTotal(const QString &path);
quint32 EspaceUtilise(const QString &path);
quint32 EspaceLibre(const QString &path);

// The countdown beeps; they play without holding up the caller.
void Bip0();
void Bip1();

// The media framework (GStreamer) version, "1.22.0".
QString VersionDirectX();
// major × 100 + minor of VersionDirectX() (122 for 1.22.0); 0 on error.
int VersionMajeureDirectX();
// The same rule for any version text: 0 when it does not start "major.minor".
int VersionMajeureDe(const QString &versionText);

// The four bytes of the code, lowest first, as text when each is at least
// 32; otherwise the empty text.
QString FourCCTexte(quint32 code);

}  // namespace vistrel
