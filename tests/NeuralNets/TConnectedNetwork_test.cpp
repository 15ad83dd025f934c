#include "Working/NeuralNets/TConnectedNetwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "Working/NeuralNets/TConnectedConnections.h"
#include "Working/NeuralNets/TPrunedConnections.h"

namespace {

using Arc = std::tuple<int, int, int, int, double>;  // from layer, from node, to layer, to node, weight

Arc Current(TArcsIterator& it) {
  return {it.GetFromLayer(), it.GetFromNode(), it.GetToLayer(), it.GetToNode(), *it.GetWeight()};
}

// Weight (f, t) of the set from layer a to layer b: 100*a + 10*f + t.
void FillWeights(TBasicNetwork& net, int a, int b) {
  TBasicConnections* set = net.priv_conns_index[b][a];
  for (int f = 0; f < net.layers[a]->numNeurons; ++f) {
    for (int t = 0; t < net.layers[b]->numNeurons; ++t) *set->GetWeightPtr(f, t) = 100 * a + 10 * f + t;
  }
}

TEST(TConnectedNetwork, SizingConstructor) {
  const int sizes[] = {1, 3, 2};
  TConnectedNetwork net(3, sizes);
  EXPECT_STREQ(net.GetNetworkType(), "Connected");
  EXPECT_STREQ(net.layers[0]->GetLayerType(), "Simple");
  EXPECT_STREQ(net.layers[1]->GetLayerType(), "Input");
  EXPECT_STREQ(net.layers[2]->GetLayerType(), "Simple");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(net.layers[i]->numNeurons, sizes[i]);
    EXPECT_EQ(net.layers[i]->layerNum, i);
  }
  EXPECT_EQ(net.GetNumWeights(1), 0);

  TConnectedNetwork shell(2);
  EXPECT_EQ(shell.n_layers, 2);
  EXPECT_EQ(shell.layers[0], nullptr);  // the caller stores the layers
  TConnectedNetwork bare;
  EXPECT_EQ(bare.n_layers, 0);
}

TEST(TConnectedNetwork, ConnectInstallsFullSetsAndKeepsExistingOnes) {
  const int sizes[] = {1, 2, 2};
  TConnectedNetwork net(3, sizes);
  net.Connect(1, 2);
  TBasicConnections* first = net.priv_conns_index[2][1];
  EXPECT_STREQ(first->GetConnectionsNType(), "FullyConnected");
  EXPECT_EQ(first->GetNumWeights(1), 4);
  *first->GetWeightPtr(1, 0) = 0.5;
  net.Connect(1, 2);
  EXPECT_EQ(net.priv_conns_index[2][1], first);
  EXPECT_EQ(*first->GetWeightPtr(1, 0), 0.5);

  // A pruneable set installed directly (as the file reader does) stays.
  TBasicConnections*& slot = net.priv_conns_index[2][0];
  slot->Destroy();
  slot = new TPrunedConnections(&net, 0, 2);
  TBasicConnections* pruned = slot;
  net.Connect(0, 2);
  EXPECT_EQ(net.priv_conns_index[2][0], pruned);
  EXPECT_STREQ(pruned->GetConnectionsNType(), "Pruneable");
}

TEST(TConnectedNetwork, ForwardPassAndCopy) {
  const int sizes[] = {1, 2, 1};
  TConnectedNetwork net(3, sizes);
  net.layers[0]->SetActivationFunction(&ActFnBias);
  net.layers[2]->SetActivationFunction(&ActFnTanh);
  net.Connect(0, 2);
  net.Connect(1, 2);
  *net.priv_conns_index[2][0]->GetWeightPtr(0, 0) = -0.5;
  net.priv_conns_index[2][1]->SetWeights(std::vector<double>{0.25, 0.5}.data(), 1);
  const double inputs[] = {2.0, 1.0};
  double out = 0.0;
  net.Evaluate(inputs, &out);
  EXPECT_EQ(out, std::tanh(-0.5 + 0.25 * 2.0 + 0.5 * 1.0));
  TConnectedNetwork copy(net);
  EXPECT_STREQ(copy.GetNetworkType(), "Connected");
  double copied = 0.0;
  copy.Evaluate(inputs, &copied);
  EXPECT_EQ(copied, out);
  EXPECT_STREQ(copy.priv_conns_index[2][1]->GetConnectionsNType(), "FullyConnected");
}

