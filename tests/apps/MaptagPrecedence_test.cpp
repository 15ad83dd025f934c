// End-to-end: which message wins when a run meets several faults, and what
// is left at the output path. The tool labels rows as it reads them, but a
// user must see what reading the whole coordinate file first would give:
// a syntax error anywhere in that file beats a labelling failure in an
// earlier row, and a map whose grid cannot be derived is reported only
// after the coordinate file has been read.
#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace {

using testsupport::RunMaptag;

// A 2 x 3 map, cells labelled c0 .. c5.
constexpr char kMap[] =
    "[DataSet] [Rows = 6] [Inputs = 2] [ExpectedOutputs = Labels] [Data]\n"
    "0 0 [c0] 0 1 [c1] 0 2 [c2] 1 0 [c3] 1 1 [c4] 1 2 [c5]\n"
    "[~Data] [~DataSet]\n";
// A map whose radix scan runs past its last row (a 1 x 3 grid).
constexpr char kFlatMap[] =
    "[DataSet] [Rows = 3] [Inputs = 2] [ExpectedOutputs = Labels] [Data]\n"
    "0 0 [a] 0 1 [b] 0 2 [c]\n"
    "[~Data] [~DataSet]\n";

std::string Items(int rows, const std::string& body) {
  return "[DataSet] [Rows = " + std::to_string(rows) +
         "] [Inputs = 1] [ExpectedOutputs = 2] [Data]\n" + body + "[~Data] [~DataSet]\n";
}

struct Case {
  const char* name;
  const char* map;
  std::string items;
  int status;
  std::string out;
  std::string err;
};

class Precedence : public ::testing::Test {
 protected:
  void Run(const Case& c) {
    SCOPED_TRACE(c.name);
    const std::string weights = testsupport::SourcePath("examples/fruit.net");
    const std::string map = dir_.Write("map.dat", c.map);
    const std::string items = dir_.Write("items.dat", c.items);
    const std::string output = dir_.Write("out.dat", "earlier output\n");
    const auto result = RunMaptag({weights, map, items, output});
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    // A failed run leaves the earlier file exactly as it was.
    if (c.status != 0) {
      EXPECT_EQ(testsupport::ReadFile(output), "earlier output\n");
    }
    EXPECT_FALSE(testsupport::FileExists(output + ".saving"));
  }
  testsupport::TempDir dir_;
};

TEST_F(Precedence, SyntaxAndLabellingFaults) {
  const std::string bad_row = "Invalid Data Row\nBad Parameter\nData::GetLabels\n";
  const Case cases[] = {
      {"labelling failure alone", kMap, Items(3, "9 0 1\n9 2 0\n9 1 1\n"), 1, "", bad_row},
      {"syntax error after a labelling failure", kMap, Items(3, "9 2 0\n9 0 1\n9 1 q\n"), 1,
       "number-expected\n", ""},
      {"missing rows after a labelling failure", kMap, Items(4, "9 2 0\n9 0 1\n"), 1,
       "Token (number) expected\n", ""},
      {"content after the data set after a labelling failure", kMap,
       Items(1, "9 2 0\n") + "[More]\n", 1, "End Tag expected\n", ""},
      {"radix scan failure alone", kFlatMap, Items(1, "9 0 1\n"), 1, "",
       "Invalid Data Row\nBad Parameter\nData::GetInputDatum\n"},
      {"radix scan failure and a syntax error", kFlatMap, Items(2, "9 0 1\n9 x 0\n"), 1,
       "number-expected\n", ""},
      {"radix scan failure and a coordinate file that does not load", kFlatMap,
       "[DataSet] [Rows = 1] [Inputs = 1] [ExpectedOutputs = 2] [Error = 1] [Data] 9 0 1 0"
       " [~Data] [~DataSet]",
       1, "", ""},
      {"columns that do not match and a syntax error", kMap,
       "[DataSet] [Rows = 2] [ExpectedOutputs = 1] [Data] 0 z [~Data] [~DataSet]", 1,
       "number-expected\n", ""},
      {"second table and a syntax error", kMap,
       "[DataSet] [Rows = 1] [Inputs = 1] [ExpectedOutputs = 2] [Error = 1] [Data] 9 0 1 ?"
       " [~Data] [~DataSet]",
       1, "number-expected\n", ""},
  };
  for (Case c : cases) {
    if (c.err.empty() && c.out.empty()) c.err = "cannot load data file " + dir_.File("items.dat") + "\n";
    Run(c);
  }
}

TEST_F(Precedence, GoodRunReplacesTheEarlierOutput) {
  Run({"good run", kMap, Items(2, "9 1 2\n9 0 0\n"), 0, "", ""});
  EXPECT_EQ(testsupport::ReadFile(dir_.File("out.dat")),
            "[FormatVersion = 1.0]\n\n[DataSet]\n[Rows = 2]\n[Inputs = 0]\n"
            "[ExpectedOutputs = Labels]\n[GeneratedOutputs = 0]\n[Error = 0]\n\n[Data]\n"
            "  [c5 ] \n  [c0 ] \n[~Data]\n\n[~DataSet]\n");
}

TEST_F(Precedence, AnOutputThatCannotBeWrittenLosesToEveryOtherFault) {
  const std::string weights = testsupport::SourcePath("examples/fruit.net");
  const std::string map = dir_.Write("map.dat", kMap);
  const std::string output = dir_.File("no/such/dir/out.dat");
  const std::string bad_items = dir_.Write("bad.dat", Items(2, "9 2 0\n9 0\n"));
  auto result = RunMaptag({weights, map, bad_items, output});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "Token (number) expected\n");
  EXPECT_EQ(result.err, "");

  const std::string unlabellable = dir_.Write("far.dat", Items(1, "9 2 0\n"));
  result = RunMaptag({weights, map, unlabellable, output});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Invalid Data Row\nBad Parameter\nData::GetLabels\n");

  const std::string good = dir_.Write("good.dat", Items(1, "9 1 1\n"));
  result = RunMaptag({weights, map, good, output});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "cannot save to data file " + output + "\n");
}

}  // namespace
