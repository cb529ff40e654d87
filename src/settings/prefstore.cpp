#include "settings/prefstore.h"

#include "platform/folders.h"
#include "platform/inifile.h"
#include "platform/registry.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <cstring>

namespace vistrel::settings {

using platform::RegValue;
using platform::Registry;

namespace {

// Field keys of the two stored groups, in their stored order.
constexpr const char *kFontKey = "FontRec";

QString Sub(const QString &path, const QString &name) { return path + u'\\' + name; }

QByteArray DoubleBytes(double v) {
  QByteArray b(8, '\0');
  std::memcpy(b.data(), &v, 8);  // little-endian IEEE double, as the registry holds it
  return b;
}

std::optional<double> BytesDouble(const std::optional<RegValue> &v) {
  if (!v || v->type != platform::RegBinary || v->data.size() != 8) return std::nullopt;
  double d = 0;
  std::memcpy(&d, v->data.constData(), 8);
  return d;
}

// Field access through one small interface per store, so each group is read
// and written by one piece of code whatever the store.
struct FieldIo {
  virtual ~FieldIo() = default;
  virtual QString Str(const QString &k, const QString &d) = 0;
  virtual qint64 Int(const QString &k, qint64 d) = 0;
  virtual bool Bool(const QString &k, bool d) = 0;
  virtual double Float(const QString &k, double d) = 0;
};

TfontRecord ReadFont(FieldIo &io, const TfontRecord &def) {
  TfontRecord f;
  f.Name = io.Str("FontName", def.Name);
  f.Size = qint32(io.Int("FontSize", def.Size));
  f.Color = quint32(io.Int("FontColor", def.Color));
  f.Bold = io.Bool("FontBold", def.Bold);
  f.Italic = io.Bool("FontItalic", def.Italic);
  f.Underline = io.Bool("FontUnderline", def.Underline);
  f.StrikeOut = io.Bool("FontStrikeOut", def.StrikeOut);
  return f;
}

void ReadIncrustFields(FieldIo &io, const TincrustRec &def, TincrustRec &r) {
  r.Incrust1 = io.Str("Incrust1", def.Incrust1);
  r.Incrust2 = io.Str("Incrust2", def.Incrust2);
  r.FormatDate1 = io.Str("FormatDate1", def.FormatDate1);
  r.FormatDate2 = io.Str("FormatDate2", def.FormatDate2);
  r.DecalageHoraire = io.Float("Decalage Horaire", def.DecalageHoraire);
  r.Autofontsize = io.Bool("Autofontsize", def.Autofontsize);
  r.BorderSize = qint32(io.Int("BorderSize", def.BorderSize));
  r.WhatIncrust = quint8(io.Int("What Incrust", def.WhatIncrust));
  r.Alignment = quint8(io.Int("Alignment", def.Alignment));
  r.BorderColor = quint32(io.Int("BorderColor", def.BorderColor));
  r.Xpos = qint32(io.Int("Xpos", def.Xpos));
  r.Ypos = qint32(io.Int("Ypos", def.Ypos));
}

struct FieldOut {
  virtual ~FieldOut() = default;
  virtual void Str(const QString &k, const QString &v) = 0;
  virtual void Int(const QString &k, qint64 v) = 0;
  virtual void Bool(const QString &k, bool v) = 0;
  virtual void Float(const QString &k, double v) = 0;
};

void WriteFont(FieldOut &io, const TfontRecord &f) {
  io.Str("FontName", f.Name);
  io.Int("FontSize", f.Size);
  io.Int("FontColor", f.Color);
  io.Bool("FontBold", f.Bold);
  io.Bool("FontItalic", f.Italic);
  io.Bool("FontUnderline", f.Underline);
  io.Bool("FontStrikeOut", f.StrikeOut);
}

// The inlay fields in table order; the font group sits between the offset and
// "Autofontsize", where the caller writes it.
void WriteIncrustHead(FieldOut &io, const TincrustRec &r) {
  io.Str("Incrust1", r.Incrust1);
  io.Str("Incrust2", r.Incrust2);
  io.Str("FormatDate1", r.FormatDate1);
  io.Str("FormatDate2", r.FormatDate2);
  io.Float("Decalage Horaire", r.DecalageHoraire);
}
void WriteIncrustTail(FieldOut &io, const TincrustRec &r) {
  io.Bool("Autofontsize", r.Autofontsize);
  io.Int("BorderSize", r.BorderSize);
  io.Int("What Incrust", r.WhatIncrust);
  io.Int("Alignment", r.Alignment);
  io.Int("BorderColor", r.BorderColor);
  io.Int("Xpos", r.Xpos);
  io.Int("Ypos", r.Ypos);
}

// --- ini fields: lines named prefix\field in the settings section ------------

struct IniFieldIo : FieldIo {
  const IniSection &s;
  QString prefix;
  IniFieldIo(const IniSection &sec, QString p) : s(sec), prefix(std::move(p)) {}
  QString Str(const QString &k, const QString &d) override { return s.Lookup(prefix + k, d); }
  qint64 Int(const QString &k, qint64 d) override {
    const auto t = s.Lookup(prefix + k);
    // A damaged number falls back to the key's default like a missing one.
    const auto x = t ? IniTextToInt(*t) : std::nullopt;
    return x ? *x : d;
  }
  bool Bool(const QString &k, bool d) override {
    const auto t = s.Lookup(prefix + k);
    return t ? t->trimmed() != u"0" : d;
  }
  double Float(const QString &k, double d) override {
    const auto t = s.Lookup(prefix + k);
    const auto x = t ? IniTextToFloat(*t) : std::nullopt;
    return x ? *x : d;
  }
};

struct IniFieldOut : FieldOut {
  IniSection &s;
  QString prefix;
  IniFieldOut(IniSection &sec, QString p) : s(sec), prefix(std::move(p)) {}
  void Str(const QString &k, const QString &v) override { s.Set(prefix + k, v); }
  void Int(const QString &k, qint64 v) override { s.Set(prefix + k, QString::number(qint32(v))); }
  void Bool(const QString &k, bool v) override { s.Set(prefix + k, v ? "1" : "0"); }
  void Float(const QString &k, double v) override { s.Set(prefix + k, FloatToIniText(v)); }
};

// --- registry fields: values of one key -----------------------------------------

struct RegFieldIo : FieldIo {
  Registry &r;
  QString path;
  RegFieldIo(Registry &reg, QString p) : r(reg), path(std::move(p)) {}
  QString Str(const QString &k, const QString &d) override {
    const auto v = r.Value(path, k);
    const auto s = v ? v->AsString() : std::nullopt;
    return s ? *s : d;
  }
  qint64 Int(const QString &k, qint64 d) override {
    const auto v = r.Value(path, k);
    const auto x = v ? v->AsDword() : std::nullopt;
    return x ? qint64(qint32(*x)) : d;
  }
  bool Bool(const QString &k, bool d) override {
    const auto v = r.Value(path, k);
    const auto x = v ? v->AsDword() : std::nullopt;
    return x ? *x != 0 : d;
  }
  double Float(const QString &k, double d) override {
    const auto x = BytesDouble(r.Value(path, k));
    return x ? *x : d;
  }
};

struct RegFieldOut : FieldOut {
  Registry &r;
  QString path;
  RegFieldOut(Registry &reg, QString p) : r(reg), path(std::move(p)) {}
  void Str(const QString &k, const QString &v) override { r.SetValue(path, k, RegValue::String(v)); }
  void Int(const QString &k, qint64 v) override { r.SetValue(path, k, RegValue::Dword(quint32(v))); }
  void Bool(const QString &k, bool v) override { r.SetValue(path, k, RegValue::Dword(v ? 1 : 0)); }
  void Float(const QString &k, double v) override {
    r.SetValue(path, k, RegValue::Binary(DoubleBytes(v)));
  }
};

}  // namespace

QString SettingsIniPath() { return QDir(platform::ProgramFolder()).filePath("Vistrel.ini"); }

QString FloatToIniText(double v) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(v, 'g', 15);
}

