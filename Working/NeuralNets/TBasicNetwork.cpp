#include "Working/NeuralNets/TBasicNetwork.h"

#include <algorithm>
#include <iostream>
#include <type_traits>

#include "Working/Exceptions/FatalAssert.h"
#include "Working/NeuralNets/TPrunedConnections.h"

namespace {

constexpr const char* kFile = "Working/NeuralNets/TBasicNetwork.cpp";
constexpr const char* kHeader = "Working/NeuralNets/TBasicNetwork.h";

constexpr const char* kSimpleLayerWarning = "!Warning: changed input layer (TSimpleLayer)";
constexpr const char* kInputLayerWarning = "!Warning: changed input layer (TSimpleInputLayer)";

constexpr const char* kEmptyType = "Empty";

}  // namespace

// ---------------------------------------------------------------------------
// Neurons

void TBasicNeuron::Activate(double net) { actFn(*this, net); }

const char* TBasicNeuron::GetParameterName(int) {
  FatalAssert(false, "false", kHeader, 109);
  return nullptr;
}

bool TBasicNeuron::CarriesGain() const { return dynamic_cast<const TGainNeuron*>(this) != nullptr; }

bool TBasicNeuron::AcceptsActivationFunction(ActivationFunction f) const {
  return f != nullptr && (CarriesGain() || !ActivationNeedsGain(f));
}

void TBasicNeuron::SetActivationFunction(ActivationFunction f) {
  FatalAssert(AcceptsActivationFunction(f), "AcceptsActivationFunction(f)", kFile, __LINE__);
  actFn = f;
  if (layer != nullptr) layer->actFn = nullptr;
}

const char* TGainNeuron::GetParameterName(int i) {
  FatalAssert(i == 0, "i==0", kHeader, 159);
  return "Gain";
}

// ---------------------------------------------------------------------------
// Layers

TBasicLayer::TBasicLayer(TBasicNetwork* network, int layerNum, int numNeurons)
    : network(network), numNeurons(numNeurons), layerNum(layerNum) {
  FatalAssert(numNeurons >= 0, "numNeurons >= 0", kFile, __LINE__);
  values.assign(numNeurons, 0.0);
}

void TBasicLayer::Activate(const double* net) {
  for (int i = 0; i < numNeurons; ++i) {
    TBasicNeuron* neuron = GetNeuron(i);
    (actFn != nullptr ? actFn : neuron->actFn)(*neuron, net[i]);
  }
}

void TBasicLayer::Evaluate(const double* inputs) {
  const int n = numNeurons;
  if (network->inLayer == layerNum) {
    std::cerr << kSimpleLayerWarning << std::endl;
    std::copy(inputs, inputs + n, values.begin());
  } else {
    std::fill(values.begin(), values.begin() + n, 0.0);
  }
  TBasicConnections** row = network->priv_conns_index[layerNum];
  for (int f = 0; f < layerNum; ++f) row[f]->AddWeightedInput(values.data());
  Activate(values.data());
}

void TBasicLayer::InsertNeuron(int) { FatalAssert(false, "false", kHeader, 268); }

bool TBasicLayer::CarriesGain() const { return dynamic_cast<const TGainLayer*>(this) != nullptr; }

bool TBasicLayer::AcceptsActivationFunction(ActivationFunction f) const {
  return f != nullptr && (CarriesGain() || !ActivationNeedsGain(f));
}

void TBasicLayer::SetActivationFunction(ActivationFunction f) {
  FatalAssert(AcceptsActivationFunction(f), "AcceptsActivationFunction(f)", kFile, __LINE__);
  actFn = f;
  for (int i = 0; i < numNeurons; ++i) GetNeuron(i)->actFn = f;
}

ActivationFunction TBasicLayer::GetActivationFunction() {
  if (actFn != nullptr) return actFn;
  if (numNeurons == 0) {
    actFn = &ActFnNull;
    return actFn;
  }
  const ActivationFunction first = GetNeuron(0)->actFn;
  for (int i = 1; i < numNeurons; ++i) {
    if (GetNeuron(i)->actFn != first) return nullptr;
  }
  actFn = first;
  return actFn;
}

