#include "filters/vs_superposer.h"

#include <gst/video/video.h>

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "filters/datetimeformat.h"
#include "filters/filterevents.h"
#include "filters/vs_scenedetect.h"

namespace vistrel::filters {

namespace {

std::atomic<std::int64_t> g_frameDuration{400000};

constexpr int kScreenDpi = 96;

QString TimecodeText(const DVInfo &info) {
  return QString::asprintf("%d:%.2d:%.2d:%.2d", info.Timecode[0], info.Timecode[1], info.Timecode[2],
                           info.Timecode[3]);
}

// How far a span [lo, hi) must move to lie within [0, size): the anchor and
// alignment say where text goes, but a line near an edge, or wider than the
// room the anchor leaves it, would lose its last glyphs or its outline there
// (in the preview and in every grab). One wider than the picture keeps its
// start.
int ShiftInside(int lo, int hi, int size) {
  int shift = hi > size ? size - hi : 0;
  if (lo + shift < 0) shift = -lo;
  return shift;
}

int DayOfMonth(double value) {
  int y, mo, d, h, mi, s;
  DecodeDateTime(value, y, mo, d, h, mi, s);
  return d;
}

}  // namespace

std::int64_t FrameDuration() { return g_frameDuration; }
void SetFrameDuration(std::int64_t duration) { g_frameDuration = duration < 1000 ? 400000 : duration; }

Tvs_Superposer::Tvs_Superposer() {
  for (auto &b : slotBusy_) b = false;
  // Until the first SetIncrust: Arial, white, bold.
  font_ = QFont(QStringLiteral("Arial"));
  font_.setBold(true);
  font_.setPixelSize(fontHeight_);
  rec_.FontRec.Color = 0x00FFFFFF;
}

// Every branch after it converts for itself where it must, so the picture
// stays in the source's layout: a YUV camera recorded by a YUV encoder is
// never turned into BGR and back.
media::CapsRef Tvs_Superposer::AcceptedCaps() const { return DrawableCaps(); }

media::HRESULT Tvs_Superposer::CheckInputType(const GstCaps *caps) {
  return IsDrawableCaps(caps) ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
}

media::HRESULT Tvs_Superposer::CheckTransform(const GstCaps *in, const GstCaps *out) {
  return IsDrawableCaps(in) && gst_caps_is_equal(in, out) ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
}

media::HRESULT Tvs_Superposer::SetMediaType(const GstCaps *in, const GstCaps *) {
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, in)) return media::S_FALSE;
  std::lock_guard<std::mutex> lock(canvas_);
  info_ = info;
  negotiated_ = true;
  width_ = GST_VIDEO_INFO_WIDTH(&info);
  height_ = GST_VIDEO_INFO_HEIGHT(&info);
  return media::S_OK;
}

media::HRESULT Tvs_Superposer::StartStreaming() {
  framesLeft_ = displayFrames_ - 1;
  nextGrab_ = 0;
  countdown_ = 0;
  return media::S_OK;
}

void Tvs_Superposer::SetIncrust(const TincrustRec &rec) {
  std::lock_guard<std::mutex> lock(canvas_);
  rec_ = rec;
  xpos_ = std::clamp(rec.Xpos, 0, 1000);
  ypos_ = std::clamp(rec.Ypos, 0, 1000);
  ApplyFontLocked();
}

TincrustRec Tvs_Superposer::Incrust() const {
  std::lock_guard<std::mutex> lock(canvas_);
  return rec_;
}

void Tvs_Superposer::ApplyFontLocked() {
  QFont f(rec_.FontRec.Name);
  f.setBold(rec_.FontRec.Bold);
  f.setItalic(rec_.FontRec.Italic);
  f.setUnderline(rec_.FontRec.Underline);
  f.setStrikeOut(rec_.FontRec.StrikeOut);
  if (rec_.Autofontsize) {
    // The cell height (ascent + descent) follows the picture width.
    const int cell = std::max(16, width_.load() * 28 / 720);
    QFont probe(f);
    probe.setPixelSize(100);
    const int h100 = std::max(1, QFontMetrics(probe).height());
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(cell * 100.0 / h100))));
    fontHeight_ = cell;
  } else {
    const int charHeight = std::max(1, static_cast<int>(std::lround(rec_.FontRec.Size * kScreenDpi / 72.0)));
    f.setPixelSize(charHeight);
    fontHeight_ = charHeight;
  }
  font_ = f;
  ++fontGeneration_;
}

int Tvs_Superposer::FontHeight() const {
  std::lock_guard<std::mutex> lock(canvas_);
  return fontHeight_;
}

QString Tvs_Superposer::LastLine(int index) const {
  std::lock_guard<std::mutex> lock(canvas_);
  return lastLines_[index & 1];
}

