#include "sources/listsources.h"

#include "sources/mediatypes.h"
#include "sources/sourcecatalog.h"

#include <QStringList>

namespace vistrel::sources {

QString ListSourcesText() {
  media::Graph graph;
  GraphSlots graphSlots(graph);
  SourceCatalog catalog(graphSlots, SystemDeviceEnumerator::Instance());
  QStringList videoBox, audioBox;
  catalog.ChargerDrivers(videoBox, audioBox);

  QString text = QStringLiteral("Video sources:\n");
  for (const QString &n : videoBox) text += QStringLiteral("  ") + n + QLatin1Char('\n');
  text += QStringLiteral("Audio sources:\n");
  for (const QString &n : audioBox) text += QStringLiteral("  ") + n + QLatin1Char('\n');
  for (const auto &source : catalog.VideoSources) {
    text += QStringLiteral("Media types of %1:\n").arg(source->Name);
    MediaTypeList list;
    FillMediaTypeList(*source->Device, list);
    if (list.Count() == 0) text += QStringLiteral("  (none listed)\n");
    for (int i = 0; i < list.Count(); ++i)
      text += QStringLiteral("  %1. %2\n").arg(i + 1).arg(DescribeMediaType(list.Entries[size_t(i)].get()));
  }
  return text;
}

}  // namespace vistrel::sources
