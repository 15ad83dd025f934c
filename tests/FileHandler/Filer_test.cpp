#include "Working/FileHandler/Filer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>

#include "Working/DataObject/Data.h"
#include "Working/DataObject/Labels.h"
#include "Working/Exceptions/Exceptions.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/KQmessage/KQML.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr char kExample[] =
    "[FormatVersion = 1.0]\n"
    "\n"
    "[DataSet]\n"
    "[Rows = 3]\n"
    "[Inputs = 0]\n"
    "[ExpectedOutputs = Labels]\n"
    "[GeneratedOutputs = 0]\n"
    "[Error = 0]\n"
    "\n"
    "[Data]\n"
    "  [cat ] \n"
    "  [dog=2.500000000 cat ] \n"
    "  [] \n"
    "[~Data]\n"
    "\n"
    "[~DataSet]\n";

std::string Number(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

std::string DumpList(const TLabelList* list) {
  std::string text = "[";
  for (int i = 0; i < list->count; ++i) {
    if (i > 0) text += " ";
    text += std::string(list->labels[i].name) + "=" + Number(list->labels[i].value);
  }
  return text + "]";
}

// A table as one line: shape, then each stored row's values and labels
// (the tables here are never wrapped, so stored rows are slots 0, 1, ...).
std::string Dump(const Data* table) {
  if (table == nullptr) return "none";
  std::string text = std::to_string(table->GetNumRows()) + "x" +
                     std::to_string(table->GetNumInputs()) + "/" +
                     std::to_string(table->GetNumOutputs()) + (table->HasLabels() ? "L" : "");
  for (int slot = 0; slot < table->GetNumDataRows(); ++slot) {
    text += " |";
    for (int c = 0; c < table->GetNumInputs(); ++c) {
      text += ' ';
      text += Number(table->GetInputDatum(slot, c));
    }
    text += " :";
    for (int c = 0; c < table->GetNumOutputs(); ++c) {
      text += ' ';
      text += Number(table->GetOutputDatum(slot, c));
    }
    if (table->HasLabels()) {
      text += ' ';
      text += DumpList(table->GetLabels(slot));
    }
  }
  return text;
}

struct Loaded {
  int code = 0;
  std::string first;
  std::string second;
  std::string error;  // the message of a FileTools::Error, if one was thrown
};

Loaded LoadText(const std::string& text) {
  testsupport::TempDir dir;
  const std::string path = dir.Write("in.dat", text);
  char scratch[kScratchSize];
  Data* first = nullptr;
  Data* second = nullptr;
  Loaded result;
  try {
    result.code = LoadDataSet(scratch, path.c_str(), &first, &second, new TKQstructure("opts"));
  } catch (const FileTools::Error& e) {
    result.error = e.message;
  }
  std::unique_ptr<Data> owned_first(first);
  std::unique_ptr<Data> owned_second(second);
  result.first = Dump(owned_first.get());
  result.second = Dump(owned_second.get());
  return result;
}

std::string Header(const std::string& attributes) {
  return "[DataSet]\n" + attributes + "\n[Data]\n";
}

TEST(LoadDataSet, HeaderRules) {
  struct Case {
    std::string text;
    int code;
    const char* first;   // Dump, or the error message when error is set
    const char* second;
    const char* error;
  };
  const std::string rows2 = "1 2 3\n4 5 6\n[~Data]\n[~DataSet]\n";
  const Case cases[] = {
      {Header("[Rows = 2][Inputs = 2][ExpectedOutputs = 1]") + rows2, SUCCESS,
       "2x2/1 | 1 2 : 3 | 4 5 : 6", "none", ""},
      {Header("[Inputs = 2][ExpectedOutputs = 1][Rows = 2]") + rows2, SUCCESS,
       "2x2/1 | 1 2 : 3 | 4 5 : 6", "none", ""},
      {Header("[Inputs = 2][Rows = 2][ExpectedOutputs = 1]") + rows2, SUCCESS,
       "2x2/1 | 1 2 : 3 | 4 5 : 6", "none", ""},
      {Header("[rows = 7][Inputs = 2][ROWS = 2][expectedoutputs = 1]") + rows2, SUCCESS,
       "2x2/1 | 1 2 : 3 | 4 5 : 6", "none", ""},
      {"[FormatVersion = 1.0]\n[dataset]\n[Rows=2][Inputs=3]\n[DATA]\n1,2,3\n4\n5\n6[~data][~DATASET]",
       SUCCESS, "2x3/0 | 1 2 3 : | 4 5 6 :", "none", ""},
      {Header("[Rows = 1][Inputs = 1][GeneratedOutputs = 1][Error = 1]") +
           "1.5e2 2 3\n[~Data]\n[~DataSet]\n",
       SUCCESS, "1x1/0 | 150 :", "1x1/1 | 2 : 3", ""},
      {Header("[Rows = 1][ExpectedOutputs = -5][Inputs = 1]") + rows2, BAD_FORMAT, "none",
       "none", ""},
      {Header("[Rows = 1][Inputs = 1][ExpectedOutputs = -5]") + "7 [~Data][~DataSet]", SUCCESS,
       "1x1/0 | 7 :", "none", ""},
      {Header("[Rows = 1][ExpectedOutputs = labels]") + "[a] [~Data][~DataSet]", SUCCESS,
       "1x0/0L | : [a=1]", "none", ""},
      {Header("[Rows = 1][GeneratedOutputs = LABELS]") + "[b=2] [~Data][~DataSet]", SUCCESS,
       "none", "1x0/0L | : [b=2]", ""},
      {Header("[Rows = 3]") + "[~Data][~DataSet]", SUCCESS, "none", "none", ""},
      {Header("[Rows = 0][Inputs = 2][ExpectedOutputs = Labels]") + "[~Data][~DataSet]", SUCCESS,
       "0x2/0L", "none", ""},
      {Header("[Rows = 1][Colour = 2]") + rows2, BAD_FORMAT, "none", "none", ""},
      {Header("[Rows = 3 4]") + rows2, BAD_FORMAT, "none", "none", ""},
      {Header("[Error = 1][Inputs = 1][Rows = 1]") + rows2, BAD_FORMAT, "none", "none", ""},
      {Header("[Inputs = 1][Inputs = 1][Rows = 1]") + rows2, BAD_FORMAT, "none", "none", ""},
      {Header("[Rows = 1][Inputs = Labels]") + rows2, SUCCESS, "", "", "No labels in inputs"},
      {Header("[Rows = 1][Error = -1]") + rows2, SUCCESS, "", "", "No labels in inputs"},
      {Header("[Rows = Labels]") + rows2, SUCCESS, "", "", "No labels in inputs"},
      {Header("[Rows = -2]") + rows2, SUCCESS, "", "", "No labels in inputs"},
      {Header("[Rows = x]") + rows2, SUCCESS, "", "", "integer-expected"},
      {Header("[Rows = 99999999999]") + rows2, SUCCESS, "", "", "integer-expected"},
      {Header("[Inputs = 2]") + rows2, SUCCESS, "", "", "DataSet header without Rows"},
      {"[Network]\n", SUCCESS, "", "", "[DATASET] expected"},
      {"", SUCCESS, "", "", "[DATASET] expected"},
      {"[DataSet][Rows = 1][Inputs = 1][Values]", SUCCESS, "", "", "[DATA] expected"},
      {"[DataSet][Rows = 1][Inputs = 1]", SUCCESS, "", "", "[DATA] expected"},
      {"[DataSet][Rows = 1][Inputs = 1][Data]1[~DataSet]", SUCCESS, "", "",
       "Unexpected End Tag"},
  };
  for (const Case& c : cases) {
    const Loaded loaded = LoadText(c.text);
    EXPECT_EQ(loaded.error, c.error) << c.text;
    if (*c.error != '\0') continue;
    EXPECT_EQ(loaded.code, c.code) << c.text;
    EXPECT_EQ(loaded.first, c.first) << c.text;
    EXPECT_EQ(loaded.second, c.second) << c.text;
  }
}

TEST(LoadDataSet, RowCountsMustMatch) {
  struct Case {
    std::string text;
    const char* error;
  };
  const std::string header = Header("[Rows = 2][Inputs = 2]");
  const Case cases[] = {
      {header + "1 2 3 4 [~Data][~DataSet]", ""},
      {header + "1 2 3 [~Data][~DataSet]", "Token (number) expected"},
      {header + "1 2 3", "Unexpected end of file"},
      {header + "1 2 3 4 5 [~Data][~DataSet]", "End Tag expected"},
      {header + "1 2 3 4 [~Data][~DataSet] 5", "End Tag expected"},
      {header + "1 2 3 4 [~Data][~DataSet] /* a comment */ ", ""},
      {header + "1 2 3 4 [~Data]", "Unexpected end of file"},
      {header + "1 2 3 x [~Data][~DataSet]", "number-expected"},
      {header + "1 2 3 4 [~Values][~DataSet]", "Unexpected End Tag"},
      {Header("[Rows = 2000000000][Inputs = 2]") + "1 2 [~Data][~DataSet]",
       "Token (number) expected"},
      {Header("[Rows = 2000000000][ExpectedOutputs = Labels]") + "[a] [b]",
       "Unexpected end of file"},
      {Header("[Rows = 2][Inputs = 1][ExpectedOutputs = Labels]") + "1 2 [a] 3 [b]",
       "Label list expected"},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadText(c.text).error, c.error) << c.text;
}

TEST(ReadLabelList, Forms) {
  struct Case {
    const char* text;
    const char* expected;  // the list, or the error message
  };
  const Case cases[] = {
      {"[a a b=0.5]", "[a=2 b=0.5]"},
      {"[ a , b ]", "[a=1 b=1]"},
      {"[]", "[]"},
      {" \n [ ]", "[]"},
      {"/* c */[/* d */]", "[]"},
      {"[x=-1 x]", "[x=0]"},
      {"[Cat cat=2.5]", "[Cat=1 cat=2.5]"},
      {"[a=1e2 /*c*/ b]", "[a=100 b=1]"},
      {"", "Unexpected end of file"},
      {"  ", "Unexpected end of file"},
      {"[", "Unexpected end of file"},
      {"[a", "Unexpected end of file"},
      {"[a b", "Unexpected end of file"},
      {"[a=", "Unexpected end of file"},
      {"x", "Label list expected"},
      {"3 [a]", "Label list expected"},
      {"[~Data]", "[~Data=1]"},
      {"[a=]", "Unexpected special character"},
      {"[a=x]", "number-expected"},
  };
  for (const Case& c : cases) {
    char scratch[kScratchSize];
    TextInput in(c.text);
    std::string result;
    try {
      std::unique_ptr<TLabelList> list(ReadLabelList(scratch, in));
      result = DumpList(list.get());
    } catch (const FileTools::Error& e) {
      result = e.message;
    }
    EXPECT_EQ(result, c.expected) << c.text;
  }
}

TEST(ReadDataSetHeader, CountsAndClosingTag) {
  char scratch[kScratchSize];
  TextInput in("[Rows = 3] [Inputs = 2] [ExpectedOutputs = Labels] [Data]");
  int inputs, expected, generated, error, rows;
  TTag tag;
  EXPECT_EQ(ReadDataSetHeader(scratch, in, &inputs, &expected, &generated, &error, &rows, &tag),
            SUCCESS);
  EXPECT_EQ(inputs, 2);
  EXPECT_EQ(expected, -1);
  EXPECT_EQ(generated, 0);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(tag.kind, TagOpen);
  EXPECT_EQ(tag.name, "Data");
}

class FilerFiles : public testing::Test {
 protected:
  std::string Path(const char* name) { return dir_.File(name); }
  testsupport::TempDir dir_;
  char scratch_[kScratchSize];
};

TEST_F(FilerFiles, ExampleIsWrittenExactlyAndReadsBack) {
  Data table(3, 0, 0, true);
  TLabelList cat("cat", 1.0);
  TLabelList dog_cat("dog", 2.5);
  dog_cat.AddLabel("cat", 1.0);
  table.AppendRow(nullptr, nullptr, &cat);
  table.AppendRow(nullptr, nullptr, &dog_cat);
  table.AppendRow(nullptr, nullptr, nullptr);
  const std::string path = Path("labelled.dat");
  ASSERT_EQ(SaveDataSet(scratch_, path.c_str(), &table, nullptr, new TKQstructure("x")), SUCCESS);
  EXPECT_EQ(testsupport::ReadFile(path), kExample);
  EXPECT_FALSE(testsupport::FileExists(path + ".saving"));

  Data* loaded = nullptr;
  ASSERT_EQ(LoadData(scratch_, path.c_str(), &loaded), SUCCESS);
  std::unique_ptr<Data> owned(loaded);
  EXPECT_EQ(Dump(loaded), "3x0/0L | : [cat=1] | : [dog=2.5 cat=1] | : []");
}

TEST_F(FilerFiles, NumbersAndLabelValuesRoundTrip) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> values(-1e6, 1e6);
  Data first(50, 3, 2, false);
  std::string expected_rows;
  for (int row = 0; row < 50; ++row) {
    double in[3], out[2];
    for (double& v : in) v = values(random);
    for (double& v : out) v = values(random) * 1e-9;
    if (row == 0) in[0] = 1e300, in[1] = -0.0, in[2] = 5e-324;
    first.AppendRow(in, out, nullptr);
    char text[64];
    for (double v : in) std::snprintf(text, sizeof text, "%.15g ", v), expected_rows += text;
    expected_rows += "  ";
    for (double v : out) std::snprintf(text, sizeof text, "%.15g ", v), expected_rows += text;
    expected_rows += "\n";
  }
  const std::string path = Path("numbers.dat");
  ASSERT_EQ(SaveDataSet(scratch_, path.c_str(), &first, nullptr, nullptr), SUCCESS);
  const std::string file = testsupport::ReadFile(path);
  const std::size_t begin = file.find("[Data]\n") + 7;
  EXPECT_EQ(file.substr(begin, file.find("[~Data]") - begin), expected_rows);

  Data* loaded = nullptr;
  ASSERT_EQ(LoadData(scratch_, path.c_str(), &loaded), SUCCESS);
  std::unique_ptr<Data> owned(loaded);
  for (int row = 0; row < 50; ++row) {
    for (int c = 0; c < 3; ++c) {
      char text[64];
      std::snprintf(text, sizeof text, "%.15g", first.GetInputDatum(row, c));
      EXPECT_EQ(loaded->GetInputDatum(row, c), std::strtod(text, nullptr));
    }
  }

  Data labelled(1, 0, 0, true);
  TLabelList list("one", 1.0);
  list.AddLabel("two", 2.0);
  list.AddLabel("third", 1.0 / 3);
  list.AddLabel("neg", -0.5);
  labelled.AppendRow(nullptr, nullptr, &list);
  ASSERT_EQ(SaveDataSet(scratch_, path.c_str(), &labelled, nullptr, nullptr), SUCCESS);
  EXPECT_NE(testsupport::ReadFile(path).find(
                "  [one two=2.000000000 third=0.333333333 neg=-0.500000000 ] \n"),
            std::string::npos);
}

