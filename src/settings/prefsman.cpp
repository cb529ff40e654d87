#include "settings/prefsman.h"

#include "platform/inifile.h"
#include "platform/registry.h"
#include "settings/prefstore.h"

#include <QFileInfo>
#include <QLocale>

#include <cstring>

namespace vistrel::settings {

using platform::RegValue;
using platform::Registry;

void TPreferencesMan::CloseKey() {
  const qsizetype cut = path_.lastIndexOf(u'\\');
  path_ = cut < 0 ? QString() : path_.left(cut);
}

bool WriteRect(TPreferencesMan &store, const QString &name, const PrefRect &r) {
  if (!store.OpenKey(name, true)) return false;
  const bool ok = store.WriteInteger("Left", r.Left) && store.WriteInteger("Top", r.Top) &&
                  store.WriteInteger("Right", r.Right) && store.WriteInteger("Bottom", r.Bottom);
  store.CloseKey();
  return ok;
}

bool ReadRect(TPreferencesMan &store, const QString &name, PrefRect &r) {
  if (!store.OpenKey(name, false)) return false;
  PrefRect got = r;
  const bool ok = store.ReadInteger("Top", got.Top) && store.ReadInteger("Left", got.Left) &&
                  store.ReadInteger("Right", got.Right) && store.ReadInteger("Bottom", got.Bottom);
  store.CloseKey();
  if (ok) r = got;  // a partial rectangle is no rectangle: the caller keeps its default
  return ok;
}

// --- registry ------------------------------------------------------------------

TRegPreferencesMan::TRegPreferencesMan(const QString &root) : root_(root) {}

QString TRegPreferencesMan::Full() const { return path_.isEmpty() ? root_ : root_ + u'\\' + path_; }

bool TRegPreferencesMan::GetValueNames(QStringList &list) {
  if (!Registry::User().KeyExists(Full())) return false;
  list += Registry::User().ValueNames(Full());
  return true;
}

bool TRegPreferencesMan::GetKeyNames(QStringList &list) {
  if (!Registry::User().KeyExists(Full())) return false;
  list += Registry::User().SubKeyNames(Full());
  return true;
}

bool TRegPreferencesMan::OpenKey(const QString &name, bool create) {
  const QString rel = Joined(name);
  const QString full = rel.isEmpty() ? root_ : root_ + u'\\' + rel;
  Registry &reg = Registry::User();
  if (!reg.KeyExists(full) && !(create && reg.CreateKey(full))) return false;
  path_ = rel;
  return true;
}

// A string takes 2 bytes a character and one zero byte, as the stores written
// by earlier versions hold it.
bool TRegPreferencesMan::WriteString(const QString &name, const QString &value) {
  RegValue v = RegValue::String(value);
  v.data.chop(1);
  const bool ok = Registry::User().SetValue(Full(), name, v);
  writeFailed_ = writeFailed_ || !ok;
  return ok;
}

bool TRegPreferencesMan::ReadString(const QString &name, QString &value) {
  const auto v = Registry::User().Value(Full(), name);
  if (!v || (v->type != platform::RegSz && v->type != platform::RegExpandSz)) return false;
  if (v->data.size() <= 1) {
    value.clear();
    return true;
  }
  value = v->AsString().value_or(QString());
  return true;
}

bool TRegPreferencesMan::DeleteValue(const QString &name) {
  return Registry::User().DeleteValue(Full(), name);
}

bool TRegPreferencesMan::WriteBool(const QString &name, bool value) {
  return WriteInteger(name, value ? 1 : 0);
}

bool TRegPreferencesMan::ReadBool(const QString &name, bool &value) {
  qint32 x = 0;
  if (!ReadInteger(name, x)) return false;
  if (x == 0 || x == 1) value = x == 1;  // other numbers leave the value alone
  return true;
}

bool TRegPreferencesMan::WriteInteger(const QString &name, qint32 value) {
  const bool ok = Registry::User().SetValue(Full(), name, RegValue::Dword(quint32(value)));
  writeFailed_ = writeFailed_ || !ok;
  return ok;
}

bool TRegPreferencesMan::ReadInteger(const QString &name, qint32 &value) {
  const auto v = Registry::User().Value(Full(), name);
  if (!v || v->data.size() < 4) return false;
  std::memcpy(&value, v->data.constData(), 4);
  return true;
}

bool TRegPreferencesMan::WriteFloat(const QString &name, double value) {
  QByteArray bytes(8, '\0');
  std::memcpy(bytes.data(), &value, 8);
  const bool ok = Registry::User().SetValue(Full(), name, RegValue::Binary(bytes));
  writeFailed_ = writeFailed_ || !ok;
  return ok;
}

bool TRegPreferencesMan::ReadFloat(const QString &name, double &value) {
  const auto v = Registry::User().Value(Full(), name);
  if (!v || v->data.size() < 8) return false;
  std::memcpy(&value, v->data.constData(), 8);
  return true;
}

bool TRegPreferencesMan::Flush() { return !writeFailed_ && Registry::User().LastWriteOk(); }

// --- ini -------------------------------------------------------------------------

TIniPreferencesMan::TIniPreferencesMan(const QString &fileName, bool create) : fileName_(fileName) {
  if (!QFileInfo::exists(fileName_) || !platform::ReadIniLines(fileName_, lines_)) lines_ = {"[]"};
  OpenKey(QString(), create);
}

TIniPreferencesMan::~TIniPreferencesMan() { Flush(); }

qsizetype TIniPreferencesMan::HeaderOf(const QString &path) const {
  const QString header = u'[' + path + u']';
  for (qsizetype i = 0; i < lines_.size(); ++i)
    if (lines_[i].trimmed().compare(header, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

qsizetype TIniPreferencesMan::SectionEnd() const {
  if (section_ < 0) return -1;
  for (qsizetype i = section_ + 1; i < lines_.size(); ++i)
    if (platform::IsIniSectionHeader(lines_[i])) return i;
  return lines_.size();
}

qsizetype TIniPreferencesMan::FindValue(const QString &name) const {
  if (section_ < 0) return -1;
  const qsizetype end = SectionEnd();
  for (qsizetype i = section_ + 1; i < end; ++i) {
    const qsizetype eq = lines_[i].indexOf(u'=');
    if (eq >= 0 && lines_[i].left(eq).compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

void TIniPreferencesMan::Touch() {
  if (section_ >= 0) dirty_.insert(lines_[section_].trimmed());
}

void TIniPreferencesMan::EnsureSection() {
  section_ = HeaderOf(path_);
  if (section_ >= 0) return;
  lines_.append(QString());
  lines_.append(u'[' + path_ + u']');
  section_ = lines_.size() - 1;
  Touch();
}

bool TIniPreferencesMan::OpenKey(const QString &name, bool) {
  path_ = Joined(name);
  EnsureSection();  // even a read leaves the section behind, as it always has
  return true;
}

void TIniPreferencesMan::CloseKey() {
  TPreferencesMan::CloseKey();
  section_ = HeaderOf(path_);
}

bool TIniPreferencesMan::GetValueNames(QStringList &list) {
  if (section_ < 0) return false;
  const qsizetype end = SectionEnd();
  for (qsizetype i = section_ + 1; i < end; ++i) {
    const qsizetype eq = lines_[i].indexOf(u'=');
    if (eq >= 0) list.append(lines_[i].left(eq));
  }
  return true;
}

bool TIniPreferencesMan::GetKeyNames(QStringList &list) {
  const QString prefix = u'[' + path_ + u'\\';
  for (const QString &line : lines_) {
    const QString t = line.trimmed();
    if (t.size() > prefix.size() && t.startsWith(prefix, Qt::CaseInsensitive) && t.endsWith(u']'))
      list.append(t.mid(prefix.size(), t.size() - prefix.size() - 1));
  }
  return true;
}

bool TIniPreferencesMan::WriteString(const QString &name, const QString &value) {
  if (section_ < 0) EnsureSection();
  const QString line = name + u'=' + value;
  const qsizetype found = FindValue(name);
  if (found >= 0) {
    lines_[found] = line;
  } else {
    qsizetype at = SectionEnd();
    while (at - 1 > section_ && lines_[at - 1].trimmed().isEmpty()) --at;  // before the blank separator
    lines_.insert(at, line);
  }
  Touch();
  return true;
}

bool TIniPreferencesMan::ReadString(const QString &name, QString &value) {
  const qsizetype i = FindValue(name);
  if (i < 0) return false;
  value = lines_[i].mid(lines_[i].indexOf(u'=') + 1);
  return true;
}

bool TIniPreferencesMan::DeleteValue(const QString &name) {
  const qsizetype i = FindValue(name);
  if (i < 0) return false;
  lines_.removeAt(i);
  Touch();
  return true;
}

bool TIniPreferencesMan::WriteBool(const QString &name, bool value) {
  return WriteString(name, value ? "True" : "False");
}

bool TIniPreferencesMan::ReadBool(const QString &name, bool &value) {
  QString text;
  if (!ReadString(name, text)) return false;
  if (text.compare(u"True", Qt::CaseInsensitive) == 0) value = true;
  else if (text.compare(u"False", Qt::CaseInsensitive) == 0) value = false;
  else return false;
  return true;
}

bool TIniPreferencesMan::WriteInteger(const QString &name, qint32 value) {
  return WriteString(name, QString::number(value));
}

bool TIniPreferencesMan::ReadInteger(const QString &name, qint32 &value) {
  QString text;
  if (!ReadString(name, text)) return false;
  const auto x = IniTextToInt(text);
  if (x) value = *x;
  return x.has_value();
}

bool TIniPreferencesMan::WriteFloat(const QString &name, double value) {
  return WriteString(name, FloatToIniText(value));
}

bool TIniPreferencesMan::ReadFloat(const QString &name, double &value) {
  QString text;
  if (!ReadString(name, text)) {
    value = 0.0;
    return false;
  }
  const auto x = IniTextToFloat(text);
  if (x) value = *x;
  return x.has_value();
}

bool TIniPreferencesMan::Flush() {
  if (dirty_.isEmpty()) return true;
  if (!platform::MergeIntoIniFile(fileName_, lines_, dirty_)) return false;
  dirty_.clear();
  return true;
}

}  // namespace vistrel::settings
