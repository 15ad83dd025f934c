#include "Working/NeuralNets/TConnectedConnections.h"

#include "Working/Exceptions/FatalAssert.h"

namespace {

constexpr const char* kFile = "Working/NeuralNets/TConnectedConnections.cpp";
constexpr const char* kType = "FullyConnected";

}  // namespace

TConnectedConnections::TConnectedConnections(TBasicNetwork* network, int fromLayer, int toLayer)
    : TConnectedConnections(network, fromLayer, toLayer,
                            network->layers[fromLayer]->numNeurons,
                            network->layers[toLayer]->numNeurons) {}

TConnectedConnections::TConnectedConnections(TBasicNetwork* network, int fromLayer, int toLayer,
                                             int sources, int targets)
    : TBasicConnections(network, fromLayer, toLayer), sources_(sources), targets_(targets) {
  array_weights.assign(static_cast<std::size_t>(sources) * targets, 0.0);
  Reindex();
  FatalAssert(index_weights.size() == static_cast<std::size_t>(targets), "index_weights != nil",
              kFile, 20);
  FatalAssert(array_weights.size() == static_cast<std::size_t>(sources) * targets,
              "array_weights != nil", kFile, 25);
}

void TConnectedConnections::Reindex() {
  weight_rows::IndexRows(array_weights, index_weights, targets_, sources_);
}

TBasicConnections* TConnectedConnections::Clone(TBasicNetwork* n) {
  auto* x = new TConnectedConnections(n, fromLayer, toLayer, sources_, targets_);
  FatalAssert(x != nullptr, "x!=nil", kFile, 42);
  FatalAssert(x->index_weights.size() == index_weights.size(), "x -> index_weights != nil", kFile,
              49);
  FatalAssert(x->array_weights.size() == array_weights.size(), "x -> array_weights != nil", kFile,
              51);
  x->array_weights = array_weights;
  x->Reindex();
  return x;
}

const char* TConnectedConnections::GetConnectionsNType() { return kType; }

int TConnectedConnections::GetNumWeights(int) { return sources_ * targets_; }

int TConnectedConnections::GetWeights(double* out, int) {
  for (int f = 0; f < sources_; ++f) {
    for (int t = 0; t < targets_; ++t) *out++ = index_weights[t][f];
  }
  return sources_ * targets_;
}

int TConnectedConnections::SetWeights(const double* in, int) {
  for (int f = 0; f < sources_; ++f) {
    for (int t = 0; t < targets_; ++t) index_weights[t][f] = *in++;
  }
  return sources_ * targets_;
}

void TConnectedConnections::Randomize(double min, double max) {
  if (min == max) {
    std::fill(array_weights.begin(), array_weights.end(), min);
    return;
  }
  for (double& w : array_weights) w = RandomWeight(min, max);
}

// Evaluation's inner loop: one contiguous row per target neuron. Each row is
// summed strictly in source order (the result must not depend on the
// machine); four rows go side by side so that their additions overlap.
void TConnectedConnections::AddWeightedInput(double* net) {
  const double* source = network->layers[fromLayer]->values.data();
  const int sources = sources_;
  const double* row = array_weights.data();
  int t = 0;
  for (; t + 4 <= targets_; t += 4, row += 4 * sources) {
    const double* r1 = row + sources;
    const double* r2 = r1 + sources;
    const double* r3 = r2 + sources;
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (int f = 0; f < sources; ++f) {
      const double v = source[f];
      s0 = row[f] * v + s0;
      s1 = r1[f] * v + s1;
      s2 = r2[f] * v + s2;
      s3 = r3[f] * v + s3;
    }
    net[t] = net[t] + s0;
    net[t + 1] = net[t + 1] + s1;
    net[t + 2] = net[t + 2] + s2;
    net[t + 3] = net[t + 3] + s3;
  }
  for (; t < targets_; ++t, row += sources) {
    double sum = 0.0;
    for (int f = 0; f < sources; ++f) sum = row[f] * source[f] + sum;
    net[t] = net[t] + sum;
  }
}

void TConnectedConnections::IterateTo(TIterateObj& v, int to, int) {
  v.SetLayers(network->layers[fromLayer], network->layers[toLayer]);
  v.toNode = to;
  double* row = index_weights[to];
  for (int f = 0; f < sources_; ++f) {
    v.fromNode = f;
    v.weight = row + f;
    v.trainable = 1;
    v.Visit();
  }
}

