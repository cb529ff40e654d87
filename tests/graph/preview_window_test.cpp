// The video window and its mailbox, without a pipeline.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>

#include "testenv.h"
#include "ui/videowindow.h"

using vistrel::test::SpinFor;
using vistrel::ui::FrameMailbox;
using vistrel::ui::VideoWindow;

namespace {

QImage Solid(QColor colour, int w = 64, int h = 48) {
  QImage image(w, h, QImage::Format_BGR888);
  image.fill(colour);
  return image;
}

}  // namespace

TEST(VideoWindowFit, KeepsTheFrameProportionsCentred) {
  // 16:9 in a square area: full width, letterboxed.
  EXPECT_EQ(VideoWindow::FittedRect(QSize(1600, 900), QRect(0, 0, 400, 400)), QRect(0, 87, 400, 225));
  // 4:3 in a wide area: full height, pillarboxed, offset kept.
  EXPECT_EQ(VideoWindow::FittedRect(QSize(640, 480), QRect(10, 20, 800, 300)), QRect(210, 20, 400, 300));
  // Nothing to fit: the area as it is, no division by zero.
  EXPECT_EQ(VideoWindow::FittedRect(QSize(), QRect(0, 0, 50, 40)), QRect(0, 0, 50, 40));
  EXPECT_EQ(VideoWindow::FittedRect(QSize(640, 480), QRect()), QRect());
}

TEST(VideoWindowMailbox, ABusyWindowPaintsOnlyTheNewestFrame) {
  VideoWindow window;
  window.resize(128, 96);
  window.show();
  SpinFor(50);
  auto mailbox = window.Mailbox();
  // Ten frames while the UI thread does nothing: nine are dropped.
  for (int i = 0; i < 10; ++i) mailbox->Offer(Solid(QColor(i * 20, 0, 0)));
  EXPECT_EQ(mailbox->Offered(), 10);
  EXPECT_EQ(mailbox->Dropped(), 9);
  SpinFor(100);
  EXPECT_EQ(window.FramesShown(), 1);
  EXPECT_EQ(window.CurrentFrame().pixelColor(0, 0), QColor(180, 0, 0));
  // The picture fills the fitted rectangle of the widget.
  const QImage shot = window.grab().toImage();
  EXPECT_EQ(shot.pixelColor(64, 48), QColor(180, 0, 0));
  // Nothing new: no new frame counted even when repainted.
  window.repaint();
  EXPECT_EQ(window.FramesShown(), 1);
}

TEST(VideoWindowMailbox, OfferingAfterTheWindowIsGoneIsHarmless) {
  std::shared_ptr<FrameMailbox> mailbox;
  {
    VideoWindow window;
    mailbox = window.Mailbox();
    mailbox->Offer(Solid(Qt::blue));  // a repaint request is pending
  }
  SpinFor(20);  // the pending request must not reach the dead window
  mailbox->Offer(Solid(Qt::red));
  SpinFor(20);
  EXPECT_EQ(mailbox->Offered(), 2);
}
