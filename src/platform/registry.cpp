#include "platform/registry.h"

#include "platform/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>

namespace vistrel::platform {

namespace {

constexpr auto kHeader = u"Windows Registry Editor Version 5.00";
constexpr auto kUserHive = u"HKEY_CURRENT_USER";
constexpr qint64 kMaxRegistryBytes = qint64(32) << 20;
// The registry's own limit of key depth. A deeper key in a file is kept as
// text, never built: each level is a node the export and the tree's end walk
// by recursion, and a file of one 100,000-deep key overflowed the stack.
constexpr qsizetype kMaxKeyDepth = 512;

struct NamedValue {
  QString name;
  RegValue value;
};

struct Node {
  QString name;
  QList<NamedValue> values;
  std::map<QString, std::unique_ptr<Node>> keys;  // by lower-case name
  QList<QStringList> raw;  // lines kept as they were, in the groups read together

  Node *Child(const QString &n) const {
    auto it = keys.find(n.toLower());
    return it == keys.end() ? nullptr : it->second.get();
  }
  Node *AddChild(const QString &n) {
    auto &slot = keys[n.toLower()];
    if (!slot) {
      slot = std::make_unique<Node>();
      slot->name = n;
    }
    return slot.get();
  }
  // Values by case-folded name, so reading a key of many values stays linear.
  QHash<QString, qsizetype> index;
  NamedValue *Find(const QString &n) {
    const auto it = index.constFind(n.toCaseFolded());
    return it == index.constEnd() ? nullptr : &values[*it];
  }
  void Set(const QString &n, const RegValue &value) {
    if (NamedValue *v = Find(n)) {
      v->value = value;
      return;
    }
    index.insert(n.toCaseFolded(), values.size());
    values.append({n, value});
  }
  bool Remove(const QString &n) {
    const auto it = index.constFind(n.toCaseFolded());
    if (it == index.constEnd()) return false;
    values.removeAt(*it);
    index.clear();
    for (qsizetype i = 0; i < values.size(); ++i) index.insert(values[i].name.toCaseFolded(), i);
    return true;
  }
};

QStringList SplitPath(const QString &path) {
  return path.split(u'\\', Qt::SkipEmptyParts);
}

// --- text format -----------------------------------------------------------

QString Escape(const QString &s) {
  QString out;
  out.reserve(s.size() + 2);
  for (const QChar c : s) {
    if (c == u'\\' || c == u'"') out.append(u'\\');
    out.append(c);
  }
  return out;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the quote.
bool ParseQuoted(const QString &text, qsizetype &pos, QString &out) {
  if (pos >= text.size() || text[pos] != u'"') return false;
  ++pos;
  out.clear();
  while (pos < text.size()) {
    const QChar c = text[pos++];
    if (c == u'"') return true;
    if (c == u'\\' && pos < text.size() && (text[pos] == u'\\' || text[pos] == u'"')) {
      out.append(text[pos++]);
    } else {
      out.append(c);
    }
  }
  return false;
}

bool ParseHexBytes(const QString &text, QByteArray &out) {
  out.clear();
  const QString body = text.trimmed();
  if (body.isEmpty()) return true;
  const QStringList parts = body.split(u',');
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const QString t = parts[i].trimmed();
    if (t.isEmpty() && i == parts.size() - 1) continue;  // a trailing comma
    bool ok = false;
    const uint v = t.toUInt(&ok, 16);
    if (!ok || v > 0xFF || t.size() > 2) return false;
    out.append(char(v));
  }
  return true;
}

bool ParseData(const QString &text, RegValue &value) {
  const QString t = text.trimmed();
  if (t.startsWith(u'"')) {
    qsizetype pos = 0;
    QString s;
    if (!ParseQuoted(t, pos, s) || !t.mid(pos).trimmed().isEmpty()) return false;
    value = RegValue::String(s);
    return true;
  }
  const QString lower = t.toLower();
  if (lower.startsWith(u"dword:")) {
    const QString digits = t.mid(6).trimmed();
    bool ok = false;
    const uint v = digits.toUInt(&ok, 16);
    if (!ok || digits.isEmpty() || digits.size() > 8) return false;
    value = RegValue::Dword(v);
    return true;
  }
  if (lower.startsWith(u"hex:")) {
    value.type = RegBinary;
    return ParseHexBytes(t.mid(4), value.data);
  }
  if (lower.startsWith(u"hex(")) {
    const qsizetype close = t.indexOf(u"):");
    if (close < 0) return false;
    bool ok = false;
    const uint type = t.mid(4, close - 4).toUInt(&ok, 16);
    if (!ok) return false;
    value.type = type;
    return ParseHexBytes(t.mid(close + 2), value.data);
  }
  return false;
}

// A value line: "name"=data or @=data.
bool ParseValueLine(const QString &line, QString &name, RegValue &value) {
  const QString t = line.trimmed();
  qsizetype pos = 0;
  if (t.startsWith(u'@')) {
    name.clear();
    pos = 1;
  } else if (!ParseQuoted(t, pos, name)) {
    return false;
  }
  while (pos < t.size() && t[pos].isSpace()) ++pos;
  if (pos >= t.size() || t[pos] != u'=') return false;
  return ParseData(t.mid(pos + 1), value);
}

QString HexList(const QByteArray &data) {
  QStringList parts;
  parts.reserve(data.size());
  for (const char c : data) parts.append(QString::asprintf("%02x", uint(uchar(c))));
  return parts.join(u',');
}

// Strings that regedit can write as "text" are written so; anything else (odd
// sizes, embedded zero or line-break characters) keeps its exact bytes as hex(1).
QString FormatData(const RegValue &v) {
  if (v.type == RegSz && v.data.size() % 2 == 0 && v.data.endsWith(QByteArray(2, '\0'))) {
    const QString s = *v.AsString();
    if (!s.contains(QChar(0)) && !s.contains(u'\r') && !s.contains(u'\n'))
      return u'"' + Escape(s) + u'"';
  }
  if (v.type == RegDword && v.data.size() == 4) return QString::asprintf("dword:%08x", *v.AsDword());
  if (v.type == RegBinary) return "hex:" + HexList(v.data);
  return QString::asprintf("hex(%x):", v.type) + HexList(v.data);
}

void Parse(const QByteArray &bytes, Node &top) {
  top = Node{};
  QStringList lines = DecodeIniLines(bytes);
  Node *current = &top;
  bool tooDeep = false;  // lines under a key past the depth limit go back as they came
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    QString trimmed = line.trimmed();
    if (current == &top && (trimmed == kHeader || trimmed == u"REGEDIT4") && top.raw.isEmpty() &&
        top.keys.empty())
      continue;
    if (trimmed.isEmpty()) continue;
    if (trimmed.startsWith(u'[') && trimmed.endsWith(u']') && !trimmed.startsWith(u"[-")) {
      const QStringList parts = SplitPath(trimmed.mid(1, trimmed.size() - 2));
      tooDeep = parts.size() > kMaxKeyDepth;
      if (!parts.isEmpty() && !tooDeep) {
        current = &top;
        for (const QString &p : parts) current = current->AddChild(p);
        continue;
      }
    }
    if (tooDeep) {
      top.raw.append(QStringList{line});
      continue;
    }
    // hex data may go on over several lines, each ending with a backslash; a
    // blank line or a key header always ends it
    qsizetype last = i;
    while (trimmed.endsWith(u'\\') && trimmed.contains(u"=hex", Qt::CaseInsensitive) &&
           last + 1 < lines.size()) {
      const QString next = lines[last + 1].trimmed();
      if (next.isEmpty() || (next.startsWith(u'[') && next.endsWith(u']'))) break;
      trimmed.chop(1);
      trimmed += next;
      ++last;
    }
    QString name;
    RegValue value;
    if (current != &top && ParseValueLine(trimmed, name, value)) {
      current->Set(name, value);
    } else {
      current->raw.append(lines.mid(i, last - i + 1));  // not ours to understand: keep it verbatim
    }
    i = last;
  }
}

// Raw groups go back as they came; one that still ends with a continuation
// gets a blank line after it so it cannot swallow what follows.
void ExportRaw(const QList<QStringList> &raw, QStringList &out) {
  for (const QStringList &group : raw) {
    out += group;
    if (group.last().trimmed().endsWith(u'\\')) out.append(QString());
  }
}

void ExportNode(const Node &node, const QString &path, QStringList &out) {
  const bool hive = !path.contains(u'\\');
  // A key between others needs no line of its own: the path of a key under
  // it makes it again. Written anyway, a chain of n levels grew to n lines of
  // up to n names at each save.
  const bool between = !node.keys.empty();
  if (!node.values.isEmpty() || !node.raw.isEmpty() || (!hive && !between)) {
    out.append(u'[' + path + u']');
    for (const NamedValue &v : node.values)
      out.append((v.name.isEmpty() ? QStringLiteral("@") : u'"' + Escape(v.name) + u'"') + u'=' +
                 FormatData(v.value));
    ExportRaw(node.raw, out);
    out.append(QString());
  }
  for (const auto &[key, child] : node.keys) ExportNode(*child, path + u'\\' + child->name, out);
}

QByteArray Export(const Node &top) {
  QStringList out{QString::fromUtf16(kHeader), QString()};
  if (!top.raw.isEmpty()) {
    ExportRaw(top.raw, out);
    out.append(QString());
  }
  for (const auto &[key, hive] : top.keys) ExportNode(*hive, hive->name, out);
  return EncodeIniLines(out);
}

// --- file identity and lock --------------------------------------------------

struct FileStamp {
  bool exists = false;
  qint64 size = 0, mtimeNs = 0, inode = 0;
  bool operator==(const FileStamp &) const = default;
};

FileStamp StampOf(const QString &path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
  return {true, qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
          qint64(st.st_ino)};
}

}  // namespace