void Tvs_Superposer::SetActive(bool on) {
  active_ = on;
  framesLeft_ = displayFrames_ - 1;
}

void Tvs_Superposer::SetWhen(std::uint8_t mode, int seconds) {
  whenMode_ = mode;
  seconds_ = seconds;
  const std::int64_t fd = FrameDuration();
  if (fd > 0) {
    const long double frames = static_cast<long double>(seconds) * 10000000.0L / static_cast<long double>(fd);
    const long double clamped = std::clamp(std::round(frames), -2147483647.0L, 2147483647.0L);
    displayFrames_ = static_cast<int>(clamped);
  }
  if (mode == 0) framesLeft_ = displayFrames_ - 1;
}

void Tvs_Superposer::SetGrabInterval(std::int64_t period) {
  grabInterval_ = period;
  nextGrab_ = 0;
  intervalActive_ = true;
}

bool Tvs_Superposer::SlotBusy(int slot) const {
  return slot >= 0 && slot < kSlots && slotBusy_[static_cast<std::size_t>(slot)].load(std::memory_order_acquire);
}

QImage Tvs_Superposer::GrabSlot(int slot) const {
  if (!SlotBusy(slot)) return {};
  return slots_[static_cast<std::size_t>(slot)];
}

void Tvs_Superposer::ReleaseSlot(int slot) {
  if (!SlotBusy(slot)) return;
  slots_[static_cast<std::size_t>(slot)] = QImage();
  slotBusy_[static_cast<std::size_t>(slot)].store(false, std::memory_order_release);
}

void Tvs_Superposer::FillNextSlot(const GstVideoFrame &frame) {
  slotPos_ = slotPos_ + 1 >= kSlots ? 0 : slotPos_ + 1;
  const auto pos = static_cast<std::size_t>(slotPos_);
  if (slotBusy_[pos].load(std::memory_order_acquire)) return;  // that grab is lost
  grabNext_ = false;
  // Only a grab pays for the picture in BGR.
  QImage image = grabPicture_.From(frame);
  if (image.isNull()) return;
  slots_[pos] = std::move(image);
  slotBusy_[pos].store(true, std::memory_order_release);
  if (FilterEvents *ev = events_.load()) ev->GrabReady(slotPos_);
}

void Tvs_Superposer::BuildLinesLocked(const DVInfo &info, bool dvSource, double clockNow, QString &line1,
                                      QString &line2) const {
  const auto dvLine = [&](const QString &pattern) {
    if (!(dvSource && info.DateValid)) return QStringLiteral("N/A");
    return pattern.isEmpty() ? QString() : FormatDateTime(pattern, info.DateTime + rec_.DecalageHoraire);
  };
  const auto clockLine = [&](const QString &pattern) {
    return pattern.isEmpty() ? QString() : FormatDateTime(pattern, clockNow + rec_.DecalageHoraire);
  };
  const auto tcText = [&] { return dvSource && info.TimecodeValid ? TimecodeText(info) : QStringLiteral("N/A"); };
  switch (rec_.WhatIncrust) {
    case 0:
      line1 = dvLine(rec_.FormatDate1);
      line2 = dvLine(rec_.FormatDate2);
      break;
    case 1:
      line1.clear();
      line2 = tcText();
      break;
    case 2: {
      const auto fill = [&](QString text, const QString &pattern) {
        if (text.contains(QLatin1String("%D"), Qt::CaseInsensitive))
          text.replace(QLatin1String("%D"), dvLine(pattern), Qt::CaseInsensitive);
        if (text.contains(QLatin1String("%T"), Qt::CaseInsensitive))
          text.replace(QLatin1String("%T"), tcText(), Qt::CaseInsensitive);
        if (text.contains(QLatin1String("%R"), Qt::CaseInsensitive))
          text.replace(QLatin1String("%R"), clockLine(pattern), Qt::CaseInsensitive);
        return text;
      };
      line1 = fill(rec_.Incrust1, rec_.FormatDate1);
      line2 = fill(rec_.Incrust2, rec_.FormatDate2);
      break;
    }
    case 3:
      line1 = clockLine(rec_.FormatDate1);
      line2 = clockLine(rec_.FormatDate2);
      break;
    default:
      line1.clear();
      line2.clear();
  }
}

