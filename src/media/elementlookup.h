#pragma once
// Finding elements the way the program looks for filters: by category (the
// factory's klass), by the caps they accept and produce, by identity (the
// factory name) or by friendly name (the factory's long name). A FilterSlot
// is a named place in the graph code that gets bound to whichever element
// was found on this system.
#include "media/gstref.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vistrel::media {

enum class FilterCategory {
  VideoCompressor,  // "Encoder/Video"
  AudioCompressor,  // "Encoder/Audio"
  LegacyFilter,     // any element
  Muxer,            // "Muxer"
  VideoSource,      // "Source/Video"
  AudioSource,      // "Source/Audio"
  AudioRenderer,    // "Sink/Audio"
};

// The klass substring a category stands for (empty: every element).
QString KlassOf(FilterCategory category);

using FactoryList = std::vector<GstRef<GstElementFactory>>;

// Element factories whose klass contains `klass` (any when empty), that can
// take `sinkCaps` in and give `srcCaps` out (null caps: anything), ordered by
// rank, highest first, then by name.
FactoryList MatchingFactories(const QString &klass, const GstCaps *sinkCaps = nullptr,
                              const GstCaps *srcCaps = nullptr);
FactoryList FactoriesIn(FilterCategory category);

QString FriendlyName(GstElementFactory *factory);
QString FactoryName(GstElementFactory *factory);

// A stock-filter place of the graph ("divx", "mp3"...). It holds one element
// made from the factory it is bound to, created when bound and kept while
// bound, so the same element can be put into and taken out of the graph.
class FilterSlot {
 public:
  explicit FilterSlot(QString slotName = {}) : name_(std::move(slotName)) {}

  // Takes the element out of the graph (its parent bin) and binds the slot to
  // a new element of `factory`. False, with the slot as it was, if the
  // element cannot be made.
  bool Bind(GstElementFactory *factory);
  // Takes the element out of whichever bin holds it; the slot stays bound.
  void TakeOutOfGraph();
  void Unbind();

  bool IsBound() const { return bool(element_); }
  GstElement *Element() const { return element_.get(); }
  QString Name() const { return name_; }
  QString FactoryName() const;
  QString FriendlyName() const;

 private:
  QString name_;
  GstRef<GstElementFactory> factory_;
  ElementRef element_;
};

}  // namespace vistrel::media
