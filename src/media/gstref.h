#pragma once
// Owning handles for GStreamer and GLib references. Every reference the
// program holds goes through one of these, so an early return or an exception
// can never leak an element or a buffer, and a copy is always a real reference.
#include <gst/gst.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace vistrel::media {

namespace detail {

// Mini objects (caps, buffers, events...) use their own reference count;
// everything else handled here is a GObject (GstObject subclasses, devices...).
template <typename T> struct IsMiniObject : std::false_type {};
template <> struct IsMiniObject<GstMiniObject> : std::true_type {};
template <> struct IsMiniObject<GstCaps> : std::true_type {};
template <> struct IsMiniObject<GstBuffer> : std::true_type {};
template <> struct IsMiniObject<GstBufferList> : std::true_type {};
template <> struct IsMiniObject<GstMessage> : std::true_type {};
template <> struct IsMiniObject<GstEvent> : std::true_type {};
template <> struct IsMiniObject<GstQuery> : std::true_type {};
template <> struct IsMiniObject<GstSample> : std::true_type {};
template <> struct IsMiniObject<GstTagList> : std::true_type {};
template <> struct IsMiniObject<GstContext> : std::true_type {};
template <> struct IsMiniObject<GstMemory> : std::true_type {};

template <typename T> inline void Ref(T *p) {
  if constexpr (IsMiniObject<T>::value)
    gst_mini_object_ref(GST_MINI_OBJECT_CAST(p));
  else
    g_object_ref(p);
}

template <typename T> inline void Unref(T *p) {
  if constexpr (IsMiniObject<T>::value)
    gst_mini_object_unref(GST_MINI_OBJECT_CAST(p));
  else
    g_object_unref(p);
}

// A freshly made element is floating; owning it means sinking that reference
// rather than adding one, or it would never be freed.
template <typename T> inline void SinkIfFloating(T *p) {
  if constexpr (!IsMiniObject<T>::value) {
    if (g_object_is_floating(p)) g_object_ref_sink(p);
  }
}

}  // namespace detail

template <typename T> class GstRef {
 public:
  GstRef() = default;
  GstRef(std::nullptr_t) {}

  // Takes over a reference the caller owns (a floating one is sunk).
  static GstRef Adopt(T *p) {
    GstRef r;
    if (p) {
      detail::SinkIfFloating(p);
      r.p_ = p;
    }
    return r;
  }

  // Adds a reference of our own to an object someone else owns.
  static GstRef Borrow(T *p) {
    GstRef r;
    if (p) {
      detail::Ref(p);
      r.p_ = p;
    }
    return r;
  }

  GstRef(const GstRef &o) : p_(o.p_) {
    if (p_) detail::Ref(p_);
  }
  GstRef(GstRef &&o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  GstRef &operator=(const GstRef &o) {
    if (this != &o) {
      GstRef tmp(o);
      swap(tmp);
    }
    return *this;
  }
  GstRef &operator=(GstRef &&o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ~GstRef() { reset(); }

  T *get() const { return p_; }
  T *operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Hands our reference to the caller.
  T *release() { return std::exchange(p_, nullptr); }

  void reset() {
    if (T *p = std::exchange(p_, nullptr)) detail::Unref(p);
  }

  void swap(GstRef &o) noexcept { std::swap(p_, o.p_); }

  friend bool operator==(const GstRef &a, const GstRef &b) { return a.p_ == b.p_; }
  friend bool operator==(const GstRef &a, const T *b) { return a.p_ == b; }

 private:
  T *p_ = nullptr;
};

using ElementRef = GstRef<GstElement>;
using PadRef = GstRef<GstPad>;
using BusRef = GstRef<GstBus>;
using CapsRef = GstRef<GstCaps>;
using BufferRef = GstRef<GstBuffer>;
using MessageRef = GstRef<GstMessage>;
using EventRef = GstRef<GstEvent>;
using SampleRef = GstRef<GstSample>;
using FactoryRef = GstRef<GstElementFactory>;
using ClockRef = GstRef<GstClock>;
using ObjectRef = GstRef<GstObject>;

// The object's parent (a bin, or a pad's element or ghost pad), held: the
// parent cannot go away while it is looked at. Empty without one.
template <typename T> ObjectRef ParentOf(T *object) {
  return object ? ObjectRef::Adopt(gst_object_get_parent(GST_OBJECT(object))) : ObjectRef{};
}

struct GFreeDeleter {
  void operator()(void *p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GErrorDeleter {
  void operator()(GError *e) const {
    if (e) g_error_free(e);
  }
};
using ErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct GstIteratorDeleter {
  void operator()(GstIterator *it) const {
    if (it) gst_iterator_free(it);
  }
};
using IteratorPtr = std::unique_ptr<GstIterator, GstIteratorDeleter>;

// Disconnects a signal handler when it goes out of scope. Keeps the instance
// alive meanwhile, so the disconnect never touches a freed object.
class ScopedSignal {
 public:
  ScopedSignal() = default;
  ScopedSignal(gpointer instance, gulong id) : instance_(instance), id_(id) {
    if (instance_) g_object_ref(instance_);
  }
  ScopedSignal(const ScopedSignal &) = delete;
  ScopedSignal &operator=(const ScopedSignal &) = delete;
  ScopedSignal(ScopedSignal &&o) noexcept
      : instance_(std::exchange(o.instance_, nullptr)), id_(std::exchange(o.id_, 0)) {}
  ScopedSignal &operator=(ScopedSignal &&o) noexcept {
    if (this != &o) {
      reset();
      instance_ = std::exchange(o.instance_, nullptr);
      id_ = std::exchange(o.id_, 0);
    }
    return *this;
  }
  ~ScopedSignal() { reset(); }

  void reset() {
    if (instance_) {
      if (id_ && g_signal_handler_is_connected(instance_, id_))
        g_signal_handler_disconnect(instance_, id_);
      g_object_unref(instance_);
    }
    instance_ = nullptr;
    id_ = 0;
  }
  gulong id() const { return id_; }
  explicit operator bool() const { return id_ != 0; }

 private:
  gpointer instance_ = nullptr;
  gulong id_ = 0;
};

}  // namespace vistrel::media
