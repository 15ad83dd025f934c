// The pruneable weight set: the layout of the fully connected set plus one
// mask byte per (source, target) pair (FMaskExists, FMaskTrainable), so that
// single weights can be absent or frozen. A new set has every weight 0.0 and
// every mask FMaskAll; a removed weight has mask 0 and value 0.0.
//
// Counting, copying and the flag operations walk the visitors' order
// (target-major), selecting existing weights (allWeights == 1) or existing
// trainable ones (any other value).
#ifndef MAPTAG_WORKING_NEURALNETS_TPRUNEDCONNECTIONS_H_
#define MAPTAG_WORKING_NEURALNETS_TPRUNEDCONNECTIONS_H_

#include <vector>

#include "Working/NeuralNets/TBasicNetwork.h"

class TPrunedConnections : public TBasicConnections {
 public:
  // All weights 0.0 and present, sized from the two layers (which must exist).
  TPrunedConnections(TBasicNetwork* network, int fromLayer, int toLayer);

  // Only weights with the trainable bit, in storage order.
  void Randomize(double min, double max) override;
  // Any pair, existing or not.
  double* GetWeightPtr(int from, int to) override { return index_weights[to] + from; }
  void AddWeightedInput(double* net) override;
  bool IsValid(int from, int to) override { return (index_masks[to][from] & FMaskExists) != 0; }
  bool IsTrainable(int from, int to) override {
    return (index_masks[to][from] & FMaskTrainable) != 0;
  }
  void RemoveWeight(int from, int to) override;
  void AddWeight(int from, int to) override;
  void SetTrainable(int from, int to) override;
  void SetUntrainable(int from, int to) override;
  void IterateTo(TIterateObj& v, int to, int allWeights) override;
  void IterateFrom(TIterateObj& v, int from, int allWeights) override;
  void IterateAll(TIterateObj& v, int allWeights) override;
  void IterateAll2(TIterateObj2& v, TBasicNetwork* second, int allWeights) override;
  void IterateAll3(TIterateObj3& v, TBasicNetwork* second, TBasicNetwork* third,
                   int allWeights) override;
  const char* GetConnectionsNType() override;
  char GetFlags(int from, int to) override { return index_masks[to][from]; }
  // Any byte, unchecked.
  void SetFlags(int from, int to, char val) override { index_masks[to][from] = val; }
  void Destroy() override { delete this; }
  TBasicConnections* Clone(TBasicNetwork* n) override;
  void RemoveFromNode(int node) override;
  void RemoveToNode(int node) override;
  // attached: the new weights exist and are drawn from min to max;
  // otherwise they are absent and nothing is drawn.
  void InsertFromNode(int node, double min, double max, bool attached) override;
  void InsertToNode(int node, double min, double max, bool attached) override;

  std::vector<double> array_weights;   // T rows of S weights
  std::vector<double*> index_weights;  // start of each weight row
  std::vector<char> array_masks;       // T rows of S masks
  std::vector<char*> index_masks;      // start of each mask row

 protected:
  ~TPrunedConnections() override = default;

 private:
  TPrunedConnections(TBasicNetwork* network, int fromLayer, int toLayer, int sources,
                     int targets);
  void Reindex();
  static char Required(int allWeights) { return allWeights == 1 ? FMaskExists : FMaskAll; }
  int sources_;  // S of the stored block
  int targets_;  // T of the stored block
};

#endif  // MAPTAG_WORKING_NEURALNETS_TPRUNEDCONNECTIONS_H_
