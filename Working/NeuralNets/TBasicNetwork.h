// The network object model: networks of numbered layers of neurons, one
// connection set for every ordered pair of layers, weight visitors and the
// interface of the iterators over a neuron's incoming arcs.
//
// Ownership. A network owns its layers, its connection sets and its
// registry of activation functions. Layers and sets are released only
// through their Destroy operation (never with delete); the network does that
// when it is destroyed or when a set is replaced. Code that builds a network
// directly (the network file reader) follows the same rules:
//
//   auto* net = new TBasicNetwork(3);           // every pair holds an empty set
//   net->inLayer = 0; net->outLayer = 2;
//   net->layers[0] = new TSimpleInputLayer(net, 0, 4);
//   net->layers[1] = new TGainLayer(net, 1, 8, 1.0);
//   net->layers[2] = new TSimpleLayer(net, 2, 2);
//   net->layers[2]->SetActivationFunction(net->fn_registry->GetFunction("sigmoid"));
//   TBasicConnections*& slot = net->priv_conns_index[1][0];   // [to][from]
//   slot->Destroy();
//   slot = new TPrunedConnections(net, 0, 1);   // needs both layers in place
//   *slot->GetWeightPtr(from, to) = 0.25;       // or RemoveWeight / SetFlags
//
// Between Init and the storing of every layer the layer table holds null
// entries and only the destructor may be called.
//
// Matrix addressing is [toLayer][fromLayer]; every per-weight operation of a
// set takes (from neuron, to neuron) in that order. allWeights == 1 selects
// every existing weight, any other value only existing trainable ones.
#ifndef MAPTAG_WORKING_NEURALNETS_TBASICNETWORK_H_
#define MAPTAG_WORKING_NEURALNETS_TBASICNETWORK_H_

#include <cstdlib>
#include <memory>
#include <vector>

#include "Working/NeuralNets/ActFunctions.h"

class TBasicNetwork;
class TBasicLayer;
class TBasicConnections;

// Per-weight flag bits.
constexpr char FMaskExists = 1;
constexpr char FMaskTrainable = 2;
constexpr char FMaskAll = 3;

// One random weight between min and max: min + (r mod 32767)/32767*(max-min)
// with r the next value of std::rand(), which nothing seeds. The factor is
// formed in extended precision.
inline double RandomWeight(double min, double max) {
  const long double r = static_cast<long double>(std::rand() % 32767);
  return static_cast<double>(min + r * (1.0L / 32767.0L) * (max - min));
}

// ---------------------------------------------------------------------------
// Neurons

// A neuron of a layer. Neurons live by value in their layer's neuron array;
// pointers to them become stale when the layer inserts or removes a neuron
// or is cloned.
class TBasicNeuron {
 public:
  TBasicNeuron() = default;
  TBasicNeuron(const TBasicNeuron&) = default;
  TBasicNeuron& operator=(const TBasicNeuron&) = default;
  virtual ~TBasicNeuron() = default;

  // Applies actFn to (this neuron, net).
  virtual void Activate(double net);
  virtual int GetNumParameters() { return 0; }
  virtual void GetParameters(double* /*out*/) {}
  virtual void SetParameters(const double* /*in*/) {}
  // Plain neurons have no parameters: fails a fatal assertion.
  virtual const char* GetParameterName(int i);
  virtual void CopyFrom(const TBasicNeuron& /*source*/) {}

  // Installs f as this neuron's own function; the layer's common function is
  // cleared. A gain function on a neuron without gain fails a fatal
  // assertion: check AcceptsActivationFunction first.
  void SetActivationFunction(ActivationFunction f);
  ActivationFunction GetActivationFunction() const { return actFn; }
  bool AcceptsActivationFunction(ActivationFunction f) const;
  bool CarriesGain() const;

  int layerNum = 0;
  int index = 0;
  double* value = nullptr;       // slot in the layer's values
  TBasicLayer* layer = nullptr;  // not owned
  ActivationFunction actFn = &ActFnError;
};

class TGainNeuron : public TBasicNeuron {
 public:
  int GetNumParameters() override { return 1; }
  void GetParameters(double* out) override { out[0] = gain; }
  void SetParameters(const double* in) override { gain = in[0]; }
  // Only parameter 0 ("Gain") exists; other indexes fail a fatal assertion.
  const char* GetParameterName(int i) override;

