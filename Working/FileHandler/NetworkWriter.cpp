#include "Working/FileHandler/NetworkWriter.h"

#include <charconv>
#include <memory>
#include <string_view>
#include <vector>

#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/KQmessage/KQML.h"
#include "Working/NeuralNets/TKohonenNetwork.h"

namespace {

constexpr const char* kFile = "Working/FileHandler/NetworkWriter.cpp";

// Keywords as written; the reader compares them without regard to case.
constexpr const char* kNeuralNetwork = "NeuralNetwork";
constexpr const char* kNetworkType = "NetworkType";
constexpr const char* kNetworkInformation = "NetworkInformation";
constexpr const char* kNumberOfLayers = "NumberOfLayers";
constexpr const char* kInputLayer = "InputLayer";
constexpr const char* kOutputLayer = "OutputLayer";
constexpr const char* kNumberOfInputs = "NumberOfInputs";
constexpr const char* kNumberOfOutputs = "NumberOfOutputs";
constexpr const char* kBiasLayer = "BiasLayer";
constexpr const char* kKohonenType = "KOHONEN";
constexpr const char* kDimensions = "Dimensions";
constexpr const char* kDimension = "Dimension";
constexpr const char* kSize = "Size";
constexpr const char* kLayer = "Layer";
constexpr const char* kLayerType = "LayerType";
constexpr const char* kNumberOfNeurons = "NumberOfNeurons";
constexpr const char* kAll = "All";
constexpr const char* kActivationFunction = "ActivationFunction";
constexpr const char* kNeurons = "Neurons";
constexpr const char* kNeuron = "Neuron";
constexpr const char* kConnectionLayer = "ConnectionLayer";
constexpr const char* kLayerFrom = "LayerFrom";
constexpr const char* kLayerTo = "LayerTo";
constexpr const char* kConnectionType = "ConnectionType";
constexpr const char* kAttributes = "Attributes";
constexpr const char* kPruneable = "Pruneable";
constexpr const char* kFreezable = "Freezable";
constexpr const char* kUnPrunable = "UnPrunable";
constexpr const char* kUnFreezable = "UnFreezable";
constexpr const char* kFullyConnected = "FullyConnected";
constexpr const char* kMatrix = "Matrix";
constexpr const char* kWeights = "Weights";
constexpr const char* kTrainableInfo = "TrainableInfo";
constexpr const char* kWeightList = "WeightList";
constexpr const char* kFrom = "From";
constexpr const char* kTo = "To";
constexpr const char* kWeight = "Weight";
constexpr const char* kTrainable = "Trainable";
constexpr const char* kUnTrainable = "UnTrainable";
constexpr const char* kBiasFunction = "bias";

// The matrix comments.
constexpr std::string_view kColumnHeaderStart = "/* To->";
constexpr std::string_view kColumnHeaderEnd = "  From */";
constexpr std::string_view kRowNumberStart = " /* ";
constexpr std::string_view kRowNumberEnd = " */";

// Messages.
constexpr const char* kIllegalBias = "Illegal number of bias nodes";
constexpr const char* kCannotCreate = "Error on File Create";
constexpr const char* kCannotWrite = "Error on File Write";

// Digits: decimals for parameters and listed weights, significant digits
// for matrix weights.
constexpr int kPrecision = 15;
// A set is written as a list when its weights fill less than this share of
// its cells.
constexpr double kListShare = 0.35;

void RightAligned(TextOutput& out, std::string_view text, int width) {
  for (int i = static_cast<int>(text.size()); i < width; ++i) out.Put(' ');
  out.Write(text);
}

void RightAlignedInteger(TextOutput& out, int value, int width) {
  char text[16];
  const char* end = std::to_chars(text, text + sizeof text, value).ptr;
  RightAligned(out, std::string_view(text, end - text), width);
}

void WriteGeneralCell(TextOutput& out, double value, int width) {
  char text[64];
  const char* end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, kPrecision).ptr;
  RightAligned(out, std::string_view(text, end - text), width);
}

