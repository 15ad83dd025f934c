#include "Working/NeuralNets/TBasicNetwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "Working/NeuralNets/TConnectedConnections.h"
#include "Working/NeuralNets/TPrunedConnections.h"

namespace {

const std::string kSimpleWarning = "!Warning: changed input layer (TSimpleLayer)\n";
const std::string kInputWarning = "!Warning: changed input layer (TSimpleInputLayer)\n";

int Count(const std::string& text, const std::string& piece) {
  int n = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
    ++n;
  }
  return n;
}

// Bias layer 0 (one "bias" neuron), input layer 1 (two neurons), hidden
// layer 2 (two linear neurons), output layer 3 (one linear neuron); layer
// pairs 0->2, 1->2, 0->3, 2->3 carry pruneable sets with fixed weights.
TBasicNetwork* MakeFeedForward() {
  auto* net = new TBasicNetwork(4);
  net->outLayer = 3;
  net->layers[0] = new TSimpleLayer(net, 0, 1);
  net->layers[0]->SetActivationFunction(net->fn_registry->GetFunction("bias"));
  net->layers[1] = new TSimpleInputLayer(net, 1, 2);
  net->layers[2] = new TSimpleLayer(net, 2, 2);
  net->layers[2]->SetActivationFunction(net->fn_registry->GetFunction("linear"));
  net->layers[3] = new TSimpleLayer(net, 3, 1);
  net->layers[3]->SetActivationFunction(net->fn_registry->GetFunction("linear"));
  net->Connect(0, 2);
  net->Connect(1, 2);
  net->Connect(0, 3);
  net->Connect(2, 3);
  auto set = [net](int from, int to) { return net->priv_conns_index[to][from]; };
  *set(0, 2)->GetWeightPtr(0, 0) = 0.5;
  *set(0, 2)->GetWeightPtr(0, 1) = -1.0;
  *set(1, 2)->GetWeightPtr(0, 0) = 1.0;
  *set(1, 2)->GetWeightPtr(1, 0) = 2.0;
  *set(1, 2)->GetWeightPtr(0, 1) = 3.0;
  *set(1, 2)->GetWeightPtr(1, 1) = -1.0;
  *set(0, 3)->GetWeightPtr(0, 0) = 0.25;
  *set(2, 3)->GetWeightPtr(0, 0) = 2.0;
  *set(2, 3)->GetWeightPtr(1, 0) = 4.0;
  return net;
}

TEST(TBasicNetwork, InitFillsTheMatrixWithEmptySets) {
  TBasicNetwork net(3);
  EXPECT_EQ(net.n_layers, 3);
  EXPECT_EQ(net.inLayer, 1);
  EXPECT_EQ(net.outLayer, 2);
  ASSERT_EQ(net.layers.size(), 3u);
  for (TBasicLayer* layer : net.layers) EXPECT_EQ(layer, nullptr);
  for (int t = 0; t < 3; ++t) {
    EXPECT_EQ(net.priv_conns_index[t], &net.priv_conns[t * 3]);
    for (int f = 0; f < 3; ++f) {
      TBasicConnections* set = net.priv_conns_index[t][f];
      ASSERT_NE(set, nullptr);
      EXPECT_STREQ(set->GetConnectionsNType(), "Empty");
      EXPECT_FALSE(set->IsConnected());
      EXPECT_EQ(set->fromLayer, f);
      EXPECT_EQ(set->toLayer, t);
      EXPECT_EQ(set->network, &net);
    }
  }
  EXPECT_EQ(net.fn_registry->GetCount(), 10);
  EXPECT_STREQ(net.GetNetworkType(), "Basic");
  for (int i = 0; i < 3; ++i) net.layers[i] = new TSimpleLayer(&net, i, 2);
  EXPECT_EQ(net.GetNumWeights(1), 0);
  double untouched = 9.0;
  EXPECT_EQ(net.GetWeights(&untouched, 1), 0);
  EXPECT_EQ(untouched, 9.0);
}

TEST(TBasicNetwork, ForwardPassWithFixedWeights) {
  TBasicNetwork* net = MakeFeedForward();
  const double inputs[] = {1.0, 2.0};
  double output = 0.0;
  net->Evaluate(inputs, &output);
  // hidden0 = 0.5 + 1*1 + 2*2 = 5.5; hidden1 = -1 + 3*1 - 1*2 = 0;
  // output = 0.25 + 2*5.5 + 4*0 = 11.25.
  EXPECT_EQ(net->layers[2]->values, (std::vector<double>{5.5, 0.0}));
  EXPECT_EQ(output, 11.25);
  EXPECT_EQ(net->layers[0]->values[0], 1.0);

  // Sets that lead backwards or from a layer to itself never feed a layer.
  net->Connect(3, 2);
  net->Connect(2, 2);
  net->priv_conns_index[2][3]->Randomize(5.0, 6.0);
  net->priv_conns_index[2][2]->Randomize(5.0, 6.0);
  output = 0.0;
  net->Evaluate(inputs, &output);
  EXPECT_EQ(output, 11.25);
  delete net;
}

