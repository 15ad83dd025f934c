#include "Working/FileHandler/NetworkFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Working/Exceptions/Exceptions.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/KQmessage/KQML.h"
#include "Working/NeuralNets/TBasicNetwork.h"
#include "Working/NeuralNets/TConnectedNetwork.h"
#include "Working/NeuralNets/TKohonenNetwork.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::SourcePath;

std::unique_ptr<TBasicNetwork> Read(const std::string& text) {
  char scratch[kScratchSize];
  TextInput in(text);
  return std::unique_ptr<TBasicNetwork>(ReadNetwork(scratch, in, nullptr));
}

std::unique_ptr<TBasicNetwork> Load(const std::string& fixture) {
  char scratch[kScratchSize];
  return std::unique_ptr<TBasicNetwork>(
      LoadNetwork(scratch, SourcePath("tests/fixtures/networks/" + fixture).c_str(), nullptr));
}

// The message the reader fails with, or "accepted".
std::string ReadError(const std::string& text) {
  try {
    Read(text);
  } catch (const FileTools::Error& e) {
    return e.message;
  }
  return "accepted";
}

// A network as text: kind, input and output layer (and the grid), then one
// line per layer (type, size, the common function or each neuron's, the
// neurons' parameters) and one line per weight-carrying set with its
// existing weights as from,to=value, untrainable ones marked F.
std::string Describe(TBasicNetwork& net) {
  std::ostringstream s;
  s << net.GetNetworkType() << " in=" << net.inLayer << " out=" << net.outLayer;
  if (auto* kohonen = dynamic_cast<TKohonenNetwork*>(&net)) {
    s << " grid=";
    for (int d = 0; d < kohonen->numDims; ++d) s << (d > 0 ? "x" : "") << kohonen->dimensions[d];
  }
  const TFnRegistry& registry = *net.fn_registry;
  for (int i = 0; i < net.n_layers; ++i) {
    TBasicLayer* layer = net.layers[i];
    s << "\n" << i << " " << layer->GetLayerType() << " " << layer->numNeurons;
    if (ActivationFunction common = layer->GetActivationFunction()) {
      s << " " << registry.GetFunctionName(common);
    } else {
      s << " [";
      for (int n = 0; n < layer->numNeurons; ++n) {
        s << (n > 0 ? "," : "") << registry.GetFunctionName(layer->GetNeuron(n)->actFn);
      }
      s << "]";
    }
    for (int n = 0; n < layer->numNeurons; ++n) {
      TBasicNeuron* neuron = layer->GetNeuron(n);
      std::vector<double> values(static_cast<std::size_t>(neuron->GetNumParameters()));
      neuron->GetParameters(values.data());
      for (std::size_t p = 0; p < values.size(); ++p) {
        s << (n == 0 && p == 0 ? " " : ",") << neuron->GetParameterName(static_cast<int>(p)) << "="
          << values[p];
      }
    }
  }
  for (int from = 0; from < net.n_layers; ++from) {
    for (int to = 0; to < net.n_layers; ++to) {
      TBasicConnections* set = net.priv_conns_index[to][from];
      if (!set->IsConnected()) continue;
      s << "\n" << from << "->" << to << " " << set->GetConnectionsNType() << ":";
      for (int i = 0; i < net.layers[from]->numNeurons; ++i) {
        for (int j = 0; j < net.layers[to]->numNeurons; ++j) {
          if (!set->IsValid(i, j)) continue;
          s << " " << i << "," << j << "=" << *set->GetWeightPtr(i, j)
            << (set->IsTrainable(i, j) ? "" : "F");
        }
      }
    }
  }
  return s.str();
}

// ---------------------------------------------------------------------------
// Building blocks for small files.

std::string Network(const std::string& type, const std::string& information,
                    const std::string& body) {
  return "[NeuralNetwork] [NetworkType = " + type + "]\n[NetworkInformation] " + information +
         " [~NetworkInformation]\n" + body + "\n[~NeuralNetwork]\n";
}

std::string Layer(int index, const std::string& type, int size, const std::string& rest = "") {
  return "[Layer = " + std::to_string(index) + "] [LayerType = " + type +
         "] [NumberOfNeurons = " + std::to_string(size) + "] " + rest + " [~Layer]\n";
}

// Two layers: 0 an input layer of 2, 1 a simple sigmoid layer of 3.
std::string TwoLayers(const std::string& body) {
  return Network(
      "Basic", "[NumberOfLayers = 2] [InputLayer = 0]",
      Layer(0, "Input", 2) + Layer(1, "Simple", 3, "[ActivationFunction = sigmoid]") + body);
}

std::string Connection(const std::string& type, const std::string& weights,
                       const std::string& statements = "[LayerFrom = 0] [LayerTo = 1]") {
  return "[ConnectionLayer] " + statements + " [ConnectionType = " + type + "] " + weights +
         " [~ConnectionLayer]\n";
}