void TBasicLayer::GetDimensions(int* parameters) const {
  if (numDims == 0) return;
  FatalAssert(parameters != nullptr, "parameters != NULL", kFile, 254);
  FatalAssert(!dimensions.empty(), "dimensions != NULL", kFile, 255);
  std::copy(dimensions.begin(), dimensions.begin() + numDims, parameters);
}

void TBasicLayer::SetDimensions(int count, const int* parameters) {
  numDims = count;
  dimensions.clear();
  if (count != 0) {
    FatalAssert(parameters != nullptr, "parameters != NULL", kFile, 270);
    dimensions.assign(parameters, parameters + count);
  }
}

void TBasicLayer::CopyLayerBase(const TBasicLayer& source, TBasicLayer& target) {
  target.values.assign(source.numNeurons, 0.0);
  target.numDims = source.numDims;
  target.dimensions = source.dimensions;
  target.actFn = source.actFn;
}

template <class N>
TNeuronArrayLayer<N>::TNeuronArrayLayer(TBasicNetwork* network, int layerNum, int numNeurons)
    : TBasicLayer(network, layerNum, numNeurons), nodes(numNeurons) {
  for (int i = 0; i < numNeurons; ++i) {
    nodes[i].layerNum = layerNum;
    nodes[i].index = i;
  }
  RebindNeurons();
}

template <class N>
void TNeuronArrayLayer<N>::RebindNeurons() {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    nodes[i].layer = this;
    nodes[i].value = &values[i];
  }
}

template <class N>
void TNeuronArrayLayer<N>::CopyFromLayer(const TNeuronArrayLayer& source) {
  CopyLayerBase(source, *this);
  nodes = source.nodes;
  for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i].CopyFrom(source.nodes[i]);
  RebindNeurons();
}

// Evaluation's inner loop: function pointers only, no virtual call per neuron.
template <class N>
void TNeuronArrayLayer<N>::Activate(const double* net) {
  N* node = nodes.data();
  const int n = numNeurons;
  if (actFn != nullptr) {
    const ActivationFunction f = actFn;
    for (int i = 0; i < n; ++i) f(node[i], net[i]);
  } else {
    for (int i = 0; i < n; ++i) node[i].actFn(node[i], net[i]);
  }
}

// The neuron records keep their layer number and index current; values keeps
// its length, neuron i lives in slot i.
template <class N>
void TNeuronArrayLayer<N>::RemoveNeuron(int k) {
  FatalAssert(k >= 0 && k < static_cast<int>(nodes.size()), "k >= 0 && k < numNeurons", kFile,
              __LINE__);
  nodes.erase(nodes.begin() + k);
  for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i].index = static_cast<int>(i);
  RebindNeurons();
}

template <class N>
void TNeuronArrayLayer<N>::InsertNeuron(int k) {
  FatalAssert(k >= 0 && k <= static_cast<int>(nodes.size()), "k >= 0 && k <= numNeurons", kFile,
              __LINE__);
  N fresh;
  if constexpr (std::is_same_v<N, TGainNeuron>) {
    if (!nodes.empty()) fresh.gain = nodes[0].gain;
  }
  fresh.actFn = actFn != nullptr ? actFn : &ActFnError;
  fresh.layerNum = layerNum;
  values.assign(nodes.size() + 1, 0.0);
  nodes.insert(nodes.begin() + k, fresh);
  for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i].index = static_cast<int>(i);
  RebindNeurons();
}

template class TNeuronArrayLayer<TBasicNeuron>;
template class TNeuronArrayLayer<TGainNeuron>;

TSimpleLayer::TSimpleLayer(TBasicNetwork* network, int layerNum, int numNeurons)
    : TNeuronArrayLayer<TBasicNeuron>(network, layerNum, numNeurons) {}

TBasicLayer* TSimpleLayer::Clone(TBasicNetwork* n) {
  auto* copy = new TSimpleLayer(n, layerNum, numNeurons);
  copy->CopyFromLayer(*this);
  return copy;
}

TGainLayer::TGainLayer(TBasicNetwork* network, int layerNum, int numNeurons, double gain)
    : TNeuronArrayLayer<TGainNeuron>(network, layerNum, numNeurons) {
  SetGain(gain);
}

void TGainLayer::SetGain(double g) {
  for (TGainNeuron& neuron : nodes) neuron.gain = g;
}

