// The video window's cost per frame: taking a frame from the mailbox and
// painting it, at the frame's own size and scaled, for the layouts a preview
// sink can hand over, beside one copy of the same frame.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cstring>
#include <ctime>

#include "ui/levelmeter.h"
#include "ui/videowindow.h"

namespace {

using vistrel::ui::VideoWindow;

QImage Frame(QImage::Format format) {
  QImage image(720, 576, format);
  // Something other than one colour, so no painting shortcut applies.
  for (int y = 0; y < image.height(); ++y) {
    uchar *line = image.scanLine(y);
    for (qsizetype x = 0; x < image.bytesPerLine(); ++x) line[x] = uchar(x * 7 + y * 3);
  }
  return image;
}

// Arg 0: frame layout (0 BGR888, 1 RGB32); arg 1: window width (the height
// keeps the frame's shape).
void BM_VideoWindowPaint(benchmark::State &state) {
  const QImage::Format format = state.range(0) == 0 ? QImage::Format_BGR888 : QImage::Format_RGB32;
  const int width = int(state.range(1));
  const int height = width * 576 / 720;
  VideoWindow window;
  window.resize(width, height);
  // The backing store of an opaque window on X11 and offscreen.
  QImage surface(width, height, QImage::Format_RGB32);
  const QImage frame = Frame(format);
  for (auto _ : state) {
    window.Mailbox()->Offer(frame);
    QCoreApplication::sendPostedEvents(&window);
    window.render(&surface);
  }
  state.SetLabel(format == QImage::Format_BGR888 ? "BGR888" : "RGB32");
}

void BM_FrameCopy(benchmark::State &state) {
  const QImage frame = Frame(QImage::Format_RGB32);
  QImage copy(frame.size(), frame.format());
  for (auto _ : state) {
    std::memcpy(copy.bits(), frame.constBits(), size_t(frame.sizeInBytes()));
    benchmark::DoNotOptimize(copy.bits());
  }
}

// One repaint of the sound meter under a 720-pixel-wide picture, two
// channels, one clip marker lit: it repaints at most 20 times a second.
void BM_LevelMeterPaint(benchmark::State &state) {
  vistrel::ui::LevelMeter meter;
  meter.resize(720, meter.sizeHint().height());
  QImage surface(meter.size(), QImage::Format_RGB32);
  double db = -40;
  timespec begin{}, end{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &begin);
  for (auto _ : state) {
    db = db > -1 ? -40 : db + 0.5;
    meter.SetLevels({db + 6, 0.0}, {db, db - 3});
    meter.render(&surface);
  }
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
  const double seconds = double(end.tv_sec - begin.tv_sec) + double(end.tv_nsec - begin.tv_nsec) / 1e9;
  state.counters["core % at 20/s"] = 100.0 * 20.0 * seconds / double(state.iterations());
}

}  // namespace

BENCHMARK(BM_LevelMeterPaint);
BENCHMARK(BM_FrameCopy);
BENCHMARK(BM_VideoWindowPaint)->Args({0, 720})->Args({1, 720})->Args({0, 480})->Args({1, 480})->Args({0, 1024})->Args({1, 1024});

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
