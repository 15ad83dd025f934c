// A catalogue of bad inputs, run end to end through the built Maptag binary.
//
// Each row names one position of the command line that is malformed (the
// weight, map or coordinate file, or the argument list itself), gives its
// content and the run's exact outcome: exit status, standard output,
// standard error and, for a run that succeeds, the output file's bytes. The
// other positions hold the bundled example (examples/fruit.net,
// fruit-map.dat, fruit-items.dat), so every row differs from a good run in
// one place only; most rows are written as a single edit of an example.
//
// Every row is checked for the outcome and for what it leaves behind: a
// failed run creates no output file, and leaves an earlier one at the output
// path exactly as it was (each failing row runs twice, without and with such
// a file; the sanitizer build, where every start of the tool is costly,
// runs only the second); no other file appears beside it. Every run must
// stay below 256 MB of resident memory, also for the rows that declare
// sizes the file cannot back.
//
// The tables hold every message the tool can print. Messages of the reading
// toolkit that the tool's readers never ask for ("start of block expected",
// "[key = <integer>] expected", "[key = <number>] expected", a string
// statement with a required value) and "Connection layer not defined" (the
// network reader refuses a missing layer before any connection block) are
// tested with the readers themselves, not here.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::RunMaptag;
using testsupport::SourcePath;
using testsupport::TempDir;

constexpr long kMemoryLimitKb = 256 * 1024;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAlsoWithoutEarlierOutput = false;
#else
constexpr bool kAlsoWithoutEarlierOutput = true;
#endif

// ---------------------------------------------------------------------------
// Rows

enum class Where { kArguments, kWeights, kMap, kCoordinates };

// What a run must give. Texts may name the run's files: %W, %M, %C and %O
// stand for the weight, map, coordinate and output paths, %D for the run's
// directory.
struct Outcome {
  int status;
  std::string out;     // standard output
  std::string err;     // standard error
  std::string output;  // status 0: the output file
};

struct Row {
  const char* name;
  Where where;
  // The malformed file's text. For kArguments the argument list, words
  // separated by single blanks: %W, %M, %C, %O, %D as above, %E an empty
  // argument, %X a path in a directory that does not exist.
  std::string content;
  Outcome expect;
  // The map for a coordinate row, or the coordinates for a map row, when the
  // example does not fit (empty: the example).
  std::string companion = "";
};

// A FileTools::Error: its message alone on standard output (after the
// lines, if any, that the reader printed there itself).
Outcome Stdout(const std::string& message) { return {1, message + "\n", "", ""}; }
// A driver message on standard error.
Outcome Stderr(const std::string& message) { return {1, "", message + "\n", ""}; }
// A TException: message, category and origin on standard error.
Outcome Thrown(const std::string& message, const std::string& origin) {
  return Stderr(message + "\nBad Parameter\n" + origin);
}

// The labelled output for the given rows, each a label list as written.
std::string Labelled(const std::vector<std::string>& rows) {
  std::string text = "[FormatVersion = 1.0]\n\n[DataSet]\n[Rows = " + std::to_string(rows.size()) +
                     "]\n[Inputs = 0]\n[ExpectedOutputs = Labels]\n[GeneratedOutputs = 0]\n"
                     "[Error = 0]\n\n[Data]\n";
  for (const auto& row : rows) text += "  " + row + " \n";
  return text + "[~Data]\n\n[~DataSet]\n";
}
Outcome Succeeds(const std::vector<std::string>& rows) { return {0, "", "", Labelled(rows)}; }

// ---------------------------------------------------------------------------
// The examples and edits of them

std::string Example(const char* name) {
  return ReadFile(SourcePath(std::string("examples/") + name));
}

const std::string& Net() {
  static const std::string text = Example("fruit.net");
  return text;
}
const std::string& Map() {
  static const std::string text = Example("fruit-map.dat");
  return text;
}
const std::string& Items() {
  static const std::string text = Example("fruit-items.dat");
  return text;
}

// The label lists of the example map's cells, in grid order (2 x 3).
const char* const kCell[2][3] = {{"[lemon lime ]", "[plum=2.000000000 ]", "[grape ]"},
                                 {"[pumpkin ]", "[apple=3.000000000 pear ]", "[melon mango ]"}};
// What the examples give: the items fall on (0,0) (1,1) (1,2) (0,1) (1,1).
std::vector<std::string> ExampleRows() {
  return {kCell[0][0], kCell[1][1], kCell[1][2], kCell[0][1], kCell[1][1]};
}

