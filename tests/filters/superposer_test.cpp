// Superposer: inlay placement in a real pipeline, when-modes, flips, the grab
// ring and the interval grab.
#include "filters/bitmaps.h"
#include "filters/datetimeformat.h"
#include "filters/dvcodes.h"
#include "filters/dvtestframes.h"
#include "filters/filterevents.h"
#include "filters/vs_scenedetect.h"
#include "filters/vs_superposer.h"
#include "harness.h"

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>

#include <mutex>

using namespace vistrel;
using namespace vistrel::filters;
using vistrel::test::FilterHarness;

namespace {

class Recorder : public FilterEvents {
 public:
  void GrabReady(int slot) override { std::lock_guard<std::mutex> l(m); grabs.push_back(slot); }
  void CountdownSeconds(int s) override { std::lock_guard<std::mutex> l(m); countdown.push_back(s); }
  void DvRatioChanged(bool) override {}
  std::mutex m;
  std::vector<int> grabs, countdown;
};

std::string Caps(int w, int h) {
  return "video/x-raw, format=BGR, width=" + std::to_string(w) + ", height=" + std::to_string(h) + ", framerate=25/1";
}

std::vector<std::uint8_t> Black(int w, int h) { return std::vector<std::uint8_t>(static_cast<std::size_t>(w) * 3 * h, 0); }

bool AnyLit(const std::vector<std::uint8_t> &f) {
  return std::any_of(f.begin(), f.end(), [](std::uint8_t b) { return b > 64; });
}

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// The box around the pixels that are light (every channel above 128), or dark
// (every channel below 40).
Box LitBox(const std::uint8_t *d, int w, int h, int stride, bool dark = false) {
  Box b;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t *p = d + y * stride + x * 3;
      if (dark ? p[0] < 40 && p[1] < 40 && p[2] < 40 : p[0] > 128 && p[1] > 128 && p[2] > 128) {
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
    }
  return b;
}

TincrustRec Perso(const QString &l1, const QString &l2, int align, int x, int y, int border) {
  TincrustRec r;
  r.WhatIncrust = 2;
  r.Incrust1 = l1;
  r.Incrust2 = l2;
  r.Alignment = static_cast<std::uint8_t>(align);
  r.Xpos = x;
  r.Ypos = y;
  r.BorderSize = border;
  r.Autofontsize = true;
  return r;
}

// Runs videotestsrc (black) -> superposer -> appsink and returns one frame.
std::vector<std::uint8_t> RunPipeline(Tvs_Superposer &sp, int w, int h) {
  GstElement *pipe = gst_pipeline_new(nullptr);
  GstElement *src = gst_element_factory_make("videotestsrc", nullptr);
  g_object_set(src, "pattern", 2 /* black */, "num-buffers", 2, nullptr);
  GstElement *filter = gst_element_factory_make("capsfilter", nullptr);
  media::CapsRef caps = media::CapsRef::Adopt(gst_caps_from_string(Caps(w, h).c_str()));
  g_object_set(filter, "caps", caps.get(), nullptr);
  media::ElementRef own = media::MakeOwnFilterElement(&sp, "Superposer");
  GstElement *sink = gst_element_factory_make("appsink", nullptr);
  g_object_set(sink, "sync", FALSE, nullptr);
  gst_bin_add_many(GST_BIN(pipe), src, filter, GST_ELEMENT(gst_object_ref(own.get())), sink, nullptr);
  EXPECT_TRUE(gst_element_link_many(src, filter, own.get(), sink, nullptr));
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  std::vector<std::uint8_t> out;
  GstSample *sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 5 * GST_SECOND);
  if (sample) {
    GstBuffer *b = gst_sample_get_buffer(sample);
    out.resize(gst_buffer_get_size(b));
    gst_buffer_extract(b, 0, out.data(), out.size());
    gst_sample_unref(sample);
  }
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(pipe);
  return out;
}

}  // namespace

