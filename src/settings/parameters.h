#pragma once
// Typed settings: each parameter knows its key, its default and its value, and
// loads and saves itself through the list's reader and writer. The list keeps
// them in construction order, which is also the order they are stored in.
#include <QDateTime>
#include <QString>
#include <limits>
#include <memory>
#include <vector>

#include "settings/incrustrec.h"
#include "settings/prefstore.h"

namespace vistrel::settings {

class TparameterList;

class TParameter {
 public:
  TParameter(const QString &key, TparameterList &owner);
  virtual ~TParameter() = default;
  TParameter(const TParameter &) = delete;
  TParameter &operator=(const TParameter &) = delete;

  QString Key;
  TparameterList &Owner;

  virtual void Load() = 0;
  virtual void Save() = 0;
};

template <typename V>
class TTypedParameter : public TParameter {
 public:
  TTypedParameter(const QString &key, const V &def, TparameterList &owner)
      : TParameter(key, owner), Value(def), DefaultValue(def) {}
  V Value;
  V DefaultValue;
};

// The values a numeric key can take. A stored value outside them is not
// kept or wrapped: the key's default is used, and the error output says so
// once (a "Profile wmv" of 99999 refused every Wmv capture).
struct ValueRange {
  qint32 lo = 0, hi = 0;
  bool Holds(qint64 v) const { return v >= lo && v <= hi; }
};

class TIntegerParameter : public TTypedParameter<qint32> {
 public:
  TIntegerParameter(const QString &key, qint32 def, TparameterList &owner,
                    ValueRange range = {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()})
      : TTypedParameter(key, def, owner), Range(range) {}
  void Load() override;
  void Save() override;
  ValueRange Range;
};

class TRealParameter : public TTypedParameter<double> {
 public:
  using TTypedParameter::TTypedParameter;
  void Load() override;
  void Save() override;
};

class TWideStringParameter : public TTypedParameter<QString> {
 public:
  using TTypedParameter::TTypedParameter;
  void Load() override;
  void Save() override;
};

class TBooleanParameter : public TTypedParameter<bool> {
 public:
  using TTypedParameter::TTypedParameter;
  void Load() override;
  void Save() override;
};

class TincrustRecParameter : public TTypedParameter<TincrustRec> {
 public:
  using TTypedParameter::TTypedParameter;
  void Load() override;
  void Save() override;
};

// An enumeration index stored as an integer. A value outside the index's
// range (0 to 255 unless given) reads as the default: kept to its low 8 bits,
// a "Standard DV" of -7 became 249.
class TByteParameter : public TTypedParameter<quint8> {
 public:
  TByteParameter(const QString &key, quint8 def, TparameterList &owner, ValueRange range = {0, 255})
      : TTypedParameter(key, def, owner), Range(range) {}
  void Load() override;
  void Save() override;
  ValueRange Range;
};

// One class per enumeration, all behaving alike.
class TframeNumberParameter : public TByteParameter { using TByteParameter::TByteParameter; };
class TAspectRatioParameter : public TByteParameter { using TByteParameter::TByteParameter; };
class TWhenIncrustParameter : public TByteParameter { using TByteParameter::TByteParameter; };
class TFormatCaptureParameter : public TByteParameter { using TByteParameter::TByteParameter; };
class TstandardDVParameter : public TByteParameter { using TByteParameter::TByteParameter; };
class TFrequenceDVParameter : public TByteParameter { using TByteParameter::TByteParameter; };
class TRatioDVParameter : public TByteParameter { using TByteParameter::TByteParameter; };
class TRaccourcisSortParameter : public TByteParameter { using TByteParameter::TByteParameter; };

class TparameterList {
 public:
  explicit TparameterList(const QString &signatureText);
  ~TparameterList();  // frees the parameters in list order
  TparameterList(const TparameterList &) = delete;
  TparameterList &operator=(const TparameterList &) = delete;

  TWritePreferences *Writer = nullptr;  // only during SaveAll
  TReadPreferences *Reader = nullptr;   // only during LoadAll
  QString KeyPath;
  QString SignatureText;

  // Loads every parameter from the store of StoreMode. False (nothing loaded)
  // when the ini file of ini mode cannot be read.
  bool LoadAll();
  // Writes the signature, the save time, the executable path and every
  // parameter. False when the store could not be written.
  bool SaveAll();

  int Count() const { return int(items_.size()); }
  TParameter *At(int i) const { return items_.at(size_t(i)).get(); }
  // Parameters by key (exact); nullptr when missing or of another class.
  TParameter *Find(const QString &key) const;
  template <typename P>
  P *Get(const QString &key) const {
    return dynamic_cast<P *>(Find(key));
  }
  // Typed accessors: the defaults of the types when the key is unknown.
  qint32 Int(const QString &key) const;
  double Real(const QString &key) const;
  bool Bool(const QString &key) const;
  QString Str(const QString &key) const;
  quint8 Byte(const QString &key) const;
  TincrustRec Incrust(const QString &key) const;
  // Setters do nothing for an unknown key.
  void SetInt(const QString &key, qint32 v);
  void SetReal(const QString &key, double v);
  void SetBool(const QString &key, bool v);
  void SetStr(const QString &key, const QString &v);
  void SetByte(const QString &key, quint8 v);
  void SetIncrust(const QString &key, const TincrustRec &v);

  void Add(TParameter *p);  // called by the parameter constructors
  void Clear();             // frees every parameter

 private:
  std::vector<std::unique_ptr<TParameter>> items_;
};

// "yyyy/mm/dd hh:nn:ss am/pm" (12-hour clock) for the "DerniereSauvegarde" value.
QString SaveTimeText(const QDateTime &when);

}  // namespace vistrel::settings
