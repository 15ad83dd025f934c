// End-to-end tests: the built Maptag binary on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::RunMaptag;
using testsupport::SourcePath;
using testsupport::TempDir;

std::string Fixture(const std::string& name) { return SourcePath("tests/fixtures/" + name); }

const std::string kMap = Fixture("data/map-2x3.dat");
const std::string kItems = Fixture("data/items-2x3.dat");
const std::string kKohonen = Fixture("networks/kohonen.net");

// What the tool writes for any network with kMap and kItems.
const std::string kLabelledItems =
    "[FormatVersion = 1.0]\n"
    "\n"
    "[DataSet]\n"
    "[Rows = 5]\n"
    "[Inputs = 0]\n"
    "[ExpectedOutputs = Labels]\n"
    "[GeneratedOutputs = 0]\n"
    "[Error = 0]\n"
    "\n"
    "[Data]\n"
    "  [north-east east ] \n"
    "  [] \n"
    "  [north-west ] \n"
    "  [south-east=0.500000000 ] \n"
    "  [north=2.000000000 ] \n"
    "[~Data]\n"
    "\n"
    "[~DataSet]\n";

// A DataSet file with one table.
std::string DataSet(int rows, int inputs, const std::string& outputs, const std::string& data) {
  return "[DataSet] [Rows = " + std::to_string(rows) + "] [Inputs = " + std::to_string(inputs) +
         "] [ExpectedOutputs = " + outputs + "]\n[Data]\n" + data + "\n[~Data]\n[~DataSet]\n";
}

// The labelled output for the given rows (each a label list as written).
std::string Labelled(const std::vector<std::string>& rows) {
  std::string text =
      "[FormatVersion = 1.0]\n\n[DataSet]\n[Rows = " + std::to_string(rows.size()) +
      "]\n[Inputs = 0]\n[ExpectedOutputs = Labels]\n[GeneratedOutputs = 0]\n[Error = 0]\n\n"
      "[Data]\n";
  for (const auto& row : rows) text += "  " + row + " \n";
  return text + "[~Data]\n\n[~DataSet]\n";
}

// A map of the given grid whose cell i is labelled c<i>, in grid order.
std::string GridMap(const std::vector<int>& sizes, bool labelled = true) {
  int cells = 1;
  for (int size : sizes) cells *= size;
  std::string data;
  for (int cell = 0; cell < cells; ++cell) {
    std::vector<int> coordinates(sizes.size());
    for (int k = static_cast<int>(sizes.size()) - 1, rest = cell; k >= 0; --k) {
      coordinates[k] = rest % sizes[k];
      rest /= sizes[k];
    }
    for (int c : coordinates) data += std::to_string(c) + " ";
    data += labelled ? "[c" + std::to_string(cell) + "]\n" : "\n";
  }
  return DataSet(cells, static_cast<int>(sizes.size()), labelled ? "Labels" : "0", data);
}

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

TEST(MaptagRun, EveryNetworkKindLabelsTheSameWay) {
  for (const char* network : {"networks/kohonen.net", "networks/basic-pruneable.net",
                              "networks/connected.net", "networks/gain.net"}) {
    SCOPED_TRACE(network);
    TempDir dir;
    const std::string output = dir.File("labelled.dat");
    const auto result = RunMaptag({Fixture(network), kMap, kItems, output});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadFile(output), kLabelledItems);
    EXPECT_FALSE(FileExists(output + ".saving"));
  }
}

TEST(MaptagRun, ReplacesAnEarlierOutputFile) {
  TempDir dir;
  const std::string output = dir.Write("labelled.dat", "an earlier, longer file\n\n\n\n\n\n\n\n");
  const auto result = RunMaptag({kKohonen, kMap, kItems, output});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ReadFile(output), kLabelledItems);
}

