#include "Working/FileHandler/NetworkFile.h"

#include <algorithm>
#include <climits>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Working/Exceptions/Exceptions.h"
#include "Working/KQmessage/KQML.h"
#include "Working/NeuralNets/TBasicNetwork.h"
#include "Working/NeuralNets/TConnectedConnections.h"
#include "Working/NeuralNets/TConnectedNetwork.h"
#include "Working/NeuralNets/TKohonenNetwork.h"
#include "Working/NeuralNets/TPrunedConnections.h"

namespace {

// Keywords, in the case the reader compares them in (any case matches).
constexpr char kNeuralNetwork[] = "NEURALNETWORK";
constexpr char kNetworkType[] = "NETWORKTYPE";
constexpr char kNetworkInformation[] = "NETWORKINFORMATION";
constexpr char kNumberOfLayers[] = "NUMBEROFLAYERS";
constexpr char kInputLayer[] = "INPUTLAYER";
constexpr char kOutputLayer[] = "OUTPUTLAYER";
constexpr char kNumberOfInputs[] = "NUMBEROFINPUTS";
constexpr char kNumberOfOutputs[] = "NUMBEROFOUTPUTS";
constexpr char kBiasLayer[] = "BIASLAYER";
constexpr char kBasic[] = "BASIC";
constexpr char kConnected[] = "CONNECTED";
constexpr char kKohonen[] = "KOHONEN";
constexpr char kDimensions[] = "DIMENSIONS";
constexpr char kDimension[] = "DIMENSION";
constexpr char kSize[] = "SIZE";
constexpr char kLayer[] = "LAYER";
constexpr char kAll[] = "ALL";
constexpr char kLayerType[] = "LAYERTYPE";
constexpr char kNumberOfNeurons[] = "NUMBEROFNEURONS";
constexpr char kActivationFunction[] = "ACTIVATIONFUNCTION";
constexpr char kSimple[] = "SIMPLE";
constexpr char kInput[] = "INPUT";
constexpr char kGain[] = "GAIN";
constexpr char kNeurons[] = "NEURONS";
constexpr char kNeuron[] = "NEURON";
constexpr char kConnectionLayer[] = "CONNECTIONLAYER";
constexpr char kLayerFrom[] = "LAYERFROM";
constexpr char kLayerTo[] = "LAYERTO";
constexpr char kConnectionType[] = "CONNECTIONTYPE";
constexpr char kAttributes[] = "ATTRIBUTES";
constexpr char kFullyConnected[] = "FULLYCONNECTED";
constexpr char kPruneable[] = "PRUNEABLE";
constexpr char kMatrix[] = "MATRIX";
constexpr char kWeights[] = "WEIGHTS";
constexpr char kTrainableInfo[] = "TRAINABLEINFO";
constexpr char kWeightList[] = "WEIGHTLIST";
constexpr char kFrom[] = "FROM";
constexpr char kTo[] = "TO";
constexpr char kWeight[] = "WEIGHT";
constexpr char kTrainable[] = "TRAINABLE";
constexpr char kUntrainable[] = "UNTRAINABLE";

// Messages of the format.
constexpr char kErrorOnFileOpen[] = "Error on File Open";
constexpr char kTooComplicated[] = "Too complicated statement";
constexpr char kUnknownKeyword[] = "Unknown keyword";
constexpr char kMustSpecifyLayers[] = "Must specify number of layers";
constexpr char kUnknownNetworkType[] = "Unknown network type";
constexpr char kMissingDimensions[] = "Missing dimensions in Kohonen";
constexpr char kInvalidDimensionTag[] = "invalid dimension tag";
constexpr char kSizeRequired[] = "'Size' tag required for dimension data";
constexpr char kAllIncomplete[] = "[ALL] is incomplete statment";
constexpr char kAllSyntax[] = "Required syntax is [ALL <keyword>=<val>]";
constexpr char kWrongInputs[] = "wrong number inputs in header";
constexpr char kWrongOutputs[] = "wrong number outputs in header";
constexpr char kUnknownLayerType[] = "Unknown layer type";
constexpr char kRepeatedNeuron[] = "repeated neuron";
constexpr char kEqualsExpected[] = "Equals clause expected in neuron parameter";
constexpr char kNoActivationFunction[] = "No activation function defined";
constexpr char kNeuronNotDefined[] = "Neuron not defined";
constexpr char kIncompleteLayer[] = "Incomplete Layer information";
constexpr char kUnknownKeywordInConnections[] = "Unknown keyword in connections";
constexpr char kInsufficientLayer[] = "Insufficient information to construct layer";
constexpr char kConnectionsDefined[] = "Connections already defined";
constexpr char kKeywordExpectedInMatrix[] = "Keyword expected in matrix parameter";
constexpr char kUnknownMatrixAttribute[] = "Unknown matrix attribute";
constexpr char kTokenExpected[] = "Token Expected";
constexpr char kUnknownKeywordInWeights[] = "Unknown keyword in weights list";
constexpr char kInsufficientWeights[] = "Insufficient information in weights list";

// Messages for files the format leaves undefined.
constexpr char kInputLayerRange[] = "Input layer out of range";
constexpr char kOutputLayerRange[] = "Output layer out of range";
constexpr char kKohonenLayers[] = "Kohonen network must have three layers";
constexpr char kKohonenConnections[] = "Kohonen network needs connections from layer 1 to layer 2";
constexpr char kNegativeDimensionCount[] = "Negative number of dimensions";
constexpr char kDimensionIndexRange[] = "Dimension index out of range";
constexpr char kDimensionSizeNotPositive[] = "Dimension size must be positive";
constexpr char kDimensionSizeMissing[] = "Dimension without size";
constexpr char kGridTooLarge[] = "Kohonen grid too large";
constexpr char kLayerIndexRange[] = "Layer index out of range";
constexpr char kLayerNotDefined[] = "Layer not defined";
constexpr char kLayerIncomplete[] = "Layer needs LayerType and NumberOfNeurons";
constexpr char kNegativeNeurons[] = "Negative number of neurons";
constexpr char kTypeAfterBuild[] = "LayerType after the layer was built";
constexpr char kSizeAfterBuild[] = "NumberOfNeurons after the layer was built";
constexpr char kParameterBeforeLayer[] = "Neuron parameter before LayerType and NumberOfNeurons";
constexpr char kUnknownParameter[] = "Unknown neuron parameter";
constexpr char kUnknownFunction[] = "Unknown activation function";
constexpr char kGainFunctionOnLayer[] = "Gain function on a layer without gain neurons";
constexpr char kGainFunctionOnNeuron[] = "Gain function on a neuron without gain";
constexpr char kNeuronIndexRange[] = "Neuron index out of range";
constexpr char kConnectionLayerRange[] = "Connection layer out of range";
constexpr char kConnectionLayerMissing[] = "Connection layer not defined";
constexpr char kTooManyAttributes[] = "Too many matrix attributes";
constexpr char kBadTrainableMark[] = "Trainable mark must be T or F";
constexpr char kWeightIndexRange[] = "Weight list neuron out of range";
constexpr char kRemoveFullyConnected[] = "Cannot remove a weight of a fully connected set";
constexpr char kFreezeFullyConnected[] =
    "Cannot make a weight of a fully connected set untrainable";
constexpr char kTooManyLayers[] = "Number of layers too large";
constexpr char kTooManyNeurons[] = "Number of neurons too large";
constexpr char kTooManyDimensions[] = "Number of dimensions too large";
constexpr char kSetTooLarge[] = "Connection set too large";

constexpr int kKohonenLayerCount = 3;
constexpr int kKohonenInputLayer = 1;
constexpr int kKohonenMapLayer = 2;
constexpr int kMaxMatrixAttributes = 9;

// Every layer index needs a block of its own and every grid dimension a
// statement; the shortest are "[layer=0][layertype=gain][numberofneurons=0]
// [~layer]" and "[dimension=0 size=1]". A count the rest of the input is
// too short to describe is refused before anything is allocated for it.
constexpr double kShortestLayerBlock = 52;
constexpr double kShortestDimension = 20;

[[noreturn]] void Fail(const char* message, TextInput& in) {
  throw FileTools::Error(message, &in, nullptr);
}

bool Is(const std::string& text, const char* keyword) {
  return FileTools::strcasecmp(text.c_str(), keyword) == 0;
}
bool IsValue(const TTag& tag, const char* keyword) {
  return tag.kind == TagValue && Is(tag.name, keyword);
}
bool IsOpen(const TTag& tag, const char* keyword) {
  return tag.kind == TagOpen && Is(tag.name, keyword);
}

// What the structures a file asks for cost, for the allowance. Each heap
// block is charged a typical allocator overhead on top of its size.
constexpr double kBlockOverhead = 16.0;

double NetworkCost(int layers) {
  const double n = layers;
  return n * n * (sizeof(TBasicConnections*) + sizeof(TEmptyConnections) + kBlockOverhead) +
         n * (sizeof(TBasicLayer*) + sizeof(TBasicConnections**));
}

// Any layer kind, with the largest neuron; one byte per neuron for the
// reader's record of defined neurons.
double LayerCost(int neurons) {
  const std::size_t neuron = std::max(sizeof(TGainNeuron), sizeof(TBasicNeuron));
  return static_cast<double>(neurons) * (neuron + sizeof(double) + 1) + sizeof(TGainLayer) +
         kBlockOverhead;
}

double SetCost(int sources, int targets, bool pruneable) {
  const double cells = static_cast<double>(sources) * targets;
  if (pruneable) {
    return cells * (sizeof(double) + sizeof(char)) +
           static_cast<double>(targets) * (sizeof(double*) + sizeof(char*)) +
           sizeof(TPrunedConnections) + kBlockOverhead;
  }
  return cells * sizeof(double) + static_cast<double>(targets) * sizeof(double*) +
         sizeof(TConnectedConnections) + kBlockOverhead;
}

// The reader's sizes and the network's copy of them.
double DimensionsCost(int count) { return static_cast<double>(count) * 3 * sizeof(int); }

bool IsFullyConnectedSet(TBasicConnections* set) {
  return FileTools::strcasecmp(set->GetConnectionsNType(), "FullyConnected") == 0;
}

// The statements of the information block.
struct NetworkInformation {
  int layers = -1;
  int input_layer = 1;
  int output_layer = -1;
  int inputs = -1;
  int outputs = -1;
};

// ReadNetwork, one method per block. The network under construction is
// held by a unique_ptr, so that every failure releases what was built.
class NetworkReader {
 public:
  NetworkReader(char* scratch, TextInput& in) : scratch_(scratch), in_(in), allowance_(in.Size()) {}