std::optional<double> IniTextToFloat(const QString &text) {
  bool ok = false;
  const double v = QLocale().toDouble(text.trimmed(), &ok);
  return ok ? std::optional<double>(v) : std::nullopt;
}

std::optional<qint32> IniTextToInt(const QString &text) {
  bool ok = false;
  const qint32 v = text.trimmed().toInt(&ok, 10);
  return ok ? std::optional<qint32>(v) : std::nullopt;
}

// --- IniSection -------------------------------------------------------------------

IniSection::IniSection(const QString &keyPath) : header(u'[' + keyPath + u']') {}

qsizetype IniSection::Find(const QString &key) const {
  bool inSection = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString &line = lines[i];
    if (platform::IsIniSectionHeader(line)) {
      inSection = line.trimmed() == header;
      continue;
    }
    if (!inSection || line.trimmed().isEmpty()) continue;
    const qsizetype eq = line.indexOf(u'=');
    const QString name = eq < 0 ? QString() : line.left(eq);
    if (name == key) return i;
  }
  return -1;
}

std::optional<QString> IniSection::Lookup(const QString &key) const {
  const qsizetype i = Find(key);
  if (i < 0) return std::nullopt;
  const QString &line = lines[i];
  const qsizetype eq = line.indexOf(u'=');
  return eq < 0 ? QString() : line.mid(eq + 1);
}

