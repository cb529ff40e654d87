#pragma once
// The inlay settings record and its font, as the settings store them and the
// superposer draws them.
#include <QString>

#include <cstdint>

namespace vistrel::filters {

struct TfontRecord {
  QString Name = QStringLiteral("Arial");
  std::int32_t Size = 21;             // points
  std::uint32_t Color = 0x00FFFFFF;   // 0x00BBGGRR
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  bool operator==(const TfontRecord &) const = default;
};

struct TincrustRec {
  QString Incrust1, Incrust2;
  QString FormatDate1 = QStringLiteral("ddddd");
  QString FormatDate2 = QStringLiteral("tt");
  double DecalageHoraire = 0.0;  // days
  TfontRecord FontRec;
  bool Autofontsize = true;
  std::int32_t BorderSize = 1;
  std::uint8_t WhatIncrust = 0;  // 0 DV date, 1 time code, 2 templates, 3 clock, 4 none
  std::uint8_t Alignment = 2;    // 0 left, 1 centre on X, 2 right, 3 centred in the frame
  std::uint32_t BorderColor = 0;
  std::int32_t Xpos = 914, Ypos = 914;  // per mille
  bool operator==(const TincrustRec &) const = default;
};

}  // namespace vistrel::filters