TEST(Superposer, PersoTextLandsWhereAlignmentAndPositionSay) {
  Tvs_Superposer sp;
  const int W = 320, H = 240;  // stride 960
  {
    FilterHarness warm(&sp, Caps(W, H).c_str());
    warm.Push(Black(W, H), 0);  // fixes the frame width for the auto font size
  }
  sp.SetIncrust(Perso("Perso", "Perso", 0, 250, 500, 2));
  sp.SetActive(true);
  const int h = sp.FontHeight();
  EXPECT_EQ(h, 16);  // 320 * 28 / 720 = 12, raised to 16
  auto frame = RunPipeline(sp, W, H);
  ASSERT_EQ(frame.size(), static_cast<std::size_t>(W * 3 * H));
  Box b = LitBox(frame.data(), W, H, W * 3);
  const int X0 = W * 250 / 1000, Y0 = H * 500 / 1000;
  EXPECT_GE(b.left, X0 - 1);
  EXPECT_LE(b.left, X0 + 4);
  EXPECT_GE(b.top, Y0 - h);
  EXPECT_LE(b.bottom, Y0 + h);
  EXPECT_GT(b.right - b.left, 20);
  // Right alignment at 1000 ends the text at the right edge.
  sp.SetIncrust(Perso("Perso", "", 2, 5000, 500, 2));
  EXPECT_EQ(sp.XposInUse(), 1000);
  frame = RunPipeline(sp, W, H);
  b = LitBox(frame.data(), W, H, W * 3);
  EXPECT_GE(b.right, W - 4);
  EXPECT_LT(b.bottom, Y0);  // only line 1, above the anchor
  // Centred in the frame, Xpos unused.
  sp.SetIncrust(Perso("", "Perso", 3, 0, -5, 1));
  EXPECT_EQ(sp.YposInUse(), 0);
  frame = RunPipeline(sp, W, H);
  b = LitBox(frame.data(), W, H, W * 3);
  EXPECT_NEAR((b.left + b.right) / 2.0, W / 2.0, 4);
  EXPECT_LE(b.top, h);
}

TEST(Superposer, TheOutlineAroundTheTextIsAsThickAsTheBorderSize) {
  Tvs_Superposer sp;
  const int W = 320, H = 240;
  // Mid-grey: the white text is lighter than the frame, its black outline darker.
  const std::vector<std::uint8_t> grey(static_cast<std::size_t>(W) * 3 * H, 100);
  FilterHarness h(&sp, Caps(W, H).c_str());
  ASSERT_EQ(h.Push(grey, 0), GST_FLOW_OK);  // fixes the frame width for the auto font size
  h.PullData();
  sp.SetActive(true);
  for (const int border : {1, 3}) {
    SCOPED_TRACE(border);
    sp.SetIncrust(Perso("Perso", "", 0, 250, 500, border));
    ASSERT_EQ(h.Push(grey, 400000 * border), GST_FLOW_OK);
    const std::vector<std::uint8_t> f = h.PullData();
    ASSERT_EQ(f.size(), grey.size());
    const Box text = LitBox(f.data(), W, H, W * 3);
    const Box outline = LitBox(f.data(), W, H, W * 3, true);
    ASSERT_GT(text.right - text.left, 20) << "the text is light";
    ASSERT_GE(outline.right, 0) << "no dark outline";
    // The outline runs round the text on every side, `border` pixels out
    // (one more where the text's antialiased edge is too faint to count as light).
    for (const int out :
         {text.left - outline.left, outline.right - text.right, text.top - outline.top, outline.bottom - text.bottom}) {
      EXPECT_GE(out, border);
      EXPECT_LE(out, border + 1);
    }
  }
}

namespace {

// The pixels of a frame that differ from its plain grey: where they lie and
// what they are, so one drawing of the text can be compared with another.
struct Drawn {
  Box box;
  std::vector<std::uint8_t> pixels;
};

Drawn DrawnOnGrey(const std::vector<std::uint8_t> &f, int w, int h, std::uint8_t grey) {
  Drawn d;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t *p = &f[static_cast<std::size_t>(y * w + x) * 3];
      if (p[0] == grey && p[1] == grey && p[2] == grey) continue;
      d.box.left = std::min(d.box.left, x);
      d.box.right = std::max(d.box.right, x);
      d.box.top = std::min(d.box.top, y);
      d.box.bottom = std::max(d.box.bottom, y);
    }
  for (int y = d.box.top; y <= d.box.bottom; ++y)
    for (int x = d.box.left; x <= d.box.right; ++x)
      for (int c = 0; c < 3; ++c) d.pixels.push_back(f[static_cast<std::size_t>(y * w + x) * 3 + c]);
  return d;
}

}  // namespace

