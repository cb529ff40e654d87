#include "app/tape_report.h"

#include <gst/app/gstappsink.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "media/gstref.h"

namespace vistrel::app {

namespace {

using filters::DvEventKind;
using filters::DvHealthLog;
using filters::DvLoggedFrame;

QJsonValue TimecodeText(const filters::DvFrameHealth &h) {
  const filters::DvTimecode &tc = h.Timecode;
  if (tc.Hours == 0xFF) return QJsonValue::Null;
  return QString::asprintf("%02d:%02d:%02d%c%02d", tc.Hours, tc.Minutes, tc.Seconds, h.DropFrame ? ';' : ':',
                           tc.Frames);
}

QJsonValue DateText(const filters::DvRecDate &d) {
  if (d.Year < 0) return QJsonValue::Null;
  return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second);
}

QJsonObject FrameObject(const DvLoggedFrame &f) {
  const filters::DvFrameReport &r = f.Report;
  QJsonArray events;
  for (int i = 0; i < r.EventCount; ++i) {
    const filters::DvEventInfo &info = filters::EventInfo(r.Events[i].Kind);
    QJsonObject e{{"type", info.Name}};
    if (*info.Unit) {
      e["extent"] = r.Events[i].Extent;
      e["unit"] = info.Unit;
    }
    if (r.Events[i].Kind == DvEventKind::VideoConcealed) {
      QJsonArray perSequence;
      for (int s = 0; s < r.Health.Sequences; ++s) perSequence.append(r.Health.ConcealedPerSequence[s]);
      e["per_sequence"] = perSequence;
    }
    events.append(e);
  }
  QJsonObject o{{"frame", static_cast<qint64>(f.Frame)},
                {"timecode", TimecodeText(r.Health)},
                {"rec_date", DateText(r.Health.RecDate)},
                {"events", events}};
  if (r.Health.Arb >= 0 && r.Health.Arb != 0xF) o["arb"] = r.Health.Arb;
  return o;
}

QJsonValue DamagedAt(const DvLoggedFrame *f) {
  if (!f) return QJsonValue::Null;
  return QJsonObject{{"frame", static_cast<qint64>(f->Frame)}, {"timecode", TimecodeText(f->Report.Health)}};
}

// The AVI demuxer makes its pads as it reads: the first DV one goes to the sink.
void LinkDvPad(GstElement *, GstPad *pad, gpointer sink) {
  media::CapsRef caps = media::CapsRef::Adopt(gst_pad_query_caps(pad, nullptr));
  const GstStructure *st = caps && !gst_caps_is_empty(caps.get()) ? gst_caps_get_structure(caps.get(), 0) : nullptr;
  if (!st || !gst_structure_has_name(st, "video/x-dv")) return;
  media::PadRef in = media::PadRef::Adopt(gst_element_get_static_pad(GST_ELEMENT(sink), "sink"));
  if (!gst_pad_is_linked(in.get())) gst_pad_link(pad, in.get());
}

constexpr settings::CaptureFormatCode kReportedFormats[] = {settings::CaptureFormatCode::DV1Native,
                                                            settings::CaptureFormatCode::DV2Native,
                                                            settings::CaptureFormatCode::DV2Recomp};

}  // namespace

QString TapeReportNameFor(const QString &recording) {
  const QFileInfo info(recording);
  const QString file = info.fileName();
  const int dot = file.lastIndexOf('.');
  const QString base = dot > 0 ? recording.left(recording.size() - (file.size() - dot)) : recording;
  return base + ".tapehealth.json";
}

