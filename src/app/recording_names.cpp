#include "app/recording_names.h"

#include "platform/shell.h"

namespace vistrel {

QString ExtensionFormatCapture(int format) {
  switch (format) {
    case 3:
    case 4: return ".mpg";
    case 7: return ".wmv";
    case 11: return ".wav";
    case 12: return ".mp3";
    default: return ".avi";
  }
}

bool FormatEnregistre(int format) { return format >= 1 && format <= 12 && format != 10; }

QString ComposerNomVideo(const QString &folder, const QString &root, bool withDate, const QDateTime &dateNoms,
                         int counter, int format) {
  using platform::DeuxChiffres;
  QString name = folder;
  if (!name.endsWith('/')) name += '/';
  name += root + "_";
  if (withDate) {
    const QDate d = dateNoms.date();
    const QTime t = dateNoms.time();
    name += DeuxChiffres(d.day()) + DeuxChiffres(d.month()) + DeuxChiffres(d.year()) + "_" + DeuxChiffres(t.hour()) +
            DeuxChiffres(t.minute()) + DeuxChiffres(t.second()) + "_";
  }
  // The extension is appended to the name just built rather than put in
  // place of its last ".": a root such as "my.video" would otherwise lose
  // the counter and give every capture the same name.
  return name + QString::number(counter) + ExtensionFormatCapture(format);
}

QString PartieFichier(const QString &path) { return path.mid(path.lastIndexOf('/') + 1); }

}  // namespace vistrel