TEST_F(FilerFiles, TwoTablesRoundTripInEveryShape) {
  struct Shape {
    int inputs, outputs;
    bool labels1;
    int generated, errors;
    bool labels2;
  };
  const Shape shapes[] = {
      {2, 1, false, 1, 2, false}, {1, 0, true, 2, 1, false}, {0, 0, true, 0, 0, true},
      {1, 0, true, 0, 2, true},   {0, 2, false, 0, 1, true}, {0, 1, false, 0, 0, true},
  };
  for (const Shape& s : shapes) {
    Data first(4, s.inputs, s.outputs, s.labels1);
    Data second(4, s.generated, s.errors, s.labels2);
    for (int row = 0; row < 4; ++row) {
      double a[3] = {row + 0.5, row * 2.0, -1.0 * row};
      double b[3] = {row * 10.0, 0.25, 7.0};
      const std::string name = std::string("L").append(std::to_string(row));
      TLabelList la(name.c_str(), row + 1.0);
      TLabelList lb("M", 0.5 * row);
      first.AppendRow(a, b, &la);
      second.AppendRow(b, a, &lb);
    }
    const std::string path = Path("two.dat");
    ASSERT_EQ(SaveDataSet(scratch_, path.c_str(), &first, &second, nullptr), SUCCESS);
    Data* loaded1 = nullptr;
    Data* loaded2 = nullptr;
    ASSERT_EQ(LoadDataSet(scratch_, path.c_str(), &loaded1, &loaded2, nullptr), SUCCESS)
        << testsupport::ReadFile(path);
    std::unique_ptr<Data> owned1(loaded1), owned2(loaded2);
    EXPECT_EQ(Dump(loaded1), Dump(&first)) << testsupport::ReadFile(path);
    EXPECT_EQ(Dump(loaded2), Dump(&second)) << testsupport::ReadFile(path);

    Data* only = nullptr;
    EXPECT_EQ(LoadData(scratch_, path.c_str(), &only), BAD_FORMAT);
    std::unique_ptr<Data> owned_only(only);
    EXPECT_EQ(Dump(only), Dump(&first));
  }
}