bool IsPruneable(TBasicConnections* set) {
  return FileTools::strcasecmp(set->GetConnectionsNType(), kFullyConnected) != 0;
}

void WriteInformation(char* scratch, TextOutput& out, TBasicNetwork* net) {
  WriteOpenTag(scratch, out, kNetworkInformation, true);
  WriteIntegerValue(scratch, out, kNumberOfLayers, net->n_layers, true);
  WriteIntegerValue(scratch, out, kInputLayer, net->inLayer, true);
  WriteIntegerValue(scratch, out, kOutputLayer, net->outLayer, true);
  WriteIntegerValue(scratch, out, kNumberOfInputs, net->layers[net->inLayer]->numNeurons, true);
  WriteIntegerValue(scratch, out, kNumberOfOutputs, net->layers[net->outLayer]->numNeurons, true);
  const ActivationFunction bias = net->fn_registry->FindFunction(kBiasFunction);
  for (int L = 0; L < net->n_layers; ++L) {
    TBasicLayer* layer = net->layers[L];
    if (bias == nullptr || layer->numNeurons < 1 || layer->GetActivationFunction() != bias) {
      continue;
    }
    if (layer->numNeurons > 1) throw FileTools::Error(kIllegalBias, nullptr, &out);
    WriteIntegerValue(scratch, out, kBiasLayer, L, true);
  }
  WriteEndTag(scratch, out, kNetworkInformation);
}

void WriteDimensions(char* scratch, TextOutput& out, TBasicNetwork* net) {
  auto* kohonen = dynamic_cast<TKohonenNetwork*>(net);
  FatalAssert(kohonen != nullptr, "kohonen != NULL", kFile, __LINE__);
  std::vector<int> sizes(kohonen->numDims);
  kohonen->GetDimensions(sizes.data());
  WriteNewline(scratch, out);
  WriteIntegerValue(scratch, out, kDimensions, kohonen->numDims, true);
  for (int i = 0; i < kohonen->numDims; ++i) {
    OpenBracket(scratch, out, true);
    WriteIntegerValue(scratch, out, kDimension, i, false);
    WriteIntegerValue(scratch, out, kSize, sizes[i], false);
    CloseBracket(scratch, out, true, true);
  }
  WriteEndTag(scratch, out, kDimensions);
}

// The All lines for what every neuron shares, then a neurons block for the
// rest: each neuron's own function when the layer has no common one, and
// each parameter that is not common. Parameters compare by value (as
// doubles) and by name (without regard to case) against neuron 0.
void WriteParameters(char* scratch, TextOutput& out, TBasicNetwork* net, TBasicLayer* layer,
                     bool common_function) {
  TBasicNeuron* first = layer->GetNeuron(0);
  const int p = first->GetNumParameters();
  std::vector<double> reference(p);
  if (p > 0) first->GetParameters(reference.data());
  std::vector<const char*> names(p);
  for (int j = 0; j < p; ++j) names[j] = first->GetParameterName(j);

  std::vector<char> common(p, 1);
  std::vector<double> values;
  for (int i = 1; i < layer->numNeurons; ++i) {
    TBasicNeuron* neuron = layer->GetNeuron(i);
    const int own = neuron->GetNumParameters();
    values.assign(own, 0.0);
    if (own > 0) neuron->GetParameters(values.data());
    for (int j = 0; j < p; ++j) {
      if (j >= own || values[j] != reference[j] ||
          FileTools::strcasecmp(neuron->GetParameterName(j), names[j]) != 0) {
        common[j] = 0;
      }
    }
  }

  bool all_common = true;
  for (int j = 0; j < p; ++j) {
    if (!common[j]) {
      all_common = false;
      continue;
    }
    OpenBracket(scratch, out, true);
    WriteOpenTag(scratch, out, kAll, false);
    WriteNumberValue(scratch, out, names[j], reference[j], kPrecision, false);
    CloseBracket(scratch, out, true, true);
  }
  if (common_function && all_common) return;

  WriteOpenTag(scratch, out, kNeurons, true);
  for (int i = 0; i < layer->numNeurons; ++i) {
    TBasicNeuron* neuron = layer->GetNeuron(i);
    OpenBracket(scratch, out, true);
    WriteIntegerValue(scratch, out, kNeuron, i, false);
    if (!common_function) {
      WriteStringValue(scratch, out, kActivationFunction,
                       net->fn_registry->GetFunctionName(neuron->GetActivationFunction()), false);
    }
    if (!all_common) {
      const int own = neuron->GetNumParameters();
      values.assign(own, 0.0);
      if (own > 0) neuron->GetParameters(values.data());
      for (int j = 0; j < p && j < own; ++j) {
        if (!common[j]) WriteNumberValue(scratch, out, names[j], values[j], kPrecision, false);
      }
    }
    CloseBracket(scratch, out, true, true);
  }
  WriteEndTag(scratch, out, kNeurons);
}