// --- RegValue ------------------------------------------------------------------

RegValue RegValue::String(const QString &s) {
  RegValue v;
  v.type = RegSz;
  v.data.reserve((s.size() + 1) * 2);
  for (const QChar c : s) v.data.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
  v.data.append(2, '\0');
  return v;
}

RegValue RegValue::Dword(quint32 x) {
  RegValue v;
  v.type = RegDword;
  for (int i = 0; i < 4; ++i) v.data.append(char((x >> (8 * i)) & 0xFF));
  return v;
}

RegValue RegValue::Binary(const QByteArray &bytes) { return RegValue{RegBinary, bytes}; }

std::optional<QString> RegValue::AsString() const {
  if (type != RegSz && type != RegExpandSz) return std::nullopt;
  QString s;
  const qsizetype n = data.size() / 2;
  for (qsizetype i = 0; i < n; ++i)
    s.append(QChar(char16_t(uchar(data[2 * i]) | (uchar(data[2 * i + 1]) << 8))));
  if (!s.isEmpty() && s.back() == QChar(0)) s.chop(1);
  return s;
}

std::optional<quint32> RegValue::AsDword() const {
  if (type != RegDword || data.size() != 4) return std::nullopt;
  quint32 x = 0;
  for (int i = 0; i < 4; ++i) x |= quint32(uchar(data[i])) << (8 * i);
  return x;
}