TEST(TBasicNetwork, SigmoidOutputByHand) {
  TBasicNetwork net(2);
  net.inLayer = 0;
  net.layers[0] = new TSimpleInputLayer(&net, 0, 2);
  net.layers[1] = new TGainLayer(&net, 1, 1, 2.0);
  net.layers[1]->SetActivationFunction(net.fn_registry->GetFunction("sigmoid-gain"));
  net.Connect(0, 1);
  net.priv_conns_index[1][0]->SetWeights(std::vector<double>{0.5, -0.25}.data(), 1);
  const double inputs[] = {2.0, 4.0};
  double out = 0.0;
  net.Evaluate(inputs, &out);
  // net input 0.5*2 - 0.25*4 = 0 -> 0.5 whatever the gain.
  EXPECT_EQ(out, 0.5);
  const double inputs2[] = {1.0, 0.0};
  net.Evaluate(inputs2, &out);
  EXPECT_DOUBLE_EQ(out, 1.0 / (std::exp(-1.0) + 1.0));  // gain 2 * 0.5
}

TEST(TBasicNetwork, WarningsOnEveryEvaluation) {
  // A simple layer at the input position takes the inputs as net input.
  TBasicNetwork net(2);
  net.layers[0] = new TSimpleInputLayer(&net, 0, 2);  // not at the input position
  net.layers[1] = new TSimpleLayer(&net, 1, 2);       // at the input position
  net.layers[1]->SetActivationFunction(net.fn_registry->GetFunction("linear"));
  const double inputs[] = {3.0, -4.0};
  double outputs[2] = {};
  testing::internal::CaptureStderr();
  net.Evaluate(inputs, outputs);
  net.Evaluate(inputs, outputs);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Count(err, kSimpleWarning), 2);
  EXPECT_EQ(Count(err, kInputWarning), 2);
  EXPECT_EQ(err, kInputWarning + kSimpleWarning + kInputWarning + kSimpleWarning);
  EXPECT_EQ(outputs[0], 3.0);
  EXPECT_EQ(outputs[1], -4.0);
  EXPECT_EQ(net.layers[0]->values, (std::vector<double>{0.0, 0.0}));

  // An input layer at its position passes the inputs whatever its functions.
  TBasicNetwork quiet(2);
  quiet.layers[0] = new TSimpleLayer(&quiet, 0, 0);
  quiet.layers[1] = new TSimpleInputLayer(&quiet, 1, 2);
  quiet.layers[1]->GetNeuron(0)->SetActivationFunction(&ActFnError);
  testing::internal::CaptureStderr();
  quiet.Evaluate(inputs, outputs);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(outputs[0], 3.0);
  EXPECT_EQ(outputs[1], -4.0);
}

TEST(TBasicNetwork, OutputLayerWithoutNeuronsWritesNothing) {
  TBasicNetwork net(2);
  net.inLayer = 0;
  net.layers[0] = new TSimpleInputLayer(&net, 0, 1);
  net.layers[1] = new TSimpleLayer(&net, 1, 0);
  const double input = 1.0;
  double output = 42.0;
  net.Evaluate(&input, &output);
  EXPECT_EQ(output, 42.0);
}

// Layers of 2, 2 and 1 neurons; sets 0->1 fully connected, 0->2, 1->2 and
// the backward 2->0 pruneable. Weight (f, t) of the set from a to b is
// 100*a + 10*b + (f*10 + t)/10.
TBasicNetwork* MakeMixedSets() {
  auto* net = new TBasicNetwork(3);
  net->layers[0] = new TSimpleLayer(net, 0, 2);
  net->layers[1] = new TSimpleInputLayer(net, 1, 2);
  net->layers[2] = new TSimpleLayer(net, 2, 1);
  TBasicConnections*& full = net->priv_conns_index[1][0];
  full->Destroy();
  full = new TConnectedConnections(net, 0, 1);
  net->Connect(0, 2);
  net->Connect(1, 2);
  net->Connect(2, 0);
  const int pairs[][2] = {{0, 1}, {0, 2}, {1, 2}, {2, 0}};
  for (const auto& p : pairs) {
    TBasicConnections* set = net->priv_conns_index[p[1]][p[0]];
    const int sources = net->layers[p[0]]->numNeurons;
    const int targets = net->layers[p[1]]->numNeurons;
    for (int f = 0; f < sources; ++f) {
      for (int t = 0; t < targets; ++t) {
        *set->GetWeightPtr(f, t) = 100 * p[0] + 10 * p[1] + (f * 10 + t) / 10.0;
      }
    }
  }
  net->priv_conns_index[2][1]->RemoveWeight(1, 0);
  net->priv_conns_index[0][2]->SetUntrainable(0, 1);
  return net;
}

