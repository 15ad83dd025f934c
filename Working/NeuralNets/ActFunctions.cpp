#include "Working/NeuralNets/ActFunctions.h"

#include <cmath>

#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"
#include "Working/NeuralNets/TBasicNetwork.h"

namespace {

constexpr const char* kFile = "Working/NeuralNets/ActFunctions.cpp";
constexpr int kInitialCapacity = 16;

double Gain(const TBasicNeuron& neuron) {
  // Only gain neurons ever hold a gain function (see SetActivationFunction).
  return static_cast<const TGainNeuron&>(neuron).gain;
}

}  // namespace

void ActFnError(TBasicNeuron&, double) { FatalAssert(false, "false", kFile, 37); }

void ActFnNull(TBasicNeuron&, double) { FatalAssert(false, "false", kFile, 45); }

void ActFnBias(TBasicNeuron& neuron, double) { *neuron.value = 1.0; }

void ActFnLinear(TBasicNeuron& neuron, double net) { *neuron.value = net; }

void ActFnSaturatedLinear(TBasicNeuron& neuron, double net) {
  if (net <= 0.0) {
    *neuron.value = 0.0;
  } else if (net < 1.0) {
    *neuron.value = net;
  } else {
    *neuron.value = 1.0;
  }
}

void ActFnSigmoid(TBasicNeuron& neuron, double net) {
  *neuron.value = net < -500.0 ? 1e-300 : 1.0 / (std::exp(-net) + 1.0);
}

void ActFnTanh(TBasicNeuron& neuron, double net) { *neuron.value = std::tanh(net); }

void ActFnLinearGain(TBasicNeuron& neuron, double net) { *neuron.value = Gain(neuron) * net; }

void ActFnSigmoidGain(TBasicNeuron& neuron, double net) {
  *neuron.value = 1.0 / (std::exp(-Gain(neuron) * net) + 1.0);
}

void ActFnTanhGain(TBasicNeuron& neuron, double net) {
  *neuron.value = std::tanh(Gain(neuron) * net);
}

bool ActivationNeedsGain(ActivationFunction function) {
  return function == &ActFnLinearGain || function == &ActFnSigmoidGain ||
         function == &ActFnTanhGain;
}

TFnRegistry::TFnRegistry() : capacity_(kInitialCapacity) { entries_.reserve(kInitialCapacity); }

TFnRegistry::~TFnRegistry() = default;

void TFnRegistry::RegisterDefaults() {
  Register(&ActFnError, "error");
  Register(&ActFnNull, "null");
  Register(&ActFnBias, "bias");
  Register(&ActFnLinear, "linear");
  Register(&ActFnSaturatedLinear, "saturated-linear");
  Register(&ActFnSigmoid, "sigmoid");
  Register(&ActFnTanh, "tanh");
  Register(&ActFnLinearGain, "linear-gain");
  Register(&ActFnSigmoidGain, "sigmoid-gain");
  Register(&ActFnTanhGain, "tanh-gain");
}

int TFnRegistry::Find(const char* name) const {
  for (int i = GetCount() - 1; i >= 0; --i) {
    if (FileTools::strcasecmp(name, entries_[i].name.c_str()) == 0) return i;
  }
  return -1;
}

void TFnRegistry::Append(ActivationFunction function, const char* name) {
  if (GetCount() == capacity_) {
    capacity_ *= 2;
    entries_.reserve(capacity_);
  }
  entries_.push_back(Entry{name, function});
}

void TFnRegistry::Register(ActivationFunction function, const char* name) {
  FatalAssert(Find(name) < 0, "strcasecmp(p,pp->name)!=0", kFile, 236);
  Append(function, name);
}

ActivationFunction TFnRegistry::GetFunction(const char* name) const {
  const int i = Find(name);
  FatalAssert(i >= 0, "false", kFile, 207);
  return entries_[i].function;
}

ActivationFunction TFnRegistry::FindFunction(const char* name) const {
  const int i = Find(name);
  return i >= 0 ? entries_[i].function : nullptr;
}

const char* TFnRegistry::GetFunctionName(ActivationFunction function) const {
  for (int i = GetCount() - 1; i >= 0; --i) {
    if (entries_[i].function == function) return entries_[i].name.c_str();
  }
  FatalAssert(false, "false", kFile, 223);
  return nullptr;
}

ActivationFunction& TFnRegistry::FunctionSlot(const char* name) {
  int i = Find(name);
  if (i < 0) {
    Append(nullptr, name);
    i = GetCount() - 1;
  }
  return entries_[i].function;
}
