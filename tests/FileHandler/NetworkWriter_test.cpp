// The network writer: exact text for small networks of every kind (golden
// files under tests/fixtures/writer), the list-or-matrix choice, the bias
// check, and SaveNetwork's handling of files.
#include "Working/FileHandler/NetworkWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Working/Exceptions/Exceptions.h"
#include "Working/FileHandler/NetworkFile.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/KQmessage/KQML.h"
#include "Working/NeuralNets/TConnectedConnections.h"
#include "Working/NeuralNets/TConnectedNetwork.h"
#include "Working/NeuralNets/TKohonenNetwork.h"
#include "Working/NeuralNets/TPrunedConnections.h"
#include "support/TestSupport.h"

namespace {

using NetPtr = std::unique_ptr<TBasicNetwork>;

ActivationFunction Fn(TBasicNetwork* net, const char* name) {
  return net->fn_registry->GetFunction(name);
}

TBasicConnections* Set(TBasicNetwork* net, int from, int to) {
  return net->priv_conns_index[to][from];
}

// A pruneable set for the pair with no weight at all.
TBasicConnections* EmptyPruneable(TBasicNetwork* net, int from, int to) {
  net->Connect(from, to);
  TBasicConnections* set = Set(net, from, to);
  for (int f = 0; f < net->layers[from]->numNeurons; ++f) {
    for (int t = 0; t < net->layers[to]->numNeurons; ++t) set->RemoveWeight(f, t);
  }
  return set;
}

void AddWeight(TBasicConnections* set, int from, int to, double value, bool trainable = true) {
  set->AddWeight(from, to);
  *set->GetWeightPtr(from, to) = value;
  if (!trainable) set->SetUntrainable(from, to);
}

void SetGains(TBasicLayer* layer, const std::vector<double>& gains) {
  for (std::size_t i = 0; i < gains.size(); ++i) {
    layer->GetNeuron(static_cast<int>(i))->SetParameters(&gains[i]);
  }
}

// Bias layer 0, input layer 1 (3), gain layer 2 (3 neurons sharing function
// and gain), output layer 3 with a different function per neuron. Pruneable
// sets: 0->2 and 2->3 sparse enough for the list form, 1->2 dense enough for
// the matrix form (with absent and frozen weights), 2->2 onto itself.
NetPtr MakeBasic() {
  auto net = std::make_unique<TBasicNetwork>(4);
  TBasicNetwork* n = net.get();
  n->inLayer = 1;
  n->outLayer = 3;
  n->layers[0] = new TSimpleLayer(n, 0, 1);
  n->layers[0]->SetActivationFunction(Fn(n, "bias"));
  n->layers[1] = new TSimpleInputLayer(n, 1, 3);
  n->layers[2] = new TGainLayer(n, 2, 3, 1.5);
  n->layers[2]->SetActivationFunction(Fn(n, "sigmoid-gain"));
  n->layers[3] = new TSimpleLayer(n, 3, 2);
  n->layers[3]->GetNeuron(0)->SetActivationFunction(Fn(n, "linear"));
  n->layers[3]->GetNeuron(1)->SetActivationFunction(Fn(n, "tanh"));

  AddWeight(EmptyPruneable(n, 0, 2), 0, 1, 0.5, false);
  n->Connect(1, 2);
  TBasicConnections* dense = Set(n, 1, 2);
  const double values[3][3] = {{0.25, -1.5, 3e-05}, {1234.5678, -0.1, 2.0 / 3.0},
                               {1e21, -7.0, 0.0}};
  for (int f = 0; f < 3; ++f) {
    for (int t = 0; t < 3; ++t) *dense->GetWeightPtr(f, t) = values[f][t];
  }
  dense->RemoveWeight(0, 0);
  dense->RemoveWeight(2, 1);
  dense->SetUntrainable(1, 2);
  TBasicConnections* self = EmptyPruneable(n, 2, 2);
  AddWeight(self, 2, 0, -0.125);
  AddWeight(self, 0, 2, 0.0, false);
  TBasicConnections* out = EmptyPruneable(n, 2, 3);
  AddWeight(out, 1, 0, 1.0 / 7.0);
  AddWeight(out, 2, 1, -2.0);
  return net;
}

// Input layer 0 (2); gain layer 1 with one function and a gain per neuron;
// layer 2 without neurons; gain layer 3 with mixed functions and gains.
NetPtr MakeGains() {
  auto net = std::make_unique<TBasicNetwork>(4);
  TBasicNetwork* n = net.get();
  n->inLayer = 0;
  n->outLayer = 3;
  n->layers[0] = new TSimpleInputLayer(n, 0, 2);
  n->layers[1] = new TGainLayer(n, 1, 3, 1.0);
  n->layers[1]->SetActivationFunction(Fn(n, "linear-gain"));
  SetGains(n->layers[1], {0.5, 1.0, -2.25});
  n->layers[2] = new TSimpleLayer(n, 2, 0);
  n->layers[3] = new TGainLayer(n, 3, 3, 2.0);
  n->layers[3]->GetNeuron(0)->SetActivationFunction(Fn(n, "sigmoid-gain"));
  n->layers[3]->GetNeuron(1)->SetActivationFunction(Fn(n, "tanh-gain"));
  n->layers[3]->GetNeuron(2)->SetActivationFunction(Fn(n, "sigmoid-gain"));
  SetGains(n->layers[3], {2.0, 2.0, 3.0});
  n->Connect(0, 1);
  TBasicConnections* in = Set(n, 0, 1);
  for (int f = 0; f < 2; ++f) {
    for (int t = 0; t < 3; ++t) *in->GetWeightPtr(f, t) = 0.5 * f - 0.25 * t;
  }
  n->Connect(1, 3);
  TBasicConnections* out = Set(n, 1, 3);
  for (int f = 0; f < 3; ++f) {
    for (int t = 0; t < 3; ++t) *out->GetWeightPtr(f, t) = f == t ? 1.0 : -0.5;
  }
  out->SetUntrainable(2, 0);
  return net;
}

// Bias layer 0 (1), input layer 1 (2), sigmoid layer 2 (3); fully connected
// sets 0->2 and 1->2 with numbers that need both notations.
NetPtr MakeConnected() {
  const int sizes[] = {1, 2, 3};
  auto net = std::make_unique<TConnectedNetwork>(3, sizes);
  TBasicNetwork* n = net.get();
  n->layers[0]->SetActivationFunction(Fn(n, "bias"));
  n->layers[2]->SetActivationFunction(Fn(n, "sigmoid"));
  n->Connect(0, 2);
  n->Connect(1, 2);
  const double bias[3] = {1.0, -1.0, 0.5};
  for (int t = 0; t < 3; ++t) *Set(n, 0, 2)->GetWeightPtr(0, t) = bias[t];
  const double values[2][3] = {{0.1, -2.5e-07, 123456.789012345},
                               {1e20, 1.0 / 3.0, -0.0001234}};
  for (int f = 0; f < 2; ++f) {
    for (int t = 0; t < 3; ++t) *Set(n, 1, 2)->GetWeightPtr(f, t) = values[f][t];
  }
  return net;
}

// Two inputs on a 2 x 3 grid.
NetPtr MakeKohonen() {
  const int sizes[] = {2, 3};
  auto net = std::make_unique<TKohonenNetwork>(2, 2, sizes);
  TBasicConnections* codebook = Set(net.get(), 1, 2);
  for (int cell = 0; cell < 6; ++cell) {
    *codebook->GetWeightPtr(0, cell) = 0.1 * cell;
    *codebook->GetWeightPtr(1, cell) = 1.0 - 0.25 * cell;
  }
  return net;
}

struct Kind {
  const char* golden;  // file under tests/fixtures/writer
  NetPtr (*make)();
};

const Kind kKinds[] = {
    {"basic.net", MakeBasic},
    {"gains.net", MakeGains},
    {"connected.net", MakeConnected},
    {"kohonen.net", MakeKohonen},
};

std::string Written(TBasicNetwork* net) {
  char scratch[kScratchSize];
  TextOutput out;
  WriteNetwork(scratch, out, net, nullptr);
  return out.text();
}

std::string Golden(const char* name) {
  const std::string path = std::string("tests/fixtures/writer/") + name;
  return testsupport::ReadFile(testsupport::SourcePath(path));
}

TEST(NetworkWriter, WritesTheGoldenText) {
  for (const Kind& kind : kKinds) {
    NetPtr net = kind.make();
    EXPECT_EQ(Written(net.get()), Golden(kind.golden)) << kind.golden;
  }
}

TEST(NetworkWriter, ListOrMatrixAtThirtyFivePercent) {
  // A pruneable 10 x 10 set: 34 weights are a list, 35 a matrix.
  for (int count : {34, 35}) {
    TBasicNetwork net(2);
    net.inLayer = 0;
    net.layers[0] = new TSimpleInputLayer(&net, 0, 10);
    net.layers[1] = new TSimpleLayer(&net, 1, 10);
    net.layers[1]->SetActivationFunction(Fn(&net, "linear"));
    TBasicConnections* set = EmptyPruneable(&net, 0, 1);
    for (int i = 0; i < count; ++i) AddWeight(set, i % 10, i / 10, 1.0);
    const std::string text = Written(&net);
    EXPECT_EQ(text.find("[WeightList]\n") != std::string::npos, count == 34) << count;
    EXPECT_EQ(text.find("[Matrix Weights TrainableInfo ]\n") != std::string::npos, count == 35)
        << count;
  }
}

TEST(NetworkWriter, TwoBiasNeuronsAreRefusedAfterTheHeader) {
  NetPtr net = MakeBasic();
  net->layers[0]->InsertNeuron(1);  // still one common "bias" function
  ++net->layers[0]->numNeurons;
  char scratch[kScratchSize];
  TextOutput out;
  try {
    WriteNetwork(scratch, out, net.get(), new TKQstructure("options"));
    FAIL() << "no error";
  } catch (const FileTools::Error& error) {
    EXPECT_EQ(error.message, "Illegal number of bias nodes");
    EXPECT_EQ(error.outStream, &out);
    EXPECT_EQ(error.stream, nullptr);
  }
  EXPECT_TRUE(out.text().ends_with("[NumberOfInputs = 3]\n[NumberOfOutputs = 2]\n")) << out.text();
}

TEST(NetworkWriter, SaveNetworkWritesTheSameBytes) {
  testsupport::TempDir dir;
  const std::string path = dir.File("net.txt");
  char scratch[kScratchSize];
  NetPtr net = MakeGains();
  SaveNetwork(scratch, path.c_str(), net.get(), new TKQstructure("options"));
  EXPECT_EQ(testsupport::ReadFile(path), Golden("gains.net"));
  EXPECT_FALSE(testsupport::FileExists(path + ".saving"));

  // Overwrites an earlier file.
  NetPtr other = MakeConnected();
  SaveNetwork(scratch, path.c_str(), other.get(), nullptr);
  EXPECT_EQ(testsupport::ReadFile(path), Golden("connected.net"));
}

TEST(NetworkWriter, SaveNetworkFailuresLeaveTheEarlierFile) {
  testsupport::TempDir dir;
  char scratch[kScratchSize];
  struct Case {
    std::string path;
    const char* message;
  };
  const std::string kept = dir.Write("kept.txt", "earlier\n");
  const std::string folder = dir.File("folder");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const Case cases[] = {
      {dir.File("missing/net.txt"), "Error on File Create"},
      {folder, "Error on File Write"},  // cannot be replaced by a file
      {kept, "Illegal number of bias nodes"},
  };
  for (const Case& c : cases) {
    NetPtr net = MakeBasic();
    if (c.path == kept) {
      net->layers[0]->InsertNeuron(0);
      ++net->layers[0]->numNeurons;
    }
    try {
      SaveNetwork(scratch, c.path.c_str(), net.get(), nullptr);
      ADD_FAILURE() << c.path << ": no error";
    } catch (const FileTools::Error& error) {
      EXPECT_EQ(error.message, c.message);
      EXPECT_EQ(error.stream, nullptr);
      EXPECT_EQ(error.outStream, nullptr);
    }
    EXPECT_FALSE(testsupport::FileExists(c.path + ".saving")) << c.path;
  }
  EXPECT_EQ(testsupport::ReadFile(kept), "earlier\n");
  EXPECT_FALSE(testsupport::FileExists(dir.File("missing/net.txt")));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// ---------------------------------------------------------------------------
// Round trips through the reader

// Listed weights and parameters carry 15 decimals, matrix weights 15
// significant digits: either way the value read back lies within this of
// the one written.
double Tolerance(double value) { return 1e-15 + 1e-14 * std::fabs(value); }

const char* FunctionName(TBasicNetwork* net, ActivationFunction f) {
  return f == nullptr ? "(none)" : net->fn_registry->GetFunctionName(f);
}

void ExpectSameNetwork(TBasicNetwork* a, TBasicNetwork* b) {
  ASSERT_STREQ(a->GetNetworkType(), b->GetNetworkType());
  ASSERT_EQ(a->n_layers, b->n_layers);
  EXPECT_EQ(a->inLayer, b->inLayer);
  EXPECT_EQ(a->outLayer, b->outLayer);
  if (auto* ka = dynamic_cast<TKohonenNetwork*>(a)) {
    auto* kb = dynamic_cast<TKohonenNetwork*>(b);
    ASSERT_NE(kb, nullptr);
    ASSERT_EQ(ka->numDims, kb->numDims);
    std::vector<int> da(ka->numDims), db(kb->numDims);
    ka->GetDimensions(da.data());
    kb->GetDimensions(db.data());
    EXPECT_EQ(da, db);
  }
  for (int L = 0; L < a->n_layers; ++L) {
    SCOPED_TRACE("layer " + std::to_string(L));
    TBasicLayer* la = a->layers[L];
    TBasicLayer* lb = b->layers[L];
    EXPECT_STREQ(la->GetLayerType(), lb->GetLayerType());
    ASSERT_EQ(la->numNeurons, lb->numNeurons);
    EXPECT_STREQ(FunctionName(a, la->GetActivationFunction()),
                 FunctionName(b, lb->GetActivationFunction()));
    for (int i = 0; i < la->numNeurons; ++i) {
      TBasicNeuron* na = la->GetNeuron(i);
      TBasicNeuron* nb = lb->GetNeuron(i);
      EXPECT_STREQ(FunctionName(a, na->GetActivationFunction()),
                   FunctionName(b, nb->GetActivationFunction()));
      ASSERT_EQ(na->GetNumParameters(), nb->GetNumParameters());
      std::vector<double> pa(na->GetNumParameters()), pb(nb->GetNumParameters());
      na->GetParameters(pa.data());
      nb->GetParameters(pb.data());
      for (std::size_t j = 0; j < pa.size(); ++j) EXPECT_NEAR(pa[j], pb[j], Tolerance(pa[j]));
    }
  }
  for (int t = 0; t < a->n_layers; ++t) {
    for (int f = 0; f < a->n_layers; ++f) {
      SCOPED_TRACE("set " + std::to_string(f) + "->" + std::to_string(t));
      TBasicConnections* sa = Set(a, f, t);
      TBasicConnections* sb = Set(b, f, t);
      ASSERT_STREQ(sa->GetConnectionsNType(), sb->GetConnectionsNType());
      if (!sa->IsConnected()) continue;
      for (int i = 0; i < a->layers[f]->numNeurons; ++i) {
        for (int j = 0; j < a->layers[t]->numNeurons; ++j) {
          ASSERT_EQ(sa->IsValid(i, j), sb->IsValid(i, j)) << i << "," << j;
          if (!sa->IsValid(i, j)) continue;
          EXPECT_EQ(sa->IsTrainable(i, j), sb->IsTrainable(i, j)) << i << "," << j;
          const double wa = *sa->GetWeightPtr(i, j);
          EXPECT_NEAR(wa, *sb->GetWeightPtr(i, j), Tolerance(wa)) << i << "," << j;
        }
      }
    }
  }
}

NetPtr ReadBack(const std::string& text) {
  char scratch[kScratchSize];
  TextInput in(text);
  return NetPtr(ReadNetwork(scratch, in, nullptr));
}

TEST(NetworkRoundTrip, EveryKindReadsBackEqualAndWritesTheSameBytes) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.golden);
    NetPtr net = kind.make();
    const std::string text = Written(net.get());
    NetPtr back = ReadBack(text);
    ASSERT_NE(back, nullptr);
    ExpectSameNetwork(net.get(), back.get());
    EXPECT_EQ(Written(back.get()), text);
  }
}