void Tvs_Superposer::DrawLinesLocked(GstVideoFrame &frame, const QString &line1, const QString &line2) {
  const int W = width_, H = height_, h = fontHeight_;
  const int X0 = W * xpos_ / 1000;
  int Y0 = H * ypos_ / 1000;
  const QString *lines[2] = {&line1, &line2};
  const int cellTop[2] = {-h, 0};  // from Y0: line 1 sits above the anchor, line 2 below
  int top = 0, bottom = 0;
  bool any = false;
  for (int i = 0; i < 2; ++i) {
    TextSprite &sprite = sprites_[i];
    sprite.Update(*lines[i], font_, rec_.FontRec.Color, rec_.BorderSize, fontGeneration_);
    if (sprite.Empty()) continue;
    const TextSprite::Ink &ink = sprite.Inked();
    top = any ? std::min(top, cellTop[i] + ink.top) : cellTop[i] + ink.top;
    bottom = any ? std::max(bottom, cellTop[i] + ink.bottom) : cellTop[i] + ink.bottom;
    any = true;
  }
  // The lines move in together, so they keep their spacing.
  Y0 += ShiftInside(Y0 + top, Y0 + bottom, H);
  for (int i = 0; i < 2; ++i) {
    TextSprite &sprite = sprites_[i];
    if (sprite.Empty()) continue;
    const int tw = sprite.TextWidth();
    int x = X0;
    switch (rec_.Alignment) {
      case 1: x = X0 - tw / 2; break;
      case 2: x = X0 - tw; break;
      case 3: x = (W - tw) / 2; break;
      default: break;
    }
    const TextSprite::Ink &ink = sprite.Inked();
    x += ShiftInside(x + ink.left, x + ink.right, W);
    sprite.BlendOnto(frame, x, Y0 + cellTop[i]);
  }
}

media::HRESULT Tvs_Superposer::Transform(media::SampleView &in, media::SampleView &out) {
  out.CopyPropertiesFrom(in);
  // A frame that does not match the negotiated size is dropped, and no grab
  // is served from it; a pending grab waits for the next good frame.
  if (!negotiated_ || in.Size() < GST_VIDEO_INFO_SIZE(&info_) || out.Size() < GST_VIDEO_INFO_SIZE(&info_))
    return media::S_FALSE;
  MappedFrame src(info_, in.buffer(), GST_MAP_READ);
  MappedFrame dst(info_, out.buffer(), GST_MAP_WRITE);
  if (!src.ok() || !dst.ok()) return media::S_FALSE;

  if (!allowInlay_) {
    CopyPicture(*src.get(), *dst.get(), SourceInverted);
  } else {
    std::lock_guard<std::mutex> lock(canvas_);
    CopyPicture(*src.get(), *dst.get(), vertFlip_ != SourceInverted);
    if (horzFlip_) MirrorPicture(*dst.get());

    const bool clockNeeded = rec_.WhatIncrust == 3 || rec_.WhatIncrust == 2;
    const double now = clockNeeded ? NowAsDateTime() : 0;
    prevShown_ = shown_;
    shown_ = rec_.WhatIncrust == 3 ? now : 0;
    DVInfo info;
    Tvs_SceneDetect *source = DVSource.load();
    if (source) {
      std::int64_t start = 0, stop = 0;
      in.GetTime(start, stop);
      prevDvDate_ = dvDate_;
      info = source->LookupByTime(start);
      dvDate_ = info.DateTime;
      if (rec_.WhatIncrust == 0) shown_ = dvDate_;
    }
    if (active_) {
      const int mode = whenMode_;
      const int restart = displayFrames_ - 1;
      if (mode != 0) {
        if (framesLeft_ > 0) --framesLeft_;
        if (mode == 2 && dvDate_ > 0 && (dvDate_ - prevDvDate_ > 2.0 / 86400.0 + 0.5 / 86400000.0 || dvDate_ < prevDvDate_))
          framesLeft_ = restart;
        if (mode == 3 && shown_ > 0 &&
            (DayOfMonth(shown_) != DayOfMonth(prevShown_) || std::fabs(shown_ - prevShown_) > 1.0))
          framesLeft_ = restart;
      }
      if (mode == 0 || framesLeft_ > 0) {
        BuildLinesLocked(info, source != nullptr, now, lastLines_[0], lastLines_[1]);
        DrawLinesLocked(*dst.get(), lastLines_[0], lastLines_[1]);
      }
    }
  }

  if (intervalActive_) {
    std::int64_t start = 0, stop = 0;
    if (in.GetTime(start, stop)) {
      const std::int64_t t = start / 1000;
      const std::int64_t next = nextGrab_;
      if (t < next) {
        const int left = static_cast<int>((next - t) / 10000);
        if (left != countdown_) {
          countdown_ = left;
          if (FilterEvents *ev = events_.load()) ev->CountdownSeconds(left);
        }
      } else {
        std::int64_t n = next + grabInterval_;
        if (n <= t) n = t + grabInterval_;
        nextGrab_ = n;
        FillNextSlot(*dst.get());
      }
    }
  }
  if (grabNext_.exchange(false)) FillNextSlot(*dst.get());
  return media::S_OK;
}

}  // namespace vistrel::filters