QString IniSection::Lookup(const QString &key, const QString &def) const {
  return Lookup(key).value_or(def);
}

void IniSection::Set(const QString &key, const QString &value) {
  const QString line = key + u'=' + value;
  const qsizetype found = Find(key);
  if (found >= 0) {
    if (value.isEmpty())
      lines.removeAt(found);
    else
      lines[found] = line;
    return;
  }
  qsizetype headerAt = -1;
  for (qsizetype i = 0; i < lines.size() && headerAt < 0; ++i)
    if (lines[i].trimmed() == header) headerAt = i;
  if (headerAt < 0) {
    lines.append(header);
    lines.append(line);
    return;
  }
  for (qsizetype i = headerAt + 1; i < lines.size(); ++i)
    if (platform::IsIniSectionHeader(lines[i])) {
      lines.insert(i, line);
      return;
    }
  lines.append(line);
}

// --- TReadPreferences -----------------------------------------------------------------

TReadPreferences::TReadPreferences(const QString &keyPath, quint8 mode)
    : keyPath_(keyPath), mode_(mode), ini_(keyPath) {
  if (mode_ == 1) open_ = platform::ReadIniLines(SettingsIniPath(), ini_.lines);
}

TReadPreferences::~TReadPreferences() = default;

bool TReadPreferences::ReadBool(const QString &key, bool def) {
  if (mode_ == 1) return IniFieldIo(ini_, {}).Bool(key, def);
  if (mode_ == 0) return RegFieldIo(Registry::User(), keyPath_).Bool(key, def);
  return def;
}

qint32 TReadPreferences::ReadInteger(const QString &key, qint32 def) {
  if (mode_ == 1) return qint32(IniFieldIo(ini_, {}).Int(key, def));
  if (mode_ == 0) return qint32(RegFieldIo(Registry::User(), keyPath_).Int(key, def));
  return def;
}

double TReadPreferences::ReadFloat(const QString &key, double def) {
  if (mode_ == 1) return IniFieldIo(ini_, {}).Float(key, def);
  if (mode_ == 0) return RegFieldIo(Registry::User(), keyPath_).Float(key, def);
  return def;
}

QString TReadPreferences::ReadString(const QString &key, const QString &def) {
  QString s = def;
  if (mode_ == 1) s = IniFieldIo(ini_, {}).Str(key, def);
  if (mode_ == 0) s = RegFieldIo(Registry::User(), keyPath_).Str(key, def);
  return s == kEmptyMarker ? QString() : s;
}