// A wide text near an edge, whatever the alignment, moves in rather than losing its
// last glyphs or outline: what is drawn is the whole text as drawn in the middle.
TEST(Superposer, EveryAlignmentKeepsTheWholeTextAndOutlineInThePicture) {
  Recorder rec;
  Tvs_Superposer sp;
  sp.SetEvents(&rec);
  const int W = 320, H = 240;
  const std::uint8_t kGrey = 100;
  const std::vector<std::uint8_t> grey(static_cast<std::size_t>(W) * 3 * H, kGrey);
  FilterHarness h(&sp, Caps(W, H).c_str());
  ASSERT_EQ(h.Push(grey, 0), GST_FLOW_OK);  // fixes the frame width for the auto font size
  h.PullData();
  sp.SetActive(true);
  const QString text = "Kitchen cam 1";
  int t = 1;
  const auto draw = [&](int align, int x, int y) {
    sp.SetIncrust(Perso(text, text, align, x, y, 2));
    EXPECT_EQ(h.Push(grey, 400000 * t++), GST_FLOW_OK);
    return DrawnOnGrey(h.PullData(), W, H, kGrey);
  };
  const Drawn whole = draw(3, 0, 500);  // centred in the picture, far from every edge
  ASSERT_GT(whole.box.right - whole.box.left, W / 4) << "the text is wide";
  ASSERT_GT(whole.box.left, 0);
  ASSERT_LT(whole.box.right, W - 1);
  struct Case {
    const char *what;
    int align, x, y;
  } const cases[] = {
      {"left, near the right edge", 0, 900, 500},           {"centre, near the right edge", 1, 900, 500},
      {"centre, near the left edge", 1, 50, 500},           {"right, at the right edge", 2, 1000, 500},
      {"right, near the left edge", 2, 100, 500},           {"left, at the left edge", 0, 0, 500},
      {"subtitle, line 1 above the top", 3, 0, 0},          {"centre, line 2 below the bottom", 1, 500, 1000},
      {"right, in the bottom right corner", 2, 1000, 1000},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    sp.GrabNext();  // the still grabbed from this frame carries the same inlay
    const Drawn d = draw(c.align, c.x, c.y);
    EXPECT_GE(d.box.left, 0);
    EXPECT_LT(d.box.right, W);
    EXPECT_EQ(d.box.right - d.box.left, whole.box.right - whole.box.left) << "cut at a side";
    EXPECT_EQ(d.box.bottom - d.box.top, whole.box.bottom - whole.box.top) << "cut at the top or bottom";
    EXPECT_TRUE(d.pixels == whole.pixels) << "not the whole text with its outline";
    ASSERT_FALSE(rec.grabs.empty());
    const QImage still = sp.GrabSlot(rec.grabs.back());
    ASSERT_EQ(still.width(), W);
    std::vector<std::uint8_t> stillBytes;
    for (int y = 0; y < H; ++y)
      stillBytes.insert(stillBytes.end(), still.constScanLine(y), still.constScanLine(y) + W * 3);
    EXPECT_TRUE(DrawnOnGrey(stillBytes, W, H, kGrey).pixels == whole.pixels) << "the grabbed still lost some text";
    sp.ReleaseSlot(rec.grabs.back());
  }
  sp.SetEvents(nullptr);
}

TEST(Superposer, AutoFontFollowsWidthAndOddStrides) {
  Tvs_Superposer sp;
  {
    FilterHarness warm(&sp, Caps(720, 576).c_str());
    warm.Push(Black(720, 576), 0);
  }
  sp.SetIncrust(Perso("A", "", 0, 0, 500, 0));
  EXPECT_EQ(sp.FontHeight(), 28);
  // 321 pixels: rows padded to 964 bytes; the frame passes with the text drawn.
  FilterHarness h(&sp, Caps(321, 10).c_str());
  std::vector<std::uint8_t> odd(964 * 10, 0);
  sp.SetIncrust(Perso("Wide text here", "Wide text here", 0, 0, 1000, 1));
  sp.SetActive(true);
  ASSERT_EQ(h.Push(odd, 0), GST_FLOW_OK);
  EXPECT_EQ(h.PullData().size(), odd.size());
  // A frame of the wrong size is dropped, not an error.
  EXPECT_EQ(h.Push(std::vector<std::uint8_t>(100, 0), 1), GST_FLOW_OK);
  EXPECT_EQ(h.Pull(), nullptr);
}