  double gain = 1.0;
};

// ---------------------------------------------------------------------------
// Layers

// A numbered group of neurons with one array of values: net inputs during
// evaluation, then outputs. Released through Destroy.
class TBasicLayer {
 public:
  TBasicLayer(TBasicNetwork* network, int layerNum, int numNeurons);
  TBasicLayer(const TBasicLayer&) = delete;  // use Clone
  TBasicLayer& operator=(const TBasicLayer&) = delete;

  // Applies the common function, or each neuron's own, to net[i]; net may be
  // values itself.
  virtual void Activate(const double* net);
  virtual TBasicNeuron* GetNeuron(int i) = 0;  // unchecked
  // Input position: takes inputs as net input (with a warning); otherwise
  // starts from 0. Then adds every lower layer's weighted values and applies
  // the activation functions.
  virtual void Evaluate(const double* inputs);
  virtual const char* GetLayerType() = 0;
  virtual void Destroy() = 0;
  // A new layer of the same class for n, with the same number, functions,
  // parameters and dimensions; values 0. Caller (n) owns it.
  virtual TBasicLayer* Clone(TBasicNetwork* n) = 0;
  // Drop / make room for neuron k. numNeurons is left for the caller (the
  // network's structure editing) to adjust afterwards.
  virtual void RemoveNeuron(int k) = 0;
  virtual void InsertNeuron(int k);

  // Common function for every neuron. A gain function on a layer without
  // gain neurons fails a fatal assertion: check AcceptsActivationFunction.
  void SetActivationFunction(ActivationFunction f);
  // The common function, computed and cached when all neurons agree; null if
  // they differ; the "null" function for a layer without neurons.
  ActivationFunction GetActivationFunction();
  bool AcceptsActivationFunction(ActivationFunction f) const;
  bool CarriesGain() const;

  void GetDimensions(int* parameters) const;
  void SetDimensions(int count, const int* parameters);

  static void CopyLayerBase(const TBasicLayer& source, TBasicLayer& target);

  TBasicNetwork* network;  // not owned
  ActivationFunction actFn = nullptr;
  int numNeurons;
  int layerNum;
  std::vector<double> values;
  int numDims = 0;
  std::vector<int> dimensions;

 protected:
  virtual ~TBasicLayer() = default;
};

// Common code of the layer kinds with an array of neurons of class N.
template <class N>
class TNeuronArrayLayer : public TBasicLayer {
 public:
  void Activate(const double* net) override;
  TBasicNeuron* GetNeuron(int i) override { return &nodes[i]; }
  void Destroy() override { delete this; }
  void RemoveNeuron(int k) override;
  void InsertNeuron(int k) override;

  std::vector<N> nodes;

 protected:
  ~TNeuronArrayLayer() override = default;
  TNeuronArrayLayer(TBasicNetwork* network, int layerNum, int numNeurons);
  // Copies neurons, functions and dimensions from source (same size).
  void CopyFromLayer(const TNeuronArrayLayer& source);
  // Points every neuron at this layer and its value slot.
  void RebindNeurons();
};

class TSimpleLayer : public TNeuronArrayLayer<TBasicNeuron> {
 public:
  TSimpleLayer(TBasicNetwork* network, int layerNum, int numNeurons);
  const char* GetLayerType() override { return "Simple"; }
  TBasicLayer* Clone(TBasicNetwork* n) override;

 protected:
  ~TSimpleLayer() override = default;
};

class TGainLayer : public TNeuronArrayLayer<TGainNeuron> {
 public:
  TGainLayer(TBasicNetwork* network, int layerNum, int numNeurons, double gain);
  const char* GetLayerType() override { return "Gain"; }
  TBasicLayer* Clone(TBasicNetwork* n) override;
  void SetGain(double g);

 protected:
  ~TGainLayer() override = default;
};

// Copies the network's inputs; no weights and no functions apply.
class TSimpleInputLayer : public TSimpleLayer {
 public:
  TSimpleInputLayer(TBasicNetwork* network, int layerNum, int numNeurons);
  void Evaluate(const double* inputs) override;
  const char* GetLayerType() override { return "Input"; }
  TBasicLayer* Clone(TBasicNetwork* n) override;