// text with its one occurrence of `from` replaced by `to`. A `from` that is
// missing or occurs twice is a mistake in the table.
std::string Edit(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos || text.find(from, at + 1) != std::string::npos) {
    throw std::invalid_argument("catalogue edit: \"" + from + "\" must occur exactly once");
  }
  return text.substr(0, at) + to + text.substr(at + from.size());
}
// text up to (not including) the one occurrence of `at`.
std::string Before(const std::string& text, const std::string& at) {
  Edit(text, at, "");  // `at` must occur exactly once
  return text.substr(0, text.find(at));
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  text.reserve(piece.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// A DataSet file with one table.
std::string DataSet(const std::string& rows, int inputs, const std::string& outputs,
                    const std::string& data) {
  return "[DataSet] [Rows = " + rows + "] [Inputs = " + std::to_string(inputs) +
         "] [ExpectedOutputs = " + outputs + "]\n[Data]\n" + data + "\n[~Data]\n[~DataSet]\n";
}

// A basic network of the given layer sizes (layer 0 the input layer),
// followed by `rest` inside the network block.
std::string BasicNet(const std::vector<int>& sizes, const std::string& rest) {
  std::string text =
      "[NeuralNetwork] [NetworkType = Basic]\n[NetworkInformation] [NumberOfLayers = " +
      std::to_string(sizes.size()) + "] [InputLayer = 0] [~NetworkInformation]\n";
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    text += "[Layer = " + std::to_string(i) + "] [LayerType = " + (i == 0 ? "Input" : "Simple") +
            "] [NumberOfNeurons = " + std::to_string(sizes[i]) + "] [~Layer]\n";
  }
  return text + rest + "[~NeuralNetwork]\n";
}

// The example network with the statements of the map layer (layer 2, six
// neurons) replaced.
std::string MapLayer(const std::string& statements) {
  return Edit(Net(),
              "[LayerType = Simple]\n  [NumberOfNeurons = 6]\n  [ActivationFunction = linear]",
              statements);
}
// Neuron statements for neurons first .. last, each with `items`.
std::string Neurons(int first, int last, const std::string& items) {
  std::string text;
  for (int i = first; i <= last; ++i) text += "[Neuron = " + std::to_string(i) + items + "] ";
  return text;
}
// The example network with its connection block's weights replaced.
std::string Weights(const std::string& block) {
  const std::string matrix = Net().substr(Net().find("  [Matrix Weights]"));
  return Edit(Net(), matrix.substr(0, matrix.find("[~Matrix]") + 9), block);
}

// ---------------------------------------------------------------------------
// Running a row

std::string Substitute(std::string text,
                       const std::vector<std::pair<std::string, std::string>>& marks) {
  for (const auto& [mark, value] : marks) {
    for (std::size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += value.size()) {
      text.replace(at, mark.size(), value);
    }
  }
  return text;
}

std::set<std::string> Listing(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

struct Timing {
  std::string slowest;
  double slowest_ms = 0.0;
};

void RunOnce(const Row& row, bool earlier_output, Timing& timing) {
  SCOPED_TRACE(std::string(row.name) + (earlier_output ? " (earlier output in place)" : ""));
  TempDir dir;
  std::string weights = SourcePath("examples/fruit.net");
  std::string map = SourcePath("examples/fruit-map.dat");
  std::string coordinates = SourcePath("examples/fruit-items.dat");
  const std::string output = dir.File("out.dat");
  switch (row.where) {
    case Where::kArguments:
      break;
    case Where::kWeights:
      weights = dir.Write("weights.net", row.content);
      break;
    case Where::kMap:
      map = dir.Write("map.dat", row.content);
      if (!row.companion.empty()) coordinates = dir.Write("items.dat", row.companion);
      break;
    case Where::kCoordinates:
      coordinates = dir.Write("items.dat", row.content);
      if (!row.companion.empty()) map = dir.Write("map.dat", row.companion);
      break;
  }
  const std::vector<std::pair<std::string, std::string>> marks = {
      {"%W", weights},
      {"%M", map},
      {"%C", coordinates},
      {"%O", output},
      {"%X", dir.File("missing/out.dat")},
      {"%D", dir.path()}};

  std::vector<std::string> args = {weights, map, coordinates, output};
  if (row.where == Where::kArguments) {
    args.clear();
    std::istringstream words(row.content);
    for (std::string word; words >> word;) {
      args.push_back(word == "%E" ? "" : Substitute(word, marks));
    }
  }
  const std::string earlier = "an earlier output\n";
  if (earlier_output) dir.Write("out.dat", earlier);
  std::set<std::string> files = Listing(dir.path());

  EXPECT_LT(row.content.size() + row.companion.size(), 1000000u) << "inputs stay under 1 MB";
  const auto start = std::chrono::steady_clock::now();
  const auto result = RunMaptag(args);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (ms > timing.slowest_ms) {
    timing.slowest_ms = ms;
    timing.slowest = row.name;
  }

  EXPECT_EQ(result.status, row.expect.status);
  EXPECT_EQ(result.out, Substitute(row.expect.out, marks));
  EXPECT_EQ(result.err, Substitute(row.expect.err, marks));
  EXPECT_LT(result.peak_rss_kb, kMemoryLimitKb);
  if (row.expect.status == 0) {
    ASSERT_TRUE(FileExists(output));
    EXPECT_EQ(ReadFile(output), Substitute(row.expect.output, marks));
  } else if (earlier_output) {
    EXPECT_EQ(ReadFile(output), earlier);
  } else {
    EXPECT_FALSE(FileExists(output));
  }
  // Nothing else appears beside the output, temporary files included.
  if (row.expect.status == 0) files.insert("out.dat");
  EXPECT_EQ(Listing(dir.path()), files);
}

// Runs every row: a failing row without (see kAlsoWithoutEarlierOutput) and
// with an earlier output file, a succeeding one with an earlier file, which
// it must replace.
void RunCatalogue(const char* table, const std::vector<Row>& rows) {
  Timing timing;
  for (const Row& row : rows) {
    if (row.expect.status != 0 && kAlsoWithoutEarlierOutput) RunOnce(row, false, timing);
    RunOnce(row, true, timing);
  }
  std::cout << "[ catalogue] " << table << ": " << rows.size() << " rows, slowest \""
            << timing.slowest << "\" " << static_cast<long>(timing.slowest_ms) << " ms\n";
}

// ---------------------------------------------------------------------------
// The command line

TEST(BadInputCatalogue, ArgumentList) {
  const std::string usage = "Usage: Maptag WeightFile MapFile CoordinateFile OutputFile";
  const std::vector<Row> rows = {
      {"one argument", Where::kArguments, "%W", Stderr(usage)},
      {"three arguments, the output path left out", Where::kArguments, "%W %M %C", Stderr(usage)},
      {"five arguments, the output path among them", Where::kArguments, "%W %M %C %O %O",
       Stderr(usage)},
      {"six arguments", Where::kArguments, "%W %M %C %O extra more", Stderr(usage)},
      {"empty weight file name", Where::kArguments, "%E %M %C %O", Stdout("Error on File Open")},
      {"weight file is a directory", Where::kArguments, "%D %M %C %O",
       Stdout("Error on File Open")},
      {"map file is a directory", Where::kArguments, "%W %D %C %O",
       Stderr("cannot load data file %D")},
      {"map file does not exist, nor does the coordinate file", Where::kArguments,
       "%W %D/map.dat %D/items.dat %O", Stderr("cannot load data file %D/map.dat")},
      {"coordinate file is a directory", Where::kArguments, "%W %M %D %O",
       Stderr("cannot load data file %D")},
      {"map file is the weight file", Where::kArguments, "%W %W %C %O",
       Stdout("[DATASET] expected")},
      {"coordinate file is the weight file", Where::kArguments, "%W %M %W %O",
       Stdout("[DATASET] expected")},
      {"coordinate file is the map", Where::kArguments, "%W %M %M %O",
       Thrown("Coordinate Columns Do Not Match Map", "LabelCoordinates")},
      {"map is the coordinate file, which has no labels", Where::kArguments, "%W %C %C %O",
       Succeeds({"[]", "[]", "[]", "[]", "[]"})},
      {"output in a directory that does not exist", Where::kArguments, "%W %M %C %X",
       Stderr("cannot save to data file %X")},
  };
  RunCatalogue("argument list", rows);
}

// ---------------------------------------------------------------------------
// The tag reader, through all three files

TEST(BadInputCatalogue, TagReader) {
  const std::string long_word(1028, 'w');
  const std::vector<Row> rows = {
      {"weights: unterminated comment after the network", Where::kWeights,
       Net() + "/* trailing remark", Stdout("Unexpected end of file during comment")},
      {"map: unterminated comment inside the data", Where::kMap,
       Edit(Map(), "1 0  [pumpkin ]", "1 0 /* [pumpkin ]"),
       Stdout("Unexpected end of file during comment")},
      {"coordinates: comment nested one level deeper than closed", Where::kCoordinates,
       "/* a /* b */" + Items(), Stdout("Unexpected end of file during comment")},
      {"weights: end of input inside the network block", Where::kWeights,
       Before(Net(), "[~NeuralNetwork]"), Stdout("Unexpected end of file")},
      {"weights: end of input after a keyword", Where::kWeights, "[NeuralNetwork",
       Stdout("Unexpected end of file")},
      {"map: end of input after \"[\"", Where::kMap, "[DataSet] [Rows = 1] [",
       Stdout("Unexpected end of file")},
      {"map: end of input after \"=\"", Where::kMap,
       "[DataSet] [Rows =", Stdout("Unexpected end of file")},
      {"coordinates: end of input in the data block", Where::kCoordinates,
       Before(Items(), "[~Data]"), Stdout("Unexpected end of file")},
      {"coordinates: end of input before the DataSet end tag", Where::kCoordinates,
       Before(Items(), "[~DataSet]"), Stdout("Unexpected end of file")},
      {"weights: keyword that is a special character", Where::kWeights,
       Edit(Net(), "[NumberOfLayers = 3]", "[= 3]"), Stdout("Unexpected special character")},
      {"map: value that is a special character", Where::kMap,
       Edit(Map(), "[Rows = 6]", "[Rows = ]"), Stdout("Unexpected special character")},
      {"map: a bracket inside a label list", Where::kMap,
       Edit(Map(), "[lemon lime ]", "[lemon [lime] ]"), Stdout("Unexpected special character")},
      {"weights: format version with a further item", Where::kWeights,
       Edit(Net(), "[FormatVersion = 1.0]", "[FormatVersion = 1.0 2.0]"),
       Stdout("Illegal Format of FormatVersion")},
      {"map: format version above 1.0", Where::kMap,
       Edit(Map(), "[FormatVersion = 1.0]", "[FormatVersion = 1.01]"),
       Stdout("Illegal Format Version")},
      {"coordinates: format version between two rows", Where::kCoordinates,
       Edit(Items(), "0.55 0.75", "[FORMATVERSION=2] 0.55 0.75"), Stdout("Illegal Format Version")},
      {"weights: format version that is not a number", Where::kWeights,
       Edit(Net(), "[FormatVersion = 1.0]", "[FormatVersion = one]"), Stdout("number-expected")},
      {"weights: end tag of another block", Where::kWeights,
       Edit(Net(), "[~NetworkInformation]", "[~NetworkInfo]"), Stdout("Unexpected End Tag")},
      {"map: data block closed by the DataSet end tag", Where::kMap,
       Edit(Map(), "[~Data]", "[~DataSet]\n"), Stdout("Unexpected End Tag")},
      {"weights: end tag not closed", Where::kWeights,
       Edit(Net(), "[~Dimensions]", "[~Dimensions x]"), Stdout("Expected ']'")},
      {"coordinates: end tag not closed", Where::kCoordinates, Edit(Items(), "[~Data]", "[~Data"),
       Stdout("Expected ']'")},
      {"weights: a statement after the network", Where::kWeights, Net() + "[Extra]",
       Stdout("End Tag expected")},
      {"map: a word after the DataSet block", Where::kMap, Map() + "more\n",
       Stdout("End Tag expected")},
      {"weights: a stray \"]\" in a layer", Where::kWeights,
       Edit(Net(), "[Layer = 1]", "[Layer = 1] ]"), Stdout("Unexpected ']'")},
      {"map: a stray \"]\" in the header", Where::kMap, Edit(Map(), "[Rows = 6]", "[Rows = 6] ]"),
       Stdout("Unexpected ']'")},
      {"weights: an end tag before anything is open", Where::kWeights, "[~NeuralNetwork]\n" + Net(),
       Stdout("End Tag outside of any block")},
      {"coordinates: a second DataSet end tag", Where::kCoordinates, Items() + "[~DataSet]\n",
       Stdout("End Tag outside of any block")},
      {"weights: a keyword of 1028 characters", Where::kWeights,
       Edit(Net(), "[OutputLayer = 2]", "[" + long_word + " = 2]"),
       Stdout("Token longer than 1027 characters")},
      {"map: a label of 1028 characters", Where::kMap,
       Edit(Map(), "[grape ]", "[" + long_word + "]"), Stdout("Token longer than 1027 characters")},
      {"coordinates: a number of 5000 digits", Where::kCoordinates,
       Edit(Items(), "0.85 0.90", "0." + std::string(5000, '9') + " 0.90"),
       Stdout("Token longer than 1027 characters")},
      {"weights: block names are matched without regard to case", Where::kWeights,
       Edit(Edit(Net(), "[~NetworkInformation]", "[~ NETWORKinformation ]"), "[NeuralNetwork]",
            "[neuralnetwork]"),
       Succeeds(ExampleRows())},
  };
  RunCatalogue("tag reader", rows);
}

// ---------------------------------------------------------------------------
// The DataSet reader: headers, rows and label lists of the map and
// coordinate files. A header the reader refuses by result code (an attribute
// out of place or of its own, one not closed after its value, or a second
// table) makes the driver report the file; text it cannot parse arrives as
// the reader's message.

TEST(BadInputCatalogue, DataSetReader) {
  const std::string cannot_map = "cannot load data file %M";
  const std::string cannot_items = "cannot load data file %C";
  const std::vector<Row> rows = {
      // Refused headers.
      {"map: ExpectedOutputs before Inputs", Where::kMap,
       Edit(Map(), "[Inputs = 2]\n[ExpectedOutputs = Labels]",
            "[ExpectedOutputs = Labels]\n[Inputs = 2]"),
       Stderr(cannot_map)},
      {"map: Inputs twice", Where::kMap, Edit(Map(), "[Inputs = 2]", "[Inputs = 2] [Inputs = 2]"),
       Stderr(cannot_map)},
      {"map: an attribute of its own", Where::kMap, Edit(Map(), "[Error = 0]", "[Errors = 0]"),
       Stderr(cannot_map)},
      {"map: Rows = 6 7, not closed after its value", Where::kMap,
       Edit(Map(), "[Rows = 6]", "[Rows = 6 7]"), Stderr(cannot_map)},
      {"map: a second table of labels", Where::kMap,
       "[DataSet] [Rows = 2] [Inputs = 2] [ExpectedOutputs = Labels] [GeneratedOutputs = Labels]"
       " [Data] 0 0 [a] [] 0 1 [b] [] [~Data] [~DataSet]",
       Stderr(cannot_map)},
      {"map: no columns and no labels", Where::kMap,
       "[DataSet] [Rows = 2] [Inputs = 0] [ExpectedOutputs = -5] [Data] [~Data] [~DataSet]",
       Stderr(cannot_map)},
      {"coordinates: Error before GeneratedOutputs", Where::kCoordinates,
       Edit(Items(), "[GeneratedOutputs = 0]\n[Error = 0]", "[Error = 0]\n[GeneratedOutputs = 0]"),
       Stderr(cannot_items)},
      {"coordinates: an attribute with surplus items", Where::kCoordinates,
       Edit(Items(), "[Inputs = 2]", "[Inputs = 2 ExpectedOutputs = 2]"), Stderr(cannot_items)},
      {"coordinates: an error column", Where::kCoordinates,
       "[DataSet] [Rows = 2] [Inputs = 0] [ExpectedOutputs = 2] [Error = 1]"
       " [Data] 0 0 0.5 1 1 0.5 [~Data] [~DataSet]",
       Stderr(cannot_items)},
      {"coordinates: generated labels", Where::kCoordinates,
       "[DataSet] [Rows = 1] [Inputs = 0] [ExpectedOutputs = 2] [GeneratedOutputs = Labels]"
       " [Data] 0 0 [x] [~Data] [~DataSet]",
       Stderr(cannot_items)},
      {"coordinates: no columns and no labels", Where::kCoordinates,
       "[DataSet] [Rows = 3] [Data] [~Data] [~DataSet]", Stderr(cannot_items)},
      // Header values.
      {"map: Inputs = Labels", Where::kMap, Edit(Map(), "[Inputs = 2]", "[Inputs = labels]"),
       Stdout("No labels in inputs")},
      {"map: Error = -1", Where::kMap, Edit(Map(), "[Error = 0]", "[Error = -1]"),
       Stdout("No labels in inputs")},
      {"coordinates: Rows = Labels", Where::kCoordinates,
       Edit(Items(), "[Rows = 5]", "[Rows = LABELS]"), Stdout("No labels in inputs")},
      {"coordinates: Error = Labels", Where::kCoordinates,
       Edit(Items(), "[Error = 0]", "[Error = Labels]"), Stdout("No labels in inputs")},
      {"map: no Rows", Where::kMap, Edit(Map(), "[Rows = 6]", ""),
       Stdout("DataSet header without Rows")},
      {"coordinates: no Rows", Where::kCoordinates, Edit(Items(), "[Rows = 5]", "/* rows? */"),
       Stdout("DataSet header without Rows")},
      {"map: Rows = six", Where::kMap, Edit(Map(), "[Rows = 6]", "[Rows = six]"),
       Stdout("integer-expected")},
      {"coordinates: Inputs beyond 32 bits", Where::kCoordinates,
       Edit(Items(), "[Inputs = 2]", "[Inputs = 4294967298]"), Stdout("integer-expected")},
      // Block starts and ends.
      {"map: no DataSet block", Where::kMap, Edit(Map(), "[DataSet]", "[Data Set]"),
       Stdout("[DATASET] expected")},
      {"coordinates: a word before the DataSet block", Where::kCoordinates,
       Edit(Items(), "[DataSet]", "items [DataSet]"), Stdout("[DATASET] expected")},
      {"coordinates: empty file", Where::kCoordinates, "", Stdout("[DATASET] expected")},
      {"map: a bare tag ends the header", Where::kMap, Edit(Map(), "[Error = 0]", "[Error]"),
       Stdout("[DATA] expected")},
      {"coordinates: rows without a Data block", Where::kCoordinates, Edit(Items(), "[Data]", ""),
       Stdout("[DATA] expected")},
      // Rows.
      {"map: one row too many", Where::kMap, Edit(Map(), "[Rows = 6]", "[Rows = 5]"),
       Stdout("End Tag expected")},
      {"coordinates: one row too few", Where::kCoordinates,
       Edit(Items(), "[Rows = 5]", "[Rows = 6]"), Stdout("Token (number) expected")},
      {"map: a row without its second coordinate", Where::kMap,
       Edit(Map(), "0 2  [grape ]", "0  [grape ]"), Stdout("Token (number) expected")},
      {"coordinates: a value that is not a number", Where::kCoordinates,
       Edit(Items(), "0.48 0.15", "0.48 sweet"), Stdout("number-expected")},
      {"map: a coordinate that is not a number", Where::kMap,
       Edit(Map(), "1 2  [melon", "1 two  [melon"), Stdout("number-expected")},
      // Label lists.
      {"map: a number where the label list begins", Where::kMap,
       Edit(Map(), "1 1  [apple", "1 1 1  [apple"), Stdout("Label list expected")},
      {"map: a word where the label list begins", Where::kMap, Edit(Map(), "[pumpkin ]", "pumpkin"),
       Stdout("Label list expected")},
      {"map: a label value that is not a number", Where::kMap,
       Edit(Map(), "[plum=2.000000000 ]", "[plum=two]"), Stdout("number-expected")},
      {"map: a label with \"=\" and no value", Where::kMap,
       Edit(Map(), "[plum=2.000000000 ]", "[plum= ]"), Stdout("Unexpected special character")},
      {"map: end of input where a label list is due", Where::kMap,
       "[DataSet] [Rows = 1] [Inputs = 2] [ExpectedOutputs = Labels] [Data] 0 0",
       Stdout("Unexpected end of file")},
      {"map: end of input inside a label list", Where::kMap,
       "[DataSet] [Rows = 1] [Inputs = 2] [ExpectedOutputs = Labels] [Data] 0 0 [lemon lime",
       Stdout("Unexpected end of file")},
      // Accepted.
      {"map: header in any case, Rows last, values split by commas", Where::kMap,
       Edit(Edit(Edit(Map(), "[Rows = 6]\n", ""), "[Error = 0]", "[error = 0] [ROWS = 6]"),
            "1 2  [melon", "1,\n2,[melon"),
       Succeeds(ExampleRows())},
      {"coordinates: format versions and comments between values", Where::kCoordinates,
       Edit(Items(), "0.85 0.90   1 2", "0.85 /* */ 0.90 [FormatVersion = 0.5] 1 /*/**//2"),
       Succeeds(ExampleRows())},
  };
  RunCatalogue("DataSet reader", rows);
}

// ---------------------------------------------------------------------------
// The network reader: header, information block, Kohonen dimensions, layers
// and neurons. Its messages go to standard output and end the run before
// any data file is read.

TEST(BadInputCatalogue, NetworkReader) {
  const std::string neurons_layer = "[LayerType = Simple] [NumberOfNeurons = 6] [Neurons] ";
  const std::string fn = " ActivationFunction = linear";
  const std::string layer0 =
      "[Layer = 0]\n  [LayerType = Simple]\n  [NumberOfNeurons = 0]\n"
      "  [ActivationFunction = error]\n[~Layer]";
  const std::string dimensions =
      "[Dimensions = 2]\n  [Dimension = 0 Size = 2]\n  [Dimension = 1 Size = 3]\n[~Dimensions]";
  const std::vector<Row> rows = {
      // Network block, type and information block.
      {"no network block", Where::kWeights, Edit(Net(), "[NeuralNetwork]", "[Neural Network]"),
       Stdout("[NEURALNETWORK] expected")},
      {"type statement under another keyword", Where::kWeights,
       Edit(Net(), "[NetworkType = Kohonen]", "[Type = Kohonen]"),
       Stdout("[NETWORKTYPE = <string>] expectedType")},
      {"type statement without \"=\"", Where::kWeights,
       Edit(Net(), "[NetworkType = Kohonen]", "[NetworkType Kohonen]"),
       Stdout("[NETWORKTYPE = <string>] expectedNetworkType")},
      {"end of input after the network block start", Where::kWeights, "[NeuralNetwork]\n",
       Stdout("[NETWORKTYPE = <string>] expected")},
      {"no information block", Where::kWeights,
       Edit(Net(), "[NetworkInformation]", "[NetworkInfo]"),
       Stdout("[NETWORKINFORMATION] expected")},
      {"information statement with surplus items", Where::kWeights,
       Edit(Net(), "[NumberOfLayers = 3]", "[NumberOfLayers = 3 4]"),
       Stdout("Too complicated statement")},
      {"information keyword of its own", Where::kWeights,
       Edit(Net(), "[OutputLayer = 2]", "[OutputLayers = 2]"), Stdout("Unknown keyword")},
      {"information keyword of its own with a word for a value", Where::kWeights,
       Edit(Net(), "[OutputLayer = 2]", "[Colour = blue]"), Stdout("integer-expected")},
      {"number of layers as a word", Where::kWeights,
       Edit(Net(), "[NumberOfLayers = 3]", "[NumberOfLayers = three]"), Stdout("integer-expected")},
      {"no number of layers", Where::kWeights, Edit(Net(), "[NumberOfLayers = 3]", ""),
       Stdout("Must specify number of layers")},
      {"negative number of layers", Where::kWeights,
       Edit(Net(), "[NumberOfLayers = 3]", "[NumberOfLayers = -3]"),
       Stdout("Must specify number of layers")},
      {"network type of its own", Where::kWeights,
       Edit(Net(), "[NetworkType = Kohonen]", "[NetworkType = Kohonan]"),
       Stdout("Unknown network type")},
      {"Kohonen network of four layers", Where::kWeights,
       Edit(Net(), "[NumberOfLayers = 3]", "[NumberOfLayers = 4]"),
       Stdout("Kohonen network must have three layers")},
      {"input layer beyond the last layer", Where::kWeights,
       Edit(Net(), "[InputLayer = 1]", "[InputLayer = 3]"), Stdout("Input layer out of range")},
      {"negative input layer", Where::kWeights,
       Edit(Net(), "[InputLayer = 1]", "[InputLayer = -1]"), Stdout("Input layer out of range")},
      {"output layer beyond the last layer", Where::kWeights,
       Edit(Net(), "[OutputLayer = 2]", "[OutputLayer = 3]"), Stdout("Output layer out of range")},
      {"two billion layers", Where::kWeights,
       Edit(Edit(Net(), "[NetworkType = Kohonen]", "[NetworkType = Basic]"), "[NumberOfLayers = 3]",
            "[NumberOfLayers = 2000000000]"),
       Stdout("Number of layers too large")},
      {"a basic network with a dimensions block before its layers", Where::kWeights,
       Edit(Net(), "[NetworkType = Kohonen]", "[NetworkType = Basic]"),
       Stdout("Layer not defined")},
      {"a basic network with a dimensions block after its layers", Where::kWeights,
       Edit(Edit(Edit(Net(), "[NetworkType = Kohonen]", "[NetworkType = Basic]"), dimensions, ""),
            "[ConnectionLayer]", dimensions + "\n[ConnectionLayer]"),
       Stdout("End Tag expected")},
      // Kohonen dimensions.
      {"no dimensions block", Where::kWeights, Edit(Net(), "[Dimensions = 2]", "[Dimension = 2]"),
       Stdout("Missing dimensions in Kohonen")},
      {"dimension count with surplus items", Where::kWeights,
       Edit(Net(), "[Dimensions = 2]", "[Dimensions = 2 3]"), Stdout("Too complicated statement")},
      {"negative dimension count", Where::kWeights,
       Edit(Net(), "[Dimensions = 2]", "[Dimensions = -2]"),
       Stdout("Negative number of dimensions")},
      {"2^31 - 1 dimensions", Where::kWeights,
       Edit(Net(), "[Dimensions = 2]", "[Dimensions = 2147483647]"),
       Stdout("Number of dimensions too large")},
      {"dimension statement under another keyword", Where::kWeights,
       Edit(Net(), "[Dimension = 0 Size = 2]", "[Dim = 0 Size = 2]"),
       Stdout("invalid dimension tag")},
      {"dimension index beyond the count", Where::kWeights,
       Edit(Net(), "[Dimension = 1 Size = 3]", "[Dimension = 2 Size = 3]"),
       Stdout("Dimension index out of range")},
      {"dimension with Cells instead of Size", Where::kWeights,
       Edit(Net(), "[Dimension = 0 Size = 2]", "[Dimension = 0 Cells = 2]"),
       Stdout("'Size' tag required for dimension data")},
      {"dimension with an item after its size", Where::kWeights,
       Edit(Net(), "[Dimension = 0 Size = 2]", "[Dimension = 0 Size = 2 Step = 1]"),
       Stdout("'Size' tag required for dimension data")},
      {"dimension with a bare Size", Where::kWeights,
       Edit(Net(), "[Dimension = 0 Size = 2]", "[Dimension = 0 Size]"),
       Stdout("'Size' tag required for dimension data")},
      {"dimension statement without any size", Where::kWeights,
       Edit(Net(), "[Dimension = 0 Size = 2]", "[Dimension = 0]"), Stdout("End Tag expected")},
      {"dimension of size 0", Where::kWeights,
       Edit(Net(), "[Dimension = 1 Size = 3]", "[Dimension = 1 Size = 0]"),
       Stdout("Dimension size must be positive")},
      {"dimension without a statement", Where::kWeights,
       Edit(Net(), "[Dimension = 1 Size = 3]", ""), Stdout("Dimension without size")},
      {"grid of 50000 x 50000 cells", Where::kWeights,
       Edit(Edit(Net(), "Size = 2]", "Size = 50000]"), "Size = 3]", "Size = 50000]"),
       Stdout("Kohonen grid too large")},
      // Layers.
      {"layer index beyond the last layer", Where::kWeights,
       Edit(Net(), "[Layer = 2]", "[Layer = 3]"), Stdout("Layer index out of range")},
      {"negative layer index", Where::kWeights, Edit(Net(), "[Layer = 0]", "[Layer = -1]"),
       Stdout("Layer index out of range")},
      {"layer statement with surplus items", Where::kWeights,
       Edit(Net(), "[Layer = 0]", "[Layer = 0 Extra = 1]"), Stdout("Too complicated statement")},
      {"layer 0 left out", Where::kWeights, Edit(Net(), layer0, ""), Stdout("Layer not defined")},
      {"layer without a size", Where::kWeights, Edit(Net(), "[NumberOfNeurons = 0]", ""),
       Stdout("Layer needs LayerType and NumberOfNeurons")},
      {"negative number of neurons", Where::kWeights,
       Edit(Net(), "[NumberOfNeurons = 0]", "[NumberOfNeurons = -1]"),
       Stdout("Negative number of neurons")},
      {"input layer of another size than declared", Where::kWeights,
       Edit(Net(), "[NumberOfNeurons = 2]", "[NumberOfNeurons = 3]"),
       Stdout("wrong number inputs in header")},
      {"output layer of another size than declared", Where::kWeights,
       Edit(Net(), "[NumberOfNeurons = 6]", "[NumberOfNeurons = 7]"),
       Stdout("wrong number outputs in header")},
      {"layer type of its own", Where::kWeights,
       Edit(Net(), "[LayerType = Input]", "[LayerType = Output]"), Stdout("Unknown layer type")},
      {"layer type after the layer was built", Where::kWeights,
       MapLayer("[LayerType = Simple] [NumberOfNeurons = 6] [LayerType = Gain]"),
       Stdout("LayerType after the layer was built")},
      {"size after the layer was built", Where::kWeights,
       MapLayer("[LayerType = Simple] [NumberOfNeurons = 6] [NumberOfNeurons = 6]"),
       Stdout("NumberOfNeurons after the layer was built")},
      {"[ALL] alone", Where::kWeights, MapLayer("[LayerType = Simple] [NumberOfNeurons = 6] [All]"),
       Stdout("[ALL] is incomplete statment")},
      {"[ALL] with a bare word", Where::kWeights,
       MapLayer("[LayerType = Simple] [NumberOfNeurons = 6] [All linear]"),
       Stdout("Required syntax is [ALL <keyword>=<val>]")},
      {"[ALL] statement with surplus items", Where::kWeights,
       MapLayer(
           "[LayerType = Simple] [NumberOfNeurons = 6] [All ActivationFunction = linear Gain = 1]"),
       Stdout("Too complicated statement")},
      {"activation function of its own", Where::kWeights,
       Edit(Net(), "[ActivationFunction = error]", "[ActivationFunction = errors]"),
       Stdout("Unknown activation function")},
      {"gain function on a simple layer", Where::kWeights,
       MapLayer("[LayerType = Simple] [NumberOfNeurons = 6] [ActivationFunction = sigmoid-gain]"),
       Stdout("Gain function on a layer without gain neurons")},
      {"parameter before the layer is built", Where::kWeights,
       MapLayer("[Gain = 1] [LayerType = Gain] [NumberOfNeurons = 6]"),
       Stdout("Neuron parameter before LayerType and NumberOfNeurons")},
      {"gain on a simple layer", Where::kWeights,
       MapLayer("[LayerType = Simple] [NumberOfNeurons = 6] [Gain = 1]"),
       Stdout("Unknown neuron parameter")},
      {"parameter on a layer without neurons", Where::kWeights,
       Edit(Net(), "[ActivationFunction = error]", "[ActivationFunction = error] [Gain = 1]"),
       Stdout("Unknown neuron parameter")},
      {"gain that is not a number", Where::kWeights,
       MapLayer(
           "[LayerType = Gain] [NumberOfNeurons = 6] [ActivationFunction = linear] [Gain = high]"),
       Stdout("number-expected")},
      {"gain layer without its gain", Where::kWeights,
       MapLayer("[LayerType = Gain] [NumberOfNeurons = 6] [ActivationFunction = linear]"),
       Stdout("Incomplete Layer information")},
      // Neurons blocks.
      {"neuron stated twice", Where::kWeights,
       MapLayer(neurons_layer + Neurons(0, 0, fn) + Neurons(0, 5, fn) + "[~Neurons]"),
       Stdout("repeated neuron")},
      {"neuron beyond the layer", Where::kWeights,
       MapLayer(neurons_layer + Neurons(0, 6, fn) + "[~Neurons]"),
       Stdout("Neuron index out of range")},
      {"neuron statement with a bare word", Where::kWeights,
       MapLayer(neurons_layer + "[Neuron = 0 linear]" + Neurons(1, 5, fn) + "[~Neurons]"),
       Stdout("Equals clause expected in neuron parameter")},
      {"neuron without a function in a layer without one", Where::kWeights,
       MapLayer(neurons_layer + Neurons(0, 5, "") + "[~Neurons]"),
       Stdout("No activation function defined")},
      {"neuron left out", Where::kWeights,
       MapLayer(neurons_layer + Neurons(0, 4, fn) + "[~Neurons]"), Stdout("Neuron not defined")},
      {"neuron with a function of its own", Where::kWeights,
       MapLayer(neurons_layer + Neurons(0, 5, " ActivationFunction = lineal") + "[~Neurons]"),
       Stdout("Unknown activation function")},
      {"neuron of a simple layer with a gain function", Where::kWeights,
       MapLayer(neurons_layer + Neurons(0, 5, " ActivationFunction = tanh-gain") + "[~Neurons]"),
       Stdout("Gain function on a neuron without gain")},
      {"neuron of a simple layer with a gain", Where::kWeights,
       MapLayer(neurons_layer + Neurons(0, 5, fn + " Gain = 2") + "[~Neurons]"),
       Stdout("Unknown neuron parameter")},
      {"neuron gain that is not a number", Where::kWeights,
       MapLayer("[LayerType = Gain] [NumberOfNeurons = 6] [Neurons]" +
                Neurons(0, 5, " ActivationFunction = linear-gain Gain = high") + "[~Neurons]"),
       Stdout("number-expected")},
      {"a statement of its own in a neurons block", Where::kWeights,
       MapLayer(neurons_layer + Neurons(0, 5, fn) + "[Cell = 1] [~Neurons]"),
       Stdout("End Tag expected")},
      // Accepted.
      {"gain layer with a neurons block and a layer function", Where::kWeights,
       MapLayer("[LayerType = Gain] [NumberOfNeurons = 6] [All ActivationFunction = sigmoid-gain]"
                " [Neurons] [Neuron = 5 Gain = 0.5]" +
                Neurons(0, 4, "") + "[~Neurons]"),
       Succeeds(ExampleRows())},
  };
  RunCatalogue("network reader", rows);
}

// The connection blocks of the network reader: statements, matrices and
// weight lists.
TEST(BadInputCatalogue, ConnectionBlocks) {
  const std::string block =
      Net().substr(Net().find("[ConnectionLayer]"),
                   Net().find("[~ConnectionLayer]") + 18 - Net().find("[ConnectionLayer]"));
  auto list = [](const std::string& entries) {
    return Weights("[WeightList] " + entries + " [~WeightList]");
  };
  const std::vector<Row> rows = {
      {"statement with surplus items", Where::kWeights,
       Edit(Net(), "[LayerFrom = 1]", "[LayerFrom = 1 2]"), Stdout("Too complicated statement")},
      {"statement of its own", Where::kWeights, Edit(Net(), "[LayerTo = 2]", "[LayerTarget = 2]"),
       Stdout("Unknown keyword in connections")},
      {"source layer as a word", Where::kWeights,
       Edit(Net(), "[LayerFrom = 1]", "[LayerFrom = one]"), Stdout("integer-expected")},
      {"no connection type", Where::kWeights, Edit(Net(), "[ConnectionType = FullyConnected]", ""),
       Stdout("Insufficient information to construct layer")},
      {"connection type of its own", Where::kWeights,
       Edit(Net(), "[ConnectionType = FullyConnected]", "[ConnectionType = Sparse]"),
       Stdout("Insufficient information to construct layer")},
      {"negative source layer", Where::kWeights, Edit(Net(), "[LayerFrom = 1]", "[LayerFrom = -1]"),
       Stdout("Insufficient information to construct layer")},
      {"target layer beyond the last layer", Where::kWeights,
       Edit(Net(), "[LayerTo = 2]", "[LayerTo = 3]"), Stdout("Connection layer out of range")},
      {"the same pair of layers twice", Where::kWeights,
       Edit(Net(), "[~NeuralNetwork]", block + "\n[~NeuralNetwork]"),
       Stdout("Connections already defined")},
      {"Kohonen map without weights from layer 1 to layer 2", Where::kWeights,
       Edit(Net(), "[LayerFrom = 1]\n  [LayerTo = 2]", "[LayerFrom = 2]\n  [LayerTo = 1]"),
       Stdout("Kohonen network needs connections from layer 1 to layer 2")},
      {"a fully connected set of 20000 x 20000 weights", Where::kWeights,
       BasicNet({20000, 20000},
                "[ConnectionLayer] [LayerFrom = 0] [LayerTo = 1]"
                " [ConnectionType = FullyConnected] [~ConnectionLayer]\n"),
       Stdout("Connection set too large")},
      // Matrices.
      {"matrix attribute with a value", Where::kWeights,
       Edit(Net(), "[Matrix Weights]", "[Matrix Weights = 1]"),
       Stdout("Keyword expected in matrix parameter")},
      {"matrix attribute of its own", Where::kWeights,
       Edit(Net(), "[Matrix Weights]", "[Matrix Weights Values]"),
       Stdout("Unknown matrix attribute")},
      {"ten matrix attributes", Where::kWeights,
       Edit(Net(), "[Matrix Weights]", "[Matrix" + Repeat(" Weights", 10) + "]"),
       Stdout("Too many matrix attributes")},
      {"matrix one cell short", Where::kWeights, Edit(Net(), "0.8   0.8   0.8", "0.8   0.8"),
       Stdout("Token Expected")},
      {"bracketed cell", Where::kWeights, Edit(Net(), "/* sweet */ 0.1", "/* sweet */ [0.1]"),
       Stdout("Token Expected")},
      {"cell that is not a number", Where::kWeights,
       Edit(Net(), "/* sweet */ 0.1", "/* sweet */ x0.1"), Stdout("number-expected")},
      {"matrix one cell long", Where::kWeights,
       Edit(Net(), "0.8   0.8   0.8", "0.8   0.8   0.8   0.8"), Stdout("End Tag expected")},
      {"removed weight in a fully connected set", Where::kWeights,
       Edit(Net(), "/* sweet */ 0.1", "/* sweet */ -"),
       Stdout("Cannot remove a weight of a fully connected set")},
      {"untrainable weight in a fully connected matrix", Where::kWeights,
       Weights("[Matrix Weights TrainableInfo] 0.1 F [~Matrix]"),
       Stdout("Cannot make a weight of a fully connected set untrainable")},
      {"trainable mark of its own for an existing weight", Where::kWeights,
       Edit(Weights("[Matrix Weights TrainableInfo] 0.1 X [~Matrix]"),
            "[ConnectionType = FullyConnected]", "[ConnectionType = Pruneable]"),
       Stdout("Trainable mark must be T or F")},
      // Weight lists.
      {"weight-list keyword of its own", Where::kWeights, list("[From = 0 To = 0 Value = 1]"),
       Stdout("Unknown keyword in weights list")},
      {"weight-list entry led by a word of its own", Where::kWeights,
       list("[From = 0 To = 0] [Frozen From = 0 To = 1]"),
       Stdout("Frozen\nUnknown keyword in weights list")},
      {"weight-list entry that is a word of its own", Where::kWeights, list("[weight]"),
       Stdout("weight\nUnknown keyword in weights list")},
      {"weight-list entry without a target", Where::kWeights, list("[From = 0 Weight = 0.5]"),
       Stdout("Insufficient information in weights list")},
      {"weight-list source beyond its layer", Where::kWeights, list("[From = 2 To = 0]"),
       Stdout("Weight list neuron out of range")},
      {"weight-list target beyond its layer", Where::kWeights, list("[From = 0 To = 6]"),
       Stdout("Weight list neuron out of range")},
      {"weight-list source as a word", Where::kWeights, list("[From = first To = 0]"),
       Stdout("integer-expected")},
      {"weight-list weight as a word", Where::kWeights, list("[From = 0 To = 0 Weight = heavy]"),
       Stdout("number-expected")},
      {"untrainable weight in a fully connected list", Where::kWeights,
       list("[From = 0 To = 0 UnTrainable]"),
       Stdout("Cannot make a weight of a fully connected set untrainable")},
      {"a bare word between weight-list entries", Where::kWeights,
       list("[From = 0 To = 0] stray [From = 1 To = 0]"), Stdout("End Tag expected")},
      // Accepted.
      {"pruneable set from a matrix and a list", Where::kWeights,
       Edit(Weights(
                "[Matrix TrainableInfo Weights] T 0.1 F 0.5 - - T 0.9 F 0.1 - - T 0.2 - - T 0.2"
                " F 0.8 T 0.8 - - [~Matrix] [WeightList] [From = 1 To = 5 Weight = 0.8 UnTrainable]"
                " [~WeightList]"),
            "[ConnectionType = FullyConnected]", "[ConnectionType = Pruneable]"),
       Succeeds(ExampleRows())},
  };
  RunCatalogue("connection blocks", rows);
}

// ---------------------------------------------------------------------------
// Labelling: the data files read, but the coordinates do not fit the map.
// The data table's exceptions reach the driver, which prints their message,
// category and origin.

TEST(BadInputCatalogue, Labelling) {
  const std::string past_end_row = "Data::GetLabels";
  const std::string scan = "Data::GetInputDatum";
  const std::string one_cell = DataSet("1", 2, "Labels", "0 0 [only]");
  const std::vector<Row> rows = {
      {"coordinates (2, 0) past the last cell", Where::kCoordinates,
       Edit(Items(), "0.55 0.75   1 1", "0.55 0.75   2 0"),
       Thrown("Invalid Data Row", past_end_row)},
      {"a coordinate that is not a number", Where::kCoordinates,
       Edit(Items(), "0.85 0.90   1 2", "0.85 0.90   nan 2"),
       Thrown("Invalid Data Row", past_end_row)},
      {"an infinite coordinate", Where::kCoordinates,
       Edit(Items(), "0.85 0.90   1 2", "0.85 0.90   1 -inf"),
       Thrown("Invalid Data Row", past_end_row)},
      {"a coordinate of 1e300", Where::kCoordinates,
       Edit(Items(), "0.85 0.90   1 2", "0.85 0.90   1e300 2"),
       Thrown("Invalid Data Row", past_end_row)},
      {"a coordinate of 2^31", Where::kCoordinates,
       Edit(Items(), "0.85 0.90   1 2", "0.85 0.90   0 2147483648"),
       Thrown("Invalid Data Row", past_end_row)},
      {"coordinates whose cell number passes 2^31", Where::kCoordinates,
       Edit(Items(), "0.85 0.90   1 2", "0.85 0.90   1000000000 0"),
       Thrown("Invalid Data Row", past_end_row)},
      {"one coordinate instead of two", Where::kCoordinates, DataSet("1", 0, "1", "0"),
       Thrown("Coordinate Columns Do Not Match Map", "LabelCoordinates")},
      {"labels instead of coordinates", Where::kCoordinates, DataSet("1", 2, "Labels", "0 0 [a]"),
       Thrown("Coordinate Columns Do Not Match Map", "LabelCoordinates")},
      {"map of three coordinates", Where::kMap, DataSet("2", 3, "Labels", "0 0 0 [a] 0 0 1 [b]"),
       Thrown("Coordinate Columns Do Not Match Map", "LabelCoordinates")},
      {"map without coordinates", Where::kMap, DataSet("1", 0, "Labels", "[a]"),
       Thrown("Map Has No Input Columns", "LabelCoordinates"), DataSet("1", 1, "0", "0.5")},
      {"map of one cell", Where::kMap, one_cell, Thrown("Invalid Data Row", scan)},
      {"map of 1 x 6 cells: no size to find", Where::kMap,
       DataSet("6", 2, "Labels", "0 0 [a] 0 1 [b] 0 2 [c] 0 3 [d] 0 4 [e] 0 5 [f]"),
       Thrown("Invalid Data Row", scan)},
      {"map that cannot be scanned, no coordinate rows", Where::kCoordinates,
       DataSet("0", 1, "2", ""), Thrown("Invalid Data Row", scan), one_cell},
  };
  RunCatalogue("labelling", rows);
}

// ---------------------------------------------------------------------------
// Resources. Files under 1 MB that declare sizes they cannot back, nest
// deeply, hold very long words or very many rows, items or statements. Each
// fails cleanly or succeeds, in bounded memory and quickly.

// A map of rows x cols cells in grid order, cell i labelled c<i>.
std::string GridMap(int rows, int cols) {
  std::string data;
  for (int r = 0, cell = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c, ++cell) {
      data += std::to_string(r) + ' ' + std::to_string(c) + " [c" + std::to_string(cell) + "]\n";
    }
  }
  return DataSet(std::to_string(rows * cols), 2, "Labels", data);
}

TEST(BadInputCatalogue, Resources) {
  const std::string two_billion = "2000000000";
  const std::string deep = Repeat("/*", 200000);
  const std::string undeep = Repeat("*/", 200000);

  // 100,000 coordinate rows, row i on cell (i mod 2, i mod 3).
  std::string many_items;
  std::vector<std::string> many_labels;
  for (int i = 0; i < 100000; ++i) {
    many_items += std::to_string(i % 2) + ' ' + std::to_string(i % 3) + '\n';
    many_labels.push_back(kCell[i % 2][i % 3]);
  }
  // One cell with 120,000 labels of their own, two of them repeated at the
  // end, and how it is written; one with 200,000 of the same.
  std::string distinct = "[";
  std::string distinct_written = "[";
  for (int i = 0; i < 120000; ++i) {
    const std::string name = "a" + std::to_string(i);
    distinct += name + ' ';
    distinct_written += name + (i == 0 ? "=2.000000000 " : i == 17 ? "=3.000000000 " : " ");
  }
  distinct += "a0 a17=2]";
  distinct_written += "]";
  const std::string long_label(1027, 'L');
  // A fully connected 600 x 600 set, every weight written out.
  const std::string full_matrix =
      BasicNet({600, 600},
               "[ConnectionLayer] [LayerFrom = 0] [LayerTo = 1] [ConnectionType = FullyConnected]"
               " [Matrix Weights] " +
                   Repeat("1 ", 600 * 600) + "[~Matrix] [~ConnectionLayer]\n");
  // 30,000 weights listed one by one in a pruneable 200 x 200 set.
  std::string entries;
  for (int i = 0; i < 30000; ++i) {
    entries +=
        "[From=" + std::to_string(i % 200) + " To=" + std::to_string(i / 200) + " Weight=0.5]";
  }
  const std::string weight_list =
      BasicNet({200, 200},
               "[ConnectionLayer] [LayerFrom = 0] [LayerTo = 1] [ConnectionType = Pruneable]"
               " [WeightList] " +
                   entries + " [~WeightList] [~ConnectionLayer]\n");
  // A map 50,000 coordinates wide: two rows, too few for a grid of so many
  // dimensions.
  const std::string wide_map =
      DataSet("2", 50000, "Labels", Repeat("0 ", 50000) + "[a]\n" + Repeat("0 ", 49999) + "1 [b]");

  const std::vector<Row> rows = {
      // Declared sizes.
      {"map declaring two billion coordinates", Where::kMap,
       Edit(Map(), "[Inputs = 2]", "[Inputs = " + two_billion + "]"),
       Stdout("Token (number) expected")},
      {"map declaring two billion outputs", Where::kMap,
       Edit(Map(), "[ExpectedOutputs = Labels]", "[ExpectedOutputs = " + two_billion + "]"),
       Stdout("Token (number) expected")},
      {"map declaring two billion generated outputs", Where::kMap,
       Edit(Map(), "[GeneratedOutputs = 0]", "[GeneratedOutputs = " + two_billion + "]"),
       Stdout("Token (number) expected")},
      {"map declaring two billion error columns", Where::kMap,
       Edit(Map(), "[Error = 0]", "[Error = " + two_billion + "]"),
       Stdout("Token (number) expected")},
      {"coordinates declaring two billion coordinates", Where::kCoordinates,
       Edit(Items(), "[ExpectedOutputs = 2]", "[ExpectedOutputs = " + two_billion + "]"),
       Stdout("Token (number) expected")},
      {"coordinates declaring two billion inputs", Where::kCoordinates,
       Edit(Items(), "[Inputs = 2]", "[Inputs = " + two_billion + "]"),
       Stdout("Token (number) expected")},
      {"coordinates declaring two billion rows", Where::kCoordinates,
       Edit(Items(), "[Rows = 5]", "[Rows = " + two_billion + "]"),
       Stdout("Token (number) expected")},
      {"map without rows declaring two billion coordinates, coordinates to match", Where::kMap,
       DataSet("0", 2000000000, "Labels", ""), Thrown("Invalid Data Row", "Data::GetInputDatum"),
       DataSet("0", 0, two_billion, "")},
      {"map without rows declaring two billion coordinates", Where::kMap,
       DataSet("0", 2000000000, "Labels", ""),
       Thrown("Coordinate Columns Do Not Match Map", "LabelCoordinates")},
      {"map layer declaring two billion neurons", Where::kWeights,
       Edit(Net(), "[NumberOfNeurons = 0]", "[NumberOfNeurons = " + two_billion + "]"),
       Stdout("Number of neurons too large")},
      {"Kohonen grid of 40000 x 50000 cells over six neurons", Where::kWeights,
       Edit(Edit(Net(), "Size = 2]", "Size = 40000]"), "Size = 3]", "Size = 50000]"),
       Succeeds(ExampleRows())},
      {"fully connected 2000 x 2000 set with a matrix of three cells", Where::kWeights,
       BasicNet({2000, 2000},
                "[ConnectionLayer] [LayerFrom = 0] [LayerTo = 1]"
                " [ConnectionType = FullyConnected] [Matrix Weights] 1 2 3 [~Matrix]"
                " [~ConnectionLayer]\n"),
       Stdout("Token Expected")},
      {"fully connected 600 x 600 matrix written out", Where::kWeights, full_matrix,
       Succeeds(ExampleRows())},
      {"30000 weights in a weight list", Where::kWeights, weight_list, Succeeds(ExampleRows())},
      // Depth.
      {"200000 nested comments before the network", Where::kWeights, deep + undeep + Net(),
       Succeeds(ExampleRows())},
      {"200000 nested comments left open in the map", Where::kMap,
       Edit(Map(), "[Data]", "[Data]" + deep), Stdout("Unexpected end of file during comment")},
      {"200000 nested comments between two coordinates", Where::kCoordinates,
       Edit(Items(), "0.55 0.75   1 1", "0.55 0.75   1 " + deep + undeep + " 1"),
       Succeeds(ExampleRows())},
      // Long words.
      {"map label of 1027 characters", Where::kMap, Edit(Map(), "[grape ]", "[" + long_label + "]"),
       Succeeds(ExampleRows())},
      {"coordinates: a word of 900000 characters", Where::kCoordinates,
       Edit(Items(), "0.48 0.15", std::string(900000, '7')),
       Stdout("Token longer than 1027 characters")},
      {"weights: a keyword of 100000 characters", Where::kWeights,
       Edit(Net(), "[NetworkType = Kohonen]", "[" + std::string(100000, 'K') + " = Kohonen]"),
       Stdout("Token longer than 1027 characters")},
      {"900000 separators before the map", Where::kMap, Repeat(" ,\t\n", 225000) + Map(),
       Succeeds(ExampleRows())},
      // Many rows, items and statements.
      {"100000 coordinate rows", Where::kCoordinates, DataSet("100000", 0, "2", many_items),
       Succeeds(many_labels)},
      {"map of 200 x 300 cells", Where::kMap, GridMap(200, 300),
       Succeeds({"[c0 ]", "[c301 ]", "[c302 ]", "[c1 ]", "[c301 ]"})},
      {"map of two rows 50000 coordinates wide", Where::kMap, wide_map,
       Thrown("Invalid Data Row", "Data::GetInputDatum"),
       DataSet("1", 0, "50000", Repeat("0 ", 50000))},
      {"120000 labels of their own in one cell", Where::kMap,
       Edit(Map(), "[lemon lime ]", distinct),
       Succeeds({distinct_written, kCell[1][1], kCell[1][2], kCell[0][1], kCell[1][1]})},
      {"the same label 200000 times in one cell", Where::kMap,
       Edit(Map(), "[lemon lime ]", "[" + Repeat("x ", 200000) + "]"),
       Succeeds({"[x=200000.000000000 ]", kCell[1][1], kCell[1][2], kCell[0][1], kCell[1][1]})},
      {"40000 format versions among the coordinates", Where::kCoordinates,
       Edit(Items(), "0.55 0.75", Repeat("[FormatVersion=1]", 40000) + "0.55 0.75"),
       Succeeds(ExampleRows())},
  };
  RunCatalogue("resources", rows);
}

}  // namespace
