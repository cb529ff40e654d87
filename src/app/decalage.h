#pragma once
// The inlay's time offset: its text and the split of a date-time into the
// editors of the offset sub-panel. Date-times are days since 30 December 1899.
#include <QDate>
#include <QString>

#include <cstdint>

namespace vistrel {

// "%d hours" for a whole number of hours under a day, else
// "%d days %.2dh %.2dm %.2ds"; a negative offset shows negative numbers.
QString TexteDecalage(double days);

// The date-time cut to whole seconds (toward the past).
double SecondesEntieres(double dateTime);

// A date-time as a calendar day and the time of day in whole seconds.
struct JourEtHeure {
  QDate Jour;
  int Heure = 0, Minute = 0, Seconde = 0;
};
JourEtHeure Decomposer(double dateTime);
double Composer(const QDate &jour, int heure, int minute, int seconde);

}  // namespace vistrel