 protected:
  ~TSimpleInputLayer() override = default;
};

// ---------------------------------------------------------------------------
// Weight visitors. A set binds a visitor to its pair of layers (SetLayers),
// then for every selected weight fills fromNode, toNode, weight and trainable
// and calls Visit. Counters and cursors persist across sets.

class TIterateObj {
 public:
  virtual ~TIterateObj() = default;
  virtual void Visit() {}

  void SetLayers(TBasicLayer* from, TBasicLayer* to);
  void SetLayers(TBasicNetwork* n, int from, int to);

  int fromLayer = 0;
  int toLayer = 0;
  int fromNode = 0;
  int toNode = 0;
  TBasicConnections* conn = nullptr;
  double* weight = nullptr;
  char trainable = 0;
  TBasicLayer* fromLayerPtr = nullptr;
  TBasicLayer* toLayerPtr = nullptr;
  double* fromValues = nullptr;
  double* toValues = nullptr;
};

// Walks the like sets of two networks in step.
class TIterateObj2 {
 public:
  TIterateObj2() = default;
  TIterateObj2(TBasicNetwork* n1, TBasicNetwork* n2, int from, int to, int fromNode, int toNode);
  virtual ~TIterateObj2() = default;
  virtual void Visit() {}

  // Both networks' sets for the pair must be of the same kind (fatal
  // assertion otherwise).
  void SetLayers(TBasicNetwork* n1, TBasicNetwork* n2, int from, int to);

  int fromLayer = 0;
  int toLayer = 0;
  int fromNode = 0;
  int toNode = 0;
  TBasicConnections* conn1 = nullptr;
  TBasicConnections* conn2 = nullptr;
  double* weight1 = nullptr;
  double* weight2 = nullptr;
  char trainable = 0;
  TBasicLayer* fromLayerPtr1 = nullptr;
  TBasicLayer* toLayerPtr1 = nullptr;
  TBasicLayer* fromLayerPtr2 = nullptr;
  TBasicLayer* toLayerPtr2 = nullptr;
  double* fromValues1 = nullptr;
  double* toValues1 = nullptr;
  double* fromValues2 = nullptr;
  double* toValues2 = nullptr;
};

// Walks the like sets of three networks in step.
class TIterateObj3 {
 public:
  TIterateObj3() = default;
  TIterateObj3(TBasicNetwork* n1, TBasicNetwork* n2, TBasicNetwork* n3, int from, int to,
               int fromNode, int toNode);
  virtual ~TIterateObj3() = default;
  virtual void Visit() {}

  void SetLayers(TBasicNetwork* n1, TBasicNetwork* n2, TBasicNetwork* n3, int from, int to);

  int fromLayer = 0;
  int toLayer = 0;
  int fromNode = 0;
  int toNode = 0;
  TBasicConnections* conn1 = nullptr;
  TBasicConnections* conn2 = nullptr;
  TBasicConnections* conn3 = nullptr;
  double* weight1 = nullptr;
  double* weight2 = nullptr;
  double* weight3 = nullptr;
  char trainable = 0;
  TBasicLayer* fromLayerPtr1 = nullptr;
  TBasicLayer* toLayerPtr1 = nullptr;
  TBasicLayer* fromLayerPtr2 = nullptr;
  TBasicLayer* toLayerPtr2 = nullptr;
  TBasicLayer* fromLayerPtr3 = nullptr;
  TBasicLayer* toLayerPtr3 = nullptr;
  double* fromValues1 = nullptr;
  double* toValues1 = nullptr;
  double* fromValues2 = nullptr;
  double* toValues2 = nullptr;
  double* fromValues3 = nullptr;
  double* toValues3 = nullptr;
};

class TIterateObjGetNumWeights : public TIterateObj {
 public:
  void Visit() override { ++count; }
  int count = 0;
};

class TIterateObjGetWeights : public TIterateObj {
 public:
  void Visit() override {
    ++count;
    *cursor++ = *weight;
  }
  int count = 0;
  double* cursor = nullptr;
};