  TBasicNetwork* Read();

 private:
  TTag Next(const std::string& block) { return ReadTag(scratch_, block.c_str(), in_, false); }
  TTag NextItem(const std::string& block) { return ReadTag(scratch_, block.c_str(), in_, true); }
  [[noreturn]] void Fail(const char* message) { ::Fail(message, in_); }
  // Fails unless the rest of the input can hold count items of at least
  // bytes_each bytes (when its size is known).
  void RequireRoomFor(int count, double bytes_each, const char* message) {
    if (in_.Size() < 0) return;
    const double rest = static_cast<double>(in_.Size()) - static_cast<double>(in_.Position());
    if (count * bytes_each > rest) Fail(message);
  }

  NetworkInformation ReadInformation();
  TBasicNetwork* BuildNetwork(const std::string& type, const NetworkInformation& info);
  void ReadDimensions(const std::string& network_block);
  void ReadLayer(const TTag& start);
  void BuildLayer(int index, int size, const std::string& type);
  void SetLayerParameter(TBasicLayer* layer, const TTag& tag);
  void ReadNeurons(TBasicLayer* layer, bool has_layer_function, const std::string& block);
  // Index of the parameter called name among those of the neuron, or fails.
  int FindParameter(TBasicNeuron* neuron, const std::string& name);
  ActivationFunction FindFunction(const std::string& name);

