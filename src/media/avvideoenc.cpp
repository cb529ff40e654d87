#include "media/avvideoenc.h"

#include <gmodule.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "media/debug.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Media)

namespace vistrel::media {

namespace {

using RegisterFn = gboolean (*)();
using HasCodecFn = gboolean (*)(int);

struct Module {
  RegisterFn registerElement = nullptr;
  HasCodecFn hasCodec = nullptr;
  bool registered = false;
};

std::string ProgramDir() {
  std::vector<char> path(4096);
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return {};
  std::string p(path.data(), std::size_t(n));
  const std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? std::string() : p.substr(0, slash);
}

// Installed beside the program's libraries; in a build tree, where it was built.
std::vector<std::string> Candidates() {
  std::vector<std::string> where;
  if (const std::string dir = ProgramDir(); !dir.empty()) where.push_back(dir + "/" VISTREL_AVENC_FROM_BINDIR);
  where.emplace_back(VISTREL_AVENC_BUILT);
  return where;
}

const Module &Loaded() {
  static Module module;
  static std::once_flag once;
  std::call_once(once, [] {
    for (const std::string &path : Candidates()) {
      GModule *m = g_module_open(path.c_str(), G_MODULE_BIND_LOCAL);
      if (!m) {
        GST_DEBUG("no encoder module at %s: %s", path.c_str(), g_module_error());
        continue;
      }
      gpointer reg = nullptr, has = nullptr;
      if (!g_module_symbol(m, "vistrel_avenc_register", &reg) || !g_module_symbol(m, "vistrel_avenc_has_codec", &has)) {
        GST_WARNING("%s is not the encoder module: %s", path.c_str(), g_module_error());
        g_module_close(m);
        continue;
      }
      // The element's type lives in the module: it must never be unloaded.
      g_module_make_resident(m);
      module.registerElement = reinterpret_cast<RegisterFn>(reg);
      module.hasCodec = reinterpret_cast<HasCodecFn>(has);
      module.registered = module.registerElement();
      return;
    }
    GST_WARNING("the libavcodec encoder module (libvistrel_avenc.so) was not found");
  });
  return module;
}

}  // namespace

bool RegisterAvVideoEncoder() { return Loaded().registered; }

ElementRef MakeAvVideoEncoder(AvVideoCodec codec, int bitrate, int gopSize, int maxBFrames) {
  const Module &m = Loaded();
  if (!m.registered || !m.hasCodec(int(codec))) return {};
  ElementRef enc = ElementRef::Adopt(gst_element_factory_make("vistrelavenc", nullptr));
  if (!enc) return {};
  g_object_set(enc.get(), "codec", int(codec), "bitrate", bitrate, "gop-size", gopSize, "max-bframes", maxBFrames,
               nullptr);
  return enc;
}

}  // namespace vistrel::media