class TIterateObjSetWeights : public TIterateObj {
 public:
  void Visit() override {
    ++count;
    *weight = *cursor++;
  }
  int count = 0;
  const double* cursor = nullptr;
};

class TIterateObjRandomize : public TIterateObj {
 public:
  void Visit() override { *weight = min == max ? min : RandomWeight(min, max); }
  double min = 0.0;
  double max = 0.0;
};

class TIterateObjAggregate : public TIterateObj {
 public:
  void Visit() override { sum += fromValues[fromNode] * *weight; }
  double sum = 0.0;
};

class TIterateObjGetFlags : public TIterateObj {
 public:
  explicit TIterateObjGetFlags(char* buffer) : buffer(buffer) {}
  void Visit() override;
  int position = 0;
  char* buffer;
};

class TIterateObjSetFlags : public TIterateObj {
 public:
  explicit TIterateObjSetFlags(const char* buffer) : buffer(buffer) {}
  void Visit() override;
  int position = 0;
  const char* buffer;
};

class TIterateObjAllUntrainable : public TIterateObj {
 public:
  void Visit() override;
};

class TIterateObjPruneNode : public TIterateObj {
 public:
  void Visit() override { ++count; }
  int count = 0;
};

// ---------------------------------------------------------------------------
// Connection sets

// The weights from the neurons of layer fromLayer to those of layer toLayer.
// Neuron counts are those of the network's two layers. Released through
// Destroy.
class TBasicConnections {
 public:
  TBasicConnections(TBasicNetwork* network, int fromLayer, int toLayer)
      : network(network), fromLayer(fromLayer), toLayer(toLayer) {}
  TBasicConnections(const TBasicConnections&) = delete;  // use Clone
  TBasicConnections& operator=(const TBasicConnections&) = delete;

  virtual bool IsConnected() { return true; }
  virtual int GetNumWeights(int allWeights);
  // Selected weights in walking order (to-neurons outer, from-neurons inner).
  virtual int GetWeights(double* out, int allWeights);
  virtual int SetWeights(const double* in, int allWeights);
  // New weights for the existing trainable weights.
  virtual void Randomize(double min, double max);
  virtual double* GetWeightPtr(int from, int to) = 0;
  // net[t] += sum over existing weights (f, t) of weight * value of f.
  virtual void AddWeightedInput(double* net);
  virtual bool IsValid(int from, int to) = 0;
  virtual bool IsTrainable(int from, int to) { return IsValid(from, to); }
  virtual void RemoveWeight(int from, int to);
  virtual void AddWeight(int from, int to);
  virtual void SetTrainable(int from, int to);
  virtual void SetUntrainable(int from, int to);
  virtual void IterateTo(TIterateObj& v, int to, int allWeights) = 0;
  virtual void IterateFrom(TIterateObj& v, int from, int allWeights) = 0;
  virtual void IterateAll(TIterateObj& v, int allWeights) = 0;
  virtual void IterateAll2(TIterateObj2& v, TBasicNetwork* second, int allWeights) = 0;
  virtual void IterateAll3(TIterateObj3& v, TBasicNetwork* second, TBasicNetwork* third,
                           int allWeights) = 0;
  // One fixed text per kind: "Empty", "FullyConnected", "Pruneable".
  virtual const char* GetConnectionsNType() = 0;
  virtual char GetFlags(int /*from*/, int /*to*/) { return FMaskAll; }
  // Accepts only FMaskAll and FMaskExists (and changes nothing).
  virtual void SetFlags(int from, int to, char val);
  virtual void Destroy() = 0;
  // A copy with the same kind, layers and weights, belonging to n.
  virtual TBasicConnections* Clone(TBasicNetwork* n) = 0;
  // Called after the layer changed its neuron count (structure editing).
  virtual void RemoveFromNode(int node) = 0;
  virtual void RemoveToNode(int node) = 0;
  virtual void InsertFromNode(int node, double min, double max, bool attached);
  virtual void InsertToNode(int node, double min, double max, bool attached);

  // The flag bytes of all existing weights in walking order; caller owns.
  std::unique_ptr<char[]> GetAllFlags();
  // Writes back flags in the order GetAllFlags produced them.
  void SetAllFlags(const char* flags);
  void SetAllUntrainable();

