#include "Working/NeuralNets/TPrunedConnections.h"

#include <algorithm>

#include "Working/Exceptions/FatalAssert.h"
#include "Working/NeuralNets/TConnectedConnections.h"

namespace {

constexpr const char* kFile = "Working/NeuralNets/TPrunedConnections.cpp";
constexpr const char* kType = "Pruneable";

bool Selected(char mask, char required) { return (mask & required) == required; }

}  // namespace

TPrunedConnections::TPrunedConnections(TBasicNetwork* network, int fromLayer, int toLayer)
    : TPrunedConnections(network, fromLayer, toLayer, network->layers[fromLayer]->numNeurons,
                         network->layers[toLayer]->numNeurons) {}

TPrunedConnections::TPrunedConnections(TBasicNetwork* network, int fromLayer, int toLayer,
                                       int sources, int targets)
    : TBasicConnections(network, fromLayer, toLayer), sources_(sources), targets_(targets) {
  const std::size_t cells = static_cast<std::size_t>(sources) * targets;
  array_weights.assign(cells, 0.0);
  array_masks.assign(cells, FMaskAll);
  Reindex();
  FatalAssert(index_weights.size() == static_cast<std::size_t>(targets), "index_weights != nil",
              kFile, 24);
  FatalAssert(index_masks.size() == static_cast<std::size_t>(targets), "index_masks != nil", kFile,
              26);
  FatalAssert(array_weights.size() == cells, "array_weights != nil", kFile, 32);
}

void TPrunedConnections::Reindex() {
  weight_rows::IndexRows(array_weights, index_weights, targets_, sources_);
  weight_rows::IndexRows(array_masks, index_masks, targets_, sources_);
}

TBasicConnections* TPrunedConnections::Clone(TBasicNetwork* n) {
  auto* x = new TPrunedConnections(n, fromLayer, toLayer, sources_, targets_);
  FatalAssert(x != nullptr, "x!=nil", kFile, 50);
  FatalAssert(x->index_weights.size() == index_weights.size(), "x -> index_weights != nil", kFile,
              57);
  FatalAssert(x->index_masks.size() == index_masks.size(), "x -> index_masks != nil", kFile, 59);
  FatalAssert(x->array_weights.size() == array_weights.size(), "x -> array_weights != nil", kFile,
              61);
  FatalAssert(x->array_masks.size() == array_masks.size(), "x -> array_masks != nil", kFile, 63);
  x->array_weights = array_weights;
  x->array_masks = array_masks;
  x->Reindex();
  return x;
}

const char* TPrunedConnections::GetConnectionsNType() { return kType; }

void TPrunedConnections::Randomize(double min, double max) {
  const std::size_t cells = array_weights.size();
  for (std::size_t i = 0; i < cells; ++i) {
    if ((array_masks[i] & FMaskTrainable) == 0) continue;
    array_weights[i] = min == max ? min : RandomWeight(min, max);
  }
}

// Evaluation's inner loop: contiguous rows of weights and masks, each row
// summed strictly in source order, four rows side by side (see the fully
// connected set).
void TPrunedConnections::AddWeightedInput(double* net) {
  const double* source = network->layers[fromLayer]->values.data();
  const int sources = sources_;
  const double* row = array_weights.data();
  const char* mask = array_masks.data();
  int t = 0;
  for (; t + 4 <= targets_; t += 4, row += 4 * sources, mask += 4 * sources) {
    double s[4] = {0.0, 0.0, 0.0, 0.0};
    for (int f = 0; f < sources; ++f) {
      const double v = source[f];
      for (int k = 0; k < 4; ++k) {
        const std::size_t at = static_cast<std::size_t>(k) * sources + f;
        if (mask[at] & FMaskExists) s[k] = row[at] * v + s[k];
      }
    }
    for (int k = 0; k < 4; ++k) net[t + k] = net[t + k] + s[k];
  }
  for (; t < targets_; ++t, row += sources, mask += sources) {
    double sum = 0.0;
    for (int f = 0; f < sources; ++f) {
      if (mask[f] & FMaskExists) sum = row[f] * source[f] + sum;
    }
    net[t] = net[t] + sum;
  }
}

void TPrunedConnections::RemoveWeight(int from, int to) {
  index_masks[to][from] = 0;
  index_weights[to][from] = 0.0;
}

void TPrunedConnections::AddWeight(int from, int to) {
  if (index_masks[to][from] & FMaskExists) return;
  index_masks[to][from] = FMaskAll;
  index_weights[to][from] = 0.0;
}

void TPrunedConnections::SetTrainable(int from, int to) {
  char& mask = index_masks[to][from];
  if (mask & FMaskExists) mask = static_cast<char>(mask | FMaskTrainable);
}

void TPrunedConnections::SetUntrainable(int from, int to) {
  char& mask = index_masks[to][from];
  mask = static_cast<char>(mask & ~FMaskTrainable);
}

void TPrunedConnections::IterateTo(TIterateObj& v, int to, int allWeights) {
  const char required = Required(allWeights);
  v.SetLayers(network->layers[fromLayer], network->layers[toLayer]);
  double* row = index_weights[to];
  const char* mask = index_masks[to];
  for (int f = 0; f < sources_; ++f) {
    if (!Selected(mask[f], required)) continue;
    v.toNode = to;
    v.fromNode = f;
    v.weight = row + f;
    v.trainable = mask[f] & FMaskTrainable ? 1 : 0;
    v.Visit();
  }
}

