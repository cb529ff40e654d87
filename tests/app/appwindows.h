#pragma once
// The program's windows made in their creation order, as main() makes them,
// for tests that drive the real main window.
#include "actions/uraccourcis.h"
#include "app/mainform.h"
#include "app/plaque.h"
#include "graph/avgraph.h"
#include "settings/settings.h"
#include "testenv.h"

namespace vistrel::test {

struct Windows {
  TCaptureForm form;
  Tdm dm;
  Tplaque plaque;
  TRaccourcisForm raccourcis;
  Windows() {
    form.Attach(&dm, &plaque, &raccourcis);
    // Nothing is kept unless a test asks for a store.
    form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spNone; };
  }
};

}  // namespace vistrel::test
