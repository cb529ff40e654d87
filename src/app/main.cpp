// Program entry: program options, the media framework check, then the windows in
// their creation order and the event loop.
#include <gst/gst.h>

#include <QApplication>
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "actions/script.h"
#include "actions/uraccourcis.h"
#include "app/headlessend.h"
#include "app/mainform.h"
#include "app/plaque.h"
#include "app/programoptions.h"
#include "app/recording_journal.h"
#include "app/recovery.h"
#include "app/startupcheck.h"
#include "app/tape_report.h"
#include "app/termination.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "platform/product.h"
#include "settings/settings.h"
#include "sources/listsources.h"

using namespace vistrel;

namespace {

// The demo's result: every file the session wrote into the video and image folders.
void PrintFilesWrittenSince(const QDateTime &since, TCaptureForm &form) {
  QStringList seen;
  for (const char *key : {"Video Directory", "Image Directory"}) {
    const QDir dir(form.Parameters().Str(key));
    for (const QFileInfo &f : dir.entryInfoList(QDir::Files, QDir::Time | QDir::Reversed)) {
      if (f.lastModified() < since || seen.contains(f.absoluteFilePath())) continue;
      seen << f.absoluteFilePath();
      std::printf("%s\n", qPrintable(f.absoluteFilePath()));
    }
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
  CatchTerminationSignals();
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  const ProgramOptions parsed = ParseProgramOptions(args);
  if (!parsed.error.isEmpty()) {
    std::fprintf(stderr, "vistrel: %s\n\n%s", qPrintable(parsed.error), qPrintable(UsageText()));
    return 2;
  }
  if (parsed.help) {
    std::fputs(qPrintable(UsageText()), stdout);
    return 0;
  }
  if (parsed.version) {
    std::printf("%s %s\n", kProductTitle, kProductVersion);
    return 0;
  }
  if (!parsed.script.isEmpty() && !QFileInfo(parsed.script).isReadable()) {
    std::fprintf(stderr, "vistrel: cannot read the command file \"%s\"\n", qPrintable(parsed.script));
    return 2;
  }
  ProgramOptions options = parsed;
  QTemporaryDir demoDir;
  if (options.demo) {
    options.testDevices = true;
    if (!options.answer) options.answer = platform::DlgAnswer::Yes;
    options.script = demoDir.filePath("demo.txt");
    QFile f(options.script);
    if (!demoDir.isValid() || !f.open(QIODevice::WriteOnly) || f.write(DemoCommandFile().toUtf8()) < 0) {
      std::fprintf(stderr, "vistrel: cannot write the demo's command file\n");
      return 1;
    }
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
  if (!options.repair.isEmpty()) return RepairFiles(options.repair, stdout);
  if (!options.dvReport.isEmpty()) return app::WriteDvAviReport(options.dvReport, stdout, stderr);
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
  RecordingJournal journal(RecordingJournal::DefaultPath());
  const QString recovered = RecoveryMessage(RecoverUnfinishedRecordings(journal));

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
    if (RunsWithoutDisplay()) EndWhenIdle(form);
    // Nobody reads the session list of an unattended run: each file and its
    // frame counts go to the error output, beside the run's other messages.
    if (options.answer)
      QObject::connect(&form, &TCaptureForm::captureRecorded, [](const QString &file, int dropped, int notDropped) {
        std::fprintf(stderr, "vistrel: recorded %s: %d frames, %d dropped\n", qPrintable(file), notDropped, dropped);
      });
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    form.show();
    // Told once the window is there, before any command runs; unattended, on the error output.
    const QString unwritable = UnwritableSettingsText(QFileInfo(RecordingJournal::DefaultPath()).absolutePath(),
                                                      form.Preferences().IniFileName());
    QMetaObject::invokeMethod(
        &form,
        [&form, recovered, unwritable] {
          auto &dialogs = platform::DialogService::Instance();
          if (!unwritable.isEmpty()) dialogs.Warning(unwritable, &form);
          if (!recovered.isEmpty()) dialogs.Information(recovered, &form);
        },
        Qt::QueuedConnection);
    rc = app.exec();
    if (options.demo) PrintFilesWrittenSince(started, form);
    // Nobody watched an unattended run: a mistyped switch or command must not
    // pass for success.
    if (options.answer && rc == 0 && form.Switch1->Problems() + form.Script1->Problems() > 0) rc = 2;
  }
  return rc;
}