// Four layers of 2, 3, 2 and 2 neurons; layers 0 and 2 feed layer 3, layer 1
// does not.
class ArcsWalk : public testing::Test {
 protected:
  ArcsWalk() : net_(4, kSizes) {
    net_.Connect(0, 3);
    net_.Connect(2, 3);
    FillWeights(net_, 0, 3);
    FillWeights(net_, 2, 3);
  }

  static constexpr int kSizes[] = {2, 3, 2, 2};
  TConnectedNetwork net_;
};

TEST_F(ArcsWalk, AllLayersForwardAndBack) {
  std::unique_ptr<TArcsIterator> base(net_.NewInAllArcsIterator());
  auto* it = dynamic_cast<TConnInAllArcsIterator*>(base.get());
  ASSERT_NE(it, nullptr);
  it->Init(3, 1);
  EXPECT_FALSE(it->IsValid());
  EXPECT_FALSE(static_cast<bool>(*it));
  EXPECT_EQ(it->GetToNeuron(), net_.layers[3]->GetNeuron(1));

  std::vector<Arc> forward;
  while (it->Next()) {
    EXPECT_TRUE(it->IsValid());
    EXPECT_TRUE(static_cast<bool>(*it));
    EXPECT_EQ(it->GetFromNeuron(), net_.layers[it->GetFromLayer()]->GetNeuron(it->GetFromNode()));
    EXPECT_EQ(it->GetWeight(),
              net_.priv_conns_index[3][it->GetFromLayer()]->GetWeightPtr(it->GetFromNode(), 1));
    forward.push_back(Current(*it));
  }
  EXPECT_EQ(forward, (std::vector<Arc>{{0, 0, 3, 1, 1.0},
                                       {0, 1, 3, 1, 11.0},
                                       {2, 0, 3, 1, 201.0},
                                       {2, 1, 3, 1, 211.0}}));
  EXPECT_FALSE(it->IsValid());
  EXPECT_FALSE(it->Next());

  // After the end the source layer is the last one; Prev searches below it.
  std::vector<Arc> backward;
  while (it->Prev()) backward.push_back(Current(*it));
  EXPECT_EQ(backward, (std::vector<Arc>{{2, 1, 3, 1, 211.0},
                                        {2, 0, 3, 1, 201.0},
                                        {0, 1, 3, 1, 11.0},
                                        {0, 0, 3, 1, 1.0}}));
  EXPECT_FALSE(it->IsValid());

  // The weight can be changed through the iterator.
  it->Init(3, 0);
  ASSERT_TRUE(it->Next());
  *it->GetWeight() = -7.0;
  EXPECT_EQ(*net_.priv_conns_index[3][0]->GetWeightPtr(0, 0), -7.0);
}

TEST_F(ArcsWalk, PrevRightAfterInitAndNothingConnected) {
  TConnInAllArcsIterator it(&net_);
  it.Init(3, 0);
  EXPECT_FALSE(it.Prev());
  TConnInAllArcsIterator none(&net_);
  none.Init(1, 2);  // nothing feeds layer 1
  EXPECT_FALSE(none.Next());
  EXPECT_FALSE(none.IsValid());
}

