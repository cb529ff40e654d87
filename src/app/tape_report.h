#pragma once
// The tape-health report written beside a DV recording, and the same report
// for a DV AVI from elsewhere (--dv-report). JSON; the fields are described in
// docs/user-guide.md.
#include <QByteArray>
#include <QString>
#include <cstdio>

#include "filters/vs_dvhealth.h"
#include "settings/captureformats.h"

namespace vistrel::app {

// capture.avi -> capture.tapehealth.json
QString TapeReportNameFor(const QString &recording);
QByteArray TapeReportJson(const filters::DvHealthLog &log, const QString &recording);
// False with error set when the report cannot be written.
bool WriteTapeReport(const QString &recording, const filters::DvHealthLog &log, QString &error);
// The damaged-frame count a report gives, or -1 when there is none to read.
int TapeReportDamagedFrames(const QString &recording);

// The DV frames of an AVI (type 1 or type 2) through the checker; false with
// error set when the file holds no DV stream that can be read.
bool CheckDvAvi(const QString &file, filters::DvHealthLog &log, QString &error);

// --dv-report: checks file, writes its report, prints the summary; 0, or 2
// with the reason on err when the file is not a DV AVI or the report cannot be written.
int WriteDvAviReport(const QString &file, std::FILE *out, std::FILE *err);

// Writes the report of each DV recording as its file is finished: taken from
// the checker of the source the recording came from.
class TapeReports {
 public:
  static bool ReportsOn(settings::CaptureFormatCode format);
  // A recording of format from a source with this checker (nullptr: not DV) begins.
  void Begin(filters::Tvs_DvHealth *checker, settings::CaptureFormatCode format);
  // The graph has stopped; file is what was kept of the recording.
  void End(const QString &file, bool kept);

 private:
  filters::Tvs_DvHealth *checker_ = nullptr;
};

}  // namespace vistrel::app
