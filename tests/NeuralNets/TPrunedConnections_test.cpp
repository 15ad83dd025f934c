#include "Working/NeuralNets/TPrunedConnections.h"

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

double W(int from, int to) { return 10.0 * from + to; }

std::vector<double> Draws(unsigned seed, int n, double min, double max) {
  std::srand(seed);
  std::vector<double> out;
  for (int i = 0; i < n; ++i) out.push_back(min + (std::rand() % 32767) * (1.0L / 32767) * (max - min));
  std::srand(seed);
  return out;
}

// Layer 0 with `sources` neurons, layer 1 with `targets`, and the pruneable
// set the network's Connect installs between them, holding W(f, t).
class PrunedSet : public testing::Test {
 protected:
  void Build(int sources, int targets) {
    net_.layers[0] = new TSimpleLayer(&net_, 0, sources);
    net_.layers[1] = new TSimpleInputLayer(&net_, 1, targets);
    net_.Connect(0, 1);
    set_ = static_cast<TPrunedConnections*>(net_.priv_conns_index[1][0]);
    for (int f = 0; f < sources; ++f) {
      for (int t = 0; t < targets; ++t) *set_->GetWeightPtr(f, t) = W(f, t);
    }
  }

  TBasicNetwork net_{2};
  TPrunedConnections* set_ = nullptr;
};

TEST_F(PrunedSet, NewSetHasEveryWeight) {
  Build(3, 2);
  EXPECT_STREQ(set_->GetConnectionsNType(), "Pruneable");
  EXPECT_EQ(set_->GetNumWeights(1), 6);
  EXPECT_EQ(set_->GetNumWeights(0), 6);
  for (int f = 0; f < 3; ++f) {
    for (int t = 0; t < 2; ++t) {
      EXPECT_TRUE(set_->IsValid(f, t));
      EXPECT_TRUE(set_->IsTrainable(f, t));
      EXPECT_EQ(set_->GetFlags(f, t), FMaskAll);
    }
  }
  EXPECT_EQ(set_->array_masks, std::vector<char>(6, FMaskAll));
  EXPECT_EQ(set_->index_masks[1], set_->array_masks.data() + 3);
  EXPECT_EQ(set_->index_weights[1], set_->array_weights.data() + 3);
}

TEST_F(PrunedSet, GetWeightsIsTargetMajor) {
  Build(2, 2);
  std::vector<double> out(4);
  EXPECT_EQ(set_->GetWeights(out.data(), 1), 4);
  EXPECT_EQ(out, (std::vector<double>{W(0, 0), W(1, 0), W(0, 1), W(1, 1)}));
  const std::vector<double> fresh = {1, 2, 3, 4};
  set_->SetWeights(fresh.data(), 1);
  EXPECT_EQ(*set_->GetWeightPtr(1, 0), 2.0);
  EXPECT_EQ(*set_->GetWeightPtr(0, 1), 3.0);
}

TEST_F(PrunedSet, RemovedWeightsTakeNoPart) {
  Build(2, 2);
  set_->RemoveWeight(1, 0);
  EXPECT_FALSE(set_->IsValid(1, 0));
  EXPECT_FALSE(set_->IsTrainable(1, 0));
  EXPECT_EQ(set_->GetFlags(1, 0), 0);
  EXPECT_EQ(*set_->GetWeightPtr(1, 0), 0.0);
  EXPECT_EQ(set_->GetNumWeights(1), 3);
  *set_->GetWeightPtr(1, 0) = 100.0;  // written behind the mask's back
  net_.layers[0]->values = {1.0, 1.0};
  double net[2] = {0.0, 0.0};
  set_->AddWeightedInput(net);
  EXPECT_EQ(net[0], W(0, 0));
  EXPECT_EQ(net[1], W(0, 1) + W(1, 1));
  std::vector<double> out(3);
  EXPECT_EQ(set_->GetWeights(out.data(), 1), 3);
  EXPECT_EQ(out, (std::vector<double>{W(0, 0), W(0, 1), W(1, 1)}));

  set_->SetTrainable(1, 0);  // a removed weight stays removed
  EXPECT_EQ(set_->GetFlags(1, 0), 0);
  set_->AddWeight(1, 0);
  EXPECT_EQ(set_->GetFlags(1, 0), FMaskAll);
  EXPECT_EQ(*set_->GetWeightPtr(1, 0), 0.0);
  *set_->GetWeightPtr(0, 1) = 0.7;
  set_->SetUntrainable(0, 1);
  set_->AddWeight(0, 1);  // existing: value and bits stay
  EXPECT_EQ(*set_->GetWeightPtr(0, 1), 0.7);
  EXPECT_EQ(set_->GetFlags(0, 1), FMaskExists);
}

TEST_F(PrunedSet, WeightedInputMatchesTheWalk) {
  Build(5, 6);
  std::srand(2);
  set_->Randomize(-3.0, 3.0);
  for (int t = 0; t < 6; ++t) {
    set_->RemoveWeight(t % 5, t);
    *set_->GetWeightPtr(t % 5, t) = 50.0;  // hidden by the mask
  }
  set_->SetUntrainable(4, 0);  // frozen weights still count
  net_.layers[0]->values = {0.1, -2.5, 1e-3, 7.25, -0.3};
  std::vector<double> fast(6, -0.5);
  std::vector<double> walked(6, -0.5);
  set_->AddWeightedInput(fast.data());
  set_->TBasicConnections::AddWeightedInput(walked.data());
  EXPECT_EQ(fast, walked);
}

