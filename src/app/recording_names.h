#pragma once
// Output file names of recordings, built from the Folders panel's fields.
#include <QDateTime>
#include <QString>

namespace vistrel {

// ".mpg" for the MPEG streams (3, 4), ".wmv" (7), ".wav" (11), ".mp3" (12),
// ".avi" for every other format.
QString ExtensionFormatCapture(int format);

// Formats 0 (none) and 10 ("Default") have no capture graph: they record nothing.
bool FormatEnregistre(int format);

// The common start of video and image names: folder + "/" (unless it is
// empty or ends with one) + root + "_" + [ddMMyy_hhmmss_ when withDate], the
// date being two digits a field.
QString PrefixeNom(const QString &folder, const QString &root, bool withDate, const QDateTime &date);

// folder + "/" (unless it ends with one) + root + "_" + [ddMMyy_hhmmss_ when
// withDate] + counter + the format's extension.
// Example: "/v", "Video", date on, 8 Dec 2026 03:29:05, 0, divx ->
// "/v/Video_081226_032905_0.avi".
QString ComposerNomVideo(const QString &folder, const QString &root, bool withDate, const QDateTime &dateNoms,
                         int counter, int format);

// The file part of a path (after the last "/").
QString PartieFichier(const QString &path);

}  // namespace vistrel
