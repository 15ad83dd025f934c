#include "Working/NeuralNets/TConnectedConnections.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

namespace {

using Visit = std::tuple<int, int, double, int>;  // from, to, weight, trainable

class Recorder : public TIterateObj {
 public:
  void Visit() override { seen.emplace_back(fromNode, toNode, *weight, trainable); }
  std::vector<::Visit> seen;
};

double W(int from, int to) { return 10.0 * from + to; }  // weight (f, t) in the fixtures

// Two layers of `sources` and `targets` neurons with a fully connected set
// from layer 0 to layer 1 holding W(f, t).
class FullSet : public testing::Test {
 protected:
  void Build(int sources, int targets) {
    net_.layers[0] = new TSimpleLayer(&net_, 0, sources);
    net_.layers[1] = new TSimpleInputLayer(&net_, 1, targets);
    TBasicConnections*& slot = net_.priv_conns_index[1][0];
    slot->Destroy();
    set_ = new TConnectedConnections(&net_, 0, 1);
    slot = set_;
    for (int f = 0; f < sources; ++f) {
      for (int t = 0; t < targets; ++t) *set_->GetWeightPtr(f, t) = W(f, t);
    }
  }

  TBasicNetwork net_{2};
  TConnectedConnections* set_ = nullptr;
};

TEST_F(FullSet, NewSetIsZeroAndContiguous) {
  net_.layers[0] = new TSimpleLayer(&net_, 0, 3);
  net_.layers[1] = new TSimpleLayer(&net_, 1, 2);
  auto* made = new TConnectedConnections(&net_, 0, 1);
  TConnectedConnections& set = *made;
  EXPECT_EQ(set.array_weights, std::vector<double>(6, 0.0));
  ASSERT_EQ(set.index_weights.size(), 2u);
  EXPECT_EQ(set.index_weights[0], set.array_weights.data());
  EXPECT_EQ(set.index_weights[1], set.array_weights.data() + 3);
  EXPECT_EQ(set.GetWeightPtr(2, 1), &set.array_weights[5]);
  EXPECT_STREQ(set.GetConnectionsNType(), "FullyConnected");
  EXPECT_TRUE(set.IsConnected());
  made->Destroy();
}

TEST_F(FullSet, GetWeightsIsSourceMajorWalksAreTargetMajor) {
  Build(2, 3);
  std::vector<double> out(6);
  EXPECT_EQ(set_->GetNumWeights(1), 6);
  EXPECT_EQ(set_->GetNumWeights(0), 6);
  EXPECT_EQ(set_->GetWeights(out.data(), 0), 6);
  EXPECT_EQ(out, (std::vector<double>{W(0, 0), W(0, 1), W(0, 2), W(1, 0), W(1, 1), W(1, 2)}));

  Recorder all;
  set_->IterateAll(all, 0);
  EXPECT_EQ(all.seen, (std::vector<Visit>{{0, 0, W(0, 0), 1},
                                          {1, 0, W(1, 0), 1},
                                          {0, 1, W(0, 1), 1},
                                          {1, 1, W(1, 1), 1},
                                          {0, 2, W(0, 2), 1},
                                          {1, 2, W(1, 2), 1}}));
  EXPECT_EQ(all.conn, set_);
  EXPECT_EQ(all.fromLayerPtr, net_.layers[0]);
  EXPECT_EQ(all.toLayerPtr, net_.layers[1]);

  Recorder into;
  set_->IterateTo(into, 2, 1);
  EXPECT_EQ(into.seen, (std::vector<Visit>{{0, 2, W(0, 2), 1}, {1, 2, W(1, 2), 1}}));
  Recorder out_of;
  set_->IterateFrom(out_of, 1, 1);
  EXPECT_EQ(out_of.seen,
            (std::vector<Visit>{{1, 0, W(1, 0), 1}, {1, 1, W(1, 1), 1}, {1, 2, W(1, 2), 1}}));

  const std::vector<double> fresh = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(set_->SetWeights(fresh.data(), 1), 6);
  EXPECT_EQ(*set_->GetWeightPtr(1, 0), 4.0);  // element f*T + t
  EXPECT_EQ(*set_->GetWeightPtr(0, 2), 3.0);
  set_->GetWeights(out.data(), 1);
  EXPECT_EQ(out, fresh);
}

TEST_F(FullSet, RandomizeInStorageOrder) {
  Build(2, 3);
  std::srand(21);
  std::vector<double> expected;
  for (int i = 0; i < 6; ++i) expected.push_back(-1.0 + (std::rand() % 32767) * (1.0L / 32767) * 2.0);
  std::srand(21);
  set_->Randomize(-1.0, 1.0);
  EXPECT_EQ(set_->array_weights, expected);
  for (double w : set_->array_weights) {
    EXPECT_GE(w, -1.0);
    EXPECT_LT(w, 1.0);
  }
  std::srand(4);
  const int next = std::rand();
  std::srand(4);
  set_->Randomize(0.5, 0.5);
  EXPECT_EQ(std::rand(), next);
  EXPECT_EQ(set_->array_weights, std::vector<double>(6, 0.5));
}

TEST_F(FullSet, WeightedInputAddsToWhatIsThere) {
  Build(2, 3);
  net_.layers[0]->values = {1.0, -2.0};
  double net[3] = {0.5, 0.0, -1.0};
  set_->AddWeightedInput(net);
  // net[t] += W(0,t)*1 - 2*W(1,t) = t - 2*(10+t) = -20 - t
  EXPECT_EQ(net[0], 0.5 - 20.0);
  EXPECT_EQ(net[1], -21.0);
  EXPECT_EQ(net[2], -1.0 - 22.0);
}

// Rows are summed four at a time plus a remainder; every row must equal the
// plain walk in source order, bit for bit.
TEST_F(FullSet, WeightedInputMatchesTheWalk) {
  Build(5, 7);
  std::srand(1);
  set_->Randomize(-3.0, 3.0);
  net_.layers[0]->values = {0.1, -2.5, 1e-3, 7.25, -0.3};
  std::vector<double> fast(7, 0.125);
  std::vector<double> walked(7, 0.125);
  set_->AddWeightedInput(fast.data());
  set_->TBasicConnections::AddWeightedInput(walked.data());
  EXPECT_EQ(fast, walked);
}

TEST_F(FullSet, FlagsAndUnsupportedEdits) {
  Build(2, 2);
  EXPECT_EQ(set_->GetFlags(1, 0), FMaskAll);
  EXPECT_TRUE(set_->IsValid(1, 1));
  EXPECT_TRUE(set_->IsTrainable(1, 1));
  set_->SetFlags(0, 0, FMaskExists);
  set_->SetFlags(0, 0, FMaskAll);
  set_->AddWeight(0, 1);
  set_->SetTrainable(0, 1);
  EXPECT_EQ(*set_->GetWeightPtr(0, 1), W(0, 1));
  EXPECT_DEATH(set_->RemoveWeight(0, 0), "TBasicNetwork.cpp, line 871");
  EXPECT_DEATH(set_->SetUntrainable(0, 0), "TBasicNetwork.cpp, line 886");
  EXPECT_DEATH(set_->SetFlags(0, 0, 0), "TBasicNetwork.h, line 715");
  EXPECT_DEATH(set_->InsertFromNode(0, 0.0, 1.0, false),
               "Assertion failed: attached, file Working/NeuralNets/TConnectedConnections.cpp, "
               "line 82");
  EXPECT_DEATH(set_->InsertToNode(0, 0.0, 1.0, false),
               "Assertion failed: attached, file Working/NeuralNets/TConnectedConnections.cpp, "
               "line 127");
}

TEST_F(FullSet, EmptyLayerGivesNoWeights) {
  Build(0, 3);
  EXPECT_EQ(set_->GetNumWeights(1), 0);
  Recorder r;
  set_->IterateAll(r, 1);
  set_->IterateTo(r, 1, 1);
  EXPECT_TRUE(r.seen.empty());
  double net[3] = {1.0, 2.0, 3.0};
  set_->AddWeightedInput(net);
  EXPECT_EQ(net[2], 3.0);
}

TEST_F(FullSet, CloneCopiesWeightsForAnotherNetwork) {
  Build(2, 2);
  TBasicNetwork other(2);
  TBasicConnections* copy = set_->Clone(&other);
  EXPECT_EQ(copy->network, &other);
  EXPECT_EQ(copy->fromLayer, 0);
  EXPECT_EQ(copy->toLayer, 1);
  auto* full = static_cast<TConnectedConnections*>(copy);
  EXPECT_EQ(full->array_weights, set_->array_weights);
  EXPECT_NE(full->array_weights.data(), set_->array_weights.data());
  EXPECT_EQ(full->index_weights[1], full->array_weights.data() + 2);
  copy->Destroy();
}

TEST_F(FullSet, ResizingKeepsSurvivorsInPlace) {
  Build(2, 2);
  // A new target row 0: old rows 0 and 1 become rows 1 and 2.
  net_.layers[1]->numNeurons = 3;
  std::srand(8);
  const double r0 = 2.0 + (std::rand() % 32767) * (1.0L / 32767) * 1.0;
  const double r1 = 2.0 + (std::rand() % 32767) * (1.0L / 32767) * 1.0;
  std::srand(8);
  set_->InsertToNode(0, 2.0, 3.0, true);
  EXPECT_EQ(set_->array_weights, (std::vector<double>{r0, r1, W(0, 0), W(1, 0), W(0, 1), W(1, 1)}));
  EXPECT_EQ(set_->GetNumWeights(1), 6);

  // A new source column 1; min == max still goes through the formula: min.
  net_.layers[0]->numNeurons = 3;
  set_->InsertFromNode(1, 0.5, 0.5, true);
  EXPECT_EQ(set_->array_weights,
            (std::vector<double>{r0, 0.5, r1, W(0, 0), 0.5, W(1, 0), W(0, 1), 0.5, W(1, 1)}));
  EXPECT_EQ(set_->index_weights[2], set_->array_weights.data() + 6);

  net_.layers[0]->numNeurons = 2;
  set_->RemoveFromNode(0);
  EXPECT_EQ(set_->array_weights, (std::vector<double>{0.5, r1, 0.5, W(1, 0), 0.5, W(1, 1)}));
  net_.layers[1]->numNeurons = 2;
  set_->RemoveToNode(1);
  EXPECT_EQ(set_->array_weights, (std::vector<double>{0.5, r1, 0.5, W(1, 1)}));
  std::vector<double> out(4);
  set_->GetWeights(out.data(), 1);
  EXPECT_EQ(out, (std::vector<double>{0.5, 0.5, r1, W(1, 1)}));
}

// Structure editing grows a set from a layer to itself one side at a time.
TEST(TConnectedConnections, SelfSetGrowsOneSideAtATime) {
  TBasicNetwork net(1);
  net.layers[0] = new TSimpleLayer(&net, 0, 2);
  TBasicConnections*& slot = net.priv_conns_index[0][0];
  slot->Destroy();
  auto* set = new TConnectedConnections(&net, 0, 0);
  slot = set;
  set->SetWeights(std::vector<double>{1, 2, 3, 4}.data(), 1);  // (0,0)=1 (0,1)=2 (1,0)=3 (1,1)=4
  net.layers[0]->InsertNeuron(2);
  net.layers[0]->numNeurons = 3;
  set->InsertFromNode(2, 9.0, 9.0, true);
  set->InsertToNode(2, 8.0, 8.0, true);
  EXPECT_EQ(set->GetNumWeights(1), 9);
  EXPECT_EQ(set->array_weights, (std::vector<double>{1, 3, 9, 2, 4, 9, 8, 8, 8}));
  net.layers[0]->RemoveNeuron(0);
  net.layers[0]->numNeurons = 2;
  set->RemoveFromNode(0);
  set->RemoveToNode(0);
  EXPECT_EQ(set->array_weights, (std::vector<double>{4, 9, 8, 8}));
}

}  // namespace
