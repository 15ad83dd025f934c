// Reading and writing DataSet files of 1,000,000 rows x 18 numbers.
//
// The table is generated once (values of the kind a training set holds:
// mixed magnitudes, 15 significant digits when written) and saved to a
// temporary file; LoadData reads that file, SaveDataSet writes the table
// again. Both report bytes of file text per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "Working/DataObject/Data.h"
#include "Working/FileHandler/Filer.h"
#include "Working/FileHandler/ParseTools.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kInputs = 12;
constexpr int kOutputs = 6;

class Fixture {
 public:
  Fixture() {
    dir_ = std::filesystem::temp_directory_path() /
           ("maptag_filer_bench_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "table.dat").string();
    table_ = std::make_unique<Data>(kRows, kInputs, kOutputs, false);
    std::mt19937_64 random(2024);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    double inputs[kInputs];
    double outputs[kOutputs];
    for (int row = 0; row < kRows; ++row) {
      for (int c = 0; c < kInputs; ++c) inputs[c] = unit(random) * (c % 3 == 0 ? 1000.0 : 1.0);
      for (int c = 0; c < kOutputs; ++c) outputs[c] = c == 0 ? row % 7 : unit(random);
      table_->AppendRow(inputs, outputs, nullptr);
    }
    char scratch[kScratchSize];
    if (SaveDataSet(scratch, path_.c_str(), table_.get(), nullptr, nullptr) != SUCCESS) {
      std::fprintf(stderr, "cannot write %s\n", path_.c_str());
      std::abort();
    }
    bytes_ = static_cast<std::int64_t>(std::filesystem::file_size(path_));
  }
  ~Fixture() { std::filesystem::remove_all(dir_); }

  const std::string& path() const { return path_; }
  std::string OutputPath() const { return (dir_ / "out.dat").string(); }
  const Data* table() const { return table_.get(); }
  std::int64_t bytes() const { return bytes_; }

 private:
  std::filesystem::path dir_;
  std::string path_;
  std::unique_ptr<Data> table_;
  std::int64_t bytes_ = 0;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_LoadData(benchmark::State& state) {
  Fixture& fixture = Shared();
  char scratch[kScratchSize];
  for (auto _ : state) {
    Data* table = nullptr;
    if (LoadData(scratch, fixture.path().c_str(), &table) != SUCCESS) {
      state.SkipWithError("LoadData failed");
      break;
    }
    benchmark::DoNotOptimize(table);
    delete table;
  }
  state.SetBytesProcessed(state.iterations() * fixture.bytes());
}
BENCHMARK(BM_LoadData)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SaveDataSet(benchmark::State& state) {
  Fixture& fixture = Shared();
  char scratch[kScratchSize];
  const std::string out = fixture.OutputPath();
  for (auto _ : state) {
    if (SaveDataSet(scratch, out.c_str(), fixture.table(), nullptr, nullptr) != SUCCESS) {
      state.SkipWithError("SaveDataSet failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * fixture.bytes());
}
BENCHMARK(BM_SaveDataSet)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