TEST(TBasicNetwork, WeightsInSetOrder) {
  TBasicNetwork* net = MakeMixedSets();
  const std::vector<double> all = {
      10.0, 10.1, 11.0, 11.1,  // 0->1, source-major
      20.0, 21.0,              // 0->2, target-major
      120.0,                   // 1->2 without the removed weight
      200.0, 200.1,            // 2->0 (backward)
  };
  EXPECT_EQ(net->GetNumWeights(1), 9);
  EXPECT_EQ(net->GetNumWeights(0), 8);
  std::vector<double> out(9, -1.0);
  EXPECT_EQ(net->GetWeights(out.data(), 1), 9);
  EXPECT_EQ(out, all);
  std::vector<double> trainable(8, -1.0);
  EXPECT_EQ(net->GetWeights(trainable.data(), 0), 8);
  EXPECT_EQ(trainable, (std::vector<double>{10.0, 10.1, 11.0, 11.1, 20.0, 21.0, 120.0, 200.0}));

  // Round trip, and SetWeights reads the same layout.
  EXPECT_EQ(net->SetWeights(out.data(), 1), 9);
  std::vector<double> again(9);
  net->GetWeights(again.data(), 1);
  EXPECT_EQ(again, all);
  std::vector<double> fresh = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(net->SetWeights(fresh.data(), 0), 8);
  EXPECT_EQ(*net->priv_conns_index[1][0]->GetWeightPtr(1, 0), 3.0);
  EXPECT_EQ(*net->priv_conns_index[0][2]->GetWeightPtr(0, 0), 8.0);
  EXPECT_EQ(*net->priv_conns_index[0][2]->GetWeightPtr(0, 1), 200.1);  // untrainable
  delete net;
}

TEST(TBasicNetwork, RandomizeFollowsTheSetOrderAndTheFormula) {
  TBasicNetwork* net = MakeMixedSets();
  std::srand(11);
  std::vector<double> expected;
  // 0->1 (storage order), 0->2, 1->2 (one weight), 2->0 (the untrainable one is skipped).
  for (int i = 0; i < 4 + 2 + 1 + 1; ++i) {
    expected.push_back(-1.0 + (std::rand() % 32767) * (1.0L / 32767) * 2.0);
  }
  std::srand(11);
  net->Randomize(-1.0, 1.0);
  const TConnectedConnections* full =
      static_cast<TConnectedConnections*>(net->priv_conns_index[1][0]);
  EXPECT_EQ(full->array_weights, (std::vector<double>(expected.begin(), expected.begin() + 4)));
  EXPECT_EQ(*net->priv_conns_index[2][0]->GetWeightPtr(0, 0), expected[4]);
  EXPECT_EQ(*net->priv_conns_index[2][0]->GetWeightPtr(1, 0), expected[5]);
  EXPECT_EQ(*net->priv_conns_index[2][1]->GetWeightPtr(0, 0), expected[6]);
  EXPECT_EQ(*net->priv_conns_index[2][1]->GetWeightPtr(1, 0), 0.0);  // removed
  EXPECT_EQ(*net->priv_conns_index[0][2]->GetWeightPtr(0, 0), expected[7]);
  EXPECT_EQ(*net->priv_conns_index[0][2]->GetWeightPtr(0, 1), 200.1);
  for (double w : expected) {
    EXPECT_GE(w, -1.0);
    EXPECT_LT(w, 1.0);
  }

  // Equal bounds set the value and draw nothing.
  std::srand(5);
  const int next = std::rand();
  std::srand(5);
  net->Randomize(0.5, 0.5);
  EXPECT_EQ(std::rand(), next);
  EXPECT_EQ(full->array_weights, std::vector<double>(4, 0.5));
  EXPECT_EQ(*net->priv_conns_index[0][2]->GetWeightPtr(0, 1), 200.1);

  // min above max: values lie above max and at most min.
  net->Randomize(1.0, -1.0);
  for (double w : full->array_weights) {
    EXPECT_GT(w, -1.0);
    EXPECT_LE(w, 1.0);
  }
  delete net;
}