TEST(MaptagRun, TheBundledExample) {
  TempDir dir;
  const std::string output = dir.File("labelled.dat");
  const auto result =
      RunMaptag({SourcePath("examples/fruit.net"), SourcePath("examples/fruit-map.dat"),
                 SourcePath("examples/fruit-items.dat"), output});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out + result.err, "");
  EXPECT_EQ(ReadFile(output),
            Labelled({"[lemon lime ]", "[apple=3.000000000 pear ]", "[melon mango ]",
                      "[plum=2.000000000 ]", "[apple=3.000000000 pear ]"}));
}

// Coordinates address map rows by the grid the map's row order implies,
// truncated toward zero and not checked against the grid's sizes.
TEST(MaptagRun, LabellingCases) {
  const struct {
    const char* what;
    std::string map;
    std::string coordinates;
    std::string expected;
  } cases[] = {
      {"3 x 4 grid; (0,4) is cell (1,0); 1.99 counts as 1", GridMap({3, 4}),
       DataSet(4, 0, "2", "2 3  0 4  1.99 0.5  0 0"),
       Labelled({"[c11 ]", "[c4 ]", "[c4 ]", "[c0 ]"})},
      {"2 x 3 x 4 grid", GridMap({2, 3, 4}), DataSet(2, 1, "3", "9 1 2 3  9 0 1 0"),
       Labelled({"[c23 ]", "[c4 ]"})},
      {"one dimension", GridMap({5}), DataSet(2, 0, "1", "4 0.5"), Labelled({"[c4 ]", "[c0 ]"})},
      {"a map without labels gives empty lists", GridMap({2, 2}, false),
       DataSet(2, 0, "2", "1 1 0 1"), Labelled({"[]", "[]"})},
      {"no coordinate rows", GridMap({2, 2}), DataSet(0, 0, "2", ""), Labelled({})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string output = dir.File("out.dat");
    const auto result = RunMaptag({kKohonen, dir.Write("map.dat", c.map),
                                   dir.Write("coordinates.dat", c.coordinates), output});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(ReadFile(output), c.expected);
  }
}

// ---------------------------------------------------------------------------
// Failed runs. Each runs twice: with no file at the output path, which must
// not appear, and with an earlier file there, which must stay as it was.

struct FailedRun {
  const char* what;
  std::string weights;  // file content, or "@path" for an existing file, "" for none
  std::string map;
  std::string coordinates;
  std::string out;  // expected standard output; "%M", "%C" stand for the paths
  std::string err;  // expected standard error
};

std::string PathFor(const TempDir& dir, const std::string& name, const std::string& spec) {
  if (spec.empty()) return dir.File(name);  // does not exist
  if (spec[0] == '@') return spec.substr(1);
  return dir.Write(name, spec);
}

std::string Substitute(std::string text, const std::string& map, const std::string& coordinates) {
  for (auto [mark, path] : {std::pair<std::string, std::string>{"%M", map}, {"%C", coordinates}}) {
    for (std::size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 2, path);
  }
  return text;
}

void ExpectFailures(const std::vector<FailedRun>& cases) {
  for (const auto& c : cases) {
    for (bool earlier : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (earlier ? " (earlier output)" : ""));
      TempDir dir;
      const std::string weights = PathFor(dir, "weights.net", c.weights);
      const std::string map = PathFor(dir, "map.dat", c.map);
      const std::string coordinates = PathFor(dir, "coordinates.dat", c.coordinates);
      const std::string output = dir.File("out.dat");
      if (earlier) dir.Write("out.dat", "earlier\n");
      const auto result = RunMaptag({weights, map, coordinates, output});
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.out, Substitute(c.out, map, coordinates));
      EXPECT_EQ(result.err, Substitute(c.err, map, coordinates));
      if (earlier) {
        EXPECT_EQ(ReadFile(output), "earlier\n");
      } else {
        EXPECT_FALSE(FileExists(output));
      }
      EXPECT_FALSE(FileExists(output + ".saving"));
    }
  }
}

const std::string kKohonenAt = "@" + kKohonen;
const std::string kMapAt = "@" + kMap;
const std::string kItemsAt = "@" + kItems;