TincrustRec TReadPreferences::ReadIncrustRec(const QString &key, const TincrustRec &def) {
  TincrustRec r = def;
  if (mode_ == 1) {
    IniFieldIo io(ini_, key + u'\\');
    ReadIncrustFields(io, def, r);
    IniFieldIo font(ini_, key + u'\\' + kFontKey + u'\\');
    r.FontRec = ReadFont(font, def.FontRec);
  } else if (mode_ == 0) {
    Registry &reg = Registry::User();
    const QString group = Sub(keyPath_, key);
    if (!reg.KeyExists(group)) return def;
    RegFieldIo io(reg, group);
    ReadIncrustFields(io, def, r);
    const QString fontKey = Sub(group, kFontKey);
    if (reg.KeyExists(fontKey)) {
      RegFieldIo font(reg, fontKey);
      r.FontRec = ReadFont(font, def.FontRec);
    }
  }
  return r;
}

// --- TWritePreferences -------------------------------------------------------------------

struct TWritePreferences::Batch {
  Registry::Batch batch{Registry::User()};
};

TWritePreferences::TWritePreferences(const QString &keyPath, quint8 mode)
    : keyPath_(keyPath), mode_(mode), ini_(keyPath) {
  if (mode_ == 1) {
    const QString path = SettingsIniPath();
    if (QFileInfo::exists(path)) platform::ReadIniLines(path, ini_.lines);
  } else if (mode_ == 0) {
    batch_ = std::make_unique<Batch>();
    ok_ = Registry::User().CreateKey(keyPath_);
  }
}

TWritePreferences::~TWritePreferences() { Flush(); }

bool TWritePreferences::Flush() {
  if (flushed_) return ok_;
  flushed_ = true;
  if (mode_ == 1) {
    ok_ = platform::MergeIntoIniFile(SettingsIniPath(), ini_.lines, {ini_.header});
  } else if (mode_ == 0) {
    batch_.reset();  // writes the registry file once for the whole save
    ok_ = ok_ && Registry::User().LastWriteOk() && Registry::User().KeyExists(keyPath_);
  }
  return ok_;
}

void TWritePreferences::WriteBool(const QString &key, bool v) {
  if (mode_ == 1) IniFieldOut(ini_, {}).Bool(key, v);
  if (mode_ == 0) RegFieldOut(Registry::User(), keyPath_).Bool(key, v);
}

void TWritePreferences::WriteInteger(const QString &key, qint32 v) {
  if (mode_ == 1) IniFieldOut(ini_, {}).Int(key, v);
  if (mode_ == 0) RegFieldOut(Registry::User(), keyPath_).Int(key, v);
}

void TWritePreferences::WriteFloat(const QString &key, double v) {
  if (mode_ == 1) IniFieldOut(ini_, {}).Float(key, v);
  if (mode_ == 0) RegFieldOut(Registry::User(), keyPath_).Float(key, v);
}

void TWritePreferences::WriteString(const QString &key, const QString &v) {
  const QString stored = v.isEmpty() ? kEmptyMarker : v;
  if (mode_ == 1) IniFieldOut(ini_, {}).Str(key, stored);
  if (mode_ == 0) RegFieldOut(Registry::User(), keyPath_).Str(key, stored);
}

void TWritePreferences::WriteIncrustRec(const QString &key, const TincrustRec &rec) {
  if (mode_ == 1) {
    IniFieldOut io(ini_, key + u'\\');
    WriteIncrustHead(io, rec);
    IniFieldOut font(ini_, key + u'\\' + kFontKey + u'\\');
    WriteFont(font, rec.FontRec);
    WriteIncrustTail(io, rec);
  } else if (mode_ == 0) {
    Registry &reg = Registry::User();
    const QString group = Sub(keyPath_, key);
    const QString fontKey = Sub(group, kFontKey);
    if (!reg.CreateKey(group) || !reg.CreateKey(fontKey)) return;
    RegFieldOut io(reg, group);
    WriteIncrustHead(io, rec);
    RegFieldOut font(reg, fontKey);
    WriteFont(font, rec.FontRec);
    WriteIncrustTail(io, rec);
  }
}

}  // namespace vistrel::settings
