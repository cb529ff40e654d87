#include "settings/codecs.h"

#include "media/gstref.h"
#include "platform/registry.h"

#include <gst/gst.h>

#include <memory>

namespace vistrel::settings {

namespace {

// True when an encoder's source pads can produce MPEG-4 part 2 video.
bool ProducesMpeg4Asp(GstElementFactory *factory) {
  const auto wanted = media::CapsRef::Adopt(gst_caps_from_string(
      "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false; video/x-divx; video/x-xvid"));
  for (const GList *l = gst_element_factory_get_static_pad_templates(factory); l; l = l->next) {
    auto *tmpl = static_cast<GstStaticPadTemplate *>(l->data);
    if (tmpl->direction != GST_PAD_SRC) continue;
    const auto caps = media::CapsRef::Adopt(gst_static_pad_template_get_caps(tmpl));
    if (gst_caps_can_intersect(caps.get(), wanted.get())) return true;
  }
  return false;
}

}  // namespace

QList<DivxCodec> AvailableDivxCodecs() {
  QList<DivxCodec> codecs;
  if (!gst_is_initialized()) return codecs;
  GList *found = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER,
                                                       GST_RANK_NONE);
  const std::unique_ptr<GList, void (*)(GList *)> list(
      g_list_sort(found, gst_plugin_feature_rank_compare_func), gst_plugin_feature_list_free);
  for (GList *l = list.get(); l; l = l->next) {
    auto *factory = GST_ELEMENT_FACTORY(l->data);
    const QString name = QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)));
    if (name.contains("omx")) continue;  // hardware wrappers with no hardware behind them
    if (!ProducesMpeg4Asp(factory)) continue;
    codecs.append({QStringLiteral("DivX 5 MPEG-4 (%1)").arg(name), name, "DX50"});
    codecs.append({QStringLiteral("Xvid MPEG-4 (%1)").arg(name), name, "XVID"});
  }
  return codecs;
}

std::optional<DivxCodec> DivxCodecByName(const QString &friendlyName) {
  for (const DivxCodec &c : AvailableDivxCodecs())
    if (c.friendlyName == friendlyName) return c;
  return std::nullopt;
}

DivxChoice ChooseDivx(const QStringList &enumerated, const QString &favourite) {
  DivxChoice choice;
  int fallback = -1;
  for (const QString &name : enumerated) {
    const QString lower = name.toLower();
    if (!lower.contains("divx") && !lower.contains("xvid")) continue;
    choice.names.append(name);
    if (lower.contains("xvid")) fallback = int(choice.names.size()) - 1;
  }
  if (choice.names.isEmpty()) return choice;
  const int favoured = int(choice.names.indexOf(favourite));
  choice.selected = favoured >= 0 ? favoured : (fallback >= 0 ? fallback : 0);
  return choice;
}

bool Mp3EncoderAvailable() {
  if (!gst_is_initialized()) return false;
  return bool(media::FactoryRef::Adopt(gst_element_factory_find("lamemp3enc")));
}

QString Mp3SettingsKey() { return QStringLiteral("\\Software\\GNU\\LAME MPEG Layer III Audio Encoder Filter"); }

std::optional<int> ReadMp3Bitrate() {
  const auto v = platform::Registry::User().Value(Mp3SettingsKey(), "Bitrate");
  const auto x = v ? v->AsDword() : std::nullopt;
  if (!x) return std::nullopt;
  return int(*x);
}

// On Windows the encoder's installer made this key; here the encoder comes
// with the system, so the first change makes it.
bool WriteMp3Bitrate(int kbps) {
  auto &reg = platform::Registry::User();
  return reg.CreateKey(Mp3SettingsKey()) &&
         reg.SetValue(Mp3SettingsKey(), "Bitrate", platform::RegValue::Dword(quint32(kbps)));
}

QStringList Mp3BitrateItems() {
  return {"32", "40", "48", "56", "64", "80", "96", "112", "128", "160", "192", "224", "256", "320"};
}

}  // namespace vistrel::settings
