#include "settings/parameters.h"

#include <QDateTime>
#include <QSet>
#include <cstdio>

#include "platform/folders.h"

namespace vistrel::settings {

namespace {
constexpr auto kKeyPath = u"\\Software\\Brenvik\\Vistrel";
}

TParameter::TParameter(const QString &key, TparameterList &owner) : Key(key), Owner(owner) {
  owner.Add(this);
}

// A load never keeps an earlier value: anything that goes wrong gives the default.
namespace {

// The stored value when the key can hold it, else the default, said once per
// key and run.
qint32 Checked(const QString &key, qint32 stored, qint32 def, ValueRange range) {
  if (range.Holds(stored)) return stored;
  static QSet<QString> told;
  if (!told.contains(key)) {
    told.insert(key);
    std::fprintf(stderr, "vistrel: the setting \"%s\" holds %d, outside %d to %d; its default %d is used.\n",
                 qPrintable(key), stored, range.lo, range.hi, def);
  }
  return def;
}

}  // namespace

void TIntegerParameter::Load() {
  Value = Owner.Reader ? Checked(Key, Owner.Reader->ReadInteger(Key, DefaultValue), DefaultValue, Range) : DefaultValue;
}
void TIntegerParameter::Save() {
  if (Owner.Writer) Owner.Writer->WriteInteger(Key, Value);
}

void TRealParameter::Load() {
  Value = Owner.Reader ? Owner.Reader->ReadFloat(Key, DefaultValue) : DefaultValue;
}
void TRealParameter::Save() {
  if (Owner.Writer) Owner.Writer->WriteFloat(Key, Value);
}

void TWideStringParameter::Load() {
  Value = Owner.Reader ? Owner.Reader->ReadString(Key, DefaultValue) : DefaultValue;
  if (Value.isEmpty()) Value = DefaultValue;
}
void TWideStringParameter::Save() {
  if (Owner.Writer) Owner.Writer->WriteString(Key, Value);
}

void TBooleanParameter::Load() {
  Value = Owner.Reader ? Owner.Reader->ReadBool(Key, DefaultValue) : DefaultValue;
}
void TBooleanParameter::Save() {
  if (Owner.Writer) Owner.Writer->WriteBool(Key, Value);
}

void TincrustRecParameter::Load() {
  Value = Owner.Reader ? Owner.Reader->ReadIncrustRec(Key, DefaultValue) : DefaultValue;
}
void TincrustRecParameter::Save() {
  if (Owner.Writer) Owner.Writer->WriteIncrustRec(Key, Value);
}

void TByteParameter::Load() {
  Value = Owner.Reader ? quint8(Checked(Key, Owner.Reader->ReadInteger(Key, DefaultValue), DefaultValue, Range))
                       : DefaultValue;
}
void TByteParameter::Save() {
  if (Owner.Writer) Owner.Writer->WriteInteger(Key, Value);
}

// --- TparameterList ------------------------------------------------------------

TparameterList::TparameterList(const QString &signatureText) : SignatureText(signatureText) {}

TparameterList::~TparameterList() { Clear(); }

void TparameterList::Clear() {
  for (auto &p : items_) p.reset();  // in list order
  items_.clear();
}

void TparameterList::Add(TParameter *p) { items_.emplace_back(p); }

bool TparameterList::LoadAll() {
  TReadPreferences reader(KeyPath, StoreMode);
  if (!reader.IsOpen()) return false;
  Reader = &reader;
  for (auto &p : items_) p->Load();
  Reader = nullptr;
  return true;
}

bool TparameterList::SaveAll() {
  KeyPath = QString::fromUtf16(kKeyPath);
  if (StoreMode == 2) return true;  // nothing to write, and nothing is created
  TWritePreferences writer(KeyPath, StoreMode);
  Writer = &writer;
  writer.WriteString("Signature", SignatureText);
  writer.WriteString("DerniereSauvegarde", SaveTimeText(QDateTime::currentDateTime()));
  writer.WriteString("ExeName", platform::ExecutablePath());
  for (auto &p : items_) p->Save();
  Writer = nullptr;
  return writer.Flush();
}

TParameter *TparameterList::Find(const QString &key) const {
  for (const auto &p : items_)
    if (p->Key == key) return p.get();
  return nullptr;
}

#define VISTREL_ACCESSORS(Getter, Setter, Class, Type)         \
  Type TparameterList::Getter(const QString &key) const {      \
    const auto *p = Get<Class>(key);                           \
    return p ? p->Value : Type{};                              \
  }                                                            \
  void TparameterList::Setter(const QString &key, Type v) {    \
    if (auto *p = Get<Class>(key)) p->Value = v;               \
  }
VISTREL_ACCESSORS(Int, SetInt, TIntegerParameter, qint32)
VISTREL_ACCESSORS(Real, SetReal, TRealParameter, double)
VISTREL_ACCESSORS(Bool, SetBool, TBooleanParameter, bool)
VISTREL_ACCESSORS(Byte, SetByte, TByteParameter, quint8)
#undef VISTREL_ACCESSORS

QString TparameterList::Str(const QString &key) const {
  const auto *p = Get<TWideStringParameter>(key);
  return p ? p->Value : QString();
}
void TparameterList::SetStr(const QString &key, const QString &v) {
  if (auto *p = Get<TWideStringParameter>(key)) p->Value = v;
}
TincrustRec TparameterList::Incrust(const QString &key) const {
  const auto *p = Get<TincrustRecParameter>(key);
  return p ? p->Value : TincrustRec{};
}
void TparameterList::SetIncrust(const QString &key, const TincrustRec &v) {
  if (auto *p = Get<TincrustRecParameter>(key)) p->Value = v;
}

QString SaveTimeText(const QDateTime &when) {
  const QDate d = when.date();
  const QTime t = when.time();
  const int h12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
  return QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d %s", d.year(), d.month(), d.day(), h12,
                           t.minute(), t.second(), t.hour() < 12 ? "am" : "pm");
}

}  // namespace vistrel::settings
