#include "app/programoptions.h"

#include <cstdlib>

namespace vistrel {

namespace {

std::optional<platform::DlgAnswer> AnswerFromText(const QString &text) {
  const QString t = text.toLower();
  if (t == "yes") return platform::DlgAnswer::Yes;
  if (t == "no") return platform::DlgAnswer::No;
  if (t == "all") return platform::DlgAnswer::All;
  return std::nullopt;
}

}  // namespace

ProgramOptions ParseProgramOptions(const QStringList &args) {
  ProgramOptions o;
  bool repairing = false;  // after --repair every word is a file to repair
  for (int i = 0; i < args.size(); ++i) {
    const QString &a = args[i];
    if (repairing) {
      o.repair << a;
      continue;
    }
    // Only double-dash words are ours; "-name", "+name" and "/name" are the system's
    // own switches and single-dash words may be Qt's (-platform, -style). No action
    // has the switch "h", so "-h" can be what everyone types for help.
    if (i > 0 && a == "-h") {
      o.help = true;
      continue;
    }
    if (i == 0 || !a.startsWith("--")) {
      o.rest << a;
      continue;
    }
    if (a == "--help") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--test-devices") {
      o.testDevices = true;
    } else if (a == "--list-sources") {
      o.listSources = true;
    } else if (a == "--demo") {
      o.demo = true;
    } else if (a == "--repair") {
      repairing = true;
    } else if (a == "--dv-report") {
      if (i + 1 < args.size() && !args[i + 1].startsWith("--"))
        o.dvReport = args[++i];
      else if (o.error.isEmpty())
        o.error = QString("--dv-report needs a DV AVI file");
    } else if (a.startsWith("--script=")) {
      o.script = a.mid(9);
      if (o.script.isEmpty()) o.error = QString("--script needs a file name");
    } else if (a.startsWith("--answer=")) {
      o.answer = AnswerFromText(a.mid(9));
      if (!o.answer) o.error = QString("invalid value for --answer: \"%1\" (use yes, no or all)").arg(a.mid(9));
    } else if (o.error.isEmpty()) {
      o.error = QString("unknown option: %1").arg(a);
    }
  }
  if (repairing && o.repair.isEmpty() && o.error.isEmpty()) o.error = QString("--repair needs at least one file");
  return o;
}

QString UsageText() {
  return QStringLiteral(
      "Usage: vistrel [options] [switches]\n"
      "\n"
      "Video and audio capture: live preview, recording, still grabs.\n"
      "\n"
      "Options:\n"
      "  -h, --help           show this text and exit\n"
      "  --version            print the version and exit\n"
      "  --answer=yes|no|all  unattended: answer every question so (logged to stderr)\n"
      "  --test-devices       list the built-in test devices (as VISTREL_TEST_DEVICES=1)\n"
      "  --list-sources       print the video and audio sources and their formats, then exit\n"
      "  --script=FILE        run FILE as a command file once the switches have run\n"
      "  --demo               record 5 s from the test devices, grab a still, quit and print\n"
      "                       the files written (implies --test-devices and --answer=yes)\n"
      "  --repair FILE...     repair recordings that were cut off (AVI, WAV, WMV), print\n"
      "                       what was done to each and exit (1 when one could not be)\n"
      "  --dv-report FILE     write FILE's tape-health report (damaged DV frames) beside\n"
      "                       it as NAME.tapehealth.json, print its summary and exit\n"
      "\n"
      "Switches run actions once the window is up: +name[=parameter], -name[=parameter]\n"
      "or /name[=parameter], where name is an action's switch or token; \"quit\" closes\n"
      "the program once the others have run. \"man vistrel\" lists them all.\n"
      "Without a display (DISPLAY and WAYLAND_DISPLAY unset) Vistrel runs offscreen and\n"
      "ends once its commands have run and no recording is under way.\n"
      "\n"
      "Recordings cut off by a crash or a power cut are repaired at the next start.\n"
      "\n"
      "Exit status: 0 on success; 1 when Vistrel cannot start or --repair failed; 2 for a wrong option or an\n"
      "unreadable command file, for an unattended run (--answer) that met a switch\n"
      "or a command-file line naming no action,\n"
      "and for a --dv-report file that is not a DV AVI.\n");
}

QString DemoCommandFile() {
  return QStringLiteral(
      "source_video \"Vistrel Test Camera\"\n"
      "source_audio \"Vistrel Test Microphone\"\n"
      "format_capture divx\n"
      "wait 1\n"
      "capture\n"
      "wait 5\n"
      "capture\n"
      "grab\n"
      "wait 1\n"
      "quit\n");
}

bool NeedsOffscreenPlatform() {
  if (const char *p = std::getenv("QT_QPA_PLATFORM"); p && *p) return false;
  const char *x = std::getenv("DISPLAY");
  const char *w = std::getenv("WAYLAND_DISPLAY");
  return !(x && *x) && !(w && *w);
}

}  // namespace vistrel
