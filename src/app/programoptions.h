#pragma once
// Options of the Linux program itself, read before anything else and removed from
// the arguments that the command-line switch parser sees later.
#include <QString>
#include <QStringList>
#include <optional>

#include "platform/dialogs.h"

namespace vistrel {

struct ProgramOptions {
  bool help = false;
  bool version = false;
  bool testDevices = false;
  bool listSources = false;
  bool demo = false;  // unattended demonstration with the test devices (DemoCommandFile)
  QStringList repair;  // --repair FILE…: repair these recordings and exit
  QString dvReport;    // --dv-report FILE: write the tape report of a DV AVI and exit
  QString script;  // a command file run right after the command-line switches
  std::optional<platform::DlgAnswer> answer;  // unattended: every question answered so
  QString error;                              // set when an option is unknown or malformed
  QStringList rest;                           // arguments left for Qt and the switch parser
};

// args[0] is the program name and is kept in rest.
ProgramOptions ParseProgramOptions(const QStringList &args);

QString UsageText();

// The command file of --demo: test camera and microphone, 5 s in "divx" (or
// the first format the sources offer when no DivX encoder exists), one still, quit.
QString DemoCommandFile();

// With no display server the program runs on Qt's offscreen platform instead of failing.
bool NeedsOffscreenPlatform();

}  // namespace vistrel