TEST(MaptagRun, DriverFailures) {
  ExpectFailures({
      {"weight file missing; the map is not opened", "", "", "", "Error on File Open\n", ""},
      {"map file missing; the coordinates are not opened", kKohonenAt, "", "", "",
       "cannot load data file %M\n"},
      {"map file declaring no table", kKohonenAt, "[DataSet] [Rows = 1] [Data] [~Data] [~DataSet]",
       kItemsAt, "", "cannot load data file %M\n"},
      {"map file with a second table", kKohonenAt,
       "[DataSet] [Rows = 1] [Inputs = 1] [ExpectedOutputs = Labels] [GeneratedOutputs = 1]"
       " [Data] 0 1 [a] [~Data] [~DataSet]",
       kItemsAt, "", "cannot load data file %M\n"},
      {"coordinate file missing", kKohonenAt, kMapAt, "", "", "cannot load data file %C\n"},
      {"coordinate file with generated outputs", kKohonenAt, kMapAt,
       "[DataSet] [Rows = 1] [Inputs = 0] [ExpectedOutputs = 2] [GeneratedOutputs = 1]"
       " [Data] 1 2 3 [~Data] [~DataSet]",
       "", "cannot load data file %C\n"},
      {"coordinate file with error columns", kKohonenAt, kMapAt,
       "[DataSet] [Rows = 1] [Inputs = 0] [ExpectedOutputs = 2] [Error = 1]"
       " [Data] 1 2 3 [~Data] [~DataSet]",
       "", "cannot load data file %C\n"},
      {"coordinate file declaring no table", kKohonenAt, kMapAt,
       "[DataSet] [Rows = 0] [Inputs = 0] [ExpectedOutputs = 0] [Data] [~Data] [~DataSet]", "",
       "cannot load data file %C\n"},
      {"malformed map", kKohonenAt, DataSet(2, 2, "Labels", "0 0 [a] 0 x [b]"), kItemsAt,
       "number-expected\n", ""},
      {"map ends early", kKohonenAt, DataSet(2, 2, "Labels", "0 0 [a]"), kItemsAt,
       "Token (number) expected\n", ""},
      {"map with a negative row count", kKohonenAt, DataSet(-1, 2, "Labels", ""), kItemsAt,
       "No labels in inputs\n", ""},
      {"map claiming two billion rows", kKohonenAt, DataSet(2000000000, 2, "Labels", "0 0 [a]"),
       kItemsAt, "Token (number) expected\n", ""},
      {"malformed coordinates", kKohonenAt, kMapAt, DataSet(1, 0, "2", "1 [a]"),
       "Token (number) expected\n", ""},
      {"unterminated comment in the coordinates", kKohonenAt, kMapAt, "/* [DataSet]",
       "Unexpected end of file during comment\n", ""},
  });
}

TEST(MaptagRun, LabellingFailures) {
  ExpectFailures({
      {"coordinates past the map's last row", kKohonenAt, GridMap({3, 4}),
       DataSet(2, 0, "2", "0 0  3 0"), "", "Invalid Data Row\nBad Parameter\nData::GetLabels\n"},
      {"a negative coordinate", kKohonenAt, GridMap({3, 4}), DataSet(1, 0, "2", "-1 0"), "",
       "Invalid Data Row\nBad Parameter\nData::GetLabels\n"},
      {"a 1 x 5 map has no size the scan can find", kKohonenAt, GridMap({1, 5}),
       DataSet(1, 0, "2", "0 0"), "", "Invalid Data Row\nBad Parameter\nData::GetInputDatum\n"},
      {"coordinates of another dimension count", kKohonenAt, GridMap({3, 4}),
       DataSet(1, 0, "3", "0 0 0"), "",
       "Coordinate Columns Do Not Match Map\nBad Parameter\nLabelCoordinates\n"},
      {"a map without coordinate columns", kKohonenAt, DataSet(1, 0, "Labels", "[a]"),
       DataSet(1, 1, "0", "0"), "", "Map Has No Input Columns\nBad Parameter\nLabelCoordinates\n"},
  });
}

