#include "graph/avgraph.h"

namespace vistrel {

Tdm::Tdm(QObject *parent) : QObject(parent) { setObjectName("dm"); }

Tdm::~Tdm() {
  StopGraph();
  ClearGraph();
}

bool Tdm::LancerGraphe() {
  if (fg_.Filters().empty()) return false;
  return fg_.Run();
}

bool Tdm::StopGraph() { return fg_.Stop(); }

void Tdm::ClearGraph() {
  fg_.ClearRecordingBranches();
  for (const auto &f : fg_.Filters()) fg_.RemoveFilter(f.get());
}

}  // namespace vistrel
