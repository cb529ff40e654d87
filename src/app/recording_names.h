#pragma once
// Output file names of recordings, built from the Folders panel's fields.
#include <QDateTime>
#include <QString>
#include <functional>

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

// The name of the next recording and its counter. The Folders panel's fields
// and the capture format feed it; each finished file moves it on.
class VideoNames {
 public:
  // The name is made again with the same counter.
  void SetFields(const QString &folder, const QString &root, bool withDate);
  void SetDate(const QDateTime &date) { date_ = date; }
  QDateTime Date() const { return date_; }
  // Only the extension of the current name follows the format.
  void SetFormat(int format);
  // Back to counter 0 (the settings were loaded again).
  void Restart();
  // The next counter.
  void Advance();
  // Moves on past every name `taken` says is not free (another program's).
  void PassOver(const std::function<bool(const QString &)> &taken);
  QString Current() const { return current_; }
  // The counter the next Advance gives (one past the current name's).
  int Counter() const { return counter_ + 1; }
  QString Folder() const { return folder_; }

 private:
  void Compose();
  QString folder_, root_, current_;
  bool withDate_ = false;
  QDateTime date_;
  int format_ = 0;
  int counter_ = 0;
};

}  // namespace vistrel