TEST(TBasicNetwork, CopyIsDeepAndIndependent) {
  TBasicNetwork* original = MakeFeedForward();
  original->fn_registry->Register(&ActFnLinear, "identity");
  TBasicNetwork copy(*original);
  EXPECT_EQ(copy.n_layers, 4);
  EXPECT_EQ(copy.inLayer, 1);
  EXPECT_EQ(copy.outLayer, 3);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NE(copy.layers[i], original->layers[i]);
    EXPECT_EQ(copy.layers[i]->network, &copy);
    EXPECT_EQ(copy.layers[i]->layerNum, i);
    EXPECT_STREQ(copy.layers[i]->GetLayerType(), original->layers[i]->GetLayerType());
    for (int j = 0; j < 4; ++j) {
      TBasicConnections* set = copy.priv_conns_index[i][j];
      EXPECT_NE(set, original->priv_conns_index[i][j]);
      EXPECT_EQ(set->network, &copy);
      EXPECT_EQ(set->toLayer, i);
      EXPECT_EQ(set->fromLayer, j);
      EXPECT_STREQ(set->GetConnectionsNType(),
                   original->priv_conns_index[i][j]->GetConnectionsNType());
    }
  }
  // The registry holds the defaults only.
  EXPECT_EQ(copy.fn_registry->GetCount(), 10);
  EXPECT_EQ(copy.fn_registry->FindFunction("identity"), nullptr);

  const double inputs[] = {1.0, 2.0};
  double a = 0.0;
  double b = 0.0;
  delete original;  // the copy shares nothing
  copy.Evaluate(inputs, &b);
  EXPECT_EQ(b, 11.25);
  *copy.priv_conns_index[3][0]->GetWeightPtr(0, 0) = 1.25;
  TBasicNetwork second(copy);
  second.Evaluate(inputs, &a);
  EXPECT_EQ(a, 12.25);
}

TEST(TBasicNetwork, AssignmentBetweenSizes) {
  TBasicNetwork* big = MakeFeedForward();
  TBasicNetwork small(2);
  small.layers[0] = new TSimpleLayer(&small, 0, 3);
  small.layers[1] = new TSimpleInputLayer(&small, 1, 3);
  small.Connect(0, 1);

  small = *big;  // fewer layers take more
  EXPECT_EQ(small.n_layers, 4);
  EXPECT_EQ(small.priv_conns.size(), 16u);
  EXPECT_EQ(small.outLayer, 3);
  const double inputs[] = {1.0, 2.0};
  double out = 0.0;
  small.Evaluate(inputs, &out);
  EXPECT_EQ(out, 11.25);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(small.priv_conns_index[i], &small.priv_conns[i * 4]);

  TBasicNetwork tiny(1);
  tiny.layers[0] = new TSimpleLayer(&tiny, 0, 1);
  *big = tiny;  // more layers take fewer
  EXPECT_EQ(big->n_layers, 1);
  EXPECT_EQ(big->priv_conns.size(), 1u);
  EXPECT_EQ(big->priv_conns[0]->network, big);
  EXPECT_EQ(big->layers[0]->network, big);

  TBasicNetwork& same = small;
  small = same;  // self-assignment changes nothing
  small.Evaluate(inputs, &out);
  EXPECT_EQ(out, 11.25);
  delete big;
}

TEST(TBasicNetwork, GetNeuronAcrossLayers) {
  TBasicNetwork net(4);
  net.layers[0] = new TSimpleLayer(&net, 0, 0);
  net.layers[1] = new TSimpleInputLayer(&net, 1, 2);
  net.layers[2] = new TSimpleLayer(&net, 2, 0);
  net.layers[3] = new TGainLayer(&net, 3, 3, 1.0);
  EXPECT_EQ(net.GetNumNeurons(), 5);
  EXPECT_EQ(net.GetNeuron(0), net.layers[1]->GetNeuron(0));
  EXPECT_EQ(net.GetNeuron(1), net.layers[1]->GetNeuron(1));
  EXPECT_EQ(net.GetNeuron(2), net.layers[3]->GetNeuron(0));
  EXPECT_EQ(net.GetNeuron(4), net.layers[3]->GetNeuron(2));
  EXPECT_DEATH(net.GetNeuron(-1),
               "Assertion failed: index>=0, file Working/NeuralNets/TBasicNetwork.cpp, line 1354");
  EXPECT_DEATH(net.GetNeuron(5), "Assertion failed: index<GetNumNeurons\\(\\), file "
                                 "Working/NeuralNets/TBasicNetwork.cpp, line 1355");
}

TEST(TBasicNetwork, ConnectKeepsAndDisconnectReplaces) {
  TBasicNetwork* net = MakeFeedForward();
  TBasicConnections* before = net->priv_conns_index[2][1];
  net->Connect(1, 2);
  EXPECT_EQ(net->priv_conns_index[2][1], before);
  EXPECT_EQ(*before->GetWeightPtr(1, 0), 2.0);
  EXPECT_STREQ(before->GetConnectionsNType(), "Pruneable");

  net->Disconnect(1, 2);
  TBasicConnections* empty = net->priv_conns_index[2][1];
  EXPECT_STREQ(empty->GetConnectionsNType(), "Empty");
  EXPECT_EQ(empty->fromLayer, 1);
  EXPECT_EQ(empty->toLayer, 2);
  net->Disconnect(1, 2);  // empty by empty
  EXPECT_STREQ(net->priv_conns_index[2][1]->GetConnectionsNType(), "Empty");

  net->Connect(1, 2);
  EXPECT_EQ(*net->priv_conns_index[2][1]->GetWeightPtr(1, 0), 0.0);  // fresh set
  EXPECT_EQ(net->priv_conns_index[2][1]->GetNumWeights(1), 4);
  delete net;
}

