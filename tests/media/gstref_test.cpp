// Reference ownership: every handle must leave the count exactly where it
// found it, whatever it was copied, moved or released through.
#include "media/gstref.h"

#include <gtest/gtest.h>

namespace vistrel::media {
namespace {

int Count(gpointer object) { return int(G_OBJECT(object)->ref_count); }
int Count(GstMiniObject *object) { return GST_MINI_OBJECT_REFCOUNT_VALUE(object); }

TEST(GstRef, AdoptingAFloatingElementSinksItInsteadOfAddingAReference) {
  GstElement *raw = gst_element_factory_make("identity", nullptr);
  ASSERT_TRUE(g_object_is_floating(raw));
  {
    ElementRef e = ElementRef::Adopt(raw);
    EXPECT_FALSE(g_object_is_floating(raw));
    EXPECT_EQ(Count(raw), 1);
    ElementRef copy = e;
    EXPECT_EQ(Count(raw), 2);
    ElementRef moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(Count(raw), 2);
    moved = e;  // self-family assignment keeps the count right
    EXPECT_EQ(Count(raw), 2);
    moved.reset();
    EXPECT_EQ(Count(raw), 1);
    g_object_ref(raw);
  }
  EXPECT_EQ(Count(raw), 1);
  gst_object_unref(raw);
}

TEST(GstRef, BorrowAddsAReferenceAndReleaseHandsOursBack) {
  GstElement *raw = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("identity", nullptr)));
  {
    ElementRef b = ElementRef::Borrow(raw);
    EXPECT_EQ(Count(raw), 2);
    GstElement *released = b.release();
    EXPECT_EQ(released, raw);
    EXPECT_FALSE(b);
    EXPECT_EQ(Count(raw), 2);
    gst_object_unref(released);
  }
  EXPECT_EQ(Count(raw), 1);
  gst_object_unref(raw);
}

TEST(GstRef, ParentOfHoldsTheParentOnlyWhileItIsLookedAt) {
  ElementRef bin = ElementRef::Adopt(gst_bin_new("outer"));
  GstElement *child = gst_element_factory_make("identity", nullptr);
  ASSERT_TRUE(gst_bin_add(GST_BIN(bin.get()), child));
  GstPad *pad = gst_element_get_static_pad(child, "sink");
  {
    const ObjectRef parent = ParentOf(child);
    EXPECT_EQ(parent.get(), GST_OBJECT(bin.get()));
    EXPECT_EQ(Count(bin.get()), 2);
    EXPECT_EQ(ParentOf(pad).get(), GST_OBJECT(child));
  }
  EXPECT_EQ(Count(bin.get()), 1);
  EXPECT_EQ(Count(child), 1);
  EXPECT_FALSE(ParentOf(bin.get()));
  EXPECT_FALSE(ParentOf(static_cast<GstElement *>(nullptr)));
  gst_object_unref(pad);
}

TEST(GstRef, MiniObjectsUseTheirOwnCount) {
  GstCaps *raw = gst_caps_new_empty_simple("video/x-raw");
  gst_caps_ref(raw);
  {
    CapsRef c = CapsRef::Adopt(raw);
    CapsRef d = c;
    EXPECT_EQ(Count(GST_MINI_OBJECT(raw)), 3);
    BufferRef empty;
    EXPECT_FALSE(empty);
    EXPECT_EQ(empty.get(), nullptr);
  }
  EXPECT_EQ(Count(GST_MINI_OBJECT(raw)), 1);
  gst_caps_unref(raw);
}

TEST(GstRef, ScopedSignalDisconnectsOnDestruction) {
  ElementRef e = ElementRef::Adopt(gst_element_factory_make("identity", nullptr));
  int calls = 0;
  auto handler = +[](GstElement *, GstBuffer *, gpointer data) { ++*static_cast<int *>(data); };
  gulong id = 0;
  {
    ScopedSignal s(e.get(), g_signal_connect(e.get(), "handoff", G_CALLBACK(handler), &calls));
    id = s.id();
    EXPECT_TRUE(g_signal_handler_is_connected(e.get(), id));
    EXPECT_EQ(Count(e.get()), 2);
  }
  EXPECT_FALSE(g_signal_handler_is_connected(e.get(), id));
  EXPECT_EQ(Count(e.get()), 1);
}

}  // namespace
}  // namespace vistrel::media
