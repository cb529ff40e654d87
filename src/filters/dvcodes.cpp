#include "filters/dvcodes.h"

#include <cmath>

namespace vistrel::filters {

namespace {

// Offsets within a DIF sequence.
constexpr std::size_t kDifHeaderSystem = 3;
constexpr std::size_t kAp3 = 7;
constexpr std::size_t kTimecodeId1 = 110, kTimecodeId2 = 190, kTimecodeData = 111;
constexpr std::size_t kSourceControlId = 453, kSourceControlPc2 = 455;
constexpr std::size_t kRecDateId = 458, kRecTimeId = 463;
constexpr std::uint8_t kPackTimecode = 0x13, kPackSourceControl = 0x61, kPackRecDate = 0x62, kPackRecTime = 0x63;

const std::uint8_t *Sequence(const std::uint8_t *frame, std::size_t size, int seq) {
  if (!frame || seq < 0 || seq >= kSequencesExamined || size < kMinDvFrameSize) return nullptr;
  return frame + static_cast<std::size_t>(seq) * kDifSequenceSize;
}

int Bcd(std::uint8_t b, int tensMask) { return ((b >> 4) & tensMask) * 10 + (b & 0x0F); }

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days from 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int &y, int &m, int &d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const long long kOleEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

DvTimecode DecodeTimecode(const std::uint8_t *frame, std::size_t size, int seq) {
  DvTimecode tc;
  const std::uint8_t *s = Sequence(frame, size, seq);
  if (!s || s[kTimecodeId1] != kPackTimecode || s[kTimecodeId2] != kPackTimecode) return tc;
  const std::uint8_t *pc = s + kTimecodeData;
  tc.Frames = static_cast<std::uint8_t>(Bcd(pc[0], 3));
  tc.Seconds = static_cast<std::uint8_t>(Bcd(pc[1], 7));
  tc.Minutes = static_cast<std::uint8_t>(Bcd(pc[2], 7));
  tc.Hours = static_cast<std::uint8_t>(Bcd(pc[3], 3));
  return tc;
}

DvRecDate DecodeRecDate(const std::uint8_t *frame, std::size_t size, int seq) {
  DvRecDate d;
  const std::uint8_t *s = Sequence(frame, size, seq);
  if (!s) return d;
  if ((s[kRecDateId] != kPackRecDate && s[kRecDateId] != 0) || (s[kRecTimeId] != kPackRecTime && s[kRecTimeId] != 0))
    return d;
  d.Day = static_cast<std::uint8_t>(Bcd(s[460], 3));
  d.Month = static_cast<std::uint8_t>(Bcd(s[461], 1));
  const int yy = Bcd(s[462], 0x0F);
  d.Year = yy < 40 ? yy + 2000 : yy + 1900;
  d.Second = static_cast<std::uint8_t>(Bcd(s[465], 7));
  d.Minute = static_cast<std::uint8_t>(Bcd(s[466], 7));
  d.Hour = static_cast<std::uint8_t>(Bcd(s[467], 3));
  return d;
}

bool HasSourceControl(const std::uint8_t *frame, std::size_t size) {
  const std::uint8_t *s = Sequence(frame, size, 0);
  return s && s[kSourceControlId] == kPackSourceControl;
}

std::uint8_t DVSystem(const std::uint8_t *frame, std::size_t size) {
  const std::uint8_t *s = Sequence(frame, size, 0);
  if (!s) return 2;
  if (s[kDifHeaderSystem] == 0xBF) return 0;
  if (s[kDifHeaderSystem] == 0x3F) return 1;
  return 2;
}

bool IsWide(const std::uint8_t *frame, std::size_t size) {
  for (int i = 0; i < kSequencesExamined; ++i) {
    const std::uint8_t *s = Sequence(frame, size, i);
    if (!s) return false;
    if (s[kSourceControlId] != kPackSourceControl) continue;
    const int disp = s[kSourceControlPc2] & 7;
    return disp == 2 || (disp == 7 && (s[kAp3] & 7) == 0);
  }
  return false;
}

void ForceWide(std::uint8_t *frame, std::size_t size, int seq) {
  if (!Sequence(frame, size, seq)) return;
  std::uint8_t *s = frame + static_cast<std::size_t>(seq) * kDifSequenceSize;
  s[kSourceControlId] = kPackSourceControl;
  s[kSourceControlPc2] = (s[kAp3] & 7) != 0 ? 2 : 7;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, double &result) {
  result = 0;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  const long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpoch;
  const double frac = (hour * 3600 + minute * 60 + second) / 86400.0;
  // Before the epoch the fraction counts away from zero.
  result = days >= 0 ? static_cast<double>(days) + frac : static_cast<double>(days) - frac;
  return true;
}

void DecodeDateTime(double value, int &year, int &month, int &day, int &hour, int &minute, int &second) {
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  long long secs = std::llround(frac * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    whole += value >= 0 ? 1 : -1;
  }
  CivilFromDays(static_cast<long long>(whole) + kOleEpoch, year, month, day);
  hour = static_cast<int>(secs / 3600);
  minute = static_cast<int>(secs / 60 % 60);
  second = static_cast<int>(secs % 60);
}

void BuildDVInfo(const std::uint8_t *frame, std::size_t size, DVInfo &info) {
  info.DateValid = false;
  info.DateTime = 0;
  for (int i = 0; i < kSequencesExamined; ++i) {
    const DvRecDate d = DecodeRecDate(frame, size, i);
    if (d.Year == -1) continue;
    double dt = 0;
    info.DateValid = TryEncodeDateTime(d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second, dt);
    info.DateTime = dt;
    break;
  }
  info.TimecodeValid = false;
  for (int i = 0; i < kSequencesExamined; ++i) {
    const DvTimecode tc = DecodeTimecode(frame, size, i);
    if (tc.Hours >= 0x80) continue;
    info.TimecodeValid = true;
    info.Timecode[0] = tc.Hours;
    info.Timecode[1] = tc.Minutes;
    info.Timecode[2] = tc.Seconds;
    info.Timecode[3] = tc.Frames;
    break;
  }
  info.Wide = IsWide(frame, size);
  info.System = DVSystem(frame, size);
}

}  // namespace vistrel::filters