TBasicLayer* TGainLayer::Clone(TBasicNetwork* n) {
  auto* copy = new TGainLayer(n, layerNum, numNeurons, 1.0);
  copy->CopyFromLayer(*this);
  return copy;
}

TSimpleInputLayer::TSimpleInputLayer(TBasicNetwork* network, int layerNum, int numNeurons)
    : TSimpleLayer(network, layerNum, numNeurons) {
  SetActivationFunction(&ActFnLinear);
}

void TSimpleInputLayer::Evaluate(const double* inputs) {
  const int n = numNeurons;
  if (network->inLayer == layerNum) {
    std::copy(inputs, inputs + n, values.begin());
  } else {
    std::cerr << kInputLayerWarning << std::endl;
    std::fill(values.begin(), values.begin() + n, 0.0);
  }
}

TBasicLayer* TSimpleInputLayer::Clone(TBasicNetwork* n) {
  auto* copy = new TSimpleInputLayer(n, layerNum, numNeurons);
  copy->CopyFromLayer(*this);
  return copy;
}

// ---------------------------------------------------------------------------
// Visitors

void TIterateObj::SetLayers(TBasicLayer* from, TBasicLayer* to) {
  fromLayer = from->layerNum;
  toLayer = to->layerNum;
  fromLayerPtr = from;
  toLayerPtr = to;
  fromValues = from->values.data();
  toValues = to->values.data();
  conn = from->network->priv_conns_index[to->layerNum][from->layerNum];
}

void TIterateObj::SetLayers(TBasicNetwork* n, int from, int to) {
  SetLayers(n->layers[from], n->layers[to]);
  conn = n->priv_conns_index[to][from];
}

TIterateObj2::TIterateObj2(TBasicNetwork* n1, TBasicNetwork* n2, int from, int to, int fromNode,
                           int toNode) {
  SetLayers(n1, n2, from, to);
  this->fromNode = fromNode;
  this->toNode = toNode;
}

void TIterateObj2::SetLayers(TBasicNetwork* n1, TBasicNetwork* n2, int from, int to) {
  fromLayer = from;
  toLayer = to;
  fromLayerPtr1 = n1->layers[from];
  toLayerPtr1 = n1->layers[to];
  fromLayerPtr2 = n2->layers[from];
  toLayerPtr2 = n2->layers[to];
  fromValues1 = fromLayerPtr1->values.data();
  toValues1 = toLayerPtr1->values.data();
  fromValues2 = fromLayerPtr2->values.data();
  toValues2 = toLayerPtr2->values.data();
  conn1 = n1->priv_conns_index[to][from];
  conn2 = n2->priv_conns_index[to][from];
  FatalAssert(conn1->GetConnectionsNType() == conn2->GetConnectionsNType(),
              "conn1 -> GetConnectionsNType() == conn2 -> GetConnectionsNType()", kFile, 679);
}

TIterateObj3::TIterateObj3(TBasicNetwork* n1, TBasicNetwork* n2, TBasicNetwork* n3, int from,
                           int to, int fromNode, int toNode) {
  SetLayers(n1, n2, n3, from, to);
  this->fromNode = fromNode;
  this->toNode = toNode;
}

void TIterateObj3::SetLayers(TBasicNetwork* n1, TBasicNetwork* n2, TBasicNetwork* n3, int from,
                             int to) {
  fromLayer = from;
  toLayer = to;
  fromLayerPtr1 = n1->layers[from];
  toLayerPtr1 = n1->layers[to];
  fromLayerPtr2 = n2->layers[from];
  toLayerPtr2 = n2->layers[to];
  fromLayerPtr3 = n3->layers[from];
  toLayerPtr3 = n3->layers[to];
  fromValues1 = fromLayerPtr1->values.data();
  toValues1 = toLayerPtr1->values.data();
  fromValues2 = fromLayerPtr2->values.data();
  toValues2 = toLayerPtr2->values.data();
  fromValues3 = fromLayerPtr3->values.data();
  toValues3 = toLayerPtr3->values.data();
  conn1 = n1->priv_conns_index[to][from];
  conn2 = n2->priv_conns_index[to][from];
  conn3 = n3->priv_conns_index[to][from];
  FatalAssert(conn1->GetConnectionsNType() == conn2->GetConnectionsNType(),
              "conn1 -> GetConnectionsNType() == conn2 -> GetConnectionsNType()", kFile, 711);
  FatalAssert(conn1->GetConnectionsNType() == conn3->GetConnectionsNType(),
              "conn1 -> GetConnectionsNType() == conn3 -> GetConnectionsNType()", kFile, 713);
}

