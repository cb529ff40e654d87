#pragma once
// The settings subsystem for the main window, in one include.
//
// At the first show of the main window:
//   TparameterList params(SettingsSignature());        // created with the window
//   CreateAndLoadSettings(params);                      // decides StoreMode, loads
//   params.Int("Volume"), params.Str("Video Directory"), params.Incrust("IncrustRec") ...
//   options.LoadFromParameters(); options.Populate();   // the Settings panel
//   options.SelectWmvVersion(params.Int("Version wmv"));
//   options.SelectPreferredProfile(params.Str("Preferred  wmv profile"));
// The preferences component (TBrenvikPreferences gp(mainWindow)) detects its
// mode at that show and asks where to keep the settings at the first close;
// connect gp.OnChangeMode to options.SetStoreModeIndex, the panel's
// storeModeChanged to gp.SetMode, and gp.OnSavePrefs to the window's own save:
//   options.SaveToParameters(); params.Set...(controls); SaveSettings(params);
#include "settings/brenvikprefs.h"
#include "settings/codecs.h"
#include "settings/optionsframe.h"
#include "settings/parameters.h"
#include "settings/settingskeys.h"
#include "settings/wmvprofiles.h"
