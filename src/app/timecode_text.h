#pragma once
// What the camcorder windows show: the tape's time code and the DV
// recording date.
#include <QString>
#include <QtGlobal>

namespace vistrel {
namespace sources { struct TimeCode; }
namespace filters { struct DVInfo; }

// A time code as a reader's frames field: BCD hours, minutes, seconds and
// frames in the low four bytes, hours highest.
quint32 TimecodeBcd(const sources::TimeCode &tc);
// "h:mm:ss:ff" from such a field, a leading "0" of the hours dropped
// (0x01234512 gives "1:23:45:12").
QString TexteTimecode(quint32 frames);
// The recording date as "dddd ddddd tt" in the user's locale; empty when the
// frame carries none.
QString TexteDateDV(const filters::DVInfo &info);

}  // namespace vistrel