TEST(NetworkRoundTrip, ReadBackNetworksEvaluateAlike) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.golden);
    NetPtr net = kind.make();
    NetPtr back = ReadBack(Written(net.get()));
    const std::vector<double> inputs = {0.75, -0.5, 0.125};
    const int width = net->layers[net->outLayer]->numNeurons;
    std::vector<double> expected(width), actual(width);
    net->Evaluate(inputs.data(), expected.data());
    back->Evaluate(inputs.data(), actual.data());
    for (int i = 0; i < width; ++i) EXPECT_NEAR(expected[i], actual[i], 1e-12) << i;
  }
}

TEST(NetworkRoundTrip, ExtremeWeightsSurviveBothForms) {
  // One pruneable set per form: 2 of 9 weights make a list, 9 of 9 a matrix.
  const double values[] = {1e-300, -1e300, 4.9e-324, -0.0, 123456789.123456789,
                           0.1 + 0.2, -1.0 / 3.0, 1e15 + 0.5, 7.0};
  for (int count : {2, 9}) {
    SCOPED_TRACE(count);
    TBasicNetwork net(2);
    net.inLayer = 0;
    net.layers[0] = new TSimpleInputLayer(&net, 0, 3);
    net.layers[1] = new TSimpleLayer(&net, 1, 3);
    net.layers[1]->SetActivationFunction(Fn(&net, "saturated-linear"));
    TBasicConnections* set = EmptyPruneable(&net, 0, 1);
    for (int i = 0; i < count; ++i) AddWeight(set, i / 3, i % 3, values[i], i % 2 == 0);
    const std::string text = Written(&net);
    NetPtr back = ReadBack(text);
    ExpectSameNetwork(&net, back.get());
    EXPECT_EQ(Written(back.get()), text);
  }
}

TEST(NetworkRoundTrip, SavedFileLoadsBack) {
  testsupport::TempDir dir;
  const std::string path = dir.File("kohonen.net");
  char scratch[kScratchSize];
  NetPtr net = MakeKohonen();
  SaveNetwork(scratch, path.c_str(), net.get(), nullptr);
  NetPtr back(LoadNetwork(scratch, path.c_str(), new TKQstructure("options")));
  ExpectSameNetwork(net.get(), back.get());
}

}  // namespace