void TIterateObjGetFlags::Visit() { buffer[position++] = conn->GetFlags(fromNode, toNode); }

void TIterateObjSetFlags::Visit() { conn->SetFlags(fromNode, toNode, buffer[position++]); }

void TIterateObjAllUntrainable::Visit() { conn->SetUntrainable(fromNode, toNode); }

// ---------------------------------------------------------------------------
// Connection sets: defaults built on the walking operations

int TBasicConnections::FromCount() const { return network->layers[fromLayer]->numNeurons; }

int TBasicConnections::ToCount() const { return network->layers[toLayer]->numNeurons; }

int TBasicConnections::GetNumWeights(int allWeights) {
  TIterateObjGetNumWeights v;
  IterateAll(v, allWeights);
  return v.count;
}

int TBasicConnections::GetWeights(double* out, int allWeights) {
  TIterateObjGetWeights v;
  v.cursor = out;
  IterateAll(v, allWeights);
  return v.count;
}

int TBasicConnections::SetWeights(const double* in, int allWeights) {
  TIterateObjSetWeights v;
  v.cursor = in;
  IterateAll(v, allWeights);
  return v.count;
}

void TBasicConnections::Randomize(double min, double max) {
  TIterateObjRandomize v;
  v.min = min;
  v.max = max;
  IterateAll(v, 0);
}

void TBasicConnections::AddWeightedInput(double* net) {
  TIterateObjAggregate v;
  const int targets = ToCount();
  for (int t = 0; t < targets; ++t) {
    v.sum = 0.0;
    IterateTo(v, t, 1);
    net[t] += v.sum;
  }
}

void TBasicConnections::RemoveWeight(int, int) { FatalAssert(false, "false", kFile, 871); }

void TBasicConnections::AddWeight(int, int) { FatalAssert(false, "false", kFile, 876); }

void TBasicConnections::SetTrainable(int, int) { FatalAssert(false, "false", kFile, 881); }

void TBasicConnections::SetUntrainable(int, int) { FatalAssert(false, "false", kFile, 886); }

void TBasicConnections::SetFlags(int, int, char val) {
  FatalAssert((val == FMaskAll) || (val == FMaskExists), "(val==FMaskAll) || (val==FMaskExists)",
              kHeader, 715);
}

void TBasicConnections::InsertFromNode(int, double, double, bool) {
  FatalAssert(false, "false", kHeader, 740);
}

void TBasicConnections::InsertToNode(int, double, double, bool) {
  FatalAssert(false, "false", kHeader, 741);
}

std::unique_ptr<char[]> TBasicConnections::GetAllFlags() {
  const int n = GetNumWeights(1);
  std::unique_ptr<char[]> buffer(new char[n]);
  TIterateObjGetFlags v(buffer.get());
  IterateAll(v, 1);
  return buffer;
}

void TBasicConnections::SetAllFlags(const char* flags) {
  TIterateObjSetFlags v(flags);
  IterateAll(v, 1);
}

void TBasicConnections::SetAllUntrainable() {
  TIterateObjAllUntrainable v;
  IterateAll(v, 1);
}

double* TEmptyConnections::GetWeightPtr(int, int) {
  FatalAssert(false, "false", kHeader, 1188);
  return &dummyWeight;
}

const char* TEmptyConnections::GetConnectionsNType() { return kEmptyType; }

TBasicConnections* TEmptyConnections::Clone(TBasicNetwork* n) {
  auto* x = new TEmptyConnections(n, fromLayer, toLayer);
  FatalAssert(x != nullptr, "x!=NULL", kFile, 1023);
  return x;
}

// ---------------------------------------------------------------------------
// The network

TBasicNetwork::TBasicNetwork() = default;

TBasicNetwork::TBasicNetwork(int numLayers) { Init(numLayers); }

void TBasicNetwork::IndexRows() {
  priv_conns_index.resize(n_layers);
  for (int t = 0; t < n_layers; ++t) priv_conns_index[t] = &priv_conns[t * n_layers];
}