TEST(TBasicNetwork, NodeWalksAccumulateOverSets) {
  TBasicNetwork* net = MakeFeedForward();
  net->Connect(2, 2);
  net->priv_conns_index[2][2]->RemoveWeight(0, 1);
  TIterateObjPruneNode into;
  net->IterateToNode(into, 2, 0, 1);  // from 0, 1 and 2 itself
  EXPECT_EQ(into.count, 1 + 2 + 2);
  TIterateObjPruneNode out_of;
  net->IterateFromNode(out_of, 2, 0, 1);  // into 2 (one removed) and 3
  EXPECT_EQ(out_of.count, 1 + 1);
  delete net;
}

TEST(TBasicNetwork, IteratorFactoryFails) {
  TBasicNetwork net(1);
  net.layers[0] = new TSimpleLayer(&net, 0, 0);
  EXPECT_DEATH(net.NewInAllArcsIterator(),
               "Assertion failed: false, file Working/NeuralNets/TBasicNetwork.cpp, line 1590");
}

// --- Layers and neurons -----------------------------------------------------

TEST(TBasicLayer, ActivationFunctionCaching) {
  TBasicNetwork net(1);
  auto* layer = new TSimpleLayer(&net, 0, 3);
  net.layers[0] = layer;
  EXPECT_EQ(layer->actFn, nullptr);
  EXPECT_EQ(layer->GetActivationFunction(), &ActFnError);  // all hold "error"
  EXPECT_EQ(layer->actFn, &ActFnError);

  layer->SetActivationFunction(&ActFnSigmoid);
  EXPECT_EQ(layer->GetActivationFunction(), &ActFnSigmoid);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(layer->GetNeuron(i)->actFn, &ActFnSigmoid);

  layer->GetNeuron(1)->SetActivationFunction(&ActFnTanh);
  EXPECT_EQ(layer->actFn, nullptr);
  EXPECT_EQ(layer->GetActivationFunction(), nullptr);
  EXPECT_EQ(layer->actFn, nullptr);
  layer->GetNeuron(1)->SetActivationFunction(&ActFnSigmoid);
  EXPECT_EQ(layer->GetActivationFunction(), &ActFnSigmoid);

  auto* empty = new TGainLayer(&net, 0, 0, 1.0);
  EXPECT_EQ(empty->GetActivationFunction(), &ActFnNull);
  EXPECT_EQ(empty->actFn, &ActFnNull);
  empty->Destroy();
}

TEST(TBasicLayer, PerNeuronFunctions) {
  TBasicNetwork net(2);
  net.inLayer = 0;
  net.layers[0] = new TSimpleInputLayer(&net, 0, 2);
  net.layers[1] = new TSimpleLayer(&net, 1, 2);
  net.layers[1]->GetNeuron(0)->SetActivationFunction(&ActFnBias);
  net.layers[1]->GetNeuron(1)->SetActivationFunction(&ActFnSaturatedLinear);
  net.Connect(0, 1);
  net.priv_conns_index[1][0]->SetWeights(std::vector<double>{1, 1, 1, 1}.data(), 1);
  const double inputs[] = {0.25, 0.5};
  double outputs[2];
  net.Evaluate(inputs, outputs);
  EXPECT_EQ(outputs[0], 1.0);
  EXPECT_EQ(outputs[1], 0.75);
}

TEST(TBasicLayer, GainFunctionsOnlyOnGainNeurons) {
  TBasicNetwork net(2);
  auto* plain = new TSimpleLayer(&net, 0, 2);
  auto* gain = new TGainLayer(&net, 1, 2, 0.5);
  net.layers[0] = plain;
  net.layers[1] = gain;
  EXPECT_FALSE(plain->AcceptsActivationFunction(&ActFnTanhGain));
  EXPECT_FALSE(plain->GetNeuron(0)->AcceptsActivationFunction(&ActFnLinearGain));
  EXPECT_TRUE(plain->AcceptsActivationFunction(&ActFnTanh));
  EXPECT_TRUE(gain->AcceptsActivationFunction(&ActFnTanhGain));
  EXPECT_TRUE(gain->GetNeuron(1)->AcceptsActivationFunction(&ActFnSigmoidGain));
  EXPECT_FALSE(gain->AcceptsActivationFunction(nullptr));
  EXPECT_DEATH(plain->SetActivationFunction(&ActFnTanhGain), "AcceptsActivationFunction");
  EXPECT_DEATH(plain->GetNeuron(1)->SetActivationFunction(&ActFnLinearGain),
               "AcceptsActivationFunction");
  gain->SetActivationFunction(&ActFnLinearGain);
  double x = 0.0;
  gain->GetNeuron(0)->value = &x;
  gain->GetNeuron(0)->Activate(4.0);
  EXPECT_EQ(x, 2.0);
}

