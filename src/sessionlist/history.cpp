#include "sessionlist/history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include "sessionlist/srfichier.h"

namespace vistrel::sessionlist {

namespace {

constexpr int kFormatVersion = 1;
// A history is a few hundred short entries; anything far larger is not one.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;

// The text fields of an entry, by their JSON names.
struct TextField {
  const char *name;
  QString HistoryEntry::*member;
};
constexpr TextField kTextFields[] = {
    {"videoSource", &HistoryEntry::videoSource},
    {"audioSource", &HistoryEntry::audioSource},
    {"audioEntry", &HistoryEntry::audioEntry},
    {"captureFormat", &HistoryEntry::captureFormat},
};

QJsonObject ToJson(const HistoryEntry &e) {
  QJsonObject o{{"file", e.file},
                {"size", double(e.size)},
                {"modified", e.modified.toString(Qt::ISODateWithMs)},
                {"dropped", e.dropped},
                {"captured", e.captured}};
  for (const TextField &f : kTextFields) o.insert(f.name, e.*f.member);
  return o;
}

bool FromJson(const QJsonValue &v, HistoryEntry &e) {
  const QJsonObject o = v.toObject();
  e.file = o.value("file").toString();
  if (e.file.isEmpty()) return false;
  e.size = qint64(o.value("size").toDouble(0));
  e.modified = QDateTime::fromString(o.value("modified").toString(), Qt::ISODateWithMs);
  e.dropped = o.value("dropped").toInt(-1);
  e.captured = o.value("captured").toInt(-1);
  for (const TextField &f : kTextFields) e.*f.member = o.value(f.name).toString();
  return true;
}

}  // namespace

HistoryEntry HistoryEntry::From(const TDataFichier &listed) {
  HistoryEntry e;
  e.file = listed.FullName;
  e.size = qint64(listed.Size);
  e.modified = listed.Modified;
  e.dropped = listed.Dropped;
  e.captured = listed.Captured;
  e.videoSource = listed.VideoSource;
  e.audioSource = listed.AudioSource;
  e.audioEntry = listed.AudioEntry;
  e.captureFormat = listed.CaptureFormat;
  return e;
}

void HistoryEntry::FillIn(TDataFichier &entry) const {
  if (QFileInfo::exists(file)) {
    entry = TDataFichier(file);
  } else {
    entry.SetPath(file);
    entry.Size = quint64(std::max<qint64>(0, size));
    entry.Modified = modified;
  }
  entry.Dropped = dropped;
  entry.Captured = captured;
  entry.VideoSource = videoSource;
  entry.AudioSource = audioSource;
  entry.AudioEntry = audioEntry;
  entry.CaptureFormat = captureFormat;
}

QString RecordingHistory::DefaultPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/vistrel/recordings.history";
}

RecordingHistory::RecordingHistory(QString path) : path_(std::move(path)) {}

bool RecordingHistory::Load() {
  entries_.clear();
  problem_.clear();
  writable_ = true;
  QFile f(path_);
  if (!f.exists()) return true;
  if (!f.open(QIODevice::ReadOnly)) {
    // Perhaps only for now (permissions, a volume away): it is left as it is.
    writable_ = false;
    problem_ = "The history of earlier recordings " + path_ + " could not be read: " + f.errorString() + ".";
    return false;
  }
  QJsonParseError error{};
  const QJsonDocument doc = f.size() > kLargestFile ? QJsonDocument() : QJsonDocument::fromJson(f.readAll(), &error);
  f.close();
  const QJsonObject root = doc.object();
  if (!doc.isObject() || root.value("version").toInt() != kFormatVersion || !root.value("recordings").isArray()) {
    SetAside();
    return false;
  }
  for (const QJsonValue &v : root.value("recordings").toArray()) {
    HistoryEntry e;
    if (FromJson(v, e)) entries_.push_back(std::move(e));
  }
  if (entries_.size() > std::size_t(kMaxEntries)) entries_.erase(entries_.begin(), entries_.end() - kMaxEntries);
  return true;
}

void RecordingHistory::SetAside() {
  QString aside = path_ + ".bak";
  for (int n = 2; QFileInfo::exists(aside); ++n) aside = path_ + ".bak" + QString::number(n);
  if (QFile::rename(path_, aside)) {
    problem_ = "The history of earlier recordings " + path_ + " was not readable; it is kept as " + aside +
               " and a new history begins.";
  } else {
    writable_ = false;
    problem_ = "The history of earlier recordings " + path_ + " is not readable and could not be set aside; " +
               "it is left as it is and nothing is added to it.";
  }
}

bool RecordingHistory::Add(const HistoryEntry &entry) {
  std::erase_if(entries_, [&](const HistoryEntry &e) { return e.file == entry.file; });
  entries_.push_back(entry);
  if (entries_.size() > std::size_t(kMaxEntries)) entries_.erase(entries_.begin(), entries_.end() - kMaxEntries);
  return Save();
}

bool RecordingHistory::Clear() {
  entries_.clear();
  if (!writable_) return false;
  return !QFileInfo::exists(path_) || QFile::remove(path_);
}

bool RecordingHistory::Save() {
  if (!writable_) return false;
  QDir().mkpath(QFileInfo(path_).absolutePath());
  QJsonArray list;
  for (const HistoryEntry &e : entries_) list.append(ToJson(e));
  const QJsonObject root{{"version", kFormatVersion}, {"recordings", list}};
  QSaveFile f(path_);
  if (!f.open(QIODevice::WriteOnly) || f.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0 ||
      !f.commit()) {
    problem_ = "The history of earlier recordings " + path_ + " could not be written: " + f.errorString() + ".";
    return false;
  }
  return true;
}

}  // namespace vistrel::sessionlist