void TBasicNetwork::Init(int numLayers) {
  FatalAssert(numLayers >= 0, "numLayers >= 0", kFile, __LINE__);
  n_layers = numLayers;
  inLayer = 1;
  outLayer = numLayers - 1;
  priv_conns.assign(static_cast<std::size_t>(numLayers) * numLayers, nullptr);
  FatalAssert(priv_conns.size() == static_cast<std::size_t>(numLayers) * numLayers,
              "priv_conns != NULL", kFile, 1082);
  priv_conns_index.assign(numLayers, nullptr);
  FatalAssert(priv_conns_index.size() == static_cast<std::size_t>(numLayers),
              "priv_conns_index != NULL", kFile, 1085);
  layers.assign(numLayers, nullptr);
  FatalAssert(layers.size() == static_cast<std::size_t>(numLayers), "layers != NULL", kFile, 1088);
  IndexRows();
  for (int to = 0; to < n_layers; ++to) {
    for (int from = 0; from < n_layers; ++from) {
      priv_conns[to * n_layers + from] = new TEmptyConnections(this, from, to);
      FatalAssert(priv_conns[to * n_layers + from] != nullptr,
                  "priv_conns[to*n_layers+from] != NULL", kFile, 1099);
    }
  }
  fn_registry = std::make_unique<TFnRegistry>();
  fn_registry->RegisterDefaults();
}

// Sets first, then layers, then the registry. Layer entries may still be null
// when a creator gives up half way (the file reader on a bad file), so null
// layers are passed over; every set exists from Init on.
void TBasicNetwork::ReleaseAll() {
  for (std::size_t i = 0; i < priv_conns.size(); ++i) {
    FatalAssert(priv_conns[i] != nullptr, "priv_conns[i] != NULL", kFile, 1115);
    priv_conns[i]->Destroy();
  }
  priv_conns.clear();
  priv_conns_index.clear();
  for (TBasicLayer* layer : layers) {
    if (layer != nullptr) layer->Destroy();
  }
  layers.clear();
  fn_registry.reset();
}

TBasicNetwork::~TBasicNetwork() { ReleaseAll(); }

TBasicNetwork::TBasicNetwork(const TBasicNetwork& x)
    : n_layers(x.n_layers), inLayer(x.inLayer), outLayer(x.outLayer) {
  layers.assign(n_layers, nullptr);
  FatalAssert(layers.size() == static_cast<std::size_t>(n_layers), "layers != NULL", kFile, 1147);
  for (int i = 0; i < n_layers; ++i) {
    FatalAssert(x.layers[i] != nullptr, "x.layers[i] != NULL", kFile, 1151);
    layers[i] = x.layers[i]->Clone(this);
  }
  const std::size_t cells = static_cast<std::size_t>(n_layers) * n_layers;
  priv_conns.assign(cells, nullptr);
  FatalAssert(priv_conns.size() == cells, "priv_conns != NULL", kFile, 1157);
  for (std::size_t i = 0; i < cells; ++i) {
    FatalAssert(x.priv_conns[i] != nullptr, "x.priv_conns[i] != NULL", kFile, 1161);
    priv_conns[i] = x.priv_conns[i]->Clone(this);
  }
  IndexRows();
  FatalAssert(priv_conns_index.size() == static_cast<std::size_t>(n_layers),
              "priv_conns_index != NULL", kFile, 1166);
  fn_registry = std::make_unique<TFnRegistry>();
  fn_registry->RegisterDefaults();
}