  char* scratch_;
  TextInput& in_;
  TReadAllowance allowance_;
  std::unique_ptr<TBasicNetwork> network_;
  NetworkInformation info_;
  std::vector<double> layer_costs_;  // booked for each layer built
  std::vector<int> grid_;            // Kohonen sizes; 0 until given

  // The layer being read.
  std::vector<double> parameters_;
  std::vector<char> parameter_set_;
};

TBasicNetwork* NetworkReader::Read() {
  TTag tag = ReadTag(scratch_, nullptr, in_, false);
  const std::string network_block = ExpectBlockStart(scratch_, tag, in_, kNeuralNetwork);
  tag = ReadTag(scratch_, nullptr, in_, false);
  const std::string type = ReadStringValue(scratch_, tag, in_, kNetworkType, nullptr);
  info_ = ReadInformation();
  network_.reset(BuildNetwork(type, info_));
  const bool kohonen = Is(type, kKohonen);
  if (kohonen) ReadDimensions(network_block);

  tag = Next(network_block);
  while (IsValue(tag, kLayer)) {
    ReadLayer(tag);
    tag = Next(network_block);
  }
  // A network with holes in its layer table can be neither evaluated nor
  // connected, written or copied.
  for (TBasicLayer* layer : network_->layers) {
    if (layer == nullptr) Fail(kLayerNotDefined);
  }
  if (kohonen) {
    static_cast<TKohonenNetwork*>(network_.get())
        ->SetDimensions(static_cast<int>(grid_.size()), grid_.data());
  }

  while (IsOpen(tag, kConnectionLayer)) {
    tag = ReadConnectionBlock(scratch_, in_, network_.get(), tag.name.c_str(),
                              network_block.c_str(), allowance_);
  }
  ExpectBlockEnd(scratch_, tag, in_);
  tag = ReadTag(scratch_, nullptr, in_, false);
  ExpectBlockEnd(scratch_, tag, in_);

  // The map's codebook lives in this set; without it nothing can be mapped.
  if (kohonen && !network_->priv_conns_index[kKohonenMapLayer][kKohonenInputLayer]->IsConnected()) {
    Fail(kKohonenConnections);
  }
  return network_.release();
}

NetworkInformation NetworkReader::ReadInformation() {
  TTag tag = ReadTag(scratch_, nullptr, in_, false);
  const std::string block = ExpectBlockStart(scratch_, tag, in_, kNetworkInformation);
  NetworkInformation info;
  for (tag = Next(block); tag.kind == TagValue; tag = Next(block)) {
    if (tag.continued) Fail(kTooComplicated);
    const int value = ParseInteger(scratch_, in_, tag.value);
    if (Is(tag.name, kNumberOfLayers)) {
      info.layers = value;
    } else if (Is(tag.name, kInputLayer)) {
      info.input_layer = value;
    } else if (Is(tag.name, kOutputLayer)) {
      info.output_layer = value;
    } else if (Is(tag.name, kNumberOfInputs)) {
      info.inputs = value;
    } else if (Is(tag.name, kNumberOfOutputs)) {
      info.outputs = value;
    } else if (!Is(tag.name, kBiasLayer)) {
      Fail(kUnknownKeyword);
    }
  }
  ExpectBlockEnd(scratch_, tag, in_);
  if (info.layers < 0) Fail(kMustSpecifyLayers);
  if (info.output_layer < 0) info.output_layer = info.layers - 1;
  return info;
}

TBasicNetwork* NetworkReader::BuildNetwork(const std::string& type,
                                           const NetworkInformation& info) {
  const bool kohonen = Is(type, kKohonen);
  if (!kohonen && !Is(type, kBasic) && !Is(type, kConnected)) Fail(kUnknownNetworkType);
  if (kohonen && info.layers != kKohonenLayerCount) Fail(kKohonenLayers);
  if (info.input_layer < 0 || info.input_layer >= info.layers) Fail(kInputLayerRange);
  if (info.output_layer >= info.layers) Fail(kOutputLayerRange);
  RequireRoomFor(info.layers, kShortestLayerBlock, kTooManyLayers);
  allowance_.Take(NetworkCost(info.layers), kTooManyLayers, in_);

  TBasicNetwork* network;
  if (kohonen) {
    network = new TKohonenNetwork();
  } else if (Is(type, kConnected)) {
    network = new TConnectedNetwork(info.layers);
  } else {
    network = new TBasicNetwork(info.layers);
  }
  network->inLayer = info.input_layer;
  network->outLayer = info.output_layer;
  layer_costs_.assign(static_cast<std::size_t>(info.layers), 0.0);
  return network;
}

void NetworkReader::ReadDimensions(const std::string& network_block) {
  TTag tag = Next(network_block);
  if (!IsValue(tag, kDimensions)) Fail(kMissingDimensions);
  const int count = ParseInteger(scratch_, in_, tag.value);
  if (tag.continued) Fail(kTooComplicated);
  if (count < 0) Fail(kNegativeDimensionCount);
  RequireRoomFor(count, kShortestDimension, kTooManyDimensions);
  allowance_.Take(DimensionsCost(count), kTooManyDimensions, in_);
  grid_.assign(static_cast<std::size_t>(count), 0);

  const std::string block = tag.name;
  for (tag = Next(block); tag.kind == TagValue && tag.continued; tag = Next(block)) {
    if (!Is(tag.name, kDimension)) Fail(kInvalidDimensionTag);
    const int index = ParseInteger(scratch_, in_, tag.value);
    if (index < 0 || index >= count) Fail(kDimensionIndexRange);
    const TTag size = NextItem(block);
    if (!IsValue(size, kSize) || size.continued) Fail(kSizeRequired);
    const int cells = ParseInteger(scratch_, in_, size.value);
    if (cells <= 0) Fail(kDimensionSizeNotPositive);
    grid_[static_cast<std::size_t>(index)] = cells;
  }
  ExpectBlockEnd(scratch_, tag, in_);

  long long total = 1;
  for (int cells : grid_) {
    if (cells == 0) Fail(kDimensionSizeMissing);
    total *= cells;  // stays below 2^62: checked against INT_MAX each step
    if (total > INT_MAX) Fail(kGridTooLarge);
  }
}

// One layer block: statements (any order, each optionally led by "ALL"),
// then an optional neurons block. The layer is built as soon as both its
// type and its size are known; parameter statements need the layer, since
// the parameter names are those of its neurons.
void NetworkReader::ReadLayer(const TTag& start) {
  const int index = ParseInteger(scratch_, in_, start.value);
  if (start.continued) Fail(kTooComplicated);
  if (index < 0 || index >= network_->n_layers) Fail(kLayerIndexRange);
  const std::string block = start.name;

  int size = -1;
  bool has_type = false;
  std::string type;
  TBasicLayer* layer = nullptr;
  ActivationFunction layer_function = nullptr;

  TTag tag = Next(block);
  while (tag.kind == TagValue || IsOpen(tag, kAll)) {
    if (tag.kind == TagOpen) {
      if (!tag.continued) Fail(kAllIncomplete);
      tag = NextItem(block);
      if (tag.kind != TagValue) Fail(kAllSyntax);
    }
    if (tag.continued) Fail(kTooComplicated);

    if (Is(tag.name, kLayerType)) {
      if (layer != nullptr) Fail(kTypeAfterBuild);
      type = tag.value;
      has_type = true;
    } else if (Is(tag.name, kNumberOfNeurons)) {
      if (layer != nullptr) Fail(kSizeAfterBuild);
      size = ParseInteger(scratch_, in_, tag.value);
      if (size < 0) Fail(kNegativeNeurons);
    } else if (Is(tag.name, kActivationFunction)) {
      layer_function = FindFunction(tag.value);
    } else {
      SetLayerParameter(layer, tag);
    }

    if (layer == nullptr && size >= 0 && has_type) {
      BuildLayer(index, size, type);
      layer = network_->layers[static_cast<std::size_t>(index)];
    }
    tag = Next(block);
  }

  if (layer == nullptr) Fail(kLayerIncomplete);
  if (layer_function != nullptr) {
    if (!layer->AcceptsActivationFunction(layer_function)) Fail(kGainFunctionOnLayer);
    layer->SetActivationFunction(layer_function);
  }

  if (IsOpen(tag, kNeurons)) {
    ReadNeurons(layer, layer_function != nullptr, tag.name);
    tag = Next(block);
  } else {
    for (char set : parameter_set_) {
      if (!set) Fail(kIncompleteLayer);
    }
    for (int i = 0; i < layer->numNeurons; ++i) {
      layer->GetNeuron(i)->SetParameters(parameters_.data());
    }
  }
  ExpectBlockEnd(scratch_, tag, in_);
}

void NetworkReader::BuildLayer(int index, int size, const std::string& type) {
  if (index == network_->inLayer && info_.inputs >= 0 && size != info_.inputs) {
    Fail(kWrongInputs);
  }
  if (index == network_->outLayer && info_.outputs >= 0 && size != info_.outputs) {
    Fail(kWrongOutputs);
  }
  if (!Is(type, kSimple) && !Is(type, kInput) && !Is(type, kGain)) Fail(kUnknownLayerType);
  const double cost = LayerCost(size);
  allowance_.Take(cost, kTooManyNeurons, in_);

  TBasicNetwork* network = network_.get();
  TBasicLayer* layer;
  if (Is(type, kSimple)) {
    layer = new TSimpleLayer(network, index, size);
  } else if (Is(type, kInput)) {
    layer = new TSimpleInputLayer(network, index, size);
  } else {
    layer = new TGainLayer(network, index, size, 1.0);
  }
  // A second block for the same index replaces the layer built before.
  TBasicLayer*& slot = network->layers[static_cast<std::size_t>(index)];
  if (slot != nullptr) {
    slot->Destroy();
    allowance_.Give(layer_costs_[static_cast<std::size_t>(index)]);
  }
  slot = layer;
  layer_costs_[static_cast<std::size_t>(index)] = cost;

  int count = 0;
  for (int i = 0; i < size; ++i) count = std::max(count, layer->GetNeuron(i)->GetNumParameters());
  parameters_.assign(static_cast<std::size_t>(count), 0.0);
  parameter_set_.assign(static_cast<std::size_t>(count), 0);
}

void NetworkReader::SetLayerParameter(TBasicLayer* layer, const TTag& tag) {
  if (layer == nullptr) Fail(kParameterBeforeLayer);
  if (layer->numNeurons == 0) Fail(kUnknownParameter);  // no neuron to name parameters
  const int j = FindParameter(layer->GetNeuron(0), tag.name);
  parameters_[static_cast<std::size_t>(j)] = ParseNumber(scratch_, in_, tag.value);
  parameter_set_[static_cast<std::size_t>(j)] = 1;
}

int NetworkReader::FindParameter(TBasicNeuron* neuron, const std::string& name) {
  const int count = std::min(neuron->GetNumParameters(), static_cast<int>(parameters_.size()));
  for (int j = 0; j < count; ++j) {
    if (Is(name, neuron->GetParameterName(j))) return j;
  }
  Fail(kUnknownParameter);
}

ActivationFunction NetworkReader::FindFunction(const std::string& name) {
  const ActivationFunction function = network_->fn_registry->FindFunction(name.c_str());
  if (function == nullptr) Fail(kUnknownFunction);
  return function;
}

// The neurons block. Each statement sets the parameter entries it names and
// hands the whole array to its neuron, so an entry stays in force for the
// neurons whose statements follow.
void NetworkReader::ReadNeurons(TBasicLayer* layer, bool has_layer_function,
                                const std::string& block) {
  std::vector<char> defined(static_cast<std::size_t>(layer->numNeurons), 0);
  TTag tag;
  for (tag = Next(block); IsValue(tag, kNeuron); tag = Next(block)) {
    const int index = ParseInteger(scratch_, in_, tag.value);
    if (index < 0 || index >= layer->numNeurons) Fail(kNeuronIndexRange);
    if (defined[static_cast<std::size_t>(index)]) Fail(kRepeatedNeuron);
    TBasicNeuron* neuron = layer->GetNeuron(index);
    ActivationFunction own = nullptr;
    for (bool more = tag.continued; more;) {
      const TTag item = NextItem(block);
      if (item.kind != TagValue) Fail(kEqualsExpected);
      if (Is(item.name, kActivationFunction)) {
        own = FindFunction(item.value);
        if (!neuron->AcceptsActivationFunction(own)) Fail(kGainFunctionOnNeuron);
      } else {
        const int j = FindParameter(neuron, item.name);
        parameters_[static_cast<std::size_t>(j)] = ParseNumber(scratch_, in_, item.value);
      }
      more = item.continued;
    }
    neuron->SetParameters(parameters_.data());
    if (!has_layer_function) {
      if (own == nullptr) Fail(kNoActivationFunction);
      neuron->SetActivationFunction(own);
    }
    defined[static_cast<std::size_t>(index)] = 1;
  }
  ExpectBlockEnd(scratch_, tag, in_);
  for (char done : defined) {
    if (!done) Fail(kNeuronNotDefined);
  }
}

// ---------------------------------------------------------------------------
// Connection blocks

// The next cell token of a matrix, which must be a bare word, as a view into
// scratch. Cells are the bulk of a large file, so plain words are taken
// straight from the tokenizer without building a tag; anything bracketed
// (or the end of the input) goes through ReadTag, which reports it or, for
// a format-version statement, skips it.
std::string_view ReadCellToken(char* scratch, const char* block, TextInput& in) {
  const int c = SkipSpaceAndGet(scratch, in);
  if (c != TextInput::kEof && c != '[' && c != ']') {
    in.Unget();
    return ReadTokenView(scratch, in);
  }
  if (c != TextInput::kEof) in.Unget();
  const TTag tag = ReadTag(scratch, block, in, false);
  if (tag.kind != TagWord) Fail(kTokenExpected, in);
  const std::size_t n = tag.name.copy(scratch, kScratchSize - 1);
  scratch[n] = '\0';
  return std::string_view(scratch, n);
}

bool IsWord(std::string_view token, char upper) {
  return token.size() == 1 && (token[0] == upper || token[0] == upper - 'A' + 'a');
}

enum class MatrixAttribute { kWeights, kTrainableInfo };

void ReadMatrix(char* scratch, TextInput& in, TBasicConnections* set, bool fully_connected,
                const TTag& start) {
  const std::string block = start.name;
  MatrixAttribute attributes[kMaxMatrixAttributes];
  int count = 0;
  for (bool more = start.continued; more;) {
    const TTag item = ReadTag(scratch, block.c_str(), in, true);
    if (item.kind != TagOpen) Fail(kKeywordExpectedInMatrix, in);
    MatrixAttribute attribute;
    if (Is(item.name, kWeights)) {
      attribute = MatrixAttribute::kWeights;
    } else if (Is(item.name, kTrainableInfo)) {
      attribute = MatrixAttribute::kTrainableInfo;
    } else {
      Fail(kUnknownMatrixAttribute, in);
    }
    if (count == kMaxMatrixAttributes) Fail(kTooManyAttributes, in);
    attributes[count++] = attribute;
    more = item.continued;
  }

  if (count > 0) {
    const int sources = set->network->layers[static_cast<std::size_t>(set->fromLayer)]->numNeurons;
    const int targets = set->network->layers[static_cast<std::size_t>(set->toLayer)]->numNeurons;
    for (int i = 0; i < sources; ++i) {
      for (int j = 0; j < targets; ++j) {
        for (int a = 0; a < count; ++a) {
          const std::string_view token = ReadCellToken(scratch, block.c_str(), in);
          if (attributes[a] == MatrixAttribute::kWeights) {
            if (token == "-") {
              if (fully_connected) Fail(kRemoveFullyConnected, in);
              set->RemoveWeight(i, j);
            } else {
              set->AddWeight(i, j);
              *set->GetWeightPtr(i, j) = ParseNumber(scratch, in, token);
            }
          } else if (IsWord(token, 'T')) {
            set->SetTrainable(i, j);
          } else if (IsWord(token, 'F')) {
            if (fully_connected) Fail(kFreezeFullyConnected, in);
            set->SetUntrainable(i, j);
          } else if (set->IsValid(i, j)) {
            Fail(kBadTrainableMark, in);
          }
        }
      }
    }
  }
  ExpectBlockEnd(scratch, ReadTag(scratch, block.c_str(), in, false), in);
}

void ReadWeightList(char* scratch, TextInput& in, TBasicConnections* set, bool fully_connected,
                    const TTag& start) {
  const std::string block = start.name;
  const int sources = set->network->layers[static_cast<std::size_t>(set->fromLayer)]->numNeurons;
  const int targets = set->network->layers[static_cast<std::size_t>(set->toLayer)]->numNeurons;
  TTag tag;
  for (tag = ReadTag(scratch, block.c_str(), in, false);
       tag.kind == TagValue || tag.kind == TagOpen;
       tag = ReadTag(scratch, block.c_str(), in, false)) {
    int from = -1;
    int to = -1;
    double weight = 0.0;
    bool trainable = true;
    for (TTag item = tag;; item = ReadTag(scratch, block.c_str(), in, true)) {
      if (item.kind == TagValue) {
        if (Is(item.name, kFrom)) {
          from = ParseInteger(scratch, in, item.value);
        } else if (Is(item.name, kTo)) {
          to = ParseInteger(scratch, in, item.value);
        } else if (Is(item.name, kWeight)) {
          weight = ParseNumber(scratch, in, item.value);
        } else {
          Fail(kUnknownKeywordInWeights, in);
        }
      } else if (Is(item.name, kTrainable)) {
        trainable = true;
      } else if (Is(item.name, kUntrainable)) {
        trainable = false;
      } else {
        std::cout << item.name << std::endl;
        Fail(kUnknownKeywordInWeights, in);
      }
      if (!item.continued) break;
    }
    if (from < 0 || to < 0) Fail(kInsufficientWeights, in);
    if (from >= sources || to >= targets) Fail(kWeightIndexRange, in);
    if (!trainable && fully_connected) Fail(kFreezeFullyConnected, in);
    set->AddWeight(from, to);
    if (trainable) {
      set->SetTrainable(from, to);
    } else {
      set->SetUntrainable(from, to);
    }
    *set->GetWeightPtr(from, to) = weight;
  }
  ExpectBlockEnd(scratch, tag, in);
}

}  // namespace