TEST(TBasicLayer, NeuronParameters) {
  TBasicNeuron plain;
  TGainNeuron gain;
  EXPECT_EQ(plain.GetNumParameters(), 0);
  EXPECT_EQ(gain.GetNumParameters(), 1);
  EXPECT_STREQ(gain.GetParameterName(0), "Gain");
  EXPECT_EQ(gain.gain, 1.0);
  const double in = 0.75;
  gain.SetParameters(&in);
  double out = 0.0;
  gain.GetParameters(&out);
  EXPECT_EQ(out, 0.75);
  EXPECT_DEATH(plain.GetParameterName(0),
               "Assertion failed: false, file Working/NeuralNets/TBasicNetwork.h, line 109");
  EXPECT_DEATH(gain.GetParameterName(1),
               "Assertion failed: i==0, file Working/NeuralNets/TBasicNetwork.h, line 159");
}

TEST(TBasicLayer, ConstructionBindsNeurons) {
  TBasicNetwork net(2);
  auto* layer = new TGainLayer(&net, 1, 3, 0.5);
  net.layers[1] = layer;
  net.layers[0] = new TSimpleLayer(&net, 0, 0);
  EXPECT_EQ(layer->values, std::vector<double>(3, 0.0));
  EXPECT_EQ(layer->numDims, 0);
  for (int i = 0; i < 3; ++i) {
    TGainNeuron& n = layer->nodes[i];
    EXPECT_EQ(n.layer, layer);
    EXPECT_EQ(n.value, &layer->values[i]);
    EXPECT_EQ(n.layerNum, 1);
    EXPECT_EQ(n.index, i);
    EXPECT_EQ(n.actFn, &ActFnError);
    EXPECT_EQ(n.gain, 0.5);
  }
  auto* input = new TSimpleInputLayer(&net, 0, 2);
  EXPECT_EQ(input->actFn, &ActFnLinear);
  EXPECT_STREQ(input->GetLayerType(), "Input");
  EXPECT_STREQ(layer->GetLayerType(), "Gain");
  EXPECT_STREQ(net.layers[0]->GetLayerType(), "Simple");
  input->Destroy();
}

TEST(TBasicLayer, CloneKeepsFunctionsGainsDimensions) {
  TBasicNetwork a(2);
  TBasicNetwork b(2);
  auto* layer = new TGainLayer(&a, 1, 2, 1.0);
  a.layers[1] = layer;
  a.layers[0] = new TSimpleLayer(&a, 0, 0);
  layer->nodes[0].gain = 0.25;
  layer->nodes[1].gain = 4.0;
  layer->GetNeuron(0)->SetActivationFunction(&ActFnTanhGain);
  layer->GetNeuron(1)->SetActivationFunction(&ActFnSigmoid);
  layer->values = {3.5, 3.5};
  const int dims[] = {2, 1};
  layer->SetDimensions(2, dims);
  auto* copy = static_cast<TGainLayer*>(layer->Clone(&b));
  EXPECT_EQ(copy->network, &b);
  EXPECT_EQ(copy->layerNum, 1);
  EXPECT_EQ(copy->values, (std::vector<double>{0.0, 0.0}));
  EXPECT_EQ(copy->nodes[0].gain, 0.25);
  EXPECT_EQ(copy->nodes[1].gain, 4.0);
  EXPECT_EQ(copy->nodes[0].actFn, &ActFnTanhGain);
  EXPECT_EQ(copy->nodes[1].actFn, &ActFnSigmoid);
  EXPECT_EQ(copy->actFn, nullptr);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(copy->nodes[i].layer, copy);
    EXPECT_EQ(copy->nodes[i].value, &copy->values[i]);
  }
  int got[2] = {};
  copy->GetDimensions(got);
  EXPECT_EQ(copy->numDims, 2);
  EXPECT_EQ(got[0], 2);
  EXPECT_EQ(got[1], 1);
  copy->SetDimensions(0, nullptr);
  EXPECT_EQ(copy->numDims, 0);
  copy->GetDimensions(nullptr);  // nothing to copy
  copy->Destroy();
}

