#include "app/scenefile.h"

#include <QFileInfo>

namespace vistrel {

namespace {

void PutU32(QByteArray &out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray Bytes(std::initializer_list<unsigned char> list) {
  QByteArray out;
  for (unsigned char c : list) out.append(char(c));
  return out;
}

}  // namespace

QString TSceneFile::NameFor(const QString &videoFile) {
  const QFileInfo info(videoFile);
  const QString file = info.fileName();
  const int dot = file.lastIndexOf('.');
  const QString base = dot >= 0 ? videoFile.left(videoFile.size() - (file.size() - dot)) : videoFile;
  return base + ".scn";
}

QByteArray TSceneFile::StoredPath(const QString &name) {
  // The reading program expects one byte per character; what Latin-1 cannot
  // hold becomes '?', as an 8-bit code page would show it.
  QByteArray out;
  out.reserve(name.size());
  for (QChar c : name) out.append(c.unicode() < 256 ? char(c.unicode()) : '?');
  return out;
}

bool TSceneFile::OuvrirScn(const QString &name) {
  std::lock_guard lock(mutex_);
  // A new file while one is open: the old one is finished properly first.
  CloseLocked();
  nomScn_ = name;
  reports_ = 0;
  path_ = StoredPath(name);
  // The length lives in one byte: a longer path would make the file unreadable.
  if (path_.size() > 255) return false;
  file_.setFileName(name);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QByteArray head = Bytes({0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00});
  head += "SourceTape";
  head.append(char(path_.size()));
  head += path_;
  head += QByteArray(8, '\0');
  countPos_ = head.size();
  head += QByteArray(2, '\0');
  head += Bytes({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00});
  head += "ClipP";
  head += QByteArray(3, '\0');
  head += Bytes({0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00});
  head += "Scene";
  head += QByteArray(5, '\0');
  if (file_.write(head) != head.size() || !file_.flush()) {
    file_.close();
    return false;
  }
  open_ = true;
  return true;
}

void TSceneFile::SceneScn(const filters::DVInfo &start, const filters::DVInfo &current) {
  std::lock_guard lock(mutex_);
  if (!open_ || reports_ >= kMaxReports) return;
  const std::uint32_t s = start.FrameNumber + 1, e = current.FrameNumber + 1;
  ++reports_;
  QByteArray rec;
  if (reports_ == 1) {
    PutU32(rec, e);
    rec += Bytes({0x00, 0x00, 0x00, 0x00, 0x01, 0x80});
    rec.append(char(path_.size()));
    rec += path_;
    rec += QByteArray(8, '\0');
    PutU32(rec, e);
  } else {
    const std::uint32_t n = e - s + 1;
    rec = Bytes({0x03, 0x80, 0xF0, 0x00, 0x00, 0x00, 0x05, 0x80, 0x00});
    PutU32(rec, s);
    PutU32(rec, n);
    rec += Bytes({0x00, 0x00, 0x00, 0x00, 0x07, 0x00});
    PutU32(rec, s);
    PutU32(rec, n);
    PutU32(rec, s);
  }
  // A failed write loses this report only; the next ones are still written.
  // Each report reaches the file at once, so a crash keeps the scenes so far.
  file_.write(rec);
  file_.flush();
}

void TSceneFile::FermerScn() {
  std::lock_guard lock(mutex_);
  CloseLocked();
}

void TSceneFile::CloseLocked() {
  if (!open_) return;
  open_ = false;
  const std::uint16_t count = std::uint16_t(reports_);
  if (file_.seek(countPos_)) file_.write(Bytes({std::uint8_t(count & 0xFF), std::uint8_t(count >> 8)}));
  file_.close();
}

bool TSceneFile::Ouvert() const {
  std::lock_guard lock(mutex_);
  return open_;
}

QString TSceneFile::NomScn() const {
  std::lock_guard lock(mutex_);
  return nomScn_;
}

std::uint32_t TSceneFile::Reports() const {
  std::lock_guard lock(mutex_);
  return reports_;
}

}  // namespace vistrel
