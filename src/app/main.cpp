// Program entry: program options, the media framework check, then the windows in
// their creation order and the event loop.
#include <gst/gst.h>

#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "actions/uraccourcis.h"
#include "app/mainform.h"
#include "app/plaque.h"
#include "app/programoptions.h"
#include "app/startupcheck.h"
#include "app/termination.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "platform/product.h"
#include "sources/listsources.h"

using namespace vistrel;

int main(int argc, char **argv) {
  CatchTerminationSignals();
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  const ProgramOptions options = ParseProgramOptions(args);
  if (!options.error.isEmpty()) {
    std::fprintf(stderr, "vistrel: %s\n\n%s", qPrintable(options.error), qPrintable(UsageText()));
    return 2;
  }
  if (options.help) {
    std::fputs(qPrintable(UsageText()), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s %s\n", kProductTitle, kProductVersion);
    return 0;
  }
  if (!options.script.isEmpty() && !QFileInfo(options.script).isReadable()) {
    std::fprintf(stderr, "vistrel: cannot read the command file \"%s\"\n", qPrintable(options.script));
    return 2;
  }
  if (options.testDevices) setenv("VISTREL_TEST_DEVICES", "1", 1);
  if (NeedsOffscreenPlatform()) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  // Qt and GStreamer take their own options from what is left; the rest are switches.
  std::vector<QByteArray> storage;
  for (const QString &a : options.rest) storage.push_back(a.toLocal8Bit());
  std::vector<char *> rest;
  for (auto &b : storage) rest.push_back(b.data());
  rest.push_back(nullptr);
  int restCount = static_cast<int>(storage.size());
  char **restArgs = rest.data();
  gst_init(&restCount, &restArgs);
  QApplication app(restCount, restArgs);
  QApplication::setApplicationName(kProductTitle);
  QApplication::setApplicationVersion(kProductVersion);
  QApplication::setOrganizationName(kMakerName);

  platform::DialogService::Instance().SetUnattended(options.answer);
  if (options.listSources) {
    std::fputs(qPrintable(sources::ListSourcesText()), stdout);
    return 0;
  }
  if (!RunStartupCheck(ReadFrameworkFacts())) return 1;

  int rc = 0;
  {
    TCaptureForm form;
    Tdm dm;
    Tplaque plaque;
    TRaccourcisForm raccourcis;
    form.Attach(&dm, &plaque, &raccourcis);
    form.SetCommandLine(QApplication::arguments().mid(1));
    form.SetScriptFile(options.script);
    CloseOnTermination(&form);
    form.show();
    rc = app.exec();
  }
  return rc;
}
