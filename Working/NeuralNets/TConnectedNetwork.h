// The connected network: Connect installs fully connected weight sets, and
// the incoming arcs of a neuron can be walked with cursors that read the
// weight rows of those sets directly.
#ifndef MAPTAG_WORKING_NEURALNETS_TCONNECTEDNETWORK_H_
#define MAPTAG_WORKING_NEURALNETS_TCONNECTEDNETWORK_H_

#include "Working/NeuralNets/TBasicNetwork.h"

class TConnectedNetwork : public TBasicNetwork {
 public:
  // Init(numLayers), then a TSimpleInputLayer of sizes[i] at the input layer
  // index (1) and a TSimpleLayer of sizes[i] elsewhere. Nothing connected;
  // the layers keep the "error" function until the caller sets others.
  TConnectedNetwork(int numLayers, const int* sizes);
  // Init(numLayers) only; the caller stores the layers.
  explicit TConnectedNetwork(int numLayers);
  // Nothing but the object; a derived class calls Init itself.
  TConnectedNetwork();
  ~TConnectedNetwork() override;

  // Installs a TConnectedConnections (all weights 0) unless the pair already
  // carries a weight set of any kind, which then stays with its weights.
  void Connect(int fromLayer, int toLayer) override;
  const char* GetNetworkType() override { return "Connected"; }
  // A TConnInAllArcsIterator on this network; the caller deletes it.
  TArcsIterator* NewInAllArcsIterator() override;
};

// The arcs into one neuron from every source layer whose set to the target
// layer carries weights (fully connected or pruneable, whose rows are laid
// out alike; masks are not consulted). Source layers in increasing order
// with Next, decreasing with Prev; layers without neurons are skipped.
class TConnInAllArcsIterator : public TInAllArcsIterator {
 public:
  explicit TConnInAllArcsIterator(TBasicNetwork* n) : TInAllArcsIterator(n) {}

  int GetFromLayer() override { return source_layer_; }
  int GetToLayer() override { return target_layer_; }
  int GetFromNode() override { return source_node_; }
  int GetToNode() override { return target_node_; }
  TBasicNeuron* GetToNeuron() override { return target_neuron_; }
  TBasicNeuron* GetFromNeuron() override { return source_neuron_; }
  double* GetWeight() override { return weight_; }
  // True while the iterator stands on an arc.
  bool IsValid() override { return set_ != nullptr; }
  bool Next() override;
  bool Prev() override;
  using TInAllArcsIterator::Init;
  // Before the first arc into neuron toNode of layer toLayer.
  void Init(int toLayer, int toNode) override;

 private:
  // Stands on arc `node` of the current source layer.
  void Place(int node);
  // Enters source_layer_ at its first (forward) or last arc, if it has any.
  bool Enter(bool forward);

  int target_layer_ = 0;
  int target_node_ = 0;
  TBasicNeuron* target_neuron_ = nullptr;
  int source_layer_ = -1;
  int source_node_ = -1;
  int last_ = -1;
  TBasicConnections* set_ = nullptr;
  double* row_ = nullptr;  // weights into the target neuron from the current layer
  TBasicNeuron* source_neuron_ = nullptr;
  double* weight_ = nullptr;
};

// The arcs into one neuron from one source layer. Init refuses a pair whose
// set carries no weights: the iterator then holds no set, is not valid and
// never moves.
class TConnInLayerArcsIterator : public TInLayerArcsIterator {
 public:
  explicit TConnInLayerArcsIterator(TBasicNetwork* n) : TInLayerArcsIterator(n) {}

  int GetFromLayer() override { return fromLayer; }
  int GetToLayer() override { return toLayer; }
  int GetFromNode() override { return fromNode; }
  int GetToNode() override { return toNode; }
  TBasicNeuron* GetToNeuron() override { return toNeuron; }
  TBasicNeuron* GetFromNeuron() override { return fromNeuron; }
  double* GetWeight() override { return weight; }
  // True from a successful Init on, also before the first Next.
  bool IsValid() override { return set_ != nullptr; }
  bool Next() override;
  bool Prev() override;
  using TInLayerArcsIterator::Init;
  // Returns fromLayer, or -1 when the pair carries no weights.
  int Init(int toLayer, int toNode, int fromLayer) override;

 private:
  void Place(int node);

  int last_ = -1;
  TBasicConnections* set_ = nullptr;
  double* row_ = nullptr;
};

#endif  // MAPTAG_WORKING_NEURALNETS_TCONNECTEDNETWORK_H_