QByteArray TapeReportJson(const DvHealthLog &log, const QString &recording) {
  QJsonArray frames;
  const DvLoggedFrame *first = nullptr, *last = nullptr;
  int lost = 0;
  struct Total {
    int frames = 0;
    long long extent = 0;
  };
  Total totals[filters::kDvEventKinds] = {};
  for (const DvLoggedFrame &f : log.Listed) {
    frames.append(FrameObject(f));
    if (f.Report.Damaged()) {
      if (!first) first = &f;
      last = &f;
    }
    lost += f.Report.Lost();
    for (int i = 0; i < f.Report.EventCount; ++i) {
      Total &t = totals[static_cast<int>(f.Report.Events[i].Kind)];
      ++t.frames;
      t.extent += f.Report.Events[i].Extent;
    }
  }
  QJsonObject events;
  for (int k = 0; k < filters::kDvEventKinds; ++k) {
    if (!totals[k].frames) continue;
    const filters::DvEventInfo &info = filters::EventInfo(static_cast<DvEventKind>(k));
    QJsonObject t{{"frames", totals[k].frames}};
    if (*info.Unit) t[info.Unit] = static_cast<qint64>(totals[k].extent);
    events[info.Name] = t;
  }
  const QJsonObject summary{{"frames", static_cast<qint64>(log.Frames)},
                            {"damaged_frames", static_cast<qint64>(log.DamagedFrames)},
                            {"lost_frames", lost},
                            {"listed_frames", frames.size()},
                            {"truncated", log.Truncated},
                            {"first_damaged", DamagedAt(first)},
                            {"last_damaged", DamagedAt(last)},
                            {"events", events}};
  const QJsonObject root{{"format", "vistrel-tape-health"},
                         {"version", 1},
                         {"recording", QFileInfo(recording).fileName()},
                         {"system", log.System == 0   ? "625/50"
                                    : log.System == 1 ? "525/60"
                                                      : "unknown"},
                         {"summary", summary},
                         {"frames", frames}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool WriteTapeReport(const QString &recording, const DvHealthLog &log, QString &error) {
  const QString name = TapeReportNameFor(recording);
  QSaveFile out(name);
  if (!out.open(QIODevice::WriteOnly) || out.write(TapeReportJson(log, recording)) < 0 || !out.commit()) {
    error = "The tape report " + name + " could not be written: " + out.errorString();
    return false;
  }
  return true;
}

int TapeReportDamagedFrames(const QString &recording) {
  QFile in(TapeReportNameFor(recording));
  if (!in.open(QIODevice::ReadOnly)) return -1;
  const QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
  const QJsonValue damaged = root["summary"].toObject()["damaged_frames"];
  return damaged.isDouble() ? damaged.toInt() : -1;
}

bool CheckDvAvi(const QString &file, DvHealthLog &log, QString &error) {
  log = DvHealthLog{};
  if (!QFileInfo(file).isFile()) {
    error = file + " is not a file that can be read.";
    return false;
  }
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_pipeline_new("dv-report"));
  GstElement *src = gst_element_factory_make("filesrc", nullptr);
  GstElement *demux = gst_element_factory_make("avidemux", nullptr);
  GstElement *sink = gst_element_factory_make("appsink", nullptr);
  if (!pipeline || !src || !demux || !sink) {
    for (GstElement *e : {src, demux, sink})
      if (e) gst_object_unref(gst_object_ref_sink(e));
    error = "The GStreamer elements filesrc, avidemux and appsink are needed to read " + file + ".";
    return false;
  }
  g_object_set(src, "location", file.toUtf8().constData(), nullptr);
  g_object_set(sink, "sync", FALSE, nullptr);
  gst_bin_add_many(GST_BIN(pipeline.get()), src, demux, sink, nullptr);
  gst_element_link(src, demux);
  g_signal_connect(demux, "pad-added", G_CALLBACK(&LinkDvPad), sink);
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  filters::Tvs_DvHealth checker;
  media::BusRef bus = media::BusRef::Adopt(gst_element_get_bus(pipeline.get()));
  GstMessage *message = nullptr;
  // An error (no DV stream to link, a broken file) ends the stream without an EOS.
  while (!message) {
    media::SampleRef sample = media::SampleRef::Adopt(gst_app_sink_try_pull_sample(GST_APP_SINK(sink), GST_SECOND / 5));
    if (sample) {
      media::MappedBuffer map(gst_sample_get_buffer(sample.get()), GST_MAP_READ);
      if (map.ok()) checker.ProcessFrame(map.data(), map.size());
      continue;
    }
    message = gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR);
    if (gst_app_sink_is_eos(GST_APP_SINK(sink))) break;
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  log = checker.TakeLog();
  if (message || log.Frames == 0) {
    QString why = "it holds no DV video";
    if (message) {
      GError *err = nullptr;
      gst_message_parse_error(message, &err, nullptr);
      media::ErrorPtr owned(err);
      if (err) why = QString::fromUtf8(err->message);
      gst_message_unref(message);
    }
    error = file + " could not be read as a DV AVI: " + why + ".";
    return false;
  }
  return true;
}

int WriteDvAviReport(const QString &file, std::FILE *out, std::FILE *err) {
  DvHealthLog log;
  QString error;
  if (!CheckDvAvi(file, log, error) || !WriteTapeReport(file, log, error)) {
    std::fprintf(err, "vistrel: %s\n", error.toLocal8Bit().constData());
    return 2;
  }
  std::fprintf(out, "%s: %u frames, %u with tape errors; report in %s\n", file.toLocal8Bit().constData(), log.Frames,
               log.DamagedFrames, TapeReportNameFor(file).toLocal8Bit().constData());
  return 0;
}

bool TapeReports::ReportsOn(settings::CaptureFormatCode format) {
  for (settings::CaptureFormatCode f : kReportedFormats)
    if (f == format) return true;
  return false;
}

void TapeReports::Begin(filters::Tvs_DvHealth *checker, settings::CaptureFormatCode format) {
  checker_ = ReportsOn(format) ? checker : nullptr;
}

void TapeReports::End(const QString &file, bool kept) {
  if (!checker_) return;
  const DvHealthLog log = checker_->TakeLog();
  if (!kept || file.isEmpty()) return;
  QString error;
  if (!WriteTapeReport(file, log, error)) GST_WARNING("%s", error.toUtf8().constData());
}

}  // namespace vistrel::app
