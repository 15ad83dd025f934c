// End-to-end tests: the built Maptag binary on real files.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

using testsupport::FileExists;
using testsupport::RunMaptag;
using testsupport::TempDir;

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

TEST(MaptagRun, UnreadableInputsFailWithoutWritingOutput) {
  TempDir dir;
  const std::string output = dir.File("labelled.dat");
  const auto result = RunMaptag({dir.File("missing.wts"), dir.File("missing.map"),
                                 dir.File("missing.crd"), output});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out + result.err, "");
  EXPECT_FALSE(FileExists(output));
}

}  // namespace
