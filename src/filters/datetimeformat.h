#pragma once
// Date-time patterns of the inlay ("ddddd", "tt", "d mmm yyyy", ...): the
// codes of the classic date-time format language, with the locale's short
// and long date and time forms.
#include <QString>

namespace vistrel::filters {

// value: days since 30 December 1899, the fraction being the time of day.
QString FormatDateTime(const QString &pattern, double value);
// The computer clock now, in the same units.
double NowAsDateTime();

}  // namespace vistrel::filters
