#pragma once
// Choices of sources and formats, by the user in the boxes or by a command (a
// switch or a command-file line). What a command names is checked against what
// this session has: a name that is not there is told rather than quietly
// replaced by the first one listed, so a run nobody watches never records from
// sources or in a format nobody asked for.
#include <QList>
#include <QString>

namespace vistrel {
namespace sources {
class SourceCatalog;
}

// Empty when `name` is a video (audio) source of the catalog or "no video
// stream" ("no audio stream"); else what is wrong, with the names there are.
QString AbsentVideoSource(const sources::SourceCatalog *catalog, const QString &name);
QString AbsentAudioSource(const sources::SourceCatalog *catalog, const QString &name);

// The code of the capture format `name` when it is one of `offered`; else -1,
// and `problem` tells whether no format has that name or the sources chosen do
// not offer it, with the names that would do.
int OfferedFormatNamed(const QString &name, const QList<int> &offered, QString *problem);

// The format to select once the picture changed, from the one in force and the
// one the user last chose (-1: none): back from "no video stream" the chosen one
// comes back rather than the sound format that stood in; with the lock, a picture
// takes no sound-only format (0: the first offered).
int FormatAfterVideoChange(int current, int wanted, bool picture, bool locked);
// The same once the sound changed: with the lock, sound takes no picture-only format.
int FormatAfterAudioChange(int current, bool sound, bool locked);

}  // namespace vistrel