TEST(TBasicLayer, InsertAndRemoveNeurons) {
  TBasicNetwork net(1);
  auto* gain = new TGainLayer(&net, 0, 0, 1.0);
  net.layers[0] = gain;
  gain->InsertNeuron(0);
  gain->numNeurons = 1;
  EXPECT_EQ(gain->nodes[0].gain, 1.0);
  EXPECT_EQ(gain->nodes[0].actFn, &ActFnError);
  gain->SetActivationFunction(&ActFnTanh);
  gain->SetGain(0.5);
  gain->InsertNeuron(0);
  gain->numNeurons = 2;
  EXPECT_EQ(gain->nodes[0].gain, 0.5);
  EXPECT_EQ(gain->nodes[0].actFn, &ActFnTanh);
  ASSERT_EQ(gain->values.size(), 2u);
  gain->nodes[1].gain = 7.0;
  gain->InsertNeuron(1);
  gain->numNeurons = 3;
  EXPECT_EQ(gain->nodes[2].gain, 7.0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(gain->nodes[i].value, &gain->values[i]);
    EXPECT_EQ(gain->nodes[i].layer, gain);
    EXPECT_EQ(gain->nodes[i].index, i);
  }
  gain->RemoveNeuron(2);
  gain->numNeurons = 2;
  EXPECT_EQ(gain->nodes.size(), 2u);
  EXPECT_EQ(gain->values.size(), 3u);  // keeps its length
  gain->RemoveNeuron(0);
  gain->RemoveNeuron(0);
  gain->numNeurons = 0;
  EXPECT_TRUE(gain->nodes.empty());
}

// --- Connection sets and visitors --------------------------------------------

TEST(TEmptyConnections, Contract) {
  TBasicNetwork a(2);
  TBasicNetwork b(2);
  for (TBasicNetwork* n : {&a, &b}) {
    n->layers[0] = new TSimpleLayer(n, 0, 2);
    n->layers[1] = new TSimpleInputLayer(n, 1, 2);
  }
  TBasicConnections* empty = a.priv_conns_index[0][1];
  double net[2] = {1.5, 2.5};
  empty->AddWeightedInput(net);
  EXPECT_EQ(net[0], 1.5);
  EXPECT_EQ(net[1], 2.5);
  EXPECT_FALSE(empty->IsValid(0, 0));
  EXPECT_FALSE(empty->IsTrainable(0, 0));
  EXPECT_EQ(empty->GetFlags(0, 1), FMaskAll);
  empty->SetFlags(0, 0, FMaskAll);
  empty->SetFlags(0, 0, FMaskExists);
  TBasicConnections* clone = empty->Clone(&b);
  EXPECT_EQ(clone->network, &b);
  EXPECT_EQ(clone->fromLayer, 1);
  EXPECT_EQ(clone->toLayer, 0);
  EXPECT_EQ(clone->GetConnectionsNType(), empty->GetConnectionsNType());
  clone->Destroy();
  EXPECT_DEATH(empty->SetFlags(0, 0, FMaskTrainable),
               "Assertion failed: \\(val==FMaskAll\\) \\|\\| \\(val==FMaskExists\\), file "
               "Working/NeuralNets/TBasicNetwork.h, line 715");
  EXPECT_DEATH(empty->GetWeightPtr(0, 0),
               "Assertion failed: false, file Working/NeuralNets/TBasicNetwork.h, line 1188");
  EXPECT_DEATH(empty->RemoveWeight(0, 0),
               "Assertion failed: false, file Working/NeuralNets/TBasicNetwork.cpp, line 871");
  EXPECT_DEATH(empty->AddWeight(0, 0), "TBasicNetwork.cpp, line 876");
  EXPECT_DEATH(empty->SetTrainable(0, 0), "TBasicNetwork.cpp, line 881");
  EXPECT_DEATH(empty->SetUntrainable(0, 0), "TBasicNetwork.cpp, line 886");
}

TEST(WeightVisitors, FlagRoundTripAndUntrainable) {
  TBasicNetwork* net = MakeMixedSets();
  TBasicConnections* pruned = net->priv_conns_index[2][0];
  pruned->SetUntrainable(1, 0);
  std::unique_ptr<char[]> flags = pruned->GetAllFlags();
  EXPECT_EQ(flags[0], FMaskAll);
  EXPECT_EQ(flags[1], FMaskExists);
  pruned->SetFlags(0, 0, FMaskExists);  // still visited by the walk
  pruned->SetAllFlags(flags.get());
  EXPECT_EQ(pruned->GetFlags(0, 0), FMaskAll);
  EXPECT_EQ(pruned->GetFlags(1, 0), FMaskExists);

  // Flags of the fully connected set come back as FMaskAll and are accepted.
  TBasicConnections* full = net->priv_conns_index[1][0];
  std::unique_ptr<char[]> full_flags = full->GetAllFlags();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(full_flags[i], FMaskAll);
  full->SetAllFlags(full_flags.get());

  pruned->SetAllUntrainable();
  EXPECT_EQ(pruned->GetNumWeights(0), 0);
  EXPECT_EQ(pruned->GetNumWeights(1), 2);
  pruned->Randomize(-1.0, 1.0);
  EXPECT_EQ(*pruned->GetWeightPtr(0, 0), 20.0);
  EXPECT_EQ(*pruned->GetWeightPtr(1, 0), 21.0);
  delete net;
}

