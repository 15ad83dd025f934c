// The streaming labeller must be indistinguishable from loading the whole
// coordinate table, labelling it and saving the result: each case runs both
// and compares outcome, message and output bytes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Working/DataObject/Data.h"
#include "Working/Exceptions/Exceptions.h"
#include "Working/FileHandler/Filer.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/NeuralNets/TKohonenNetwork.h"
#include "tests/support/TestSupport.h"

namespace {

// An outcome as one string: "labelled", "not loaded", "not saved",
// "syntax: <message>" or "table: <message> / <origin>".
using Outcome = std::string;

Outcome InMemory(char* scratch, const Data* map, const std::string& coordinates,
                 const std::string& output) {
  try {
    Data* loaded = nullptr;
    int code;
    try {
      code = LoadData(scratch, coordinates.c_str(), &loaded);
    } catch (...) {
      delete loaded;  // a partly read table
      throw;
    }
    std::unique_ptr<Data> table(loaded);
    if (code != SUCCESS || table == nullptr) return "not loaded";
    std::unique_ptr<Data> labelled(LabelCoordinates(table.get(), map));
    if (SaveDataSet(scratch, output.c_str(), labelled.get(), nullptr, nullptr) != SUCCESS) {
      return "not saved";
    }
    return "labelled";
  } catch (const FileTools::Error& e) {
    return "syntax: " + e.message;
  } catch (const TException& e) {
    return std::string("table: ") + e.message + " / " + e.origin;
  }
}

Outcome Streamed(char* scratch, const Data* map, const std::string& coordinates,
                 const std::string& output) {
  try {
    switch (LabelCoordinateFile(scratch, coordinates.c_str(), map, output.c_str())) {
      case TLabelFileResult::kLabelled: return "labelled";
      case TLabelFileResult::kCoordinatesNotLoaded: return "not loaded";
      case TLabelFileResult::kOutputNotSaved: return "not saved";
    }
    return "?";
  } catch (const FileTools::Error& e) {
    return "syntax: " + e.message;
  } catch (const TException& e) {
    return std::string("table: ") + e.message + " / " + e.origin;
  }
}

// A 3 x 4 map with one label per cell (cell k is labelled "c<k>").
std::string Map3x4() {
  std::string text = "[DataSet] [Rows = 12] [Inputs = 2] [ExpectedOutputs = Labels] [Data]\n";
  for (int k = 0; k < 12; ++k) {
    text += std::to_string(k / 4) + " " + std::to_string(k % 4) + " [c" + std::to_string(k) + "]\n";
  }
  return text + "[~Data] [~DataSet]\n";
}

std::string Coordinates(const std::string& header_extra, const std::string& rows, int count) {
  return "[DataSet] [Rows = " + std::to_string(count) + "] [Inputs = 1] [ExpectedOutputs = 2]" +
         header_extra + " [Data]\n" + rows + "[~Data] [~DataSet]\n";
}

struct Case {
  const char* name;
  std::string map;
  std::string coordinates;
  bool output_writable;
  Outcome expected;
};

TEST(LabelCoordinateFile, BehavesExactlyLikeTheTablePath) {
  const std::string map = Map3x4();
  const std::string flat_map =  // 1 x 5: the radix scan runs off the map
      "[DataSet] [Rows = 5] [Inputs = 2] [ExpectedOutputs = Labels] [Data]"
      " 0 0 [a] 0 1 [b] 0 2 [c] 0 3 [d] 0 4 [e] [~Data] [~DataSet]";
  const std::string unlabelled_map =
      "[DataSet] [Rows = 2] [Inputs = 1] [Data] 0 1 [~Data] [~DataSet]";
  const Case cases[] = {
      {"good rows", map, Coordinates("", "9 2 3\n9 1 0\n9 1.99 0.5\n9 0 4\n", 4), true, "labelled"},
      {"no rows", map, Coordinates("", "", 0), true, "labelled"},
      {"map without labels", unlabelled_map,
       "[DataSet] [Rows = 2] [ExpectedOutputs = 1] [Data] 1 0 [~Data] [~DataSet]", true,
       "labelled"},
      {"row outside the map", map, Coordinates("", "9 1 1\n9 3 0\n9 0 0\n", 3), true,
       "table: Invalid Data Row / Data::GetLabels"},
      {"syntax error after a row outside the map", map,
       Coordinates("", "9 3 0\n9 1 1\n9 x 0\n", 3), true, "syntax: number-expected"},
      {"too few rows after a row outside the map", map, Coordinates("", "9 3 0\n", 2), true,
       "syntax: Token (number) expected"},
      {"radix scan fails", flat_map, Coordinates("", "9 0 1\n", 1), true,
       "table: Invalid Data Row / Data::GetInputDatum"},
      {"radix scan fails, syntax error later", flat_map, Coordinates("", "9 0 1\n9 0\n", 2), true,
       "syntax: Token (number) expected"},
      {"columns do not match", map,
       "[DataSet] [Rows = 1] [ExpectedOutputs = 3] [Data] 0 0 0 [~Data] [~DataSet]", true,
       "table: Coordinate Columns Do Not Match Map / LabelCoordinates"},
      {"second table", map, Coordinates(" [Error = 1]", "9 0 0 5\n", 1), true, "not loaded"},
      {"second table with a syntax error", map, Coordinates(" [Error = 1]", "9 0 0 y\n", 1), true,
       "syntax: number-expected"},
      {"no table", map, "[DataSet] [Rows = 2] [Data] [~Data] [~DataSet]", true, "not loaded"},
      {"header out of order", map,
       "[DataSet] [ExpectedOutputs = 2] [Inputs = 1] [Rows = 0] [Data] [~Data] [~DataSet]", true,
       "not loaded"},
      {"content after the data set", map, Coordinates("", "9 0 0\n", 1) + "[Extra]", true,
       "syntax: End Tag expected"},
      {"output cannot be written", map, Coordinates("", "9 0 0\n", 1), false, "not saved"},
      {"labelling failure wins over the output", map, Coordinates("", "9 5 0\n", 1), false,
       "table: Invalid Data Row / Data::GetLabels"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::TempDir dir;
    char scratch[kScratchSize];
    Data* loaded_map = nullptr;
    ASSERT_EQ(LoadData(scratch, dir.Write("map.dat", c.map).c_str(), &loaded_map), SUCCESS);
    std::unique_ptr<Data> map_table(loaded_map);
    const std::string coordinates = dir.Write("coordinates.dat", c.coordinates);
    const std::string out_dir = c.output_writable ? dir.path() : dir.File("missing");
    const std::string reference = out_dir + "/reference.dat";
    const std::string streamed = out_dir + "/streamed.dat";

    EXPECT_EQ(InMemory(scratch, map_table.get(), coordinates, reference), c.expected);
    EXPECT_EQ(Streamed(scratch, map_table.get(), coordinates, streamed), c.expected);
    if (c.expected == "labelled") {
      EXPECT_EQ(testsupport::ReadFile(streamed), testsupport::ReadFile(reference));
    } else {
      EXPECT_FALSE(testsupport::FileExists(streamed));
    }
    EXPECT_FALSE(testsupport::FileExists(streamed + ".saving"));
  }
}

TEST(LabelCoordinateFile, LeavesAnEarlierOutputInPlaceOnFailure) {
  testsupport::TempDir dir;
  char scratch[kScratchSize];
  Data* loaded_map = nullptr;
  ASSERT_EQ(LoadData(scratch, dir.Write("map.dat", Map3x4()).c_str(), &loaded_map), SUCCESS);
  std::unique_ptr<Data> map(loaded_map);
  const std::string output = dir.Write("out.dat", "earlier");
  const std::string bad = dir.Write("bad.dat", Coordinates("", "9 1 1\n9 1\n", 2));
  EXPECT_THROW(LabelCoordinateFile(scratch, bad.c_str(), map.get(), output.c_str()),
               FileTools::Error);
  EXPECT_EQ(testsupport::ReadFile(output), "earlier");
  const std::string good = dir.Write("good.dat", Coordinates("", "9 2 3\n", 1));
  EXPECT_EQ(LabelCoordinateFile(scratch, good.c_str(), map.get(), output.c_str()),
            TLabelFileResult::kLabelled);
  EXPECT_NE(testsupport::ReadFile(output).find("  [c11 ] \n"), std::string::npos);
}

}  // namespace
