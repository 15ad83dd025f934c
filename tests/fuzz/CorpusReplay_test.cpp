// Replays the fuzz corpora as ordinary regression tests: every input the
// fuzzers kept (fuzz/corpus/<Target>/, including the regression-* inputs of
// faults found and mended) and every seed (fuzz/seeds/<Target>/) goes
// through the same entry logic as the fuzz target, and must neither crash
// nor break a property. Under the sanitizer build this is the fuzzers'
// check without the fuzzing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "fuzz/FuzzEntries.h"
#include "tests/support/TestSupport.h"

namespace maptag_fuzz {
// For gtest's messages: a target by its name.
void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }
}  // namespace maptag_fuzz

namespace {

using maptag_fuzz::Target;

// The files of fuzz/<area>/<target>, in name order (none when the folder
// does not exist).
std::vector<std::filesystem::path> InputsIn(const std::string& area, const Target& target) {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path folder = testsupport::SourcePath("fuzz/" + area + "/" + target.name);
  if (!std::filesystem::is_directory(folder)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Runs the target's entry on each file; returns how many were run.
std::size_t Replay(const Target& target, const std::vector<std::filesystem::path>& files) {
  for (const auto& file : files) {
    const std::string data = testsupport::ReadFile(file.string());
    const std::string failure =
        target.entry(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    EXPECT_EQ(failure, "") << "input " << file.string();
  }
  return files.size();
}

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, CorpusInputsPass) {
  // An empty or missing corpus would make this test pass vacuously.
  EXPECT_GT(Replay(GetParam(), InputsIn("corpus", GetParam())), 0u);
}

TEST_P(CorpusReplay, SeedsPass) {
  EXPECT_GT(Replay(GetParam(), InputsIn("seeds", GetParam())), 0u);
}

// Inputs under fuzz/crashes/<Target>/ reproduce faults not mended yet; they
// crash this process. Run with --gtest_also_run_disabled_tests once the
// fault is fixed, then move the input to fuzz/corpus/<Target>/regression-*.
TEST_P(CorpusReplay, DISABLED_KnownCrashes) { Replay(GetParam(), InputsIn("crashes", GetParam())); }

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, ::testing::ValuesIn(maptag_fuzz::kTargets),
                         [](const ::testing::TestParamInfo<Target>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
