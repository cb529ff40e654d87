#include "app/recording_names.h"

#include <QFileInfo>

#include "platform/shell.h"
#include "settings/captureformats.h"

namespace vistrel {

QString ExtensionFormatCapture(int format) { return QString::fromLatin1(settings::CaptureFormat(format).extension); }

bool FormatEnregistre(int format) { return settings::CaptureFormat(format).records; }

QString PrefixeNom(const QString &folder, const QString &root, bool withDate, const QDateTime &date) {
  using platform::DeuxChiffres;
  QString name = folder;
  if (!name.isEmpty() && !name.endsWith('/')) name += '/';
  name += root + '_';
  if (withDate) {
    const QDate d = date.date();
    const QTime t = date.time();
    name += DeuxChiffres(d.day()) + DeuxChiffres(d.month()) + DeuxChiffres(d.year()) + '_' + DeuxChiffres(t.hour()) +
            DeuxChiffres(t.minute()) + DeuxChiffres(t.second()) + '_';
  }
  return name;
}

QString ComposerNomVideo(const QString &folder, const QString &root, bool withDate, const QDateTime &dateNoms,
                         int counter, int format) {
  const QString name = PrefixeNom(folder, root, withDate, dateNoms);
  // The extension is appended to the name just built rather than put in
  // place of its last ".": a root such as "my.video" would otherwise lose
  // the counter and give every capture the same name.
  return name + QString::number(counter) + ExtensionFormatCapture(format);
}

QString PartieFichier(const QString &path) { return path.mid(path.lastIndexOf('/') + 1); }

void VideoNames::SetFields(const QString &folder, const QString &root, bool withDate) {
  folder_ = folder;
  root_ = root;
  withDate_ = withDate;
  Compose();
}

void VideoNames::SetFormat(int format) {
  format_ = format;
  if (current_.isEmpty()) return;
  const QFileInfo info(current_);
  current_ = info.path() + "/" + info.completeBaseName() + ExtensionFormatCapture(format);
}

void VideoNames::Restart() {
  counter_ = 0;
  Compose();
}

void VideoNames::Advance() {
  ++counter_;
  Compose();
}

void VideoNames::PassOver(const std::function<bool(const QString &)> &taken) {
  for (int tries = 0; tries < 1000 && taken(current_); ++tries) Advance();
}

void VideoNames::Compose() { current_ = ComposerNomVideo(folder_, root_, withDate_, date_, counter_, format_); }

}  // namespace vistrel