// Malformed weight files end the run before any data file is read: their
// message goes to standard output (a weight-list word the reader does not
// know comes first, on a line of its own).
TEST(MaptagRun, MalformedWeightFiles) {
  const std::string layers =
      "[NeuralNetwork] [NetworkType = Basic] [NetworkInformation] [NumberOfLayers = 2]"
      " [InputLayer = 0] [~NetworkInformation]"
      " [Layer = 0] [LayerType = Input] [NumberOfNeurons = 2] [~Layer]"
      " [Layer = 1] [LayerType = Simple] [NumberOfNeurons = 2] [~Layer]\n";
  ExpectFailures({
      {"empty file", " ", "", "", "[NEURALNETWORK] expected\n", ""},
      {"a data file", "@" + kMap, "", "", "[NEURALNETWORK] expected\n", ""},
      {"no end", layers, "", "", "Unexpected end of file\n", ""},
      {"unknown weight-list word",
       layers + "[ConnectionLayer] [LayerFrom = 0] [LayerTo = 1] [ConnectionType = Pruneable]"
                " [WeightList] [From = 0 To = 1 Frozen] [~WeightList] [~ConnectionLayer]"
                " [~NeuralNetwork]",
       "", "", "Frozen\nUnknown keyword in weights list\n", ""},
      {"unknown function",
       "[NeuralNetwork] [NetworkType = Basic] [NetworkInformation] [NumberOfLayers = 1]"
       " [InputLayer = 0] [~NetworkInformation] [Layer = 0] [LayerType = Simple]"
       " [NumberOfNeurons = 2] [ActivationFunction = softplus] [~Layer] [~NeuralNetwork]",
       "", "", "Unknown activation function\n", ""},
      {"a hole in the layer table",
       layers.substr(0, layers.find(" [Layer = 1]")) +
           "[~NeuralNetwork] /* layer 1 is left out on purpose: the reader must notice */",
       "", "", "Layer not defined\n", ""},
      {"Kohonen map without its codebook",
       "[NeuralNetwork] [NetworkType = Kohonen] [NetworkInformation] [NumberOfLayers = 3]"
       " [~NetworkInformation] [Dimensions = 1] [Dimension = 0 Size = 2] [~Dimensions]"
       " [Layer = 0] [LayerType = Simple] [NumberOfNeurons = 0] [~Layer]"
       " [Layer = 1] [LayerType = Input] [NumberOfNeurons = 1] [~Layer]"
       " [Layer = 2] [LayerType = Simple] [NumberOfNeurons = 2] [~Layer] [~NeuralNetwork]",
       "", "", "Kohonen network needs connections from layer 1 to layer 2\n", ""},
      {"fully connected weight removed",
       layers + "[ConnectionLayer] [LayerFrom = 0] [LayerTo = 1] [ConnectionType = FullyConnected]"
                " [Matrix Weights] 1 2 - 4 [~Matrix] [~ConnectionLayer] [~NeuralNetwork]",
       "", "", "Cannot remove a weight of a fully connected set\n", ""},
  });
}