TEST_F(FilerFiles, LoadDataBlockGoesOnFromTheOffset) {
  std::string text = "[DataSet] [Rows = 5] [Inputs = 1] [ExpectedOutputs = Labels]\n"
                     "[GeneratedOutputs = 1] [Data]\n";
  for (int row = 0; row < 5; ++row) {
    text += std::to_string(row) + " " + std::to_string(row * 10) + " [r" + std::to_string(row) +
            "]\n";
  }
  text += "[~Data]\n[~DataSet]\n";
  const std::string path = dir_.Write("block.dat", text);
  long offset = 0;
  std::string rows;
  for (int count : {2, 2, 1}) {
    Data* first = nullptr;
    Data* second = nullptr;
    ASSERT_EQ(LoadDataBlock(scratch_, path.c_str(), &offset, count, &first, &second), SUCCESS);
    std::unique_ptr<Data> owned1(first), owned2(second);
    rows += Dump(first) + " / " + Dump(second) + "\n";
  }
  EXPECT_EQ(rows,
            "2x1/0L | 0 : [r0=1] | 1 : [r1=1] / 2x1/0 | 0 : | 10 :\n"
            "2x1/0L | 2 : [r2=1] | 3 : [r3=1] / 2x1/0 | 20 : | 30 :\n"
            "1x1/0L | 4 : [r4=1] / 1x1/0 | 40 :\n");
  EXPECT_EQ(static_cast<std::size_t>(offset),
            text.find("\n[~Data]") - (text.find("[Data]") + 6));

  // The one-table form drops the second table; past the last row it fails
  // on the end tag.
  long again = 0;
  Data* first = nullptr;
  ASSERT_EQ(LoadDataBlock(scratch_, path.c_str(), &again, 3, &first), SUCCESS);
  std::unique_ptr<Data> owned(first);
  EXPECT_EQ(Dump(first), "3x1/0L | 0 : [r0=1] | 1 : [r1=1] | 2 : [r2=1]");
  Data* past = nullptr;
  try {
    LoadDataBlock(scratch_, path.c_str(), &offset, 1, &past);
    ADD_FAILURE() << "no error";
  } catch (const FileTools::Error& e) {
    EXPECT_EQ(e.message, "Token (number) expected");
  }
  delete past;
  long negative = -1;
  EXPECT_EQ(LoadDataBlock(scratch_, path.c_str(), &negative, 1, &past), BAD_ARGUMENT);
}

