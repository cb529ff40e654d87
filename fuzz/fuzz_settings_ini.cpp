// Feeds arbitrary bytes to the settings ini reader: decoding, section lookups of
// every setting, value conversions, insertion, and a write/read round trip that
// must give back the same lines.
#include "platform/inifile.h"
#include "settings/parameters.h"
#include "settings/prefstore.h"
#include "settings/settingskeys.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace vistrel;
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  settings::IniSection section(settings::SettingsKeyPath());
  section.lines = platform::DecodeIniLines(bytes);

  static const char *const keys[] = {"Volume", "Framerate", "No Datecode", "IncrustRec\\Xpos",
                                     "IncrustRec\\FontRec\\FontName", "", "=", "[x]"};
  for (const char *key : keys) {
    const QString text = section.Lookup(key, "default");
    (void)settings::IniTextToInt(text);
    (void)settings::IniTextToFloat(text);
  }
  section.Set("Volume", "1");
  section.Set("Framerate", "");
  section.Set("IncrustRec\\Xpos", "914");
  if (section.Lookup("Volume", "x") != "1") __builtin_trap();

  const QStringList again = platform::DecodeIniLines(platform::EncodeIniLines(section.lines));
  if (again != section.lines) __builtin_trap();
  (void)platform::MergeIniSections(again, section.lines, {section.header, "[]"});
  return 0;
}
