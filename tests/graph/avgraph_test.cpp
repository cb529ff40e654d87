// The graph module's own bookkeeping: its filters, components and the chain
// removal rules, on small graphs of stock elements.
#include "filters/vs_timestamper.h"
#include "graph/avgraph.h"
#include "media/pins.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

GstElement *Add(Tdm &dm, const char *factory, const char *name) {
  GstElement *e = gst_element_factory_make(factory, nullptr);
  EXPECT_TRUE(dm.fg().AddFilter(e, name));
  return dm.fg().FindFilter(name);
}

bool Link(Tdm &dm, GstElement *a, GstElement *b) { return dm.fg().ConnectFilters(a, b); }

}  // namespace

TEST(Tdm, CreatesTheTwelveOwnFiltersOnceWithTheirRoles) {
  Tdm dm;
  const QStringList names{"Superposer",      "VideoCap Tamponer",     "DV Header",
                          "Control Filter",  "Resizer",               "AudioCap Tamponer",
                          "Wave Dest",       "Tamponer Video",        "Tamponer Audio",
                          "Control_Preview_Video", "Control_Preview_Audio", "Control_Capture_Video"};
  for (const QString &n : names) {
    SCOPED_TRACE(n.toStdString());
    ASSERT_NE(dm.OwnElement(n), nullptr);
    EXPECT_EQ(media::OwnFilterOf(dm.OwnElement(n)), dm.OwnObject(n));
  }
  EXPECT_EQ(dm.OwnElement("Nope"), nullptr);
  // Only the preview stampers strip times.
  EXPECT_TRUE(dm.TamponerVideo()->StripsTimes());
  EXPECT_TRUE(dm.TamponerAudio()->StripsTimes());
  EXPECT_FALSE(dm.ControlPreviewVideo()->StripsTimes());
  EXPECT_FALSE(dm.VideoCapTamponer()->StripsTimes());
  // The devices place the module's gates, not stand-ins of their own.
  EXPECT_EQ(dm.Slots().PreviewVideoControl.get(), dm.OwnElement("Control_Preview_Video"));
  EXPECT_EQ(dm.Slots().PreviewAudioControl.get(), dm.OwnElement("Control_Preview_Audio"));
  // A second call creates nothing new.
  GstElement *before = dm.OwnElement("Superposer");
  dm.DataModuleCreate();
  EXPECT_EQ(dm.OwnElement("Superposer"), before);
  // Nothing is in the graph until a source connects.
  EXPECT_TRUE(dm.fg().Filters().empty());
  EXPECT_FALSE(dm.LancerGraphe());
}

TEST(Tdm, RetirerChaineRemovesStrictlyBetweenOnASimplePath) {
  Tdm dm;
  GstElement *src = Add(dm, "fakesrc", "start");
  GstElement *a = Add(dm, "identity", "a");
  GstElement *b = Add(dm, "identity", "b");
  GstElement *end = Add(dm, "fakesink", "end");
  ASSERT_TRUE(Link(dm, src, a) && Link(dm, a, b) && Link(dm, b, end));
  dm.RetirerChaine(src, end);
  EXPECT_EQ(dm.fg().FindFilter("a"), nullptr);
  EXPECT_EQ(dm.fg().FindFilter("b"), nullptr);
  EXPECT_NE(dm.fg().FindFilter("start"), nullptr);
  EXPECT_NE(dm.fg().FindFilter("end"), nullptr);
}

TEST(Tdm, RetirerChaineLeavesDirectLinksAndForksAlone) {
  Tdm dm;
  GstElement *src = Add(dm, "fakesrc", "start");
  GstElement *end = Add(dm, "fakesink", "end");
  ASSERT_TRUE(Link(dm, src, end));
  dm.RetirerChaine(src, end);  // nothing between: first is end itself
  EXPECT_EQ(dm.fg().Filters().size(), 2u);
  dm.RetirerChaine(end, src);  // wrong way round: no output on end
  EXPECT_EQ(dm.fg().Filters().size(), 2u);

  // A fork on the path between the two: the whole path stays.
  Tdm fork;
  GstElement *s = Add(fork, "fakesrc", "start");
  GstElement *a = Add(fork, "identity", "a");
  GstElement *tee = Add(fork, "tee", "tee");
  GstElement *b = Add(fork, "identity", "b");
  GstElement *e = Add(fork, "fakesink", "end");
  GstElement *other = Add(fork, "fakesink", "other");
  ASSERT_TRUE(Link(fork, s, a) && Link(fork, a, tee) && Link(fork, b, e));
  ASSERT_TRUE(fork.fg().Connect(media::Pin(tee, 1).get(), media::Pin(b, 0).get()));
  ASSERT_TRUE(fork.fg().Connect(media::Pin(tee, 2).get(), media::Pin(other, 0).get()));
  fork.RetirerChaine(s, e);
  EXPECT_EQ(fork.fg().Filters().size(), 6u);
  fork.RetirerChaine(nullptr, e);
  EXPECT_EQ(fork.fg().Filters().size(), 6u);
}

TEST(Tdm, RetirerAmontRemovesUpstreamUpToTheStop) {
  Tdm dm;
  GstElement *src = Add(dm, "fakesrc", "src");
  GstElement *a = Add(dm, "identity", "a");
  GstElement *b = Add(dm, "identity", "b");
  GstElement *sink = Add(dm, "fakesink", "sink");
  ASSERT_TRUE(Link(dm, src, a) && Link(dm, a, b) && Link(dm, b, sink));
  media::PadRef pin = media::Pin(b, 0);
  EXPECT_TRUE(dm.RetirerAmont(pin.get(), src));
  EXPECT_EQ(dm.fg().FindFilter("a"), nullptr);
  EXPECT_EQ(dm.fg().FindFilter("b"), nullptr);
  EXPECT_NE(dm.fg().FindFilter("src"), nullptr) << "the stop filter stays";
  EXPECT_NE(dm.fg().FindFilter("sink"), nullptr);
  EXPECT_FALSE(dm.RetirerAmont(nullptr, src));
}

TEST(Tdm, DestroyKeepsComponentsAndRemovesTheRest) {
  Tdm dm;
  ASSERT_TRUE(dm.fg().AddFilter(dm.infdumvideo.get(), "infdumvideo"));
  Add(dm, "identity", "stranger");
  dm.DataModuleDestroy();
  EXPECT_EQ(dm.fg().FindFilter("stranger"), nullptr);
  EXPECT_NE(dm.fg().FindFilter("infdumvideo"), nullptr);
}