  TBasicNetwork* network;  // not owned
  int fromLayer;
  int toLayer;

 protected:
  virtual ~TBasicConnections() = default;
  int FromCount() const;  // neurons of the from layer
  int ToCount() const;    // neurons of the to layer
};

// The set of a pair without weights.
class TEmptyConnections : public TBasicConnections {
 public:
  TEmptyConnections(TBasicNetwork* network, int fromLayer, int toLayer)
      : TBasicConnections(network, fromLayer, toLayer) {}

  bool IsConnected() override { return false; }
  int GetNumWeights(int) override { return 0; }
  int GetWeights(double*, int) override { return 0; }
  int SetWeights(const double*, int) override { return 0; }
  void Randomize(double, double) override {}
  double* GetWeightPtr(int from, int to) override;  // fails a fatal assertion
  void AddWeightedInput(double*) override {}
  bool IsValid(int, int) override { return false; }
  void IterateTo(TIterateObj&, int, int) override {}
  void IterateFrom(TIterateObj&, int, int) override {}
  void IterateAll(TIterateObj&, int) override {}
  void IterateAll2(TIterateObj2&, TBasicNetwork*, int) override {}
  void IterateAll3(TIterateObj3&, TBasicNetwork*, TBasicNetwork*, int) override {}
  const char* GetConnectionsNType() override;
  void Destroy() override { delete this; }
  TBasicConnections* Clone(TBasicNetwork* n) override;
  void RemoveFromNode(int) override {}
  void RemoveToNode(int) override {}
  void InsertFromNode(int, double, double, bool) override {}
  void InsertToNode(int, double, double, bool) override {}

  double dummyWeight = 0.0;

 protected:
  ~TEmptyConnections() override = default;
};

// ---------------------------------------------------------------------------
// Arcs iterators: cursors over the incoming arcs of one target neuron. The
// working kinds belong to the connected network (TConnectedNetwork.h). The
// creator deletes an iterator; it must not outlive its network, and the
// network's layers and sets must not change while it stands on an arc.

class TArcsIterator {
 public:
  virtual ~TArcsIterator() = default;
  virtual int GetFromLayer() = 0;
  virtual int GetToLayer() = 0;
  virtual int GetFromNode() = 0;
  virtual int GetToNode() = 0;
  virtual TBasicNeuron* GetToNeuron() = 0;
  virtual TBasicNeuron* GetFromNeuron() = 0;
  virtual double* GetWeight() = 0;
  // Truth test: answers IsValid().
  virtual explicit operator bool() { return IsValid(); }
  virtual bool IsValid() = 0;
  virtual bool Next() = 0;
  virtual bool Prev() = 0;

  int fromLayer = 0;
  int fromNode = -1;
  int toLayer = 0;
  int toNode = 0;
  TBasicNeuron* fromNeuron = nullptr;
  TBasicNeuron* toNeuron = nullptr;
  double* weight = nullptr;
  TBasicNetwork* network = nullptr;  // not owned
  double* fromValues = nullptr;
};

class TInAllArcsIterator : public TArcsIterator {
 public:
  explicit TInAllArcsIterator(TBasicNetwork* n) { network = n; }
  // Places the iterator before the first arc into (toLayer, toNode).
  virtual void Init(int /*toLayer*/, int /*toNode*/) {}
  // Starts at the neuron's stored layer number and index.
  void Init(const TBasicNeuron& neuron) { Init(neuron.layerNum, neuron.index); }
};

class TInLayerArcsIterator : public TArcsIterator {
 public:
  explicit TInLayerArcsIterator(TBasicNetwork* n) { network = n; }
  // Places the iterator before the first arc from fromLayer into
  // (toLayer, toNode); returns fromLayer, or -1 when it refuses the pair.
  virtual int Init(int /*toLayer*/, int /*toNode*/, int fromLayer) { return fromLayer; }
  // Arcs from layer 0 into the neuron's stored position.
  int Init(const TBasicNeuron& neuron) { return Init(neuron.layerNum, neuron.index, 0); }
};

// ---------------------------------------------------------------------------
// The network