// --- Registry ------------------------------------------------------------------

struct Registry::Impl {
  QString path;
  Node top;
  FileStamp stamp;
  bool loadedOnce = false;
  int batchDepth = 0;
  bool dirty = false;
  bool lastWriteOk = true;
  int lockFd = -1;

  // A file this large was not written by us (our settings take a few
  // kilobytes): it is not read, the defaults are used, and it is never written
  // over, so whatever it is stays as it was.
  bool refused = false;

  void ReloadIfChanged() {
    const FileStamp now = StampOf(path);
    if (loadedOnce && now == stamp) return;
    QFile file(path);
    const bool tooLarge = now.exists && now.size > kMaxRegistryBytes;
    if (tooLarge && !refused)
      std::fprintf(stderr,
                   "vistrel: the settings file %s is %lld MB, far more than settings take; it is not read, the "
                   "default settings are used and the file is left as it is.\n",
                   qPrintable(path), static_cast<long long>(now.size >> 20));
    refused = tooLarge;
    if (now.exists && !tooLarge && file.open(QIODevice::ReadOnly))
      Parse(file.read(kMaxRegistryBytes), top);
    else
      top = Node{};
    stamp = now;
    loadedOnce = true;
  }

  bool Lock() {
    if (lockFd >= 0) return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    lockFd = ::open(QFile::encodeName(path + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0) return false;
    for (int tries = 0; tries < 500; ++tries) {  // another instance holds it only while writing
      if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0) return true;
      QThread::msleep(10);
    }
    ::close(lockFd);
    lockFd = -1;
    return false;
  }

  void Unlock() {
    if (lockFd < 0) return;
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    lockFd = -1;
  }

  bool Write() {
    QSaveFile file(path);
    const QByteArray bytes = Export(top);
    bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    ok = ok ? file.commit() : (file.cancelWriting(), false);
    stamp = StampOf(path);
    lastWriteOk = ok;
    dirty = false;
    return ok;
  }

  // Runs a change with the file re-read and written back under the lock.
  template <typename F>
  bool Mutate(F &&change) {
    if (batchDepth > 0) {
      const bool changed = change();
      dirty = dirty || changed;
      return changed;
    }
    if (!Lock()) {
      lastWriteOk = false;
      return false;
    }
    ReloadIfChanged();
    if (refused) {
      Unlock();
      lastWriteOk = false;
      return false;
    }
    const bool changed = change();
    bool ok = changed;
    if (changed) ok = Write();
    Unlock();
    return ok;
  }

