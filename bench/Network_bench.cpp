// Forward passes of a 64-256-10 network: sigmoid hidden layer, linear
// outputs, weights drawn once. Reports evaluations per second (items/s) for
// fully connected and for pruneable weight sets.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "Working/NeuralNets/TBasicNetwork.h"
#include "Working/NeuralNets/TConnectedNetwork.h"

namespace {

constexpr int kSizes[] = {64, 256, 10};

// Layer 0 is the input layer. `connected` chooses fully connected sets
// (TConnectedNetwork) or pruneable ones (TBasicNetwork).
std::unique_ptr<TBasicNetwork> MakeNetwork(bool connected) {
  std::unique_ptr<TBasicNetwork> net =
      connected ? std::make_unique<TConnectedNetwork>(3) : std::make_unique<TBasicNetwork>(3);
  net->inLayer = 0;
  net->outLayer = 2;
  net->layers[0] = new TSimpleInputLayer(net.get(), 0, kSizes[0]);
  net->layers[1] = new TSimpleLayer(net.get(), 1, kSizes[1]);
  net->layers[2] = new TSimpleLayer(net.get(), 2, kSizes[2]);
  net->layers[1]->SetActivationFunction(&ActFnSigmoid);
  net->layers[2]->SetActivationFunction(&ActFnLinear);
  net->Connect(0, 1);
  net->Connect(1, 2);
  net->Randomize(-0.1, 0.1);
  return net;
}

void Evaluate(benchmark::State& state, bool connected) {
  std::unique_ptr<TBasicNetwork> net = MakeNetwork(connected);
  std::vector<double> inputs(kSizes[0]);
  for (int i = 0; i < kSizes[0]; ++i) inputs[i] = (i % 7) * 0.125 - 0.375;
  std::vector<double> outputs(kSizes[2]);
  for (auto _ : state) {
    net->Evaluate(inputs.data(), outputs.data());
    benchmark::DoNotOptimize(outputs.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EvaluateFullyConnected(benchmark::State& state) { Evaluate(state, true); }
void BM_EvaluatePruneable(benchmark::State& state) { Evaluate(state, false); }

BENCHMARK(BM_EvaluateFullyConnected);
BENCHMARK(BM_EvaluatePruneable);

}  // namespace

BENCHMARK_MAIN();