TBasicNetwork& TBasicNetwork::operator=(const TBasicNetwork& x) {
  if (&x == this) return *this;
  for (TBasicLayer* layer : layers) {
    if (layer != nullptr) layer->Destroy();
  }
  layers.clear();
  const std::size_t old_cells = priv_conns.size();
  n_layers = x.n_layers;
  inLayer = x.inLayer;
  outLayer = x.outLayer;
  layers.assign(n_layers, nullptr);
  FatalAssert(layers.size() == static_cast<std::size_t>(n_layers), "layers != NULL", kFile, 1192);
  for (int i = 0; i < n_layers; ++i) {
    FatalAssert(x.layers[i] != nullptr, "x.layers[i] != NULL", kFile, 1196);
    layers[i] = x.layers[i]->Clone(this);
  }
  for (std::size_t i = 0; i < old_cells; ++i) {
    FatalAssert(priv_conns[i] != nullptr, "priv_conns[i] != NULL", kFile, 1204);
    priv_conns[i]->Destroy();
  }
  const std::size_t cells = static_cast<std::size_t>(n_layers) * n_layers;
  priv_conns.assign(cells, nullptr);
  FatalAssert(priv_conns.size() == cells, "priv_conns != NULL", kFile, 1211);
  for (std::size_t i = 0; i < cells; ++i) {
    FatalAssert(x.priv_conns[i] != nullptr, "x.priv_conns[i] != NULL", kFile, 1215);
    priv_conns[i] = x.priv_conns[i]->Clone(this);
  }
  priv_conns_index.clear();
  IndexRows();
  FatalAssert(priv_conns_index.size() == static_cast<std::size_t>(n_layers),
              "priv_conns_index != NULL", kFile, 1222);
  for (int i = 0; i < n_layers; ++i) {
    FatalAssert(layers[i] != nullptr, "layers[i] != NULL", kFile, 1227);
  }
  fn_registry = std::make_unique<TFnRegistry>();
  fn_registry->RegisterDefaults();
  return *this;
}

int TBasicNetwork::GetNumWeights(int allWeights) {
  int total = 0;
  for (int f = 0; f < n_layers; ++f) {
    for (int t = 0; t < n_layers; ++t) total += priv_conns_index[t][f]->GetNumWeights(allWeights);
  }
  return total;
}

int TBasicNetwork::GetWeights(double* out, int allWeights) {
  int total = 0;
  for (int f = 0; f < n_layers; ++f) {
    for (int t = 0; t < n_layers; ++t) {
      const int k = priv_conns_index[t][f]->GetWeights(out, allWeights);
      out += k;
      total += k;
    }
  }
  return total;
}

int TBasicNetwork::SetWeights(const double* in, int allWeights) {
  int total = 0;
  for (int f = 0; f < n_layers; ++f) {
    for (int t = 0; t < n_layers; ++t) {
      const int k = priv_conns_index[t][f]->SetWeights(in, allWeights);
      in += k;
      total += k;
    }
  }
  return total;
}

void TBasicNetwork::Randomize(double min, double max) {
  for (int f = 0; f < n_layers; ++f) {
    for (int t = 0; t < n_layers; ++t) priv_conns_index[t][f]->Randomize(min, max);
  }
}

void TBasicNetwork::Connect(int fromLayer, int toLayer) {
  TBasicConnections*& slot = priv_conns_index[toLayer][fromLayer];
  if (slot->IsConnected()) return;
  slot->Destroy();
  slot = new TPrunedConnections(this, fromLayer, toLayer);
}

void TBasicNetwork::Disconnect(int fromLayer, int toLayer) {
  TBasicConnections*& slot = priv_conns_index[toLayer][fromLayer];
  slot->Destroy();
  slot = new TEmptyConnections(this, fromLayer, toLayer);
  FatalAssert(priv_conns_index[toLayer][fromLayer] != nullptr,
              "priv_conns_index[toLayer][fromLayer] != NULL", kFile, 1327);
}

void TBasicNetwork::Evaluate(const double* inputs, double* outputs) {
  for (int L = 0; L < n_layers; ++L) layers[L]->Evaluate(inputs);
  const TBasicLayer* out = layers[outLayer];
  std::copy(out->values.begin(), out->values.begin() + out->numNeurons, outputs);
}

TArcsIterator* TBasicNetwork::NewInAllArcsIterator() {
  FatalAssert(false, "false", kFile, 1590);
  return nullptr;
}

int TBasicNetwork::GetNumNeurons() {
  int total = 0;
  for (int L = 0; L < n_layers; ++L) total += layers[L]->numNeurons;
  return total;
}

TBasicNeuron* TBasicNetwork::GetNeuron(int index) {
  FatalAssert(index >= 0, "index>=0", kFile, 1354);
  FatalAssert(index < GetNumNeurons(), "index<GetNumNeurons()", kFile, 1355);
  int L = 0;
  while (index >= layers[L]->numNeurons) {
    index -= layers[L]->numNeurons;
    ++L;
  }
  return layers[L]->GetNeuron(index);
}