class TBasicNetwork {
 public:
  // Nothing but the object; a derived class calls Init itself.
  TBasicNetwork();
  explicit TBasicNetwork(int numLayers);
  // Deep copies. The registry is not copied: the copy holds the defaults.
  TBasicNetwork(const TBasicNetwork& x);
  TBasicNetwork& operator=(const TBasicNetwork& x);

  virtual ~TBasicNetwork();
  // Network-wide weights: sets in the order "from layer outer, to layer
  // inner", each set's block in the set's own order.
  virtual int GetNumWeights(int allWeights);
  virtual int GetWeights(double* out, int allWeights);
  virtual int SetWeights(const double* in, int allWeights);
  virtual void Randomize(double min, double max);
  // Gives the pair a weight-carrying set (TPrunedConnections here) unless it
  // has one already; existing weights stay.
  virtual void Connect(int fromLayer, int toLayer);
  // Replaces the pair's set by a new empty one.
  virtual void Disconnect(int fromLayer, int toLayer);
  // Evaluates layers in index order; copies the output layer's values.
  virtual void Evaluate(const double* inputs, double* outputs);
  virtual const char* GetNetworkType() { return "Basic"; }
  // Caller owns the iterator. Only the connected network provides one: here
  // it fails a fatal assertion.
  virtual TArcsIterator* NewInAllArcsIterator();

  // Allocates the matrix (every pair an empty set), the layer table (null
  // entries) and the registry with its defaults. Called once.
  void Init(int numLayers);
  int GetNumNeurons();
  // Neuron with a global number: layer 0 first, each layer in order.
  TBasicNeuron* GetNeuron(int index);
  // Walks the weights entering / leaving one neuron over all sets of its row
  // / column, without resetting the visitor.
  void IterateToNode(TIterateObj& visitor, int toLayer, int node, int allWeights);
  void IterateFromNode(TIterateObj& visitor, int fromLayer, int node, int allWeights);

  // Structure editing. Each operation keeps the network's invariants: one
  // set per ordered pair of layers, layer i (and its neurons' layerNum) at
  // position i, every set's fromLayer / toLayer equal to its column / row,
  // and inLayer / outLayer naming the same layers as before. A hidden layer
  // is one that is neither inLayer nor outLayer. Broken preconditions fail
  // fatal assertions. Pointers to layers and sets stay valid except for the
  // ones removed; pointers to the neurons and value slots of an edited layer
  // become stale.
  //
  // Puts layer, which the caller constructed for this network, at position
  // LayerNum (0 to n_layers); the network takes ownership once the call
  // returns (on an exception nothing changes and the caller keeps it). The
  // new layer is connected to nothing: its row and column hold empty sets.
  void InsertLayer(int LayerNum, TBasicLayer* layer);
  // Destroys the hidden layer at LayerNum with every set of its row and
  // column.
  void RemoveLayer(int LayerNum);
  // Inserts a neuron at position node (0 to the layer's neuron count) of the
  // hidden layer LayerNum. With attached, every weight-carrying set into or
  // out of the layer gains existing, trainable weights for it drawn from min
  // to max (RandomWeight, set by set in row order); otherwise the new
  // weights are absent, which a fully connected set refuses (fatal).
  void InsertNode(int LayerNum, int node, double min, double max, bool attached);
  // Removes neuron node of the hidden layer LayerNum with all its weights.
  void RemoveNode(int LayerNum, int node);
  // Removes every hidden neuron below outLayer from which no existing weight
  // leaves (into any layer), walking layers and neurons downwards; returns
  // the number removed. A neuron that loses its last outgoing weight later
  // in the same pass stays until the next call.
  int PruneNodes();

  int n_layers = 0;
  std::vector<TBasicLayer*> layers;            // owned, released with Destroy
  int inLayer = 0;
  int outLayer = 0;
  std::vector<TBasicConnections*> priv_conns;  // owned; [to * n_layers + from]
  std::vector<TBasicConnections**> priv_conns_index;  // row t = &priv_conns[t * n_layers]
  std::unique_ptr<TFnRegistry> fn_registry;

 private:
  void IndexRows();
  void ReleaseAll();
  // Gives the layer at position pos the layer number pos, in the layer and
  // in each of its neurons.
  void NumberLayer(int pos);
};

#endif  // MAPTAG_WORKING_NEURALNETS_TBASICNETWORK_H_
