#include "media/elementlookup.h"

#include <algorithm>

namespace vistrel::media {

QString KlassOf(FilterCategory category) {
  switch (category) {
    case FilterCategory::VideoCompressor: return QStringLiteral("Encoder/Video");
    case FilterCategory::AudioCompressor: return QStringLiteral("Encoder/Audio");
    case FilterCategory::LegacyFilter: return {};
    case FilterCategory::Muxer: return QStringLiteral("Muxer");
    case FilterCategory::VideoSource: return QStringLiteral("Source/Video");
    case FilterCategory::AudioSource: return QStringLiteral("Source/Audio");
    case FilterCategory::AudioRenderer: return QStringLiteral("Sink/Audio");
  }
  return {};
}

FactoryList MatchingFactories(const QString &klass, const GstCaps *sinkCaps, const GstCaps *srcCaps) {
  GList *all = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ANY, GST_RANK_NONE);
  GList *list = all;
  // Filtering returns new lists holding their own references.
  if (sinkCaps) list = gst_element_factory_list_filter(all, sinkCaps, GST_PAD_SINK, FALSE);
  if (srcCaps) {
    GList *filtered = gst_element_factory_list_filter(list, srcCaps, GST_PAD_SRC, FALSE);
    if (list != all) gst_plugin_feature_list_free(list);
    list = filtered;
  }
  const QByteArray wanted = klass.toUtf8();
  FactoryList result;
  for (GList *l = list; l; l = l->next) {
    auto *factory = GST_ELEMENT_FACTORY(l->data);
    const char *k = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    if (!wanted.isEmpty() && !(k && QByteArray(k).contains(wanted))) continue;
    result.push_back(GstRef<GstElementFactory>::Borrow(factory));
  }
  if (list != all) gst_plugin_feature_list_free(list);
  gst_plugin_feature_list_free(all);
  std::sort(result.begin(), result.end(), [](const auto &a, const auto &b) {
    return gst_plugin_feature_rank_compare_func(a.get(), b.get()) < 0;
  });
  return result;
}

FactoryList FactoriesIn(FilterCategory category) { return MatchingFactories(KlassOf(category)); }

QString FriendlyName(GstElementFactory *factory) {
  const char *name = factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME) : nullptr;
  return name ? QString::fromUtf8(name) : QString();
}

QString FactoryName(GstElementFactory *factory) {
  return factory ? QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory))) : QString();
}

bool FilterSlot::Bind(GstElementFactory *factory) {
  if (!factory) return false;
  ElementRef made = ElementRef::Adopt(gst_element_factory_create(factory, nullptr));
  if (!made) return false;
  TakeOutOfGraph();
  factory_ = GstRef<GstElementFactory>::Borrow(factory);
  element_ = std::move(made);
  return true;
}

void FilterSlot::TakeOutOfGraph() {
  if (!element_) return;
  const ObjectRef parent = ParentOf(element_.get());
  if (!parent) return;
  gst_element_set_state(element_.get(), GST_STATE_NULL);
  if (GST_IS_BIN(parent.get())) gst_bin_remove(GST_BIN(parent.get()), element_.get());
}

void FilterSlot::Unbind() {
  TakeOutOfGraph();
  element_.reset();
  factory_.reset();
}

QString FilterSlot::FactoryName() const { return media::FactoryName(factory_.get()); }
QString FilterSlot::FriendlyName() const { return media::FriendlyName(factory_.get()); }

}  // namespace vistrel::media
