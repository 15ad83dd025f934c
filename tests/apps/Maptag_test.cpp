// End-to-end tests: the built Maptag binary on real files.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

using testsupport::RunMaptag;

TEST(MaptagArguments, WrongCountPrintsUsage) {
  const std::vector<std::vector<std::string>> argument_lists = {
      {}, {"a", "b", "c"}, {"a", "b", "c", "d", "e"}};
  for (const auto& args : argument_lists) {
    const auto result = RunMaptag(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Usage: Maptag WeightFile MapFile CoordinateFile OutputFile\n");
  }
}

}  // namespace
