#pragma once
// A graph and the source lists of the built-in test devices, filled once.
#include "fakeprovider.h"
#include "sources/sourcecatalog.h"

#include <gtest/gtest.h>

namespace vistrel::test {

struct CatalogFixture : ::testing::Test {
  media::Graph graph;
  sources::GraphSlots graphSlots{graph};
  sources::SystemDeviceEnumerator enumerator;
  sources::SourceCatalog catalog{graphSlots, enumerator};
  CatalogFixture() {
    enumerator.AddProvider(sources::MakeTestDeviceProvider(nullptr));
    QStringList v, a;
    catalog.ChargerDrivers(v, a);
  }
};

}  // namespace vistrel::test