// Layer 1 of a two-layer network with the given statements.
std::string WithLayer1(const std::string& statements) {
  return Network("Basic", "[NumberOfLayers = 2] [InputLayer = 0]",
                 Layer(0, "Input", 2) + "[Layer = 1] " + statements + " [~Layer]");
}

std::string Kohonen(const std::string& information, const std::string& dimensions,
                    const std::string& rest) {
  return Network("Kohonen", information,
                 dimensions + Layer(0, "Simple", 0) + Layer(1, "Input", 2) +
                     Layer(2, "Simple", 6, "[ActivationFunction = linear]") + rest);
}

// text cut off right after the first occurrence of end.
std::string UpTo(const std::string& text, const std::string& end) {
  return text.substr(0, text.find(end) + end.size());
}

// Room for the layer blocks a file declares but does not hold.
const std::string kRoom = "/*" + std::string(100, ' ') + "*/";

const std::string kKohonenSet = Connection("FullyConnected", "", "[LayerFrom = 1] [LayerTo = 2]");
const std::string kGrid =
    "[Dimensions = 2] [Dimension = 0 Size = 2] [Dimension = 1 Size = 3] "
    "[~Dimensions]\n";

// ---------------------------------------------------------------------------
// Whole networks

TEST(ReadNetwork, BasicNetworkWithPruneableSetsInListAndMatrixForm) {
  auto net = Load("basic-pruneable.net");
  ASSERT_NE(dynamic_cast<TBasicNetwork*>(net.get()), nullptr);
  EXPECT_EQ(Describe(*net),
            "Basic in=0 out=2\n"
            "0 Input 2 linear\n"
            "1 Simple 3 sigmoid\n"
            "2 Simple 2 linear\n"
            "0->1 Pruneable: 0,2=0.25F 1,0=-1.5\n"
            "0->2 FullyConnected: 0,0=1 0,1=2 1,0=3 1,1=4\n"
            "1->2 Pruneable: 0,0=0.5 1,1=2F 2,0=0.001 2,1=-0.125");
}

TEST(ReadNetwork, ConnectedNetworkEvaluatesWithTheWeightsRead) {
  auto net = Load("connected.net");
  ASSERT_NE(dynamic_cast<TConnectedNetwork*>(net.get()), nullptr);
  EXPECT_EQ(Describe(*net),
            "Connected in=0 out=2\n"
            "0 Input 2 linear\n"
            "1 Simple 2 linear\n"
            "2 Simple 1 linear\n"
            "0->1 FullyConnected: 0,0=1 0,1=2 1,0=3 1,1=4\n"
            "1->2 FullyConnected: 0,0=0.5 1,0=0.25");
  const double inputs[2] = {1.0, 10.0};
  double output = 0.0;
  net->Evaluate(inputs, &output);
  EXPECT_DOUBLE_EQ(output, 26.0);
}

TEST(ReadNetwork, KohonenNetworkWithItsGrid) {
  auto net = Load("kohonen.net");
  auto* kohonen = dynamic_cast<TKohonenNetwork*>(net.get());
  ASSERT_NE(kohonen, nullptr);
  EXPECT_EQ(Describe(*net),
            "Kohonen in=1 out=2 grid=2x3\n"
            "0 Simple 0 error\n"
            "1 Input 2 linear\n"
            "2 Simple 6 linear\n"
            "1->2 FullyConnected: 0,0=0.1 0,1=0.5 0,2=0.9 0,3=0.1 0,4=0.5 0,5=0.9 "
            "1,0=0.2 1,1=0.2 1,2=0.2 1,3=0.8 1,4=0.8 1,5=0.8");
  const double item[2] = {0.55, 0.75};
  double codebook[2];
  EXPECT_EQ(kohonen->FindWinner(item, codebook), 4);
  int cell[2];
  kohonen->IndexToCoordinates(cell, 4);
  EXPECT_EQ(cell[0], 1);
  EXPECT_EQ(cell[1], 1);
}

TEST(ReadNetwork, GainLayersWithCommonAndPerNeuronGainsAndMixedFunctions) {
  auto net = Load("gain.net");
  EXPECT_EQ(Describe(*net),
            "Basic in=0 out=3\n"
            "0 Input 2 linear\n"
            "1 Gain 3 sigmoid-gain Gain=2,Gain=2,Gain=2\n"
            "2 Gain 3 linear-gain Gain=0.5,Gain=3,Gain=0.5\n"
            "3 Gain 2 [tanh,tanh-gain] Gain=1.5,Gain=-1\n"
            "0->1 Pruneable: 1,2=0.75");
}

