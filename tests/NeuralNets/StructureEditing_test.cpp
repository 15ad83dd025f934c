// Inserting and removing layers and neurons, and pruning dead neurons.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Working/NeuralNets/TBasicNetwork.h"
#include "Working/NeuralNets/TConnectedConnections.h"
#include "Working/NeuralNets/TPrunedConnections.h"

namespace {

using NetPtr = std::unique_ptr<TBasicNetwork>;

// Replaces the pair's set by a fully connected one.
void ConnectFully(TBasicNetwork* net, int from, int to) {
  TBasicConnections*& slot = net->priv_conns_index[to][from];
  slot->Destroy();
  slot = new TConnectedConnections(net, from, to);
}

// Gives every existing weight of the network a distinct value.
void NumberWeights(TBasicNetwork* net) {
  std::vector<double> w(net->GetNumWeights(1));
  for (std::size_t i = 0; i < w.size(); ++i) w[i] = 0.125 * static_cast<double>(i + 1);
  net->SetWeights(w.data(), 1);
}

// Input layer 0 (2), hidden gain layer 1 (3), hidden layer 2 (2), output
// layer 3 (2). Forward sets of both kinds, a set from layer 1 to itself and
// one backwards from layer 2 to layer 1; a few pruneable weights absent or
// frozen.
NetPtr MakeMixed() {
  auto net = std::make_unique<TBasicNetwork>(4);
  TBasicNetwork* n = net.get();
  n->inLayer = 0;
  n->outLayer = 3;
  n->layers[0] = new TSimpleInputLayer(n, 0, 2);
  n->layers[1] = new TGainLayer(n, 1, 3, 1.0);
  n->layers[1]->SetActivationFunction(n->fn_registry->GetFunction("tanh-gain"));
  for (int i = 0; i < 3; ++i) static_cast<TGainNeuron*>(n->layers[1]->GetNeuron(i))->gain = 1 + i;
  n->layers[2] = new TSimpleLayer(n, 2, 2);
  n->layers[2]->SetActivationFunction(n->fn_registry->GetFunction("sigmoid"));
  n->layers[3] = new TSimpleLayer(n, 3, 2);
  n->layers[3]->SetActivationFunction(n->fn_registry->GetFunction("linear"));
  n->Connect(0, 1);
  ConnectFully(n, 1, 2);
  n->Connect(1, 1);
  n->Connect(2, 1);
  n->Connect(0, 3);
  ConnectFully(n, 2, 3);
  n->priv_conns_index[1][0]->RemoveWeight(1, 2);
  n->priv_conns_index[1][1]->RemoveWeight(0, 0);
  n->priv_conns_index[1][1]->SetUntrainable(2, 1);
  n->priv_conns_index[3][0]->SetUntrainable(0, 1);
  NumberWeights(n);
  return net;
}

// Everything structure editing may touch, as one comparable text: layers
// with their numbers, neurons and parameters; sets with their pairs, kinds,
// weights and flags.
std::string Describe(TBasicNetwork* net) {
  std::ostringstream s;
  s << "layers " << net->n_layers << " in " << net->inLayer << " out " << net->outLayer << "\n";
  for (int L = 0; L < net->n_layers; ++L) {
    TBasicLayer* layer = net->layers[L];
    s << "L" << L << " " << layer->GetLayerType() << " num " << layer->layerNum << " n "
      << layer->numNeurons << " :";
    for (int i = 0; i < layer->numNeurons; ++i) {
      TBasicNeuron* neuron = layer->GetNeuron(i);
      s << " " << neuron->layerNum << "/" << neuron->index;
      double p[1];
      if (neuron->GetNumParameters() == 1) {
        neuron->GetParameters(p);
        s << "g" << p[0];
      }
    }
    s << "\n";
  }
  for (int t = 0; t < net->n_layers; ++t) {
    for (int f = 0; f < net->n_layers; ++f) {
      TBasicConnections* set = net->priv_conns_index[t][f];
      s << "[" << t << "][" << f << "] " << set->GetConnectionsNType() << " " << set->fromLayer
        << "->" << set->toLayer;
      if (set->network != net) s << " FOREIGN";
      const int count = set->GetNumWeights(1);
      std::vector<double> w(count);
      set->GetWeights(w.data(), 1);
      std::unique_ptr<char[]> flags = set->GetAllFlags();
      for (int i = 0; i < count; ++i) s << " " << w[i] << ":" << int{flags[i]};
      s << "\n";
    }
  }
  return s.str();
}

std::vector<double> Outputs(TBasicNetwork* net, std::vector<double> inputs) {
  std::vector<double> out(net->layers[net->outLayer]->numNeurons);
  net->Evaluate(inputs.data(), out.data());
  return out;
}

TEST(StructureEditing, InsertLayerShiftsLayersSetsAndIndexes) {
  NetPtr net = MakeMixed();
  const std::vector<double> before = Outputs(net.get(), {0.5, -1.5});
  std::vector<double> weights(net->GetNumWeights(1));
  net->GetWeights(weights.data(), 1);
  TBasicConnections* kept_set = net->priv_conns_index[2][1];
  TBasicLayer* kept_layer = net->layers[2];

  auto* fresh = new TSimpleLayer(net.get(), 99, 3);
  fresh->SetActivationFunction(net->fn_registry->GetFunction("linear"));
  net->InsertLayer(0, fresh);

  EXPECT_EQ(net->n_layers, 5);
  EXPECT_EQ(net->inLayer, 1);
  EXPECT_EQ(net->outLayer, 4);
  EXPECT_EQ(net->layers[0], fresh);
  EXPECT_EQ(net->layers[3], kept_layer);
  EXPECT_EQ(net->priv_conns_index[3][2], kept_set);
  for (int L = 0; L < 5; ++L) {
    EXPECT_EQ(net->layers[L]->layerNum, L);
    for (int i = 0; i < net->layers[L]->numNeurons; ++i) {
      EXPECT_EQ(net->layers[L]->GetNeuron(i)->layerNum, L);
    }
  }
  for (int t = 0; t < 5; ++t) {
    EXPECT_EQ(net->priv_conns_index[t], &net->priv_conns[t * 5]);
    for (int f = 0; f < 5; ++f) {
      EXPECT_EQ(net->priv_conns_index[t][f]->fromLayer, f);
      EXPECT_EQ(net->priv_conns_index[t][f]->toLayer, t);
      if (t == 0 || f == 0) {
        EXPECT_FALSE(net->priv_conns_index[t][f]->IsConnected());
      }
    }
  }
  std::vector<double> after_weights(net->GetNumWeights(1));
  net->GetWeights(after_weights.data(), 1);
  EXPECT_EQ(after_weights, weights);
  EXPECT_EQ(Outputs(net.get(), {0.5, -1.5}), before);
}

TEST(StructureEditing, InsertLayerAtTheEndOrBeforeTheInputLayer) {
  NetPtr net = MakeMixed();
  const std::string original = Describe(net.get());
  net->InsertLayer(4, new TSimpleLayer(net.get(), 4, 2));
  EXPECT_EQ(net->inLayer, 0);
  EXPECT_EQ(net->outLayer, 3);
  EXPECT_EQ(net->layers[4]->numNeurons, 2);
  net->RemoveLayer(4);  // hidden: neither the input (0) nor the output (3)
  EXPECT_EQ(Describe(net.get()), original);

  net->InsertLayer(0, new TSimpleLayer(net.get(), 0, 1));  // at the input position
  EXPECT_EQ(net->inLayer, 1);
  EXPECT_EQ(net->outLayer, 4);
  EXPECT_STREQ(net->layers[1]->GetLayerType(), "Input");
  net->RemoveLayer(0);
  EXPECT_EQ(Describe(net.get()), original);
}

TEST(StructureEditing, RemoveLayerDropsItsRowAndColumnAndLowersIndexes) {
  NetPtr net = MakeMixed();
  net->inLayer = 1;  // layer 0 becomes hidden, input and output lie above it
  net->outLayer = 3;
  net->RemoveLayer(0);
  EXPECT_EQ(net->n_layers, 3);
  EXPECT_EQ(net->inLayer, 0);
  EXPECT_EQ(net->outLayer, 2);
  EXPECT_STREQ(net->layers[0]->GetLayerType(), "Gain");
  // What is left: 1->1, 2->1, 1->2 (fully), 2->3 (fully), renumbered.
  EXPECT_STREQ(net->priv_conns_index[0][0]->GetConnectionsNType(), "Pruneable");
  EXPECT_STREQ(net->priv_conns_index[0][1]->GetConnectionsNType(), "Pruneable");
  EXPECT_STREQ(net->priv_conns_index[1][0]->GetConnectionsNType(), "FullyConnected");
  EXPECT_STREQ(net->priv_conns_index[2][1]->GetConnectionsNType(), "FullyConnected");
  EXPECT_STREQ(net->priv_conns_index[2][0]->GetConnectionsNType(), "Empty");
  EXPECT_EQ(net->GetNumWeights(1), 8 + 6 + 6 + 4);
  for (int t = 0; t < 3; ++t) {
    for (int f = 0; f < 3; ++f) {
      EXPECT_EQ(net->priv_conns_index[t][f]->fromLayer, f);
      EXPECT_EQ(net->priv_conns_index[t][f]->toLayer, t);
    }
  }
}

TEST(StructureEditing, InsertAndRemoveNodeRestoreEveryWeight) {
  NetPtr net = MakeMixed();
  const std::string original = Describe(net.get());
  const int weights = net->GetNumWeights(1);

  // Layer 1 is the from side of 1->1 and 1->2 (3 + 2 new weights) and the
  // to side of 0->1, 1->1 and 2->1 (2 + 4 + 2): 1->1 grows from 3x3 to 4x4.
  net->InsertNode(1, 1, -0.5, 0.5, true);
  EXPECT_EQ(net->layers[1]->numNeurons, 4);
  EXPECT_EQ(net->GetNumWeights(1), weights + 13);
  EXPECT_EQ(net->priv_conns_index[1][1]->GetNumWeights(1), 9 - 1 + 7);
  for (int t = 0; t < 4; ++t) {
    for (int f = 0; f < 4; ++f) {
      if (t != 1 && f != 1) continue;
      TBasicConnections* set = net->priv_conns_index[1][1];
      EXPECT_TRUE(set->IsValid(f, t) && set->IsTrainable(f, t));
      EXPECT_GE(*set->GetWeightPtr(f, t), -0.5);
      EXPECT_LT(*set->GetWeightPtr(f, t), 0.5);
    }
  }
  EXPECT_EQ(net->layers[1]->GetNeuron(1)->layerNum, 1);
  net->RemoveNode(1, 1);
  EXPECT_EQ(Describe(net.get()), original);

  // Detached: the pruneable sets gain absent weights only; with a fully
  // connected set in the layer's row or column that is refused, so use
  // layer 2's neighbour 2->1 (pruneable) after making 1->2 and 2->3
  // pruneable too.
  net->Disconnect(1, 2);
  net->Connect(1, 2);
  net->Disconnect(2, 3);
  net->Connect(2, 3);
  NumberWeights(net.get());
  const std::string reconnected = Describe(net.get());
  const std::vector<double> outputs = Outputs(net.get(), {1.0, 2.0});
  const int count = net->GetNumWeights(1);
  net->InsertNode(2, 2, 0.0, 1.0, false);
  EXPECT_EQ(net->GetNumWeights(1), count);
  EXPECT_EQ(net->layers[2]->numNeurons, 3);
  EXPECT_EQ(Outputs(net.get(), {1.0, 2.0}), outputs);
  net->RemoveNode(2, 2);
  EXPECT_EQ(Describe(net.get()), reconnected);
}

TEST(StructureEditing, InsertNodeWithEqualBoundsGivesThatWeight) {
  NetPtr net = MakeMixed();
  TBasicConnections* in = net->priv_conns_index[2][1];   // fully connected, 3 -> 2
  TBasicConnections* out = net->priv_conns_index[3][2];  // fully connected, 2 -> 2
  const double old_out = *out->GetWeightPtr(0, 1);
  const double old_in = *in->GetWeightPtr(2, 0);
  net->InsertNode(2, 0, 0.75, 0.75, true);
  for (int f = 0; f < 3; ++f) EXPECT_EQ(*in->GetWeightPtr(f, 0), 0.75);
  for (int t = 0; t < 2; ++t) EXPECT_EQ(*out->GetWeightPtr(0, t), 0.75);
  // The old neuron 0 moved to position 1 with its weights.
  EXPECT_EQ(*out->GetWeightPtr(1, 1), old_out);
  EXPECT_EQ(*in->GetWeightPtr(2, 1), old_in);
}

// Gains name the neurons: layer 1 holds a0..a3 (gains 10..13), layer 2
// b0..b2 (gains 20..22). Input layer 0, output layer 3 (one neuron), and a
// layer 4 above the output whose neuron leads nowhere.
//   b0 -> out        b1 -> nothing       b2 -> b1 (own layer)
//   a0 -> b0         a1 -> b1 only       a2 -> input layer (backwards)
//   a3 -> nothing    (a3 still receives weights from the input)
NetPtr MakePruneable() {
  auto net = std::make_unique<TBasicNetwork>(5);
  TBasicNetwork* n = net.get();
  n->inLayer = 0;
  n->outLayer = 3;
  n->layers[0] = new TSimpleInputLayer(n, 0, 2);
  n->layers[1] = new TGainLayer(n, 1, 4, 1.0);
  n->layers[2] = new TGainLayer(n, 2, 3, 1.0);
  n->layers[3] = new TSimpleLayer(n, 3, 1);
  n->layers[4] = new TSimpleLayer(n, 4, 1);
  for (int L = 1; L <= 2; ++L) {
    for (int i = 0; i < n->layers[L]->numNeurons; ++i) {
      static_cast<TGainNeuron*>(n->layers[L]->GetNeuron(i))->gain = 10 * L + i;
    }
  }
  auto link = [n](int from_layer, int from, int to_layer, int to) {
    n->Connect(from_layer, to_layer);
    n->priv_conns_index[to_layer][from_layer]->AddWeight(from, to);
  };
  const std::initializer_list<std::pair<int, int>> pairs = {{0, 1}, {1, 2}, {2, 3},
                                                            {2, 2}, {1, 0}, {3, 4}};
  for (auto [f, t] : pairs) {
    n->Connect(f, t);
    TBasicConnections* set = n->priv_conns_index[t][f];
    for (int i = 0; i < n->layers[f]->numNeurons; ++i) {
      for (int j = 0; j < n->layers[t]->numNeurons; ++j) set->RemoveWeight(i, j);
    }
  }
  for (int a = 0; a < 4; ++a) link(0, 0, 1, a);
  link(2, 0, 3, 0);
  link(2, 2, 2, 1);
  link(1, 0, 2, 0);
  link(1, 1, 2, 1);
  link(1, 2, 0, 1);
  link(3, 0, 4, 0);
  NumberWeights(n);
  return net;
}

std::string Gains(TBasicNetwork* net, int L) {
  std::string s;
  for (int i = 0; i < net->layers[L]->numNeurons; ++i) {
    double g;
    net->layers[L]->GetNeuron(i)->GetParameters(&g);
    s += std::to_string(static_cast<int>(g)) + " ";
  }
  return s;
}

TEST(StructureEditing, PruneNodesRemovesHiddenNeuronsWithoutOutgoingWeights) {
  NetPtr net = MakePruneable();
  const double out_weight = *net->priv_conns_index[3][2]->GetWeightPtr(0, 0);

  // b1 (nothing leaves), then a3 (nothing leaves) and a1 (its only weight led
  // to b1); b2 led to b1 but was judged before b1 went.
  EXPECT_EQ(net->PruneNodes(), 3);
  EXPECT_EQ(Gains(net.get(), 1), "10 12 ");
  EXPECT_EQ(Gains(net.get(), 2), "20 22 ");
  EXPECT_EQ(net->layers[4]->numNeurons, 1);
  // Incoming weights went with their neurons: 2 into a0, a2; a0->b0; a2->in;
  // b0->out; out->layer 4.
  EXPECT_EQ(net->GetNumWeights(1), 6);
  EXPECT_EQ(*net->priv_conns_index[3][2]->GetWeightPtr(0, 0), out_weight);
  EXPECT_TRUE(net->priv_conns_index[0][1]->IsValid(1, 1));  // a2 -> input neuron 1

  EXPECT_EQ(net->PruneNodes(), 1);  // b2 lost its weight into b1
  EXPECT_EQ(Gains(net.get(), 2), "20 ");
  const std::string settled = Describe(net.get());
  EXPECT_EQ(net->PruneNodes(), 0);
  EXPECT_EQ(Describe(net.get()), settled);
}

TEST(StructureEditing, PruneNodesKeepsANetworkWithoutDeadNeurons) {
  NetPtr net = MakeMixed();  // every hidden neuron feeds a fully connected set
  const std::string original = Describe(net.get());
  EXPECT_EQ(net->PruneNodes(), 0);
  EXPECT_EQ(Describe(net.get()), original);
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::string("()[]{}.*+?^$|\\").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

TEST(StructureEditingDeathTest, PreconditionsAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    void (*edit)(TBasicNetwork*);
    const char* condition;
    int line;
  };
  const Case cases[] = {
      {[](TBasicNetwork* n) { n->InsertNode(-1, 0, 0, 1, true); }, "LayerNum>=0", 1368},
      {[](TBasicNetwork* n) { n->InsertNode(4, 0, 0, 1, true); }, "LayerNum<numLayers", 1369},
      {[](TBasicNetwork* n) { n->InsertNode(0, 0, 0, 1, true); }, "LayerNum!=inLayer", 1370},
      {[](TBasicNetwork* n) { n->InsertNode(3, 0, 0, 1, true); }, "LayerNum!=outLayer", 1371},
      {[](TBasicNetwork* n) { n->InsertNode(1, -1, 0, 1, true); }, "node>=0", 1373},
      {[](TBasicNetwork* n) { n->InsertNode(1, 10, 0, 1, true); }, "node<=GetNumNeurons()", 1374},
      {[](TBasicNetwork* n) { n->RemoveNode(-1, 0); }, "LayerNum>=0", 1387},
      {[](TBasicNetwork* n) { n->RemoveNode(4, 0); }, "LayerNum<numLayers", 1388},
      {[](TBasicNetwork* n) { n->RemoveNode(0, 0); }, "LayerNum!=inLayer", 1389},
      {[](TBasicNetwork* n) { n->RemoveNode(3, 0); }, "LayerNum!=outLayer", 1390},
      {[](TBasicNetwork* n) { n->RemoveNode(1, -1); }, "node>=0", 1392},
      {[](TBasicNetwork* n) { n->RemoveNode(1, 9); }, "node<GetNumNeurons()", 1393},
      {[](TBasicNetwork* n) { n->InsertLayer(-1, new TSimpleLayer(n, 0, 1)); }, "LayerNum>=0",
       1452},
      {[](TBasicNetwork* n) { n->InsertLayer(5, new TSimpleLayer(n, 0, 1)); },
       "LayerNum<=numLayers", 1453},
      {[](TBasicNetwork* n) { n->RemoveLayer(-1); }, "LayerNum>=0", 1517},
      {[](TBasicNetwork* n) { n->RemoveLayer(4); }, "LayerNum<numLayers", 1518},
      {[](TBasicNetwork* n) { n->RemoveLayer(0); }, "LayerNum!=inLayer", 1519},
      {[](TBasicNetwork* n) { n->RemoveLayer(3); }, "LayerNum!=outLayer", 1520},
  };
  for (const Case& c : cases) {
    const std::string message = "Assertion failed: " + std::string(c.condition) +
                                ", file Working/NeuralNets/TBasicNetwork.cpp, line " +
                                std::to_string(c.line);
    EXPECT_DEATH(
        {
          NetPtr net = MakeMixed();
          c.edit(net.get());
        },
        Escaped(message))
        << c.condition;
  }
}

TEST(StructureEditingDeathTest, DetachedNeuronInAFullyConnectedSetIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        NetPtr net = MakeMixed();
        net->InsertNode(1, 0, 0, 1, false);  // layer 1 feeds the fully connected 1->2
      },
      "Assertion failed: attached");
}

}  // namespace