// Sizes the file cannot back are refused before they are allocated; what
// the file can back stays within a bound that follows its length.
TEST(MaptagRun, AbsurdSizesFailInBoundedMemory) {
  const std::string pad = "/*" + std::string(1000000, 'x') + "*/\n";  // a file just under 1 MB
  // Room for the layer blocks a file declares but does not hold.
  const std::string room = "/*" + std::string(200, ' ') + "*/";
  auto basic = [](int layers, const std::string& body) {
    return "[NeuralNetwork] [NetworkType = Basic] [NetworkInformation] [NumberOfLayers = " +
           std::to_string(layers) + "] [InputLayer = 0] [~NetworkInformation]\n" + body +
           "[~NeuralNetwork]\n";
  };
  auto layer = [](int index, int size) {
    return "[Layer = " + std::to_string(index) +
           "] [LayerType = " + (index == 0 ? "Input" : "Simple") +
           "] [NumberOfNeurons = " + std::to_string(size) + "] [~Layer]\n";
  };
  std::string big_layers;
  for (int i = 0; i < 4; ++i) big_layers += layer(i, 1000000);
  std::string big_sets;
  for (int i = 0; i < 10; ++i) big_sets += layer(i, 4000);
  for (int i = 0; i < 9; ++i) {
    big_sets += "[ConnectionLayer] [LayerFrom = " + std::to_string(i) +
                "] [LayerTo = " + std::to_string(i + 1) +
                "] [ConnectionType = Pruneable] [~ConnectionLayer]\n";
  }
  const struct {
    const char* what;
    std::string weights;
    std::string message;
  } cases[] = {
      {"two billion neurons", basic(1, layer(0, 2000000000)), "Number of neurons too large"},
      {"a hundred thousand layers", basic(100000, ""), "Number of layers too large"},
      {"a fully connected set of 30000 x 30000",
       basic(2, layer(0, 30000) + layer(1, 30000) +
                    "[ConnectionLayer] [LayerFrom = 0] [LayerTo = 1]"
                    " [ConnectionType = FullyConnected] [Matrix Weights] 1 [~Matrix]"
                    " [~ConnectionLayer]\n"),
       "Connection set too large"},
      {"a Kohonen grid of 2^33 cells",
       "[NeuralNetwork] [NetworkType = Kohonen] [NetworkInformation] [NumberOfLayers = 3]"
       " [~NetworkInformation] [Dimensions = 3] [Dimension = 0 Size = 2048]"
       " [Dimension = 1 Size = 2048] [Dimension = 2 Size = 2048] [~Dimensions] [~NeuralNetwork]" +
           room,
       "Kohonen grid too large"},
      {"two billion dimensions",
       "[NeuralNetwork] [NetworkType = Kohonen] [NetworkInformation] [NumberOfLayers = 3]"
       " [~NetworkInformation] [Dimensions = 2000000000] [~Dimensions] [~NeuralNetwork]" +
           room,
       "Number of dimensions too large"},
      {"1 MB file: layers of a million neurons", pad + basic(4, big_layers),
       "Number of neurons too large"},
      {"1 MB file: 1800 layers", basic(1800, "") + pad, "Layer not defined"},
      {"1 MB file: pruneable sets of 4000 x 4000", pad + basic(10, big_sets),
       "Connection set too large"},
  };
#if defined(__SANITIZE_ADDRESS__)
  const long limit_kb = 512 * 1024;  // the sanitizer's shadow memory and quarantine come on top
#else
  const long limit_kb = 256 * 1024;
#endif
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto result =
        RunMaptag({dir.Write("weights.net", c.weights), kMap, kItems, dir.File("out.dat")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message + "\n");
    EXPECT_EQ(result.err, "");
    EXPECT_LT(result.peak_rss_kb, limit_kb);
    EXPECT_FALSE(FileExists(dir.File("out.dat")));
  }
}

// A save that fails is reported on standard error and fails the run; it
// leaves neither a partial file nor a changed earlier one.
TEST(MaptagRun, FailedSave) {
  TempDir dir;
  const std::string missing_dir = dir.File("no-such-dir/out.dat");
  auto result = RunMaptag({kKohonen, kMap, kItems, missing_dir});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "cannot save to data file " + missing_dir + "\n");
  EXPECT_FALSE(FileExists(missing_dir));

  // The temporary file cannot be created beside an earlier output.
  const std::string output = dir.Write("out.dat", "earlier\n");
  ASSERT_EQ(mkdir((output + ".saving").c_str(), 0700), 0);
  result = RunMaptag({kKohonen, kMap, kItems, output});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "cannot save to data file " + output + "\n");
  EXPECT_EQ(ReadFile(output), "earlier\n");

  // The output path is a directory: the finished file cannot replace it.
  const std::string directory = dir.File("a-directory");
  ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
  result = RunMaptag({kKohonen, kMap, kItems, directory});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "cannot save to data file " + directory + "\n");
  EXPECT_FALSE(FileExists(directory + ".saving"));
}

}  // namespace