TEST_F(ArcsWalk, LayersWithoutNeuronsAreSkipped) {
  const int sizes[] = {0, 2, 1};
  TConnectedNetwork net(3, sizes);
  net.Connect(0, 2);
  net.Connect(1, 2);
  net.Connect(2, 2);  // a layer may feed itself: walked too
  FillWeights(net, 1, 2);
  FillWeights(net, 2, 2);
  TConnInAllArcsIterator it(&net);
  it.Init(*net.layers[2]->GetNeuron(0));
  std::vector<Arc> seen;
  while (it.Next()) seen.push_back(Current(it));
  EXPECT_EQ(seen, (std::vector<Arc>{{1, 0, 2, 0, 100.0}, {1, 1, 2, 0, 110.0}, {2, 0, 2, 0, 200.0}}));
  // Three layers, sources 0 and 1 feeding layer 2: Prev after the end gives
  // the last arc from layer 1.
  net.Disconnect(2, 2);
  it.Init(2, 0);
  while (it.Next()) {
  }
  ASSERT_TRUE(it.Prev());
  EXPECT_EQ(Current(it), (Arc{1, 1, 2, 0, 110.0}));
}

TEST_F(ArcsWalk, OneLayer) {
  net_.Connect(1, 3);
  FillWeights(net_, 1, 3);
  TConnInLayerArcsIterator it(&net_);
  EXPECT_EQ(it.Init(3, 0, 1), 1);
  EXPECT_TRUE(it.IsValid());
  EXPECT_TRUE(static_cast<bool>(it));
  EXPECT_EQ(it.GetFromNode(), -1);
  EXPECT_EQ(it.fromValues, net_.layers[1]->values.data());
  std::vector<Arc> seen;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(it.Next());
    EXPECT_EQ(it.GetFromNeuron(), net_.layers[1]->GetNeuron(i));
    seen.push_back(Current(it));
  }
  EXPECT_FALSE(it.Next());
  EXPECT_EQ(it.GetFromNode(), 2);
  EXPECT_EQ(seen, (std::vector<Arc>{{1, 0, 3, 0, 100.0}, {1, 1, 3, 0, 110.0}, {1, 2, 3, 0, 120.0}}));
  ASSERT_TRUE(it.Prev());
  ASSERT_TRUE(it.Prev());
  EXPECT_EQ(it.GetFromNode(), 0);
  EXPECT_FALSE(it.Prev());
  EXPECT_EQ(it.GetFromNode(), 0);
  EXPECT_EQ(it.GetToNeuron(), net_.layers[3]->GetNeuron(0));

  // Starting from a neuron walks the arcs from layer 0.
  EXPECT_EQ(it.Init(*net_.layers[3]->GetNeuron(1)), 0);
  ASSERT_TRUE(it.Next());
  EXPECT_EQ(Current(it), (Arc{0, 0, 3, 1, 1.0}));
}

TEST_F(ArcsWalk, OneLayerRefusesAnEmptyPair) {
  TConnInLayerArcsIterator it(&net_);
  EXPECT_EQ(it.Init(3, 0, 1), -1);  // layer 1 does not feed layer 3
  EXPECT_FALSE(it.IsValid());
  EXPECT_FALSE(it.Next());
  EXPECT_FALSE(it.Prev());
  EXPECT_EQ(it.GetWeight(), nullptr);
}

TEST_F(ArcsWalk, PruneableSetsAreWalkedWithoutMasks) {
  TBasicNetwork basic(2);
  basic.layers[0] = new TSimpleLayer(&basic, 0, 2);
  basic.layers[1] = new TSimpleInputLayer(&basic, 1, 1);
  basic.Connect(0, 1);
  FillWeights(basic, 0, 1);
  basic.priv_conns_index[1][0]->RemoveWeight(0, 0);
  TConnInAllArcsIterator it(&basic);
  it.Init(1, 0);
  std::vector<Arc> seen;
  while (it.Next()) seen.push_back(Current(it));
  EXPECT_EQ(seen, (std::vector<Arc>{{0, 0, 1, 0, 0.0}, {0, 1, 1, 0, 10.0}}));
}

}  // namespace