void TBasicNetwork::IterateToNode(TIterateObj& visitor, int toLayer, int node, int allWeights) {
  for (int f = 0; f < n_layers; ++f) priv_conns_index[toLayer][f]->IterateTo(visitor, node, allWeights);
}

void TBasicNetwork::IterateFromNode(TIterateObj& visitor, int fromLayer, int node,
                                    int allWeights) {
  for (int t = 0; t < n_layers; ++t) {
    priv_conns_index[t][fromLayer]->IterateFrom(visitor, node, allWeights);
  }
}

// ---------------------------------------------------------------------------
// Structure editing
//
// Inserting or removing a layer rebuilds the square matrix: every set moves
// to the row and column of its layers' new positions and is told its new
// pair, and the layer table follows. The new arrays and the empty sets for a
// new layer are made before anything is changed, so an allocation failure
// leaves the network as it was.
//
// A neuron count changes in two steps: the layer's neuron array first (the
// layer leaves numNeurons to us), then every set in the layer's row and
// column is told of the inserted or removed neuron, from-side before
// to-side, so the set from the layer to itself changes one side at a time.

void TBasicNetwork::NumberLayer(int pos) {
  TBasicLayer* layer = layers[pos];
  layer->layerNum = pos;
  for (int i = 0; i < layer->numNeurons; ++i) layer->GetNeuron(i)->layerNum = pos;
}

void TBasicNetwork::InsertLayer(int LayerNum, TBasicLayer* layer) {
  const int numLayers = n_layers;
  FatalAssert(LayerNum >= 0, "LayerNum>=0", kFile, 1452);
  FatalAssert(LayerNum <= numLayers, "LayerNum<=numLayers", kFile, 1453);
  FatalAssert(layer != nullptr && layer->network == this, "layer != NULL && layer->network == this",
              kFile, __LINE__);
  const int L = LayerNum;
  const int n = numLayers + 1;
  auto moved = [L](int i) { return i + (i >= L ? 1 : 0); };

  std::vector<TBasicConnections*> conns(static_cast<std::size_t>(n) * n, nullptr);
  FatalAssert(conns.size() == static_cast<std::size_t>(n) * n, "priv_conns != NULL", kFile, 1462);
  std::vector<TBasicConnections**> index(n, nullptr);
  FatalAssert(index.size() == static_cast<std::size_t>(n), "priv_conns_index != NULL", kFile,
              1465);
  std::vector<TBasicLayer*> table(n, nullptr);
  try {
    for (int i = 0; i < n; ++i) {
      conns[i * n + L] = new TEmptyConnections(this, L, i);
      if (i != L) conns[L * n + i] = new TEmptyConnections(this, i, L);
    }
  } catch (...) {
    for (TBasicConnections* set : conns) {
      if (set != nullptr) set->Destroy();
    }
    throw;
  }

  for (int t = 0; t < numLayers; ++t) {
    for (int f = 0; f < numLayers; ++f) conns[moved(t) * n + moved(f)] = priv_conns_index[t][f];
  }
  for (int t = 0; t < n; ++t) {
    for (int f = 0; f < n; ++f) {
      conns[t * n + f]->toLayer = t;
      conns[t * n + f]->fromLayer = f;
    }
  }
  for (int i = 0; i < numLayers; ++i) table[moved(i)] = layers[i];
  table[L] = layer;

  n_layers = n;
  priv_conns.swap(conns);
  priv_conns_index.swap(index);
  IndexRows();
  layers.swap(table);
  for (int i = 0; i < n; ++i) NumberLayer(i);
  if (inLayer >= L) ++inLayer;
  if (outLayer >= L) ++outLayer;
}