void TConnectedConnections::IterateFrom(TIterateObj& v, int from, int) {
  v.SetLayers(network->layers[fromLayer], network->layers[toLayer]);
  v.fromNode = from;
  for (int t = 0; t < targets_; ++t) {
    v.toNode = t;
    v.weight = index_weights[t] + from;
    v.trainable = 1;
    v.Visit();
  }
}

void TConnectedConnections::IterateAll(TIterateObj& v, int) {
  v.SetLayers(network->layers[fromLayer], network->layers[toLayer]);
  for (int t = 0; t < targets_; ++t) {
    double* row = index_weights[t];
    for (int f = 0; f < sources_; ++f) {
      v.toNode = t;
      v.fromNode = f;
      v.weight = row + f;
      v.trainable = 1;
      v.Visit();
    }
  }
}

void TConnectedConnections::IterateAll2(TIterateObj2& v, TBasicNetwork* second, int) {
  v.SetLayers(network, second, fromLayer, toLayer);
  auto* other = static_cast<TConnectedConnections*>(v.conn2);
  FatalAssert(other->sources_ == sources_ && other->targets_ == targets_,
              "other -> GetNumWeights(1) == GetNumWeights(1)", kFile, __LINE__);
  for (int t = 0; t < targets_; ++t) {
    for (int f = 0; f < sources_; ++f) {
      v.toNode = t;
      v.fromNode = f;
      v.weight1 = index_weights[t] + f;
      v.weight2 = other->index_weights[t] + f;
      v.trainable = 1;
      v.Visit();
    }
  }
}

void TConnectedConnections::IterateAll3(TIterateObj3& v, TBasicNetwork* second,
                                        TBasicNetwork* third, int) {
  v.SetLayers(network, second, third, fromLayer, toLayer);
  auto* other2 = static_cast<TConnectedConnections*>(v.conn2);
  auto* other3 = static_cast<TConnectedConnections*>(v.conn3);
  FatalAssert(other2->sources_ == sources_ && other2->targets_ == targets_ &&
                  other3->sources_ == sources_ && other3->targets_ == targets_,
              "other -> GetNumWeights(1) == GetNumWeights(1)", kFile, __LINE__);
  for (int t = 0; t < targets_; ++t) {
    for (int f = 0; f < sources_; ++f) {
      v.toNode = t;
      v.fromNode = f;
      v.weight1 = index_weights[t] + f;
      v.weight2 = other2->index_weights[t] + f;
      v.weight3 = other3->index_weights[t] + f;
      v.trainable = 1;
      v.Visit();
    }
  }
}

// The resize operations follow a change of a layer's neuron count; the
// stored block knows its own shape, so a set from a layer to itself can be
// resized one side at a time.
void TConnectedConnections::RemoveFromNode(int node) {
  FatalAssert(node >= 0 && node < sources_, "node >= 0 && node < S", kFile, __LINE__);
  array_weights = weight_rows::RemoveColumn(array_weights, targets_, sources_, node);
  --sources_;
  Reindex();
}

void TConnectedConnections::RemoveToNode(int node) {
  FatalAssert(node >= 0 && node < targets_, "node >= 0 && node < T", kFile, __LINE__);
  array_weights = weight_rows::RemoveRow(array_weights, sources_, node);
  --targets_;
  Reindex();
}

void TConnectedConnections::InsertFromNode(int node, double min, double max, bool attached) {
  FatalAssert(attached, "attached", kFile, 82);
  FatalAssert(node >= 0 && node <= sources_, "node >= 0 && node <= S", kFile, __LINE__);
  array_weights = weight_rows::InsertColumn(array_weights, targets_, sources_, node,
                                            [&](int, int) { return RandomWeight(min, max); });
  ++sources_;
  Reindex();
}

void TConnectedConnections::InsertToNode(int node, double min, double max, bool attached) {
  FatalAssert(attached, "attached", kFile, 127);
  FatalAssert(node >= 0 && node <= targets_, "node >= 0 && node <= T", kFile, __LINE__);
  array_weights = weight_rows::InsertRow(array_weights, targets_, sources_, node,
                                         [&](int, int) { return RandomWeight(min, max); });
  ++targets_;
  Reindex();
}