TEST(Superposer, WhenOnceShowsFrames1To123) {
  SetFrameDuration(400000);
  Tvs_Superposer sp;
  FilterHarness h(&sp, Caps(160, 120).c_str());
  sp.SetIncrust(Perso("XXXX", "XXXX", 0, 100, 500, 0));
  sp.SetWhen(1, 5);
  EXPECT_EQ(sp.DisplayFrames(), 125);
  sp.SetActive(true);
  std::vector<int> shown;
  for (int i = 0; i < 200; ++i) {
    h.Push(Black(160, 120), i * 400000LL);
    if (AnyLit(h.PullData())) shown.push_back(i);
  }
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), 0);
  EXPECT_EQ(shown.back(), 122);
  EXPECT_EQ(shown.size(), 123u);
  // Permanently: every frame.
  sp.SetWhen(0, 5);
  h.Push(Black(160, 120), 0);
  EXPECT_TRUE(AnyLit(h.PullData()));
  // Long durations do not overflow.
  sp.SetWhen(1, 100000);
  EXPECT_EQ(sp.DisplayFrames(), 2500000);
}

TEST(Superposer, PlaceholdersAnyCaseAndNoDvSource) {
  QLocale::setDefault(QLocale::c());
  Tvs_Superposer sp;
  FilterHarness h(&sp, Caps(64, 48).c_str());
  TincrustRec r = Perso("%d|%T|%r", "%D %t", 0, 0, 500, 0);
  r.FormatDate1 = "yyyy";
  sp.SetIncrust(r);
  sp.SetActive(true);
  h.Push(Black(64, 48), 0);
  const QString year = QString::number(QDate::currentDate().year());
  EXPECT_EQ(sp.LastLine(0), "N/A|N/A|" + year);
  EXPECT_EQ(sp.LastLine(1), "N/A N/A");
  r.WhatIncrust = 0;
  sp.SetIncrust(r);
  h.Push(Black(64, 48), 1);
  EXPECT_EQ(sp.LastLine(0), "N/A");
  EXPECT_EQ(sp.LastLine(1), "N/A");
}

TEST(Superposer, DvDatesTimecodeAndNewSceneMode) {
  QLocale::setDefault(QLocale::c());
  Tvs_SceneDetect sd;
  Tvs_Superposer sp;
  sp.DVSource = &sd;
  FilterHarness dv(&sd, "video/x-dv, systemstream=(boolean)false");
  FilterHarness h(&sp, Caps(64, 48).c_str());
  TincrustRec r = Perso("", "", 0, 0, 500, 0);
  r.WhatIncrust = 0;
  r.FormatDate1 = "d mmm yyyy";
  r.FormatDate2 = "hh:nn:ss";
  r.DecalageHoraire = 1.0 / 24;  // one hour
  sp.SetIncrust(r);
  SetFrameDuration(400000);
  sp.SetWhen(2, 1);  // 25 frames
  sp.SetActive(true);
  DvTestFramePlan plan;
  plan.TcHours = 1;
  plan.TcMinutes = 2;
  plan.TcSeconds = 3;
  plan.TcFrames = 4;
  int lit = 0;
  // 30 frames of one scene, then a jump of 2 s (no restart), then 3 s (restart).
  for (int i = 0; i < 90; ++i) {
    plan.Second = i < 30 ? 0 : i < 60 ? 2 : 5;
    dv.Push(MakeDvTestFrame(plan), i * 400000LL);
    h.Push(Black(64, 48), i * 400000LL);
    if (AnyLit(h.PullData())) ++lit;
    if (i == 0) {
      EXPECT_EQ(sp.LastLine(0), "14 Jul 2004");
      EXPECT_EQ(sp.LastLine(1), "11:00:00");
    }
  }
  EXPECT_EQ(lit, 24 + 24);  // the start, and the restart at the 3 s jump
  r.WhatIncrust = 1;
  sp.SetIncrust(r);
  sp.SetWhen(0, 1);
  h.Push(Black(64, 48), 89 * 400000LL);
  EXPECT_EQ(sp.LastLine(0), "");
  EXPECT_EQ(sp.LastLine(1), "1:02:03:04");
}

