// Activation functions and the per-network registry that names them.
//
// An activation function takes a neuron and its net input and stores the
// neuron's output through the neuron's `value` pointer. A function is
// identified by its address: two neurons share a function exactly when they
// hold the same address.
//
// The three gain functions ("linear-gain", "sigmoid-gain", "tanh-gain") read
// the neuron's gain, which only a TGainNeuron carries. Neurons and layers
// refuse them unless they hold gain neurons (a fatal assertion in
// SetActivationFunction); code that installs functions from outside input,
// such as the network file reader, asks ActivationNeedsGain (or the
// layer's / neuron's AcceptsActivationFunction) first and reports the error
// itself.
#ifndef MAPTAG_WORKING_NEURALNETS_ACTFUNCTIONS_H_
#define MAPTAG_WORKING_NEURALNETS_ACTFUNCTIONS_H_

#include <string>
#include <vector>

class TBasicNeuron;

using ActivationFunction = void (*)(TBasicNeuron& neuron, double net);

// The ten standard functions, in their order of registration.
void ActFnError(TBasicNeuron& neuron, double net);        // "error": fails an assertion
void ActFnNull(TBasicNeuron& neuron, double net);         // "null": fails an assertion
void ActFnBias(TBasicNeuron& neuron, double net);         // "bias": 1.0
void ActFnLinear(TBasicNeuron& neuron, double net);       // "linear": x
void ActFnSaturatedLinear(TBasicNeuron& neuron, double net);  // "saturated-linear"
void ActFnSigmoid(TBasicNeuron& neuron, double net);      // "sigmoid", cut off below -500
void ActFnTanh(TBasicNeuron& neuron, double net);         // "tanh"
void ActFnLinearGain(TBasicNeuron& neuron, double net);   // "linear-gain": g*x
void ActFnSigmoidGain(TBasicNeuron& neuron, double net);  // "sigmoid-gain"
void ActFnTanhGain(TBasicNeuron& neuron, double net);     // "tanh-gain"

// True for the functions that read a neuron's gain; such a function may only
// be installed on gain neurons (TGainNeuron).
bool ActivationNeedsGain(ActivationFunction function);

// A table of named activation functions. Names are matched without regard to
// case and kept in the case they were registered with. The table starts with
// room for 16 entries and doubles its capacity whenever it is full; entries
// keep their order of registration.
class TFnRegistry {
 public:
  TFnRegistry();
  virtual ~TFnRegistry();
  TFnRegistry(const TFnRegistry&) = delete;
  TFnRegistry& operator=(const TFnRegistry&) = delete;

  // Registers the ten standard functions, in the order listed above.
  virtual void RegisterDefaults();

  // Adds an entry. A name that is already registered, in any mix of cases,
  // fails a fatal assertion.
  void Register(ActivationFunction function, const char* name);

  // The function registered under name; an unknown name fails a fatal
  // assertion (use FindFunction to ask first).
  ActivationFunction GetFunction(const char* name) const;

  // The function registered under name, or null when there is none.
  ActivationFunction FindFunction(const char* name) const;

  // The name the function was registered with (owned by the registry); an
  // unregistered function fails a fatal assertion.
  const char* GetFunctionName(ActivationFunction function) const;

  // The function slot stored under name; an unknown name appends a new entry
  // without a function first. The reference stays valid until the next entry
  // is added.
  ActivationFunction& FunctionSlot(const char* name);

  int GetCount() const { return static_cast<int>(entries_.size()); }
  int GetCapacity() const { return capacity_; }

 private:
  struct Entry {
    std::string name;
    ActivationFunction function;
  };

  // Index of the entry named name (latest first), or -1.
  int Find(const char* name) const;
  void Append(ActivationFunction function, const char* name);

  std::vector<Entry> entries_;
  int capacity_;
};

#endif  // MAPTAG_WORKING_NEURALNETS_ACTFUNCTIONS_H_