  Node *Find(const QString &relPath) {
    ReloadIfChanged();
    Node *n = top.Child(QString::fromUtf16(kUserHive));
    for (const QString &p : SplitPath(relPath)) {
      if (!n) return nullptr;
      n = n->Child(p);
    }
    return n;
  }
};

Registry &Registry::User() {
  static std::unique_ptr<Registry> instance;
  const QString path = UserFilePath();
  if (!instance || instance->FilePath() != path) instance = std::make_unique<Registry>(path);
  return *instance;
}

QString Registry::UserFilePath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty()) base = QDir::homePath() + "/.config";
  return base + "/Brenvik/registry.reg";
}

Registry::Registry(const QString &filePath) : d_(std::make_unique<Impl>()) { d_->path = filePath; }

Registry::~Registry() { d_->Unlock(); }

QString Registry::FilePath() const { return d_->path; }

bool Registry::KeyExists(const QString &path) {
  return d_->Find(path) != nullptr;
}

bool Registry::CreateKey(const QString &path) {
  if (d_->Find(path)) return true;
  return d_->Mutate([&] {
    Node *n = d_->top.AddChild(QString::fromUtf16(kUserHive));
    bool created = false;
    for (const QString &p : SplitPath(path)) {
      created = created || !n->Child(p);
      n = n->AddChild(p);
    }
    return created;
  }) || d_->Find(path) != nullptr;
}

bool Registry::DeleteKey(const QString &path) {
  const QStringList parts = SplitPath(path);
  if (parts.isEmpty()) return false;  // the root itself is never deleted
  return d_->Mutate([&] {
    Node *parent = d_->Find(QStringList(parts.mid(0, parts.size() - 1)).join(u'\\'));
    if (!parent || !parent->Child(parts.last())) return false;
    parent->keys.erase(parts.last().toLower());
    return true;
  });
}

QStringList Registry::SubKeyNames(const QString &path) {
  QStringList names;
  if (Node *n = d_->Find(path))
    for (const auto &[key, child] : n->keys) names.append(child->name);
  return names;
}

QStringList Registry::ValueNames(const QString &path) {
  QStringList names;
  if (Node *n = d_->Find(path))
    for (const NamedValue &v : n->values) names.append(v.name);
  return names;
}

bool Registry::ValueExists(const QString &path, const QString &name) {
  Node *n = d_->Find(path);
  return n && n->Find(name);
}

std::optional<RegValue> Registry::Value(const QString &path, const QString &name) {
  Node *n = d_->Find(path);
  if (!n) return std::nullopt;
  const NamedValue *v = n->Find(name);
  if (!v) return std::nullopt;
  return v->value;
}

bool Registry::SetValue(const QString &path, const QString &name, const RegValue &value) {
  return d_->Mutate([&] {
    Node *n = d_->Find(path);
    if (!n) return false;
    if (NamedValue *v = n->Find(name); v && v->value == value) return true;
    n->Set(name, value);
    return true;
  });
}

bool Registry::DeleteValue(const QString &path, const QString &name) {
  return d_->Mutate([&] {
    Node *n = d_->Find(path);
    if (!n) return false;
    return n->Remove(name);
  });
}

Registry::Batch::Batch(Registry &reg) : reg_(reg) {
  Impl &d = *reg_.d_;
  if (d.batchDepth++ == 0) {
    if (!d.Lock()) d.lastWriteOk = false;
    d.ReloadIfChanged();
  }
}

Registry::Batch::~Batch() {
  Impl &d = *reg_.d_;
  if (--d.batchDepth == 0) {
    if (d.dirty) {
      if (d.lockFd >= 0 && !d.refused)
        d.Write();
      else
        d.lastWriteOk = false;  // without the lock, or over a file not ours, the file is left alone
    }
    d.dirty = false;
    d.Unlock();
  }
}

bool Registry::LastWriteOk() const { return d_->lastWriteOk; }

QByteArray Registry::ExportText() {
  d_->ReloadIfChanged();
  return Export(d_->top);
}

bool Registry::ImportText(const QByteArray &bytes) {
  return d_->Mutate([&] {
    Parse(bytes, d_->top);
    return true;
  });
}

QByteArray NormalizeRegText(const QByteArray &bytes) {
  Node top;
  Parse(bytes, top);
  return Export(top);
}

}  // namespace vistrel::platform
