#pragma once
// The font and inlay records as they are stored with the settings.
#include <QString>
#include <QtGlobal>

namespace vistrel::settings {

struct TfontRecord {
  QString Name = QStringLiteral("Arial");
  qint32 Size = 21;
  quint32 Color = 0x00FFFFFF;  // 0x00BBGGRR
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  bool operator==(const TfontRecord &) const = default;
};

struct TincrustRec {
  QString Incrust1;
  QString Incrust2;
  QString FormatDate1 = QStringLiteral("ddddd");
  QString FormatDate2 = QStringLiteral("tt");
  double DecalageHoraire = 0.0;
  TfontRecord FontRec;
  bool Autofontsize = true;
  qint32 BorderSize = 1;
  quint8 WhatIncrust = 0;
  quint8 Alignment = 2;
  quint32 BorderColor = 0;
  qint32 Xpos = 914;
  qint32 Ypos = 914;
  bool operator==(const TincrustRec &) const = default;
};

}  // namespace vistrel::settings
