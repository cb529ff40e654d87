// Without a display the program ends once nothing is left to do, never while
// something is being recorded.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/headlessend.h"
#include "appwindows.h"

using namespace vistrel;

TEST(EndWhenIdle, WaitsForTheCommandsAndForTheRecordingToEnd) {
  EXPECT_TRUE(RunsWithoutDisplay());  // the tests run offscreen
  test::Windows w;
  EndWhenIdle(w.form);
  int commandsRun = 0;
  QObject::connect(&w.form, &TCaptureForm::commandsDone, [&] { ++commandsRun; });
  // A recording under way when the (empty) command line has run.
  QObject::connect(&w.form, &TCaptureForm::startupFinished, [&] { w.form.EtatCaptureManuelle(); });
  w.form.show();
  QElapsedTimer t;
  t.start();
  while (commandsRun == 0 && t.elapsed() < 10000) QCoreApplication::processEvents();
  ASSERT_EQ(commandsRun, 1);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(w.form.isVisible());
  // The recording ends: nothing is left to do.
  w.form.SetInterfacePreview();
  for (int i = 0; i < 5 && w.form.isVisible(); ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(w.form.isVisible());
}