TEST(ReadNetwork, TheExampleMapReads) {
  char scratch[kScratchSize];
  std::unique_ptr<TBasicNetwork> net(
      LoadNetwork(scratch, SourcePath("examples/fruit.net").c_str(), nullptr));
  EXPECT_STREQ(net->GetNetworkType(), "Kohonen");
}

// Small variations, each compared as a whole network.
TEST(ReadNetwork, AcceptedVariations) {
  const struct {
    const char* what;
    std::string text;
    std::string expected;
  } cases[] = {
      {"minimal file: input layer 1 and output layer 1 by default",
       Network("BASIC", "[NumberOfLayers = 2]", Layer(0, "Simple", 1) + Layer(1, "Input", 1)),
       "Basic in=1 out=1\n0 Simple 1 error\n1 Input 1 linear"},
      {"keywords in any case, comments and format versions anywhere",
       "[FormatVersion = 0.5] [neuralnetwork] [networktype = connected] /* c */"
       "[NETWORKINFORMATION][numberoflayers=1][inputlayer=0][outputlayer=-1]"
       "[~networkinformation] [FORMATVERSION=1] [layer=0][all layertype=input]"
       "[All NumberOfNeurons=1][~LAYER] [~NEURALNETWORK] /* after */ [FormatVersion = 1.0]",
       "Connected in=0 out=0\n0 Input 1 linear"},
      {"later information statements override earlier ones",
       Network("Basic", "[NumberOfLayers = 5] [NumberOfLayers = 1] [InputLayer = 0]",
               Layer(0, "Simple", 1, "[ActivationFunction = tanh]")),
       "Basic in=0 out=0\n0 Simple 1 tanh"},
      {"[Gain = 2] and [ALL Gain = 2] mean the same",
       WithLayer1("[LayerType = Gain] [NumberOfNeurons = 2] [Gain = 2] [ALL Gain = 3]"),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Gain 2 error Gain=3,Gain=3"},
      {"gain neurons without a gain statement get 0.0 in a neurons block",
       WithLayer1("[LayerType = Gain] [NumberOfNeurons = 2] [ActivationFunction = tanh] "
                  "[Neurons] [Neuron = 1] [Neuron = 0 ActivationFunction = sigmoid] [~Neurons]"),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Gain 2 tanh Gain=0,Gain=0"},
      {"a later layer function replaces an earlier one",
       WithLayer1("[ActivationFunction = tanh] [LayerType = Simple] [NumberOfNeurons = 1] "
                  "[ActivationFunction = bias]"),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Simple 1 bias"},
      {"a second block for a layer replaces the first",
       WithLayer1("[LayerType = Simple] [NumberOfNeurons = 4] [~Layer] [Layer = 1] "
                  "[LayerType = Gain] [NumberOfNeurons = 1] [Gain = 0.5]"),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Gain 1 error Gain=0.5"},
      {"two weight blocks: the later one wins where both speak",
       TwoLayers(Connection("Pruneable",
                            "[Matrix Weights] 1 2 3 4 5 6 [~Matrix] "
                            "[WeightList] [From = 1 To = 0] [From = 0 To = 1 Weight = 9 "
                            "UnTrainable] [~WeightList] [Matrix] [~Matrix]")),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Simple 3 sigmoid\n"
       "0->1 Pruneable: 0,0=1 0,1=9F 0,2=3 1,0=0 1,1=5 1,2=6"},
      {"marks in a matrix of their own, repeated attributes",
       TwoLayers(Connection("Pruneable",
                            "[Matrix Weights Weights] 1 1 2 2 3 3 - - 5 5 6 6 [~Matrix] "
                            "[Matrix TrainableInfo] F T t x f T [~Matrix]")),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Simple 3 sigmoid\n"
       "0->1 Pruneable: 0,0=1F 0,1=2 0,2=3 1,1=5F 1,2=6"},
      {"a mark before its weight in a cell is lost: adding a weight makes it trainable",
       TwoLayers(Connection("Pruneable",
                            "[Matrix TrainableInfo Weights] F 1 - - T 3 - - f 5 x - [~Matrix]")),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Simple 3 sigmoid\n"
       "0->1 Pruneable: 0,0=1 0,2=3 1,1=5"},
      {"a block for the reverse pair is another set; attributes are ignored",
       TwoLayers(
           Connection("FullyConnected", "[Attributes] [Matrix Weights] 1 2 3 4 5 6 [~Matrix]") +
           Connection("pruneable",
                      "[Attributes Anything = 1 at all] [WeightList] "
                      "[Weight = 7 To = 1 Trainable From = 2] [~WeightList]",
                      "[LayerFrom = 1] [LayerTo = 0]")),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Simple 3 sigmoid\n"
       "0->1 FullyConnected: 0,0=1 0,1=2 0,2=3 1,0=4 1,1=5 1,2=6\n1->0 Pruneable: 2,1=7"},
      {"a fully connected matrix accepts T and untouched other marks are not needed",
       TwoLayers(Connection("FULLYCONNECTED",
                            "[Matrix Weights TrainableInfo] 1 T 2 t 3 T 4 T 5 T 6 T [~Matrix] "
                            "[WeightList] [From = 1 To = 2 Weight = -6 Trainable] [~WeightList]")),
       "Basic in=0 out=1\n0 Input 2 linear\n1 Simple 3 sigmoid\n"
       "0->1 FullyConnected: 0,0=1 0,1=2 0,2=3 1,0=4 1,1=5 1,2=-6"},
      {"a Kohonen grid of one dimension, dimension end tag in any case",
       Kohonen("[NumberOfLayers = 3]", "[dimensions = 1] [DIMENSION = 0 SIZE = 6] [~DIMENSIONS]",
               Connection("Pruneable", "", "[LayerFrom = 1] [LayerTo = 2]")),
       "Kohonen in=1 out=2 grid=6\n0 Simple 0 null\n1 Input 2 linear\n2 Simple 6 linear\n"
       "1->2 Pruneable:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      auto net = Read(c.text);
      EXPECT_EQ(Describe(*net), c.expected);
    } catch (const FileTools::Error& e) {
      ADD_FAILURE() << "refused: " << e.message;
    }
  }
}

// ---------------------------------------------------------------------------
// Refused files

struct BadFile {
  const char* what;
  std::string text;
  std::string message;
};

void ExpectRefused(const std::vector<BadFile>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(ReadError(c.text), c.message) << c.what << "\n" << c.text;
  }
}

TEST(ReadNetwork, HeaderAndInformationFailures) {
  const std::string two = Layer(0, "Input", 2) + Layer(1, "Simple", 1);
  ExpectRefused({
      {"empty input", "", "[NEURALNETWORK] expected"},
      {"no type", "[NeuralNetwork] [NetworkInformation]",
       "[NETWORKTYPE = <string>] expectedNetworkInformation"},
      {"surplus items", Network("Basic", "[NumberOfLayers = 3 4]", ""),
       "Too complicated statement"},
      {"unknown keyword", Network("Basic", "[Foo = 1]", ""), "Unknown keyword"},
      {"value before keyword", Network("Basic", "[Foo = x]", ""), "integer-expected"},
      {"no layer count", Network("Basic", "[InputLayer = 0]", ""), "Must specify number of layers"},
      {"negative layer count", Network("Basic", "[NumberOfLayers = -2]", ""),
       "Must specify number of layers"},
      {"unknown type", Network("Recurrent", "[NumberOfLayers = 2]", two), "Unknown network type"},
      {"input layer 1 of 1", Network("Basic", "[NumberOfLayers = 1]", Layer(0, "Input", 1)),
       "Input layer out of range"},
      {"no layers at all", Network("Basic", "[NumberOfLayers = 0]", ""),
       "Input layer out of range"},
      {"negative input layer", Network("Basic", "[NumberOfLayers = 2] [InputLayer = -1]", two),
       "Input layer out of range"},
      {"output layer", Network("Basic", "[NumberOfLayers = 2] [OutputLayer = 2]", two),
       "Output layer out of range"},
      {"missing layer", Network("Basic", "[NumberOfLayers = 3]", two + kRoom), "Layer not defined"},
      {"trailing word", Network("Basic", "[NumberOfLayers = 2]", two) + " x", "End Tag expected"},
      {"trailing statement", Network("Basic", "[NumberOfLayers = 2]", two) + "[A = 1]",
       "End Tag expected"},
      {"layer after connections", TwoLayers(Connection("Pruneable", "") + Layer(1, "Simple", 1)),
       "End Tag expected"},
      {"huge layer count", Network("Basic", "[NumberOfLayers = 100000]", two),
       "Number of layers too large"},
      {"more layers than the file has room for", Network("Basic", "[NumberOfLayers = 3]", two),
       "Number of layers too large"},
  });
}

TEST(ReadNetwork, KohonenFailures) {
  ExpectRefused({
      {"two layers", Network("Kohonen", "[NumberOfLayers = 2]", kGrid),
       "Kohonen network must have three layers"},
      {"no dimensions", Kohonen("[NumberOfLayers = 3]", "", kKohonenSet),
       "Missing dimensions in Kohonen"},
      {"dimensions continued",
       Kohonen("[NumberOfLayers = 3]", "[Dimensions = 1 Dimension = 0] [~Dimensions]", ""),
       "Too complicated statement"},
      {"negative count", Kohonen("[NumberOfLayers = 3]", "[Dimensions = -1] [~Dimensions]", ""),
       "Negative number of dimensions"},
      {"huge count", Kohonen("[NumberOfLayers = 3]", "[Dimensions = 2000000000] [~Dimensions]", ""),
       "Number of dimensions too large"},
      {"more dimensions than the file has room for",
       Kohonen("[NumberOfLayers = 3]", "[Dimensions = 20] [Dimension = 0 Size = 6] [~Dimensions]",
               kKohonenSet),
       "Number of dimensions too large"},
      {"not a dimension",
       Kohonen("[NumberOfLayers = 3]", "[Dimensions = 1] [Size = 2 Dimension = 0] [~Dimensions]",
               ""),
       "invalid dimension tag"},
      {"no size", Kohonen("[NumberOfLayers = 3]", "[Dimensions = 1] [Dimension = 0 Cells = 6]", ""),
       "'Size' tag required for dimension data"},
      {"size continued",
       Kohonen("[NumberOfLayers = 3]", "[Dimensions = 1] [Dimension = 0 Size = 6 X]", ""),
       "'Size' tag required for dimension data"},
      {"dimension index",
       Kohonen("[NumberOfLayers = 3]", "[Dimensions = 1] [Dimension = 1 Size = 6]", ""),
       "Dimension index out of range"},
      {"zero size",
       Kohonen("[NumberOfLayers = 3]", "[Dimensions = 1] [Dimension = 0 Size = 0]", ""),
       "Dimension size must be positive"},
      {"size missing",
       Kohonen("[NumberOfLayers = 3]", "[Dimensions = 2] [Dimension = 1 Size = 6] [~Dimensions]",
               ""),
       "Dimension without size"},
      {"grid overflow",
       Kohonen("[NumberOfLayers = 3]",
               "[Dimensions = 3] [Dimension = 0 Size = 2000] [Dimension = 1 Size = 2000] "
               "[Dimension = 2 Size = 2000] [~Dimensions]",
               ""),
       "Kohonen grid too large"},
      {"no codebook", Kohonen("[NumberOfLayers = 3]", kGrid, ""),
       "Kohonen network needs connections from layer 1 to layer 2"},
      {"codebook elsewhere",
       Kohonen("[NumberOfLayers = 3]", kGrid,
               Connection("FullyConnected", "", "[LayerFrom = 2] [LayerTo = 1]")),
       "Kohonen network needs connections from layer 1 to layer 2"},
  });
}

TEST(ReadNetwork, LayerFailures) {
  ExpectRefused({
      {"layer index", Network("Basic", "[NumberOfLayers = 2]", Layer(2, "Simple", 1) + kRoom),
       "Layer index out of range"},
      {"negative layer index",
       Network("Basic", "[NumberOfLayers = 2]", Layer(-1, "Simple", 1) + kRoom),
       "Layer index out of range"},
      {"layer statement continued",
       Network("Basic", "[NumberOfLayers = 1] [InputLayer = 0]",
               "[Layer = 0 LayerType = Input]" + kRoom),
       "Too complicated statement"},
      {"ALL alone", WithLayer1("[ALL]"), "[ALL] is incomplete statment"},
      {"ALL with a bare word", WithLayer1("[ALL LayerType]"),
       "Required syntax is [ALL <keyword>=<val>]"},
      {"surplus items", WithLayer1("[LayerType = Simple NumberOfNeurons = 2]"),
       "Too complicated statement"},
      {"ALL with surplus items", WithLayer1("[ALL LayerType = Simple x]"),
       "Too complicated statement"},
      {"wrong inputs",
       Network("Basic", "[NumberOfLayers = 2] [NumberOfInputs = 3]",
               Layer(0, "Simple", 1) + Layer(1, "Input", 2)),
       "wrong number inputs in header"},
      {"wrong outputs",
       Network("Basic", "[NumberOfLayers = 2] [InputLayer = 0] [NumberOfOutputs = 3]",
               Layer(0, "Input", 1) + Layer(1, "Simple", 2)),
       "wrong number outputs in header"},
      {"unknown layer type", WithLayer1("[LayerType = Hidden] [NumberOfNeurons = 2]"),
       "Unknown layer type"},
      {"neither type nor size", WithLayer1(""), "Layer needs LayerType and NumberOfNeurons"},
      {"no size before neurons", WithLayer1("[LayerType = Gain] [Neurons] [Neuron = 0] [~Neurons]"),
       "Layer needs LayerType and NumberOfNeurons"},
      {"negative size", WithLayer1("[LayerType = Simple] [NumberOfNeurons = -1]"),
       "Negative number of neurons"},
      {"huge size", WithLayer1("[LayerType = Simple] [NumberOfNeurons = 2000000000]"),
       "Number of neurons too large"},
      {"type after build",
       WithLayer1("[LayerType = Simple] [NumberOfNeurons = 2] [LayerType = Gain]"),
       "LayerType after the layer was built"},
      {"size after build",
       WithLayer1("[LayerType = Simple] [NumberOfNeurons = 2] [NumberOfNeurons = 2]"),
       "NumberOfNeurons after the layer was built"},
      {"parameter before the layer",
       WithLayer1("[Gain = 2] [LayerType = Gain] [NumberOfNeurons = 2]"),
       "Neuron parameter before LayerType and NumberOfNeurons"},
      {"parameter plain neurons lack",
       WithLayer1("[LayerType = Simple] [NumberOfNeurons = 2] [Gain = 2]"),
       "Unknown neuron parameter"},
      {"unknown parameter", WithLayer1("[LayerType = Gain] [NumberOfNeurons = 2] [Bias = 2]"),
       "Unknown neuron parameter"},
      {"parameter of a layer without neurons",
       WithLayer1("[LayerType = Gain] [NumberOfNeurons = 0] [Gain = 2]"),
       "Unknown neuron parameter"},
      {"parameter value", WithLayer1("[LayerType = Gain] [NumberOfNeurons = 2] [Gain = big]"),
       "number-expected"},
      {"gain left unset", WithLayer1("[LayerType = Gain] [NumberOfNeurons = 2]"),
       "Incomplete Layer information"},
      {"unknown function",
       WithLayer1("[LayerType = Simple] [NumberOfNeurons = 2] [ActivationFunction = relu]"),
       "Unknown activation function"},
      {"gain function on plain neurons",
       WithLayer1("[ActivationFunction = sigmoid-gain] [LayerType = Simple] [NumberOfNeurons = 2]"),
       "Gain function on a layer without gain neurons"},
      {"gain function on an input layer",
       WithLayer1("[LayerType = Input] [NumberOfNeurons = 2] [All ActivationFunction = tanh-gain]"),
       "Gain function on a layer without gain neurons"},
  });
}

TEST(ReadNetwork, NeuronsBlockFailures) {
  const std::string plain = "[LayerType = Simple] [NumberOfNeurons = 2] ";
  const std::string gain =
      "[LayerType = Gain] [NumberOfNeurons = 2] [ActivationFunction = linear] ";
  ExpectRefused({
      {"repeated neuron",
       WithLayer1(plain + "[Neurons] [Neuron = 0 ActivationFunction = tanh] "
                          "[Neuron = 0 ActivationFunction = tanh] [~Neurons]"),
       "repeated neuron"},
      {"missing neuron",
       WithLayer1(plain + "[Neurons] [Neuron = 1 ActivationFunction = tanh] [~Neurons]"),
       "Neuron not defined"},
      {"neuron index", WithLayer1(gain + "[Neurons] [Neuron = 2] [~Neurons]"),
       "Neuron index out of range"},
      {"negative neuron index", WithLayer1(gain + "[Neurons] [Neuron = -1] [~Neurons]"),
       "Neuron index out of range"},
      {"bare word", WithLayer1(gain + "[Neurons] [Neuron = 0 Frozen] [~Neurons]"),
       "Equals clause expected in neuron parameter"},
      {"no function", WithLayer1(plain + "[Neurons] [Neuron = 0] [Neuron = 1] [~Neurons]"),
       "No activation function defined"},
      {"unknown function in a neuron",
       WithLayer1(gain + "[Neurons] [Neuron = 0 ActivationFunction = softmax] [~Neurons]"),
       "Unknown activation function"},
      {"gain function on a plain neuron",
       WithLayer1(plain + "[Neurons] [Neuron = 0 ActivationFunction = linear-gain] [~Neurons]"),
       "Gain function on a neuron without gain"},
      {"unknown neuron parameter", WithLayer1(gain + "[Neurons] [Neuron = 0 Slope = 2] [~Neurons]"),
       "Unknown neuron parameter"},
      {"statement after the neurons block",
       WithLayer1(gain + "[Neurons] [Neuron = 0] [Neuron = 1] [~Neurons] [Gain = 1]"),
       "End Tag expected"},
      {"neurons block end", WithLayer1(gain + "[Neurons] [Neuron = 0] [Neuron = 1] x"),
       "End Tag expected"},
  });
}

TEST(ReadNetwork, ConnectionBlockFailures) {
  ExpectRefused({
      {"surplus items", TwoLayers("[ConnectionLayer] [LayerFrom = 0 LayerTo = 1]"),
       "Too complicated statement"},
      {"unknown keyword", TwoLayers(Connection("Pruneable", "", "[LayerFrom = 0] [Layer = 1]")),
       "Unknown keyword in connections"},
      {"no target", TwoLayers(Connection("Pruneable", "", "[LayerFrom = 0]")),
       "Insufficient information to construct layer"},
      {"negative source", TwoLayers(Connection("Pruneable", "", "[LayerFrom = -1] [LayerTo = 1]")),
       "Insufficient information to construct layer"},
      {"no type", TwoLayers("[ConnectionLayer] [LayerFrom = 0] [LayerTo = 1] [~ConnectionLayer]"),
       "Insufficient information to construct layer"},
      {"unknown type", TwoLayers(Connection("Sparse", "")),
       "Insufficient information to construct layer"},
      {"layer beyond the network",
       TwoLayers(Connection("Pruneable", "", "[LayerFrom = 0] [LayerTo = 2]")),
       "Connection layer out of range"},
      {"second set for a pair",
       TwoLayers(Connection("Pruneable", "") + Connection("FullyConnected", "")),
       "Connections already defined"},
      {"huge set",
       Network("Basic", "[NumberOfLayers = 2] [InputLayer = 0]",
               Layer(0, "Input", 40000) + Layer(1, "Simple", 40000) + Connection("Pruneable", "")),
       "Connection set too large"},
      {"weight block of another kind", TwoLayers(Connection("Pruneable", "[Weights]")),
       "End Tag expected"},
  });
}

TEST(ReadNetwork, MatrixFailures) {
  ExpectRefused({
      {"attribute with a value",
       TwoLayers(Connection("Pruneable", "[Matrix Weights = 1] [~Matrix]")),
       "Keyword expected in matrix parameter"},
      {"unknown attribute", TwoLayers(Connection("Pruneable", "[Matrix Weights Masks] [~Matrix]")),
       "Unknown matrix attribute"},
      {"tenth attribute",
       TwoLayers(Connection("Pruneable",
                            "[Matrix Weights Weights Weights Weights Weights Weights "
                            "Weights Weights Weights Weights] [~Matrix]")),
       "Too many matrix attributes"},
      {"one token too few",
       TwoLayers(Connection("Pruneable", "[Matrix Weights] 1 2 3 4 5 [~Matrix]")),
       "Token Expected"},
      {"one token too many",
       TwoLayers(Connection("Pruneable", "[Matrix Weights] 1 2 3 4 5 6 7 [~Matrix]")),
       "End Tag expected"},
      {"statement among the cells",
       TwoLayers(Connection("Pruneable", "[Matrix Weights] 1 2 3 [X = 1] 5 6 [~Matrix]")),
       "Token Expected"},
      {"input ends in the matrix",
       UpTo(TwoLayers(Connection("Pruneable", "[Matrix Weights] 1 2")), "1 2"),
       "Unexpected end of file"},
      {"weight not a number",
       TwoLayers(Connection("Pruneable", "[Matrix Weights] 1 2 x 4 5 6 [~Matrix]")),
       "number-expected"},
      {"wrong end tag", TwoLayers(Connection("Pruneable", "[Matrix Weights] 1 2 3 4 5 6 [~Matrx]")),
       "Unexpected End Tag"},
      {"bad mark for an existing weight",
       TwoLayers(Connection("Pruneable",
                            "[Matrix Weights TrainableInfo] 1 T 2 T 3 - 4 T 5 T 6 T [~Matrix]")),
       "Trainable mark must be T or F"},
      {"removed fully connected weight",
       TwoLayers(Connection("FullyConnected", "[Matrix Weights] 1 2 - 4 5 6 [~Matrix]")),
       "Cannot remove a weight of a fully connected set"},
      {"frozen fully connected weight",
       TwoLayers(Connection("FullyConnected", "[Matrix TrainableInfo] T T T T F T [~Matrix]")),
       "Cannot make a weight of a fully connected set untrainable"},
      {"other mark in a fully connected set",
       TwoLayers(Connection("FullyConnected", "[Matrix TrainableInfo] T T - T T T [~Matrix]")),
       "Trainable mark must be T or F"},
  });
}

TEST(ReadNetwork, WeightListFailures) {
  ExpectRefused({
      {"unknown value item",
       TwoLayers(Connection("Pruneable", "[WeightList] [From = 0 To = 1 Value = 2] [~WeightList]")),
       "Unknown keyword in weights list"},
      {"no source",
       TwoLayers(Connection("Pruneable", "[WeightList] [To = 1 Weight = 2] [~WeightList]")),
       "Insufficient information in weights list"},
      {"a mark alone", TwoLayers(Connection("Pruneable", "[WeightList] [Trainable] [~WeightList]")),
       "Insufficient information in weights list"},
      {"source beyond its layer",
       TwoLayers(Connection("Pruneable", "[WeightList] [From = 2 To = 0] [~WeightList]")),
       "Weight list neuron out of range"},
      {"target beyond its layer",
       TwoLayers(Connection("Pruneable", "[WeightList] [From = 0 To = 3] [~WeightList]")),
       "Weight list neuron out of range"},
      {"untrainable fully connected weight",
       TwoLayers(Connection("FullyConnected",
                            "[WeightList] [From = 0 To = 0 UnTrainable] [~WeightList]")),
       "Cannot make a weight of a fully connected set untrainable"},
      {"weight not a number",
       TwoLayers(
           Connection("Pruneable", "[WeightList] [From = 0 To = 0 Weight = w] [~WeightList]")),
       "number-expected"},
      {"bare word between entries",
       TwoLayers(Connection("Pruneable", "[WeightList] [From = 0 To = 0] x [~WeightList]")),
       "End Tag expected"},
  });
}

TEST(ReadNetwork, UnknownWordInAWeightListIsPrintedFirst) {
  testing::internal::CaptureStdout();
  const std::string message = ReadError(
      TwoLayers(Connection("Pruneable", "[WeightList] [From = 0 To = 2 Frozen] [~WeightList]")));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Frozen\n");
  EXPECT_EQ(message, "Unknown keyword in weights list");
}

// Many sets each within bounds still add up: the allowance covers the whole
// file, not one structure at a time.
TEST(ReadNetwork, AllowanceCoversTheWholeFile) {
  std::string layers;
  for (int i = 0; i < 3; ++i) layers += Layer(i, i == 0 ? "Input" : "Simple", 2000);
  const std::string one = Connection("Pruneable", "", "[LayerFrom = 0] [LayerTo = 1]");
  const std::string two = Connection("Pruneable", "", "[LayerFrom = 1] [LayerTo = 2]");
  const std::string info = "[NumberOfLayers = 3] [InputLayer = 0]";
  EXPECT_EQ(ReadError(Network("Basic", info, layers + one)), "accepted");
  EXPECT_EQ(ReadError(Network("Basic", info, layers + one + two)), "Connection set too large");

  TReadAllowance allowance(1000);
  TextInput in;
  EXPECT_DOUBLE_EQ(allowance.Limit(), TReadAllowance::kBase + 128000.0);
  allowance.Take(allowance.Limit() - 10, "full", in);
  allowance.Give(100);
  allowance.Take(100, "full", in);
  try {
    allowance.Take(11, "full", in);
    ADD_FAILURE() << "booked beyond the limit";
  } catch (const FileTools::Error& e) {
    EXPECT_EQ(e.message, "full");
  }
  EXPECT_DOUBLE_EQ(allowance.Used(), allowance.Limit() - 10);
}

// The connection block step on its own: the set replaces the empty one of
// its pair, and the tag after the block comes back.
TEST(ReadConnectionBlock, StoresTheSetAndReturnsTheNextTag) {
  char scratch[kScratchSize];
  TBasicNetwork net(2);
  net.layers[0] = new TSimpleInputLayer(&net, 0, 2);
  TReadAllowance allowance(-1);
  TextInput missing(
      "[LayerFrom = 0] [LayerTo = 1] [ConnectionType = Pruneable] [~ConnectionLayer]");
  try {
    ReadConnectionBlock(scratch, missing, &net, "ConnectionLayer", "NeuralNetwork", allowance);
    ADD_FAILURE() << "a set for a missing layer was built";
  } catch (const FileTools::Error& e) {
    EXPECT_EQ(e.message, "Connection layer not defined");
  }

  net.layers[1] = new TSimpleLayer(&net, 1, 1);
  TextInput in(
      "[LayerFrom = 0] [LayerTo = 1] [ConnectionType = Pruneable]"
      " [WeightList] [From = 1 To = 0 Weight = 2] [~WeightList] [~connectionlayer]"
      " [Layer = 3]");
  const TTag next =
      ReadConnectionBlock(scratch, in, &net, "ConnectionLayer", "NeuralNetwork", allowance);
  EXPECT_EQ(next.kind, TagValue);
  EXPECT_EQ(next.name, "Layer");
  EXPECT_EQ(next.value, "3");
  TBasicConnections* set = net.priv_conns_index[1][0];
  EXPECT_STREQ(set->GetConnectionsNType(), "Pruneable");
  EXPECT_FALSE(set->IsValid(0, 0));
  EXPECT_TRUE(set->IsValid(1, 0));
  EXPECT_EQ(*set->GetWeightPtr(1, 0), 2.0);
  EXPECT_GT(allowance.Used(), 0.0);
}

TEST(LoadNetwork, MissingFileAndOptions) {
  char scratch[kScratchSize];
  try {
    LoadNetwork(scratch, SourcePath("tests/fixtures/networks/missing.net").c_str(),
                new TKQstructure("tell"));
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileTools::Error& e) {
    EXPECT_EQ(e.message, "Error on File Open");
  }
  // The options structure is taken over and released in every case.
  std::unique_ptr<TBasicNetwork> net(LoadNetwork(
      scratch, SourcePath("tests/fixtures/networks/connected.net").c_str(), new TKQstructure("x")));
  EXPECT_EQ(net->n_layers, 3);
}

}  // namespace
