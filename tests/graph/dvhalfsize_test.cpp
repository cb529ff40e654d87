// A DV camcorder decoded at half size (a DivX capture with "DV demi si DivX")
// and back at full size, in the same run.
#include "preview_fixture.h"

using namespace vistrel;
using vistrel::test::PreviewFixture;

namespace {

// The picture's own size, once new frames show (the window may be shown a
// smaller copy of it).
QSize ShownFrameSize(Tdm &dm, ui::VideoWindow &window, int framesAfter) {
  window.ResetCounters();
  EXPECT_TRUE(vistrel::test::SpinUntil([&] { return window.FramesShown() >= framesAfter; }, 4000))
      << "no new frames: the size is an old frame's";
  return dm.PreviewPictureSize();
}

}  // namespace

TEST_F(PreviewFixture, DvHalfSizeDecodesAQuarterOfThePictureAndComesBack) {
  auto *dv = Video("DV Source - Video");
  ASSERT_TRUE(dv);
  ASSERT_TRUE(dm.ConnecterVideo(dv));
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_EQ(ShownFrameSize(dm, window, 3), QSize(720, 576));

  ASSERT_TRUE(dm.StopGraph());
  ASSERT_TRUE(dm.DeconnecterVideo(dv, false));
  dm.Slots().DvHalfSize = true;
  ASSERT_TRUE(dm.ConnecterVideo(dv));
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_EQ(ShownFrameSize(dm, window, 3), QSize(360, 288));
  EXPECT_NE(dm.fg().FindFilter("dv_halfsize"), nullptr);

  ASSERT_TRUE(dm.StopGraph());
  ASSERT_TRUE(dm.DeconnecterVideo(dv, false));
  dm.Slots().DvHalfSize = false;
  ASSERT_TRUE(dm.ConnecterVideo(dv));
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_EQ(ShownFrameSize(dm, window, 3), QSize(720, 576));
  EXPECT_EQ(dm.fg().FindFilter("dv_halfsize"), nullptr) << "the scaler left with the half size";
}
