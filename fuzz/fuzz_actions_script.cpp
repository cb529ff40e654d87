// Command files and command-line switches from arbitrary bytes: parsing never crashes,
// every queued command names an action of the list or is a non-negative pause.
#include <QGuiApplication>
#include <QString>

#include <cstdint>
#include <cstdlib>

#include "actions/script.h"

namespace {

// Built once, before the first input, so the fuzzer's leak check does not count them.
const vistrel::TActionList &Actions() {
  using namespace vistrel;
  // Actions are GUI objects: they need an application, offscreen is enough.
  static QGuiApplication *app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz_actions_script";
    static char *argv[] = {name, nullptr};
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
  static TActionList list = [] {
    TActionList l;  // the actions belong to the application, which stays to the end
    auto *grab = new TSuperAction(app);
    grab->SetSwitch("g");
    grab->SetToken("grab");
    auto *fs = new TtoggleAction(app);
    fs->SetSwitch("fs");
    fs->SetToken("full_screen");
    auto *source = new TSuperAction(app);
    source->SetSwitch("sv");
    source->SetToken("source_video");
    l.Add(grab);
    l.Add(fs);
    l.Add(source);
    return l;
  }();
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  Actions();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace vistrel;
  const TActionList &list = Actions();
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  TScript script(&list);
  script.ParseText(text);
  for (const TActionEx &cmd : script.Queue()) {
    if (cmd.waitSeconds >= 0) continue;
    if (!cmd.action || cmd.mode < amOn || cmd.mode > amPlain) std::abort();
  }
  TSwitch sw(&list);
  for (const QString &line : text.split(u'\n')) {
    const ParsedCommand c = ParseSwitchArgument(line);
    if (c.name != c.name.toLower()) std::abort();
    sw.Lookup(c.name);
  }
  return 0;
}
