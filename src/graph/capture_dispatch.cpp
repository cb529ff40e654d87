// Which builder makes the chain of each capture format. The switch has no
// default: a format added to the table without a chain does not compile.
#include "graph/avgraph.h"

namespace vistrel {

bool Tdm::ConstruireCapture(settings::CaptureFormatCode format, const QString &file) {
  using C = settings::CaptureFormatCode;
  BeginCaptureBuild();
  switch (format) {
    case C::DV1Native:
      return GrapheDV1Natif(file);
    case C::DV2Native:
      return GrapheDV2Natif(file);
    case C::Mpeg2Native:
    case C::Mpeg1Native:
      return GrapheMpegNatif(file);
    case C::AviNative:
      return GrapheAviNatif(file);
    case C::DV2Recomp:
      return GrapheDV2Recomp(file);
    case C::Wmv:
      return GrapheWmv(file);
    // The rate rewrite waits for the file to be finished, which the recorder knows.
    case C::ImageByImage:
      return GrapheImageParImage(file, [] {});
    case C::Divx:
      return GrapheDivx(file);
    case C::Wav:
      return GrapheWav(file);
    case C::Mp3:
      return GrapheMp3(file);
    case C::Mp4:
      return GrapheMp4(file);
    case C::None:
    case C::Default:
      return FailCapture(QStringLiteral("this format has no capture chain"));
  }
  return false;
}

}  // namespace vistrel
