#pragma once
// The graph module: owns the filter graph "fg" for the whole run. The preview and
// capture chains are built into it when sources connect and recordings start.
#include <QObject>

#include "media/graph.h"

namespace vistrel {

class Tdm : public QObject {
  Q_OBJECT
 public:
  explicit Tdm(QObject *parent = nullptr);
  ~Tdm() override;

  media::Graph &fg() { return fg_; }

  // Runs the graph; false when it has nothing to run or refuses to start.
  bool LancerGraphe();
  // Stops the graph, finalizing every file being written.
  bool StopGraph();
  // Takes every filter out of the graph (after a stop).
  void ClearGraph();

 private:
  media::Graph fg_;
};

}  // namespace vistrel