TEST_F(FilerFiles, FileLevelResults) {
  Data* untouched = reinterpret_cast<Data*>(8);
  EXPECT_EQ(LoadData(scratch_, Path("missing.dat").c_str(), &untouched), OPEN_FAILED);
  EXPECT_EQ(untouched, reinterpret_cast<Data*>(8));
  EXPECT_EQ(LoadData(scratch_, dir_.path().c_str(), &untouched), OPEN_FAILED);
  long offset = 0;
  EXPECT_EQ(LoadDataBlock(scratch_, Path("missing.dat").c_str(), &offset, 1, &untouched),
            OPEN_FAILED);

  const std::string error1 = dir_.Write("e.dat", Header("[Rows = 1][Error = 1]") +
                                                     "1 [~Data][~DataSet]");
  Data* first = reinterpret_cast<Data*>(8);
  EXPECT_EQ(LoadData(scratch_, error1.c_str(), &first), BAD_FORMAT);
  EXPECT_EQ(first, nullptr);

  Data three(3, 1, 0, false);
  Data four(4, 1, 0, false);
  const std::string path = Path("out.dat");
  EXPECT_EQ(SaveDataSet(scratch_, path.c_str(), nullptr, nullptr, new TKQstructure("o")),
            BAD_ARGUMENT);
  EXPECT_EQ(SaveDataSet(scratch_, path.c_str(), &three, &four, nullptr), BAD_ARGUMENT);
  EXPECT_FALSE(testsupport::FileExists(path));
  EXPECT_FALSE(testsupport::FileExists(path + ".saving"));
  EXPECT_EQ(WriteDataSetHeader(scratch_, path.c_str(), 0, 0, 0, 0, -1), BAD_ARGUMENT);
  EXPECT_EQ(WriteDataSetRows(scratch_, path.c_str(), nullptr, nullptr, nullptr), BAD_ARGUMENT);
}