void TPrunedConnections::IterateFrom(TIterateObj& v, int from, int allWeights) {
  const char required = Required(allWeights);
  v.SetLayers(network->layers[fromLayer], network->layers[toLayer]);
  for (int t = 0; t < targets_; ++t) {
    const char mask = index_masks[t][from];
    if (!Selected(mask, required)) continue;
    v.fromNode = from;
    v.toNode = t;
    v.weight = index_weights[t] + from;
    v.trainable = mask & FMaskTrainable ? 1 : 0;
    v.Visit();
  }
}

void TPrunedConnections::IterateAll(TIterateObj& v, int allWeights) {
  const char required = Required(allWeights);
  v.SetLayers(network->layers[fromLayer], network->layers[toLayer]);
  for (int t = 0; t < targets_; ++t) {
    double* row = index_weights[t];
    const char* mask = index_masks[t];
    for (int f = 0; f < sources_; ++f) {
      if (!Selected(mask[f], required)) continue;
      v.toNode = t;
      v.fromNode = f;
      v.weight = row + f;
      v.trainable = mask[f] & FMaskTrainable ? 1 : 0;
      v.Visit();
    }
  }
}

void TPrunedConnections::IterateAll2(TIterateObj2& v, TBasicNetwork* second, int allWeights) {
  const char required = Required(allWeights);
  v.SetLayers(network, second, fromLayer, toLayer);
  auto* other = static_cast<TPrunedConnections*>(v.conn2);
  FatalAssert(other->sources_ == sources_ && other->targets_ == targets_,
              "other -> GetNumWeights(1) == GetNumWeights(1)", kFile, __LINE__);
  for (int t = 0; t < targets_; ++t) {
    for (int f = 0; f < sources_; ++f) {
      const char mask = index_masks[t][f];
      if (!Selected(mask, required)) continue;
      v.toNode = t;
      v.fromNode = f;
      v.weight1 = index_weights[t] + f;
      v.weight2 = other->index_weights[t] + f;
      v.trainable = mask & FMaskTrainable ? 1 : 0;
      v.Visit();
    }
  }
}

void TPrunedConnections::IterateAll3(TIterateObj3& v, TBasicNetwork* second, TBasicNetwork* third,
                                     int allWeights) {
  const char required = Required(allWeights);
  v.SetLayers(network, second, third, fromLayer, toLayer);
  auto* other2 = static_cast<TPrunedConnections*>(v.conn2);
  auto* other3 = static_cast<TPrunedConnections*>(v.conn3);
  FatalAssert(other2->sources_ == sources_ && other2->targets_ == targets_ &&
                  other3->sources_ == sources_ && other3->targets_ == targets_,
              "other -> GetNumWeights(1) == GetNumWeights(1)", kFile, __LINE__);
  for (int t = 0; t < targets_; ++t) {
    for (int f = 0; f < sources_; ++f) {
      const char mask = index_masks[t][f];
      if (!Selected(mask, required)) continue;
      v.toNode = t;
      v.fromNode = f;
      v.weight1 = index_weights[t] + f;
      v.weight2 = other2->index_weights[t] + f;
      v.weight3 = other3->index_weights[t] + f;
      v.trainable = mask & FMaskTrainable ? 1 : 0;
      v.Visit();
    }
  }
}

void TPrunedConnections::RemoveFromNode(int node) {
  FatalAssert(node >= 0 && node < sources_, "node >= 0 && node < S", kFile, __LINE__);
  array_weights = weight_rows::RemoveColumn(array_weights, targets_, sources_, node);
  array_masks = weight_rows::RemoveColumn(array_masks, targets_, sources_, node);
  --sources_;
  Reindex();
}

void TPrunedConnections::RemoveToNode(int node) {
  FatalAssert(node >= 0 && node < targets_, "node >= 0 && node < T", kFile, __LINE__);
  array_weights = weight_rows::RemoveRow(array_weights, sources_, node);
  array_masks = weight_rows::RemoveRow(array_masks, sources_, node);
  --targets_;
  Reindex();
}

void TPrunedConnections::InsertFromNode(int node, double min, double max, bool attached) {
  FatalAssert(node >= 0 && node <= sources_, "node >= 0 && node <= S", kFile, __LINE__);
  array_weights = weight_rows::InsertColumn(array_weights, targets_, sources_, node, [&](int, int) {
    return attached ? RandomWeight(min, max) : 0.0;
  });
  const char mask = attached ? FMaskAll : 0;
  array_masks = weight_rows::InsertColumn(array_masks, targets_, sources_, node,
                                          [&](int, int) { return mask; });
  ++sources_;
  Reindex();
}

void TPrunedConnections::InsertToNode(int node, double min, double max, bool attached) {
  FatalAssert(node >= 0 && node <= targets_, "node >= 0 && node <= T", kFile, __LINE__);
  array_weights = weight_rows::InsertRow(array_weights, targets_, sources_, node, [&](int, int) {
    return attached ? RandomWeight(min, max) : 0.0;
  });
  const char mask = attached ? FMaskAll : 0;
  array_masks = weight_rows::InsertRow(array_masks, targets_, sources_, node,
                                       [&](int, int) { return mask; });
  ++targets_;
  Reindex();
}