TEST(Superposer, FlipsAndInvertedSources) {
  Tvs_Superposer sp;
  FilterHarness h(&sp, Caps(4, 2).c_str());
  // 4x2, stride 12: row 0 pixels 1..4, row 1 pixels 5..8 (blue byte).
  std::vector<std::uint8_t> f(24, 0);
  for (int i = 0; i < 8; ++i) f[i * 3] = static_cast<std::uint8_t>(i + 1);
  auto blue = [](const std::vector<std::uint8_t> &d) {
    std::vector<int> v;
    for (int i = 0; i < 8; ++i) v.push_back(d[i * 3]);
    return v;
  };
  h.Push(f, 0);
  EXPECT_EQ(blue(h.PullData()), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  sp.SetVertFlip(true);
  h.Push(f, 0);
  EXPECT_EQ(blue(h.PullData()), (std::vector<int>{5, 6, 7, 8, 1, 2, 3, 4}));
  sp.SetHorzFlip(true);
  h.Push(f, 0);
  EXPECT_EQ(blue(h.PullData()), (std::vector<int>{8, 7, 6, 5, 4, 3, 2, 1}));
  sp.SourceInverted = true;  // cancels the vertical flip
  h.Push(f, 0);
  EXPECT_EQ(blue(h.PullData()), (std::vector<int>{4, 3, 2, 1, 8, 7, 6, 5}));
  sp.SetAllowInlay(false);  // only the source's row order is corrected
  h.Push(f, 0);
  EXPECT_EQ(blue(h.PullData()), (std::vector<int>{5, 6, 7, 8, 1, 2, 3, 4}));
}

TEST(Superposer, GrabRingHoldsBusySlotsAndLosesGrabsWhenFull) {
  Recorder rec;
  Tvs_Superposer sp;
  sp.SetEvents(&rec);
  FilterHarness h(&sp, Caps(8, 4).c_str());
  std::vector<std::uint8_t> f(96, 9);
  for (int i = 0; i < 200; ++i) {
    sp.GrabNext();
    h.Push(f, i);
  }
  ASSERT_EQ(rec.grabs.size(), 200u);
  EXPECT_EQ(rec.grabs.front(), 1);
  EXPECT_EQ(rec.grabs.back(), 0);
  const QImage img = sp.GrabSlot(1);
  ASSERT_EQ(img.width(), 8);
  EXPECT_EQ(img.constScanLine(3)[23], 9);
  sp.GrabNext();
  h.Push(f, 300);  // every slot busy: lost, the position still advances
  EXPECT_EQ(rec.grabs.size(), 200u);
  sp.ReleaseSlot(2);
  EXPECT_FALSE(sp.SlotBusy(2));
  EXPECT_TRUE(sp.GrabSlot(2).isNull());
  sp.GrabNext();
  h.Push(f, 301);  // position 2 is free
  ASSERT_EQ(rec.grabs.size(), 201u);
  EXPECT_EQ(rec.grabs.back(), 2);
  sp.SetEvents(nullptr);
}

TEST(Superposer, IntervalGrabOncePerPeriodAndJumpsAhead) {
  Recorder rec;
  Tvs_Superposer sp;
  sp.SetEvents(&rec);
  FilterHarness h(&sp, Caps(8, 4).c_str());
  std::vector<std::uint8_t> f(96, 1);
  sp.SetGrabInterval(10000);  // one second
  for (int i = 0; i < 75; ++i) h.Push(f, i * 400000LL);  // 3 s at 40 ms
  EXPECT_EQ(rec.grabs, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(rec.countdown.empty());  // below one second there is nothing to count
  // Ten seconds later: one grab, the next one second after this frame.
  h.Push(f, 13 * 10000000LL);
  EXPECT_EQ(rec.grabs.size(), 4u);
  h.Push(f, 13 * 10000000LL + 9000000);
  EXPECT_EQ(rec.grabs.size(), 4u);
  h.Push(f, 14 * 10000000LL);
  EXPECT_EQ(rec.grabs.size(), 5u);
  // A long period counts down whole seconds, reported when they change.
  sp.SetGrabInterval(50000);
  h.Push(f, 20 * 10000000LL);  // grabs at once, next at 25 s
  for (int s = 0; s < 5; ++s) h.Push(f, 20 * 10000000LL + s * 10000000LL + 5000000);
  EXPECT_EQ(rec.countdown, (std::vector<int>{4, 3, 2, 1, 0}));
  sp.StopInterval();
  h.Push(f, 40 * 10000000LL);
  EXPECT_EQ(rec.grabs.size(), 6u);
  sp.SetEvents(nullptr);
}

TEST(Superposer, RefusesOtherFormats) {
  Tvs_Superposer sp;
  FilterHarness h(&sp, "video/x-raw, format=RGB16, width=8, height=8, framerate=25/1");
  EXPECT_EQ(h.Push(std::vector<std::uint8_t>(128, 0), 0), GST_FLOW_NOT_NEGOTIATED);
}

TEST(DateTimePatterns, CodesOfThePatternLanguage) {
  QLocale::setDefault(QLocale::c());
  double v = 0;
  ASSERT_TRUE(TryEncodeDateTime(2004, 7, 4, 9, 5, 7, v));
  EXPECT_EQ(FormatDateTime("d mmm yyyy", v), "4 Jul 2004");
  EXPECT_EQ(FormatDateTime("dd/mm/yy hh:nn:ss", v), "04/07/04 09:05:07");
  EXPECT_EQ(FormatDateTime("h:mm", v), "9:05");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("'day' d", v), "day 4");
  EXPECT_EQ(FormatDateTime("DDDD MMMM", v), "Sunday July");
  EXPECT_EQ(FormatDateTime("hh am/pm", v), "09 am");
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(FormatDateTime("ddddd", v), "7/4/04") << "the short date of the user's locale";
  QLocale::setDefault(QLocale::c());
  EXPECT_FALSE(FormatDateTime("tt", v).isEmpty());
  EXPECT_EQ(FormatDateTime("", v), "");
}

TEST(Bitmaps, MirrorAndDeinterlace) {
  QImage img(3, 1, QImage::Format_BGR888);
  uchar *row = img.scanLine(0);
  for (int i = 0; i < 9; ++i) row[i] = static_cast<uchar>(i);
  MiroirImage(img);
  EXPECT_EQ(std::vector<int>(img.constScanLine(0), img.constScanLine(0) + 9),
            (std::vector<int>{6, 7, 8, 3, 4, 5, 0, 1, 2}));
  // Rows: white, black (combed), white, black... A column of comb pixels is
  // averaged; an isolated one is kept.
  QImage src(4, 4, QImage::Format_BGR888);
  for (int y = 0; y < 4; ++y) std::memset(src.scanLine(y), y % 2 ? 0 : 200, 12);
  src.scanLine(1)[0] = src.scanLine(1)[1] = src.scanLine(1)[2] = 200;  // not combed at x=0
  QImage out;
  DesentrelacerImage(src, out);
  EXPECT_EQ(out.constScanLine(1)[3 * 1], 200);  // x=1 combed with x=2 -> average of 200, 200
  EXPECT_EQ(out.constScanLine(1)[0], 200);
  EXPECT_EQ(out.constScanLine(3)[3], 0);  // last row never changes
  EXPECT_EQ(out.constScanLine(0)[0], 200);
  // An isolated comb pixel is removed from the mask.
  QImage iso(3, 3, QImage::Format_BGR888);
  for (int y = 0; y < 3; ++y) std::memset(iso.scanLine(y), 200, 9);
  iso.scanLine(1)[3] = iso.scanLine(1)[4] = iso.scanLine(1)[5] = 0;
  DesentrelacerImage(iso, out);
  EXPECT_EQ(out.constScanLine(1)[3], 0);
}

TEST(Superposer, IntervalOfTwoFramesAt25FpsShootsEverySecondFrame) {
  Recorder rec;
  Tvs_Superposer sp;
  sp.SetEvents(&rec);
  FilterHarness h(&sp, Caps(8, 4).c_str());
  std::vector<std::uint8_t> f(96, 1);
  sp.SetGrabInterval(800);  // 2 frames of 40 ms
  for (int i = 0; i < 9; ++i) h.Push(f, i * 400000LL);
  EXPECT_EQ(rec.grabs.size(), 5u);  // frames 0, 2, 4, 6, 8
  // Switching on again restarts with a shot at the next frame (9, odd).
  sp.SetGrabInterval(800);
  h.Push(f, 9 * 400000LL);
  EXPECT_EQ(rec.grabs.size(), 6u);
  sp.SetEvents(nullptr);
}
