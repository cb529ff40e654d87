#include "media/repair.h"

#include "media/gstref.h"
#include "media/repairfile.h"

#include <gst/pbutils/pbutils.h>

#include <QFileInfo>

#include <cmath>
#include <cstring>

namespace vistrel::media {

namespace {

constexpr std::uint8_t kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// What a player makes of the file, for the formats whose repair does not
// count their own time (MPEG streams, MP3, ASF).
double PlayingTime(const QString &path) {
  GError *error = nullptr;
  GstRef<GstDiscoverer> discoverer = GstRef<GstDiscoverer>::Adopt(gst_discoverer_new(5 * GST_SECOND, &error));
  if (error) g_error_free(error);
  if (!discoverer) return -1;
  gchar *uri = gst_filename_to_uri(QFileInfo(path).absoluteFilePath().toLocal8Bit().constData(), nullptr);
  if (!uri) return -1;
  GstRef<GstDiscovererInfo> info = GstRef<GstDiscovererInfo>::Adopt(gst_discoverer_discover_uri(discoverer.get(), uri, nullptr));
  g_free(uri);
  if (!info || gst_discoverer_info_get_result(info.get()) != GST_DISCOVERER_OK) return -1;
  const GstClockTime d = gst_discoverer_info_get_duration(info.get());
  return GST_CLOCK_TIME_IS_VALID(d) ? double(d) / GST_SECOND : -1;
}

}  // namespace

RepairResult RepairRecordingFile(const QString &path) {
  RepairResult r;
  DiskBytes file(path.toStdString());
  if (!file.Open()) {
    r.detail = QFileInfo::exists(path) ? "it cannot be opened for writing" : "it does not exist";
    return r;
  }
  if (file.Size() == 0) {
    r.outcome = RepairOutcome::Empty;
    r.detail = "it is empty";
    return r;
  }
  std::uint8_t head[16] = {};
  file.Read(0, head, std::min<std::uint64_t>(sizeof head, file.Size()));
  const std::string riff(reinterpret_cast<const char *>(head), 4), form(reinterpret_cast<const char *>(head) + 8, 4);
  const QString ext = QFileInfo(path).suffix().toLower();
  if (riff == "RIFF" && form == "AVI ") {
    r = RepairAvi(file);
  } else if (riff == "RIFF" && form == "WAVE") {
    r = RepairWav(file);
  } else if (std::memcmp(head, kAsfHeaderGuid, 16) == 0) {
    r = RepairAsf(file);
  } else if (std::memcmp(head + 4, "ftyp", 4) == 0) {
    r = RepairMp4(file);
  } else if (ext == "mpg" || ext == "mpeg" || ext == "mp3") {
    r.outcome = RepairOutcome::NotNeeded;
    r.detail = "MPEG streams need no end";
  } else {
    r.detail = "it is not a recording Vistrel can repair";
    return r;
  }
  r.writeRefused = r.outcome == RepairOutcome::Failed && file.WriteFailed();
  const bool plays = r.outcome != RepairOutcome::Failed && r.outcome != RepairOutcome::Empty;
  if (plays && r.seconds < 0) r.seconds = PlayingTime(path);
  return r;
}

QString DescribeRepair(const RepairResult &result) {
  QString length;
  if (result.seconds >= 0) {
    const qint64 s = std::llround(result.seconds);
    length = QString("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QChar('0')).arg(s % 60, 2, 10, QChar('0'));
  }
  switch (result.outcome) {
    case RepairOutcome::Repaired: {
      // What was passed over is the user's to know; the rest of the detail is ours.
      const std::string::size_type skipped = result.detail.find(", skipped ");
      return "repaired, " + (length.isEmpty() ? "length unknown" : length) +
             (skipped == std::string::npos ? QString() : QString::fromStdString(result.detail.substr(skipped)));
    }
    case RepairOutcome::Whole: return "whole, nothing to repair, " + (length.isEmpty() ? "length unknown" : length);
    case RepairOutcome::NotNeeded: return "plays as it is, " + (length.isEmpty() ? "length unknown" : length);
    case RepairOutcome::Empty:
      return "holds no whole frame, nothing to play: " + QString::fromStdString(result.detail);
    case RepairOutcome::Failed: break;
  }
  return "could not be repaired: " + QString::fromStdString(result.detail);
}

}  // namespace vistrel::media