TReadAllowance::TReadAllowance(std::int64_t input_size)
    : limit_(kBase + (input_size > 0 ? kPerInputByte * static_cast<double>(input_size) : 0.0)) {}

void TReadAllowance::Take(double bytes, const char* message, TextInput& in) {
  if (bytes > limit_ - used_) Fail(message, in);
  used_ += bytes;
}

void TReadAllowance::Give(double bytes) { used_ = std::max(0.0, used_ - bytes); }

TTag ReadConnectionBlock(char* scratch, TextInput& in, TBasicNetwork* network,
                         const char* block_name, const char* network_block,
                         TReadAllowance& allowance) {
  int from = -1;
  int to = -1;
  bool has_type = false;
  std::string type;
  TTag tag = ReadTag(scratch, block_name, in, false);
  while (tag.kind == TagValue || IsOpen(tag, kAttributes)) {
    if (tag.kind == TagOpen) {
      while (tag.continued) tag = ReadTag(scratch, block_name, in, true);
    } else {
      if (tag.continued) Fail(kTooComplicated, in);
      if (Is(tag.name, kLayerFrom)) {
        from = ParseInteger(scratch, in, tag.value);
      } else if (Is(tag.name, kLayerTo)) {
        to = ParseInteger(scratch, in, tag.value);
      } else if (Is(tag.name, kConnectionType)) {
        type = tag.value;
        has_type = true;
      } else {
        Fail(kUnknownKeywordInConnections, in);
      }
    }
    tag = ReadTag(scratch, block_name, in, false);
  }
  if (from < 0 || to < 0 || !has_type) Fail(kInsufficientLayer, in);
  const bool pruneable = Is(type, kPruneable);
  if (!pruneable && !Is(type, kFullyConnected)) Fail(kInsufficientLayer, in);
  if (from >= network->n_layers || to >= network->n_layers) Fail(kConnectionLayerRange, in);
  TBasicLayer* source = network->layers[static_cast<std::size_t>(from)];
  TBasicLayer* target = network->layers[static_cast<std::size_t>(to)];
  if (source == nullptr || target == nullptr) Fail(kConnectionLayerMissing, in);

  TBasicConnections*& slot = network->priv_conns_index[static_cast<std::size_t>(to)][from];
  if (slot->IsConnected()) Fail(kConnectionsDefined, in);
  allowance.Take(SetCost(source->numNeurons, target->numNeurons, pruneable), kSetTooLarge, in);
  TBasicConnections* set;
  if (pruneable) {
    auto* pruned = new TPrunedConnections(network, from, to);
    // Only the weights the file lists exist: a removed weight has mask 0
    // and value 0.0, and every weight of a new set is 0.0 already.
    std::fill(pruned->array_masks.begin(), pruned->array_masks.end(), 0);
    set = pruned;
  } else {
    set = new TConnectedConnections(network, from, to);
  }
  slot->Destroy();
  slot = set;

  const bool fully_connected = IsFullyConnectedSet(set);
  for (;;) {
    if (IsOpen(tag, kMatrix)) {
      ReadMatrix(scratch, in, set, fully_connected, tag);
    } else if (IsOpen(tag, kWeightList)) {
      ReadWeightList(scratch, in, set, fully_connected, tag);
    } else {
      break;
    }
    tag = ReadTag(scratch, block_name, in, false);
  }
  ExpectBlockEnd(scratch, tag, in);
  return ReadTag(scratch, network_block, in, false);
}

TBasicNetwork* ReadNetwork(char* scratch, TextInput& in, TKQstructure* options) {
  delete options;
  NetworkReader reader(scratch, in);
  return reader.Read();
}

TBasicNetwork* LoadNetwork(char* scratch, const char* name, TKQstructure* options) {
  delete options;
  TextInput in;
  if (!in.Open(name)) Fail(kErrorOnFileOpen, in);
  return ReadNetwork(scratch, in, nullptr);
}