TEST_F(PrunedSet, UntrainableWeights) {
  Build(2, 2);
  set_->SetUntrainable(0, 1);
  EXPECT_TRUE(set_->IsValid(0, 1));
  EXPECT_FALSE(set_->IsTrainable(0, 1));
  EXPECT_EQ(set_->GetNumWeights(1), 4);
  EXPECT_EQ(set_->GetNumWeights(0), 3);
  Recorder all;
  set_->IterateAll(all, 1);
  EXPECT_EQ(all.seen, (std::vector<Visit>{{0, 0, W(0, 0), 1},
                                          {1, 0, W(1, 0), 1},
                                          {0, 1, W(0, 1), 0},
                                          {1, 1, W(1, 1), 1}}));
  Recorder trainable;
  set_->IterateAll(trainable, 0);
  EXPECT_EQ(trainable.seen.size(), 3u);
  Recorder from0;
  set_->IterateFrom(from0, 0, 2);  // any value other than 1: trainable only
  EXPECT_EQ(from0.seen, (std::vector<Visit>{{0, 0, W(0, 0), 1}}));
  Recorder to1;
  set_->IterateTo(to1, 1, 1);
  EXPECT_EQ(to1.seen, (std::vector<Visit>{{0, 1, W(0, 1), 0}, {1, 1, W(1, 1), 1}}));
  set_->SetTrainable(0, 1);
  EXPECT_EQ(set_->GetFlags(0, 1), FMaskAll);
}

TEST_F(PrunedSet, RandomizeTouchesTrainableBitsOnly) {
  Build(2, 2);
  set_->RemoveWeight(0, 0);                      // mask 0: left alone
  set_->SetUntrainable(1, 0);                    // exists, frozen: left alone
  set_->SetFlags(0, 1, FMaskTrainable);          // trainable but absent: still drawn
  std::srand(17);
  std::rand();
  std::rand();
  const int third = std::rand();
  const std::vector<double> r = Draws(17, 2, -1.0, 1.0);
  set_->Randomize(-1.0, 1.0);
  EXPECT_EQ(set_->array_weights, (std::vector<double>{0.0, W(1, 0), r[0], r[1]}));
  EXPECT_EQ(std::rand(), third);  // one draw per changed weight
  std::srand(3);
  const int next = std::rand();
  std::srand(3);
  set_->Randomize(0.25, 0.25);
  EXPECT_EQ(std::rand(), next);
  EXPECT_EQ(set_->array_weights, (std::vector<double>{0.0, W(1, 0), 0.25, 0.25}));
}

TEST_F(PrunedSet, SetFlagsTakesAnyByte) {
  Build(1, 1);
  set_->SetFlags(0, 0, 7);
  EXPECT_EQ(set_->GetFlags(0, 0), 7);
  set_->SetFlags(0, 0, 0);
  EXPECT_EQ(set_->GetNumWeights(1), 0);
}

TEST_F(PrunedSet, CloneCopiesMasks) {
  Build(2, 2);
  set_->RemoveWeight(1, 1);
  set_->SetUntrainable(0, 0);
  TBasicNetwork other(2);
  auto* copy = static_cast<TPrunedConnections*>(set_->Clone(&other));
  EXPECT_EQ(copy->network, &other);
  EXPECT_EQ(copy->array_weights, set_->array_weights);
  EXPECT_EQ(copy->array_masks, set_->array_masks);
  EXPECT_EQ(copy->index_masks[1], copy->array_masks.data() + 2);
  copy->Destroy();
}

TEST_F(PrunedSet, InsertWithAndWithoutAttachment) {
  Build(2, 2);
  set_->RemoveWeight(1, 1);
  // A new target neuron 1 without weights: nothing drawn.
  net_.layers[1]->numNeurons = 3;
  std::srand(9);
  const int next = std::rand();
  std::srand(9);
  set_->InsertToNode(1, -1.0, 1.0, false);
  EXPECT_EQ(std::rand(), next);
  EXPECT_EQ(set_->array_weights,
            (std::vector<double>{W(0, 0), W(1, 0), 0.0, 0.0, W(0, 1), 0.0}));
  EXPECT_EQ(set_->array_masks, (std::vector<char>{3, 3, 0, 0, 3, 0}));
  EXPECT_EQ(set_->GetNumWeights(1), 3);

  // A new source neuron 0 with weights drawn for every target, in order.
  net_.layers[0]->numNeurons = 3;
  const std::vector<double> r = Draws(12, 3, -1.0, 1.0);
  set_->InsertFromNode(0, -1.0, 1.0, true);
  EXPECT_EQ(set_->array_weights, (std::vector<double>{r[0], W(0, 0), W(1, 0), r[1], 0.0, 0.0,
                                                      r[2], W(0, 1), 0.0}));
  EXPECT_EQ(set_->array_masks, (std::vector<char>{3, 3, 3, 3, 0, 0, 3, 3, 0}));
  for (double w : r) {
    EXPECT_GE(w, -1.0);
    EXPECT_LT(w, 1.0);
  }

  // Removal moves masks with their weights.
  net_.layers[0]->numNeurons = 2;
  set_->RemoveFromNode(1);
  EXPECT_EQ(set_->array_weights, (std::vector<double>{r[0], W(1, 0), r[1], 0.0, r[2], 0.0}));
  EXPECT_EQ(set_->array_masks, (std::vector<char>{3, 3, 3, 0, 3, 0}));
  net_.layers[1]->numNeurons = 2;
  set_->RemoveToNode(0);
  EXPECT_EQ(set_->array_weights, (std::vector<double>{r[1], 0.0, r[2], 0.0}));
  EXPECT_EQ(set_->array_masks, (std::vector<char>{3, 0, 3, 0}));
  EXPECT_EQ(set_->index_masks[1], set_->array_masks.data() + 2);
}

}  // namespace