void WriteLayer(char* scratch, TextOutput& out, TBasicNetwork* net, int index) {
  TBasicLayer* layer = net->layers[index];
  WriteNewline(scratch, out);
  WriteIntegerValue(scratch, out, kLayer, index, true);
  WriteStringValue(scratch, out, kLayerType, layer->GetLayerType(), true);
  WriteIntegerValue(scratch, out, kNumberOfNeurons, layer->numNeurons, true);
  const ActivationFunction function = layer->GetActivationFunction();
  if (function != nullptr) {
    OpenBracket(scratch, out, true);
    WriteOpenTag(scratch, out, kAll, false);
    WriteStringValue(scratch, out, kActivationFunction, net->fn_registry->GetFunctionName(function),
                     false);
    CloseBracket(scratch, out, true, true);
  }
  if (layer->numNeurons > 0) WriteParameters(scratch, out, net, layer, function != nullptr);
  WriteEndTag(scratch, out, kLayer);
}

// One line of column numbers, each ending where its cells end, then one
// line per source neuron. Both numberings are comments.
void WriteMatrix(char* scratch, TextOutput& out, TBasicConnections* set, bool pruneable,
                 int sources, int targets) {
  OpenBracket(scratch, out, true);
  WriteOpenTag(scratch, out, kMatrix, false);
  WriteItem(scratch, TagWord, kWeights, nullptr, out, false);
  if (pruneable) WriteItem(scratch, TagWord, kTrainableInfo, nullptr, out, false);
  CloseBracket(scratch, out, true, true);

  const int first_width = pruneable ? kPrecision : kPrecision - 2;
  const int next_width = pruneable ? kPrecision + 8 : kPrecision + 6;
  const int cell_width = kPrecision + 5;
  out.Write(kColumnHeaderStart);
  for (int t = 0; t < targets; ++t) RightAlignedInteger(out, t, t == 0 ? first_width : next_width);
  out.Write(kColumnHeaderEnd);
  out.Newline();

  for (int s = 0; s < sources; ++s) {
    for (int t = 0; t < targets; ++t) {
      const bool exists = set->IsValid(s, t);
      if (exists) {
        WriteGeneralCell(out, *set->GetWeightPtr(s, t), cell_width);
      } else {
        RightAligned(out, "-", cell_width);
      }
      out.Put(' ');
      if (pruneable) {
        out.Put(!exists ? '-' : set->IsTrainable(s, t) ? 'T' : 'F');
        out.Put(' ');
      }
    }
    out.Write(kRowNumberStart);
    out.WriteInteger(s);
    out.Write(kRowNumberEnd);
    out.Newline();
  }
  WriteEndTag(scratch, out, kMatrix);
}