TEST_F(FilerFiles, FailedWritesAreReported) {
  Data table(1, 1, 0, false);
  const double one = 1.0;
  table.AppendRow(&one, nullptr, nullptr);
  const std::string nowhere = Path("no/such/dir/out.dat");
  EXPECT_EQ(SaveDataSet(scratch_, nowhere.c_str(), &table, nullptr, nullptr), OPEN_FAILED);
  EXPECT_EQ(WriteDataSetHeader(scratch_, nowhere.c_str(), 1, 0, 0, 0, 1), OPEN_FAILED);
  EXPECT_EQ(WriteDataSetRows(scratch_, nowhere.c_str(), &table, nullptr, nullptr), OPEN_FAILED);
  EXPECT_EQ(WriteDataSetTrailer(scratch_, nowhere.c_str()), OPEN_FAILED);
  struct stat info;
  if (stat("/dev/full", &info) == 0) {
    EXPECT_EQ(WriteDataSetHeader(scratch_, "/dev/full", 1, 0, 0, 0, 1), OPEN_FAILED);
    EXPECT_EQ(WriteDataSetTrailer(scratch_, "/dev/full"), OPEN_FAILED);
  }

  // A save that cannot complete leaves the earlier file as it was.
  const std::string path = dir_.Write("kept.dat", "earlier content");
  ASSERT_EQ(mkdir((path + ".saving").c_str(), 0700), 0);
  EXPECT_EQ(SaveDataSet(scratch_, path.c_str(), &table, nullptr, nullptr), OPEN_FAILED);
  EXPECT_EQ(testsupport::ReadFile(path), "earlier content");
  EXPECT_EQ(rmdir((path + ".saving").c_str()), 0);  // left alone: not ours

  // So does a table that cannot supply its rows; no partial file stays.
  Data short_table(3, 1, 0, false);
  short_table.AppendRow(&one, nullptr, nullptr);
  try {
    SaveDataSet(scratch_, path.c_str(), &short_table, nullptr, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const TException& e) {
    EXPECT_STREQ(e.message, "Invalid Data Row");
    EXPECT_STREQ(e.origin, "Data::GetInputDatum");
  }
  EXPECT_EQ(testsupport::ReadFile(path), "earlier content");
  EXPECT_FALSE(testsupport::FileExists(path + ".saving"));

  // The three pieces written one by one make the same file as a save.
  const std::string pieces = Path("pieces.dat");
  ASSERT_EQ(WriteDataSetHeader(scratch_, pieces.c_str(), 1, 0, 0, 0, 1), SUCCESS);
  ASSERT_EQ(WriteDataSetRows(scratch_, pieces.c_str(), &table, nullptr, nullptr), SUCCESS);
  ASSERT_EQ(WriteDataSetTrailer(scratch_, pieces.c_str()), SUCCESS);
  ASSERT_EQ(SaveDataSet(scratch_, path.c_str(), &table, nullptr, nullptr), SUCCESS);
  EXPECT_EQ(testsupport::ReadFile(pieces), testsupport::ReadFile(path));
}

TEST(FilerDeathTest, LabelledTablesWithColumnsInTheirPlaceAreFatal) {
  testsupport::TempDir dir;
  char scratch[kScratchSize];
  Data first(1, 0, 2, true);
  Data second(1, 2, 0, true);
  const std::string path = dir.File("x.dat");
  EXPECT_DEATH(SaveDataSet(scratch, path.c_str(), &first, nullptr, nullptr),
               "Assertion failed: LngExpectedOutputs == 0, file Working/FileHandler/Filer.cpp, "
               "line 498");
  EXPECT_DEATH(SaveDataSet(scratch, path.c_str(), nullptr, &second, nullptr),
               "Assertion failed: LngCalculatedOutputs == 0, file Working/FileHandler/Filer.cpp, "
               "line 513");
}

}  // namespace

