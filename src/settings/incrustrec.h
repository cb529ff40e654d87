#pragma once
// The inlay settings: one record, shared by the parameter that stores it and
// the superposer that draws it.
#include "filters/incrustrec.h"

namespace vistrel::settings {

using filters::TfontRecord;
using filters::TincrustRec;

}  // namespace vistrel::settings