void WriteConnections(char* scratch, TextOutput& out, TBasicNetwork* net, int from, int to) {
  TBasicConnections* set = net->priv_conns_index[to][from];
  const bool pruneable = IsPruneable(set);
  WriteNewline(scratch, out);
  WriteOpenTag(scratch, out, kConnectionLayer, true);
  WriteIntegerValue(scratch, out, kLayerFrom, from, true);
  WriteIntegerValue(scratch, out, kLayerTo, to, true);
  WriteStringValue(scratch, out, kConnectionType, set->GetConnectionsNType(), true);
  OpenBracket(scratch, out, true);
  WriteOpenTag(scratch, out, kAttributes, false);
  WriteItem(scratch, TagWord, pruneable ? kPruneable : kUnPrunable, nullptr, out, false);
  WriteItem(scratch, TagWord, pruneable ? kFreezable : kUnFreezable, nullptr, out, false);
  CloseBracket(scratch, out, true, true);

  TIterateObjCount counter;
  set->IterateAll(counter, 1);
  const int sources = net->layers[from]->numNeurons;
  const int targets = net->layers[to]->numNeurons;
  const double cells = static_cast<double>(sources) * static_cast<double>(targets);
  if (cells * kListShare > counter.count) {
    WriteOpenTag(scratch, out, kWeightList, true);
    TIterateObjSaveWeights saver(out, scratch, pruneable, kPrecision);
    set->IterateAll(saver, 1);
    WriteEndTag(scratch, out, kWeightList);
  } else {
    WriteMatrix(scratch, out, set, pruneable, sources, targets);
  }
  WriteEndTag(scratch, out, kConnectionLayer);
}

}  // namespace

void TIterateObjSaveWeights::Visit() {
  OpenBracket(scratch, *out, true);
  WriteIntegerValue(scratch, *out, kFrom, fromNode, false);
  WriteIntegerValue(scratch, *out, kTo, toNode, false);
  WriteNumberValue(scratch, *out, kWeight, *weight, precision, false);
  if (pruneable) {
    WriteItem(scratch, TagWord, trainable ? kTrainable : kUnTrainable, nullptr, *out, false);
  }
  CloseBracket(scratch, *out, true, true);
}

void WriteNetwork(char* scratch, TextOutput& out, TBasicNetwork* network, TKQstructure* options) {
  delete options;
  TBasicNetwork* net = network;
  FatalAssert(net->inLayer >= 0 && net->inLayer < net->n_layers &&
                  net->outLayer >= 0 && net->outLayer < net->n_layers,
              "inLayer and outLayer within the layers", kFile, __LINE__);

  WriteFormatVersion(scratch, out);
  WriteOpenTag(scratch, out, kNeuralNetwork, true);
  WriteStringValue(scratch, out, kNetworkType, net->GetNetworkType(), true);
  WriteNewline(scratch, out);
  WriteInformation(scratch, out, net);
  if (FileTools::strcasecmp(net->GetNetworkType(), kKohonenType) == 0) {
    WriteDimensions(scratch, out, net);
  }
  for (int L = 0; L < net->n_layers; ++L) WriteLayer(scratch, out, net, L);
  for (int from = 0; from < net->n_layers; ++from) {
    for (int to = 0; to < net->n_layers; ++to) {
      if (net->priv_conns_index[to][from]->IsConnected()) {
        WriteConnections(scratch, out, net, from, to);
      }
    }
  }
  WriteNewline(scratch, out);
  WriteEndTag(scratch, out, kNeuralNetwork);
}

void SaveNetwork(char* scratch, const char* path, TBasicNetwork* network, TKQstructure* options) {
  delete options;
  TextOutput out;
  if (!out.Open(path, TextOutput::Mode::kReplace)) {
    throw FileTools::Error(kCannotCreate, nullptr, nullptr);
  }
  try {
    WriteNetwork(scratch, out, network, nullptr);
  } catch (FileTools::Error& error) {
    error.outStream = nullptr;  // out and its temporary file go away here
    throw;
  }
  if (!out.Close()) throw FileTools::Error(kCannotWrite, nullptr, nullptr);
}