TEST(WeightVisitors, DefaultWeightedInputAndBinding) {
  TBasicNetwork* net = MakeMixedSets();
  TBasicLayer* from = net->layers[0];
  from->values = {2.0, -1.0};
  // The default (visitor-based) sum matches the set's own.
  TBasicConnections* set = net->priv_conns_index[2][0];
  double own = 0.5;
  set->AddWeightedInput(&own);
  double visited = 0.5;
  set->TBasicConnections::AddWeightedInput(&visited);
  EXPECT_EQ(own, 0.5 + 2.0 * 20.0 - 1.0 * 21.0);
  EXPECT_EQ(visited, own);

  TIterateObj v;
  v.SetLayers(net, 0, 2);
  EXPECT_EQ(v.conn, set);
  EXPECT_EQ(v.fromLayer, 0);
  EXPECT_EQ(v.toLayer, 2);
  EXPECT_EQ(v.fromLayerPtr, from);
  EXPECT_EQ(v.toLayerPtr, net->layers[2]);
  EXPECT_EQ(v.fromValues, from->values.data());
  EXPECT_EQ(v.toValues, net->layers[2]->values.data());
  delete net;
}

TEST(WeightVisitors, DefaultRandomizeDrawsPerVisitedWeight) {
  TBasicNetwork net(2);
  net.layers[0] = new TSimpleLayer(&net, 0, 2);
  net.layers[1] = new TSimpleInputLayer(&net, 1, 2);
  net.Connect(0, 1);
  TBasicConnections* set = net.priv_conns_index[1][0];
  set->SetWeights(std::vector<double>{1, 2, 3, 4}.data(), 1);
  set->SetUntrainable(1, 0);
  set->RemoveWeight(0, 1);
  std::srand(31);
  const double r0 = 2.0 + (std::rand() % 32767) * (1.0L / 32767) * 3.0;
  const double r1 = 2.0 + (std::rand() % 32767) * (1.0L / 32767) * 3.0;
  const int after = std::rand();
  std::srand(31);
  set->TBasicConnections::Randomize(2.0, 5.0);  // visits (0,0) and (1,1)
  EXPECT_EQ(std::rand(), after);
  std::vector<double> out(3);
  set->GetWeights(out.data(), 1);
  EXPECT_EQ(out, (std::vector<double>{r0, 2.0, r1}));
  std::srand(31);
  const int first = std::rand();
  std::srand(31);
  set->TBasicConnections::Randomize(-1.0, -1.0);  // equal bounds draw nothing
  EXPECT_EQ(std::rand(), first);
  set->GetWeights(out.data(), 1);
  EXPECT_EQ(out, (std::vector<double>{-1.0, 2.0, -1.0}));
}

class SumPairs : public TIterateObj2 {
 public:
  void Visit() override { sum += *weight1 * *weight2; }
  double sum = 0.0;
};

class SumTriples : public TIterateObj3 {
 public:
  void Visit() override { sum += *weight1 + *weight2 + *weight3; }
  double sum = 0.0;
};

TEST(WeightVisitors, SeveralNetworksInStep) {
  TBasicNetwork* a = MakeMixedSets();
  TBasicNetwork b(*a);
  TBasicNetwork c(*a);
  SumPairs pairs;
  a->priv_conns_index[1][0]->IterateAll2(pairs, &b, 1);
  EXPECT_EQ(pairs.sum, 10.0 * 10.0 + 10.1 * 10.1 + 11.0 * 11.0 + 11.1 * 11.1);
  SumTriples triples;
  a->priv_conns_index[2][1]->IterateAll3(triples, &b, &c, 1);  // one weight exists
  EXPECT_EQ(triples.sum, 360.0);

  b.Disconnect(0, 1);
  b.Connect(0, 1);  // now pruneable in b
  EXPECT_DEATH(SumPairs().SetLayers(a, &b, 0, 1),
               "Assertion failed: conn1 -> GetConnectionsNType\\(\\) == conn2 -> "
               "GetConnectionsNType\\(\\), file Working/NeuralNets/TBasicNetwork.cpp, line 679");
  EXPECT_DEATH(SumTriples().SetLayers(a, &c, &b, 0, 1),
               "conn1 -> GetConnectionsNType\\(\\) == conn3 -> GetConnectionsNType\\(\\), file "
               "Working/NeuralNets/TBasicNetwork.cpp, line 713");
  delete a;
}

}  // namespace
