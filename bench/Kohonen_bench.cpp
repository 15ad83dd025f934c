// The winner search of the Kohonen network against a plain loop (cells
// outer, components inner, one running sum) over the same codebook.
// Counters: cell-components per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "Working/DataObject/Data.h"
#include "Working/NeuralNets/TKohonenNetwork.h"

namespace {

struct Map {
  Map(int side, int inputs) : sizes{side, side}, net(inputs, 2, sizes) {
    std::srand(7);
    net.Randomize(0.0, 1.0);
    for (int k = 0; k < 64; ++k) {
      std::vector<double> x(static_cast<std::size_t>(inputs));
      for (double& v : x) v = std::rand() / static_cast<double>(RAND_MAX);
      probes.push_back(x);
    }
  }
  int cells() const { return sizes[0] * sizes[1]; }
  int sizes[2];
  TKohonenNetwork net;
  std::vector<std::vector<double>> probes;
};

// args: side, inputs
void BM_PlainLoop(benchmark::State& state) {
  Map map(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int n = static_cast<int>(state.range(1));
  const int m = map.cells();
  std::vector<double> codebook(static_cast<std::size_t>(n) * m);
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) codebook[i * n + j] = *map.net.priv_conns_index[2][1]->GetWeightPtr(j, i);
  }
  std::size_t k = 0;
  for (auto _ : state) {
    const double* x = map.probes[k++ % map.probes.size()].data();
    double best = 1e30;
    int winner = -1;
    for (int i = 0; i < m; ++i) {
      double distance = 0.0;
      for (int j = 0; j < n; ++j) {
        const double d = x[j] - codebook[i * n + j];
        distance += d * d;
      }
      if (distance < best) {
        best = distance;
        winner = i;
      }
    }
    benchmark::DoNotOptimize(winner);
  }
  state.counters["cell_components/s"] =
      benchmark::Counter(static_cast<double>(m) * n, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FindWinner(benchmark::State& state) {
  Map map(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<double> out(static_cast<std::size_t>(state.range(1)));
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.net.FindWinner(map.probes[k++ % map.probes.size()].data(), out.data()));
  }
  state.counters["cell_components/s"] = benchmark::Counter(
      static_cast<double>(map.cells()) * state.range(1), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MapCoordinates(benchmark::State& state) {
  Map map(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int n = static_cast<int>(state.range(1));
  constexpr int kRows = 256;
  Data table(kRows, n, 0, false);
  for (int r = 0; r < kRows; ++r) table.AppendRow(map.probes[r % map.probes.size()].data(), nullptr, nullptr);
  for (auto _ : state) {
    std::unique_ptr<Data> coordinates(map.net.MapCoordinates(&table, nullptr));
    benchmark::DoNotOptimize(coordinates.get());
  }
  state.counters["cell_components/s"] = benchmark::Counter(
      static_cast<double>(map.cells()) * n * kRows, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_PlainLoop)->Args({40, 16})->Args({100, 64});
BENCHMARK(BM_FindWinner)->Args({40, 16})->Args({100, 64});
BENCHMARK(BM_MapCoordinates)->Args({40, 16})->Args({100, 64});

}  // namespace

BENCHMARK_MAIN();
