#include "Working/NeuralNets/TConnectedNetwork.h"

#include "Working/Exceptions/FatalAssert.h"
#include "Working/NeuralNets/TConnectedConnections.h"

namespace {

constexpr const char* kFile = "Working/NeuralNets/TConnectedNetwork.cpp";

}  // namespace

TConnectedNetwork::TConnectedNetwork(int numLayers, const int* sizes) {
  Init(numLayers);
  for (int i = 0; i < numLayers; ++i) {
    if (i == inLayer) {
      layers[i] = new TSimpleInputLayer(this, i, sizes[i]);
    } else {
      layers[i] = new TSimpleLayer(this, i, sizes[i]);
    }
  }
}

TConnectedNetwork::TConnectedNetwork(int numLayers) { Init(numLayers); }

TConnectedNetwork::TConnectedNetwork() = default;

TConnectedNetwork::~TConnectedNetwork() = default;

void TConnectedNetwork::Connect(int fromLayer, int toLayer) {
  TBasicConnections*& slot = priv_conns_index[toLayer][fromLayer];
  if (slot->IsConnected()) return;
  slot->Destroy();
  slot = new TConnectedConnections(this, fromLayer, toLayer);
}

TArcsIterator* TConnectedNetwork::NewInAllArcsIterator() { return new TConnInAllArcsIterator(this); }

// ---------------------------------------------------------------------------

void TConnInAllArcsIterator::Init(int toLayer, int toNode) {
  FatalAssert(toLayer >= 0 && toLayer < network->n_layers, "toLayer>=0 && toLayer<n_layers",
              kFile, __LINE__);
  TBasicLayer* target = network->layers[toLayer];
  FatalAssert(toNode >= 0 && toNode < target->numNeurons, "toNode>=0 && toNode<numNeurons", kFile,
              __LINE__);
  target_layer_ = toLayer;
  target_node_ = toNode;
  target_neuron_ = target->GetNeuron(toNode);
  source_layer_ = -1;
  source_node_ = -1;
  last_ = -1;
  set_ = nullptr;
  row_ = nullptr;
  source_neuron_ = nullptr;
  weight_ = nullptr;
}

void TConnInAllArcsIterator::Place(int node) {
  source_node_ = node;
  source_neuron_ = network->layers[source_layer_]->GetNeuron(node);
  weight_ = row_ + node;
}

bool TConnInAllArcsIterator::Enter(bool forward) {
  TBasicConnections* set = network->priv_conns_index[target_layer_][source_layer_];
  const int count = network->layers[source_layer_]->numNeurons;
  if (!set->IsConnected() || count == 0) return false;
  set_ = set;
  last_ = count - 1;
  row_ = set->GetWeightPtr(0, target_node_);
  Place(forward ? 0 : last_);
  return true;
}

bool TConnInAllArcsIterator::Next() {
  if (source_node_ < last_) {
    Place(source_node_ + 1);
    return true;
  }
  source_node_ = -1;
  last_ = -1;
  set_ = nullptr;
  while (source_layer_ < network->n_layers - 1) {
    ++source_layer_;
    if (Enter(true)) return true;
  }
  return false;
}

bool TConnInAllArcsIterator::Prev() {
  if (source_node_ > 0) {
    Place(source_node_ - 1);
    return true;
  }
  source_node_ = -1;
  last_ = -1;
  set_ = nullptr;
  while (source_layer_ >= 1) {
    --source_layer_;
    if (Enter(false)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------

int TConnInLayerArcsIterator::Init(int toLayer, int toNode, int fromLayer) {
  const int n_layers = network->n_layers;
  FatalAssert(toLayer >= 0 && toLayer < n_layers, "toLayer>=0 && toLayer<n_layers", kFile,
              __LINE__);
  FatalAssert(fromLayer >= 0 && fromLayer < n_layers, "fromLayer>=0 && fromLayer<n_layers", kFile,
              __LINE__);
  TBasicLayer* target = network->layers[toLayer];
  FatalAssert(toNode >= 0 && toNode < target->numNeurons, "toNode>=0 && toNode<numNeurons", kFile,
              __LINE__);
  this->toLayer = toLayer;
  this->toNode = toNode;
  this->fromLayer = fromLayer;
  toNeuron = target->GetNeuron(toNode);
  fromNode = -1;
  fromNeuron = nullptr;
  weight = nullptr;
  TBasicLayer* source = network->layers[fromLayer];
  fromValues = source->values.data();
  TBasicConnections* set = network->priv_conns_index[toLayer][fromLayer];
  if (!set->IsConnected()) {
    set_ = nullptr;
    row_ = nullptr;
    last_ = -1;
    return -1;
  }
  set_ = set;
  row_ = set->GetWeightPtr(0, toNode);
  last_ = source->numNeurons - 1;
  return fromLayer;
}

void TConnInLayerArcsIterator::Place(int node) {
  fromNode = node;
  fromNeuron = network->layers[fromLayer]->GetNeuron(node);
  weight = row_ + node;
}

bool TConnInLayerArcsIterator::Next() {
  if (fromNode >= last_) return false;
  Place(fromNode + 1);
  return true;
}

bool TConnInLayerArcsIterator::Prev() {
  if (fromNode < 1) return false;
  Place(fromNode - 1);
  return true;
}