void TBasicNetwork::RemoveLayer(int LayerNum) {
  const int numLayers = n_layers;
  FatalAssert(LayerNum >= 0, "LayerNum>=0", kFile, 1517);
  FatalAssert(LayerNum < numLayers, "LayerNum<numLayers", kFile, 1518);
  FatalAssert(LayerNum != inLayer, "LayerNum!=inLayer", kFile, 1519);
  FatalAssert(LayerNum != outLayer, "LayerNum!=outLayer", kFile, 1520);
  const int L = LayerNum;
  const int n = numLayers - 1;
  auto kept = [L](int i) { return i + (i >= L ? 1 : 0); };

  std::vector<TBasicConnections*> conns(static_cast<std::size_t>(n) * n, nullptr);
  FatalAssert(conns.size() == static_cast<std::size_t>(n) * n, "priv_conns != NULL", kFile, 1537);
  std::vector<TBasicConnections**> index(n, nullptr);
  FatalAssert(index.size() == static_cast<std::size_t>(n), "priv_conns_index != NULL", kFile,
              1540);
  std::vector<TBasicLayer*> table(n, nullptr);

  for (int i = 0; i < numLayers; ++i) {
    priv_conns_index[i][L]->Destroy();
    if (i != L) priv_conns_index[L][i]->Destroy();
  }
  for (int t = 0; t < n; ++t) {
    for (int f = 0; f < n; ++f) {
      TBasicConnections* set = priv_conns_index[kept(t)][kept(f)];
      set->toLayer = t;
      set->fromLayer = f;
      conns[t * n + f] = set;
    }
  }
  layers[L]->Destroy();
  for (int i = 0; i < n; ++i) table[i] = layers[kept(i)];

  n_layers = n;
  priv_conns.swap(conns);
  priv_conns_index.swap(index);
  IndexRows();
  layers.swap(table);
  for (int i = 0; i < n; ++i) NumberLayer(i);
  if (inLayer > L) --inLayer;
  if (outLayer > L) --outLayer;
}

void TBasicNetwork::InsertNode(int LayerNum, int node, double min, double max, bool attached) {
  const int numLayers = n_layers;
  FatalAssert(LayerNum >= 0, "LayerNum>=0", kFile, 1368);
  FatalAssert(LayerNum < numLayers, "LayerNum<numLayers", kFile, 1369);
  FatalAssert(LayerNum != inLayer, "LayerNum!=inLayer", kFile, 1370);
  FatalAssert(LayerNum != outLayer, "LayerNum!=outLayer", kFile, 1371);
  FatalAssert(node >= 0, "node>=0", kFile, 1373);
  FatalAssert(node <= GetNumNeurons(), "node<=GetNumNeurons()", kFile, 1374);
  TBasicLayer* layer = layers[LayerNum];
  layer->InsertNeuron(node);
  ++layer->numNeurons;
  for (int i = 0; i < n_layers; ++i) {
    priv_conns_index[i][LayerNum]->InsertFromNode(node, min, max, attached);
    priv_conns_index[LayerNum][i]->InsertToNode(node, min, max, attached);
  }
}

void TBasicNetwork::RemoveNode(int LayerNum, int node) {
  const int numLayers = n_layers;
  FatalAssert(LayerNum >= 0, "LayerNum>=0", kFile, 1387);
  FatalAssert(LayerNum < numLayers, "LayerNum<numLayers", kFile, 1388);
  FatalAssert(LayerNum != inLayer, "LayerNum!=inLayer", kFile, 1389);
  FatalAssert(LayerNum != outLayer, "LayerNum!=outLayer", kFile, 1390);
  FatalAssert(node >= 0, "node>=0", kFile, 1392);
  FatalAssert(node < GetNumNeurons(), "node<GetNumNeurons()", kFile, 1393);
  TBasicLayer* layer = layers[LayerNum];
  layer->RemoveNeuron(node);
  --layer->numNeurons;
  for (int i = 0; i < n_layers; ++i) {
    priv_conns_index[i][LayerNum]->RemoveFromNode(node);
    priv_conns_index[LayerNum][i]->RemoveToNode(node);
  }
}

// Higher layers first and neurons downwards: a removal never moves a neuron
// still to be examined, and a neuron whose only outgoing weights led to a
// neuron removed earlier in the pass has lost them by the time it is judged.
int TBasicNetwork::PruneNodes() {
  int removed = 0;
  TIterateObjPruneNode v;
  for (int L = outLayer - 1; L >= 0; --L) {
    if (L == inLayer || L == outLayer) continue;
    for (int k = layers[L]->numNeurons - 1; k >= 0; --k) {
      v.count = 0;
      IterateFromNode(v, L, k, 1);
      if (v.count == 0) {
        RemoveNode(L, k);
        ++removed;
      }
    }
  }
  return removed;
}