namespace {

TEST_F(FilerFiles, RowByRowReadsAndWritesWhatTheTableFormsDo) {
  const std::string text =
      "[DataSet] [Rows = 2] [Inputs = 1] [ExpectedOutputs = 2] [GeneratedOutputs = Labels]\n"
      "[Data]\n 1.5  2 3  [a b=2] \n -1  0 1e2  [] \n[~Data] [~DataSet]\n";
  const std::string in_path = dir_.Write("in.dat", text);
  DataSetRowReader reader(scratch_);
  ASSERT_EQ(reader.Open(in_path.c_str()), SUCCESS);
  const DataSetShape& shape = reader.Shape();
  EXPECT_EQ(shape.rows, 2);
  EXPECT_EQ(shape.inputs, 1);
  EXPECT_EQ(shape.expected, 2);
  EXPECT_TRUE(shape.first);
  EXPECT_TRUE(shape.second);
  EXPECT_TRUE(shape.labels2);

  // Copy the rows through the row writer and compare with a table save.
  const std::string out_path = Path("out.dat");
  DataSetRowWriter writer(scratch_);
  ASSERT_EQ(writer.Open(out_path.c_str(), shape), SUCCESS);
  Data first(2, 1, 2, false);
  Data second(2, 0, 0, true);
  for (int row = 0; row < shape.rows; ++row) {
    double input = 0;
    double expected[2] = {0, 0};
    TLabelList labels;
    reader.ReadRow(&input, expected, nullptr, nullptr, nullptr, &labels);
    writer.WriteRow(&input, expected, nullptr, nullptr, nullptr, &labels);
    first.AppendRow(&input, expected, nullptr);
    second.AppendRow(nullptr, nullptr, &labels);
  }
  reader.Finish();
  EXPECT_FALSE(testsupport::FileExists(out_path));  // not before Commit
  ASSERT_EQ(writer.Commit(), SUCCESS);
  EXPECT_EQ(Dump(&first), "2x1/2 | 1.5 : 2 3 | -1 : 0 100");
  EXPECT_EQ(Dump(&second), "2x0/0L | : [a=1 b=2] | : []");
  const std::string saved = Path("saved.dat");
  ASSERT_EQ(SaveDataSet(scratch_, saved.c_str(), &first, &second, nullptr), SUCCESS);
  EXPECT_EQ(testsupport::ReadFile(out_path), testsupport::ReadFile(saved));
}

TEST_F(FilerFiles, RowByRowFailuresLeaveNoPartialFile) {
  const std::string in_path =
      dir_.Write("bad.dat", "[DataSet] [Rows = 2] [Inputs = 1] [Data] 1 x [~Data] [~DataSet]");
  DataSetRowReader reader(scratch_);
  ASSERT_EQ(reader.Open(in_path.c_str()), SUCCESS);
  double value = 0;
  reader.ReadRow(&value, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(value, 1);
  try {
    reader.ReadRow(&value, nullptr, nullptr, nullptr, nullptr, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const FileTools::Error& e) {
    EXPECT_EQ(e.message, "number-expected");
  }
  DataSetRowReader missing(scratch_);
  EXPECT_EQ(missing.Open(Path("missing.dat").c_str()), OPEN_FAILED);

  const std::string path = dir_.Write("kept.dat", "earlier content");
  {
    DataSetRowWriter writer(scratch_);
    DataSetShape shape;
    shape.first = true;
    shape.inputs = 1;
    shape.rows = 1;
    ASSERT_EQ(writer.Open(path.c_str(), shape), SUCCESS);
    writer.WriteRow(&value, nullptr, nullptr, nullptr, nullptr, nullptr);
  }  // abandoned without Commit
  EXPECT_EQ(testsupport::ReadFile(path), "earlier content");
  EXPECT_FALSE(testsupport::FileExists(path + ".saving"));
  DataSetRowWriter no_table(scratch_);
  EXPECT_EQ(no_table.Open(path.c_str(), DataSetShape{}), BAD_ARGUMENT);
}

}  // namespace
