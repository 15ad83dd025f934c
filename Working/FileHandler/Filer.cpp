#include "Working/FileHandler/Filer.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Working/DataObject/Data.h"
#include "Working/DataObject/Labels.h"
#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/KQmessage/KQML.h"

namespace {

constexpr char kSourceFile[] = "Working/FileHandler/Filer.cpp";

// Keywords of the format, as the writer spells them. The reader compares
// without regard to case.
constexpr char kDataSetKeyword[] = "DataSet";
constexpr char kDataKeyword[] = "Data";
constexpr char kRowsKeyword[] = "Rows";
constexpr char kInputsKeyword[] = "Inputs";
constexpr char kExpectedOutputsKeyword[] = "ExpectedOutputs";
constexpr char kGeneratedOutputsKeyword[] = "GeneratedOutputs";
constexpr char kErrorKeyword[] = "Error";
constexpr char kLabelsValue[] = "Labels";
constexpr int kLabelsCount = -1;  // a column group replaced by label lists

// Messages.
constexpr char kNoLabelsInInputs[] = "No labels in inputs";
constexpr char kRowsMissing[] = "DataSet header without Rows";
constexpr char kUnexpectedEof[] = "Unexpected end of file";
constexpr char kLabelListExpected[] = "Label list expected";

constexpr int kLabelPrecision = 9;
constexpr int kDataDigits = 15;

using Layout = DataSetShape;

// Owns a table until it is handed out.
using TablePtr = std::unique_ptr<Data>;

// Steps shared by the readers: the DataSet start tag, the header, the Data
// start tag. Returns SUCCESS or the header's BAD_FORMAT.
int ReadPrologue(char* scratch, TextInput& in, Layout* layout, std::string* dataset_name,
                 std::string* data_name) {
  const std::string name =
      ExpectBlockStart(scratch, ReadTag(scratch, nullptr, in, false), in, "DATASET");
  if (dataset_name != nullptr) *dataset_name = name;
  int expected = 0;
  int generated = 0;
  TTag tag;
  const int code = ReadDataSetHeader(scratch, in, &layout->inputs, &expected, &generated,
                                     &layout->error, &layout->rows, &tag);
  if (code != SUCCESS) return code;
  if (layout->rows < 0) throw FileTools::Error(kRowsMissing, &in, nullptr);
  *data_name = ExpectBlockStart(scratch, tag, in, "DATA");
  layout->labels1 = expected == kLabelsCount;
  layout->labels2 = generated == kLabelsCount;
  layout->expected = expected > 0 ? expected : 0;
  layout->generated = generated > 0 ? generated : 0;
  layout->first = layout->inputs != 0 || layout->expected != 0 || layout->labels1;
  layout->second = layout->generated != 0 || layout->error != 0 || layout->labels2;
  return SUCCESS;
}

void ReadLabelListInto(char* scratch, TextInput& in, TLabelList* list) {
  const int c = SkipSpaceAndGet(scratch, in);
  if (c == TextInput::kEof) throw FileTools::Error(kUnexpectedEof, &in, nullptr);
  if (c != '[') throw FileTools::Error(kLabelListExpected, &in, nullptr);
  const int next = SkipSpaceAndGet(scratch, in);
  if (next == ']') return;
  if (next == TextInput::kEof) throw FileTools::Error(kUnexpectedEof, &in, nullptr);
  in.Unget();
  for (;;) {
    const TTag tag = ReadTag(scratch, nullptr, in, true);
    if (tag.kind == TagEnd) throw FileTools::Error(kUnexpectedEof, &in, nullptr);
    const double value = tag.kind == TagValue ? ParseNumber(scratch, in, tag.value) : 1.0;
    list->AddLabel(tag.name.c_str(), value);
    if (!tag.continued) return;
  }
}

// Reads one row: all its numbers (Inputs, ExpectedOutputs, GeneratedOutputs,
// Error, each group into its array, or dropped where the array is null),
// then the first table's label list and the second table's, each into its
// list or dropped. The arrays hold the layout's column counts.
void ReadRowInto(char* scratch, TextInput& in, const char* block, const Layout& layout,
                 double* inputs, double* expected, double* generated, double* errors,
                 TLabelList* list1, TLabelList* list2) {
  auto read_numbers = [&](double* values, int n) {
    for (int i = 0; i < n; ++i) {
      const double value = ReadNumberItem(scratch, block, in);
      if (values != nullptr) values[i] = value;
    }
  };
  read_numbers(inputs, layout.inputs);
  read_numbers(expected, layout.expected);
  read_numbers(generated, layout.generated);
  read_numbers(errors, layout.error);
  if (layout.labels1) {
    TLabelList dropped;
    ReadLabelListInto(scratch, in, list1 != nullptr ? list1 : &dropped);
  }
  if (layout.labels2) {
    TLabelList dropped;
    ReadLabelListInto(scratch, in, list2 != nullptr ? list2 : &dropped);
  }
}

// Reads n numbers into values. The first row sizes the vector as its numbers
// arrive, so that a header that declares more columns than the file holds
// fails on the first missing number instead of asking for storage for all
// of them; later rows reuse it.
void ReadNumberGroup(char* scratch, TextInput& in, const char* block, int n,
                     std::vector<double>& values) {
  if (values.size() == static_cast<std::size_t>(n)) {
    for (double& value : values) value = ReadNumberItem(scratch, block, in);
    return;
  }
  values.clear();
  for (int i = 0; i < n; ++i) values.push_back(ReadNumberItem(scratch, block, in));
}

// Creates the tables the layout calls for, with `slots` slots, and hands
// them to the results at once (the caller owns them from here on). Storage
// for the rows is taken in one step, but only for as many rows as the rest
// of the file can hold (each number takes at least one byte and a
// separator, each label list at least "[]"), so a header that promises
// more rows than the file holds costs nothing before the reading fails.
void CreateTables(const Layout& layout, int slots, const TextInput& in, Data** first,
                  Data** second) {
  const std::int64_t row_bytes =
      std::max<std::int64_t>(1, std::int64_t{layout.inputs} + layout.expected + layout.generated +
                                    layout.error + 2 * (layout.labels1 + layout.labels2));
  const std::int64_t remaining =
      std::max<std::int64_t>(0, in.Size() - static_cast<std::int64_t>(in.Position()));
  const int reserve =
      static_cast<int>(std::min<std::int64_t>(slots, remaining / row_bytes + 1));
  if (layout.first) {
    *first = new Data(slots, layout.inputs, layout.expected, layout.labels1);
    (*first)->Reserve(reserve);
  }
  if (layout.second) {
    *second = new Data(slots, layout.generated, layout.error, layout.labels2);
    (*second)->Reserve(reserve);
  }
}

// Reads count rows (the order of ReadRowInto) into new tables of count
// slots, handed to *first and *second as CreateTables does. With rows to
// read, the tables are created once the first row is complete: only then
// has the file shown that it backs the row width the header declares.
void ReadRows(char* scratch, TextInput& in, const char* block, int count, const Layout& layout,
              Data** first, Data** second, int assert_line1, int assert_line2) {
  if (count == 0 || (!layout.first && !layout.second)) {  // rows hold nothing
    CreateTables(layout, count, in, first, second);
    return;
  }
  std::vector<double> inputs;
  std::vector<double> expected;
  std::vector<double> generated;
  std::vector<double> errors;
  for (int row = 0; row < count; ++row) {
    ReadNumberGroup(scratch, in, block, layout.inputs, inputs);
    ReadNumberGroup(scratch, in, block, layout.expected, expected);
    ReadNumberGroup(scratch, in, block, layout.generated, generated);
    ReadNumberGroup(scratch, in, block, layout.error, errors);
    TLabelList list1;
    TLabelList list2;
    if (layout.labels1) ReadLabelListInto(scratch, in, &list1);
    if (layout.labels2) ReadLabelListInto(scratch, in, &list2);
    if (row == 0) {
      CreateTables(layout, count, in, first, second);
      if (layout.labels1) {
        FatalAssert(*first != nullptr, "PtrDatFileData1 != NULL", kSourceFile, assert_line1);
      }
      if (layout.labels2) {
        FatalAssert(*second != nullptr, "PtrDatFileData2 != NULL", kSourceFile, assert_line2);
      }
    }
    if (layout.first) (*first)->AppendRow(inputs.data(), expected.data(), std::move(list1));
    if (layout.second) (*second)->AppendRow(generated.data(), errors.data(), std::move(list2));
  }
}

void ExpectEnd(char* scratch, TextInput& in, const char* block) {
  ExpectBlockEnd(scratch, ReadTag(scratch, block, in, false), in);
}

}  // namespace

int LoadDataSet(char* scratch, const char* name, Data** first, Data** second,
                TKQstructure* options) {
  delete options;
  TextInput in;
  if (!in.Open(name)) return OPEN_FAILED;
  *first = nullptr;
  *second = nullptr;
  Layout layout;
  std::string dataset_name;
  std::string data_name;
  const int code = ReadPrologue(scratch, in, &layout, &dataset_name, &data_name);
  if (code != SUCCESS) return code;
  ReadRows(scratch, in, data_name.c_str(), layout.rows, layout, first, second, 202, 215);
  ExpectEnd(scratch, in, data_name.c_str());
  ExpectEnd(scratch, in, dataset_name.c_str());
  ExpectEnd(scratch, in, nullptr);
  return SUCCESS;
}

int LoadData(char* scratch, const char* name, Data** first) {
  Data* second_table = nullptr;
  struct Drop {
    Data*& table;
    ~Drop() { delete table; }
  } drop{second_table};
  const int code = LoadDataSet(scratch, name, first, &second_table, nullptr);
  if (code != SUCCESS) return code;
  return second_table != nullptr ? BAD_FORMAT : SUCCESS;
}

int LoadDataBlock(char* scratch, const char* name, long* offset, int count, Data** first,
                  Data** second) {
  if (offset == nullptr || *offset < 0 || count < 0) return BAD_ARGUMENT;
  TextInput in;
  if (!in.Open(name)) return OPEN_FAILED;
  *first = nullptr;
  *second = nullptr;
  Layout layout;
  std::string data_name;
  const int code = ReadPrologue(scratch, in, &layout, nullptr, &data_name);
  if (code != SUCCESS) return code;
  const std::uint64_t start = in.Position();
  if (!in.SeekTo(start + static_cast<std::uint64_t>(*offset))) return BAD_ARGUMENT;
  ReadRows(scratch, in, data_name.c_str(), count, layout, first, second, 326, 339);
  *offset = static_cast<long>(in.Position() - start);
  return SUCCESS;
}

int LoadDataBlock(char* scratch, const char* name, long* offset, int count, Data** first) {
  Data* second_table = nullptr;
  struct Drop {
    Data*& table;
    ~Drop() { delete table; }
  } drop{second_table};
  return LoadDataBlock(scratch, name, offset, count, first, &second_table);
}

int ReadDataSetHeader(char* scratch, TextInput& in, int* inputs, int* expected_outputs,
                      int* generated_outputs, int* error, int* rows, TTag* tag) {
  *inputs = *expected_outputs = *generated_outputs = *error = 0;
  *rows = -1;
  int position = 0;
  auto non_negative = [&](int value) {
    if (value < 0) throw FileTools::Error(kNoLabelsInInputs, &in, nullptr);
    return value;
  };
  for (*tag = ReadTag(scratch, nullptr, in, false); tag->kind == TagValue;
       *tag = ReadTag(scratch, nullptr, in, false)) {
    if (tag->continued) return BAD_FORMAT;
    const int value = FileTools::strcasecmp(tag->value.c_str(), kLabelsValue) == 0
                          ? kLabelsCount
                          : ParseInteger(scratch, in, tag->value);
    const char* keyword = tag->name.c_str();
    if (FileTools::strcasecmp(keyword, kInputsKeyword) == 0 && position <= 0) {
      *inputs = non_negative(value);
      position = 1;
    } else if (FileTools::strcasecmp(keyword, kExpectedOutputsKeyword) == 0 && position <= 1) {
      *expected_outputs = value;
      position = 2;
    } else if (FileTools::strcasecmp(keyword, kGeneratedOutputsKeyword) == 0 && position <= 2) {
      *generated_outputs = value;
      position = 3;
    } else if (FileTools::strcasecmp(keyword, kErrorKeyword) == 0 && position <= 3) {
      *error = non_negative(value);
      position = 4;
    } else if (FileTools::strcasecmp(keyword, kRowsKeyword) == 0) {
      *rows = non_negative(value);
    } else {
      return BAD_FORMAT;
    }
  }
  return SUCCESS;
}

TLabelList* ReadLabelList(char* scratch, TextInput& in) {
  auto list = std::make_unique<TLabelList>();
  ReadLabelListInto(scratch, in, list.get());
  return list.release();
}

// ---------------------------------------------------------------------------
// Writing

namespace {

// The header counts for one or two tables, or BAD_ARGUMENT.
int DeriveCounts(const Data* first, const Data* second, int* inputs, int* expected,
                 int* generated, int* error, int* rows) {
  *rows = -1;
  *inputs = *expected = *generated = *error = 0;
  if (first != nullptr) {
    *rows = first->GetNumRows();
    *inputs = first->GetNumInputs();
    *expected = first->GetNumOutputs();
    if (first->HasLabels()) {
      const int LngExpectedOutputs = *expected;
      FatalAssert(LngExpectedOutputs == 0, "LngExpectedOutputs == 0", kSourceFile, 498);
      *expected = kLabelsCount;
    }
  }
  if (second != nullptr) {
    if (first == nullptr) {
      *rows = second->GetNumRows();
    } else if (second->GetNumRows() != *rows) {
      return BAD_ARGUMENT;
    }
    *generated = second->GetNumInputs();
    *error = second->GetNumOutputs();
    if (second->HasLabels()) {
      const int LngCalculatedOutputs = *generated;
      FatalAssert(LngCalculatedOutputs == 0, "LngCalculatedOutputs == 0", kSourceFile, 513);
      *generated = kLabelsCount;
    }
  }
  return *rows < 0 ? BAD_ARGUMENT : SUCCESS;
}

// Column counts below zero mean none.
int Columns(int count) { return count > 0 ? count : 0; }

// A slot that the table cannot supply is refused by the table itself, with
// the accessor the row would have used first.
void RequireRow(const Data& table, int slot) {
  if (table.IsValidRow(slot)) return;
  if (table.GetNumInputs() > 0) table.GetInputDatum(slot, 0);
  if (table.HasLabels()) table.GetLabels(slot);
  if (table.GetNumOutputs() > 0) table.GetOutputDatum(slot, 0);
}

void WriteNumbers(TextOutput& out, const double* values, int n) {
  for (int i = 0; i < n; ++i) {
    out.WriteGeneral(values[i], kDataDigits);
    out.Put(' ');
  }
}

// Writes one row. The groups follow each other as "inputs  outputs-or-list
// generated-or-list  errors", each number followed by a blank; a group of
// a table that is absent is left out with its separating blanks. A label
// list that would be followed by numbers in its row moves to the end of the
// row instead, where the reader expects it.
void WriteRowTo(char* scratch, TextOutput& out, const DataSetShape& shape, const double* inputs,
                const double* expected, const TLabelList* list1, const double* generated,
                const double* errors, const TLabelList* list2) {
  const bool defer1 = shape.labels1 && (shape.generated > 0 || shape.error > 0);
  const bool defer2 = shape.labels2 && shape.error > 0;
  const TLabelList none;
  if (shape.first) {
    WriteNumbers(out, inputs, shape.inputs);
    out.Write("  ");
    if (shape.labels1) {
      if (!defer1) WriteLabelList(scratch, out, list1 != nullptr ? *list1 : none);
    } else {
      WriteNumbers(out, expected, shape.expected);
    }
  }
  if (shape.second) {
    out.Write("  ");
    if (shape.labels2) {
      if (!defer2) WriteLabelList(scratch, out, list2 != nullptr ? *list2 : none);
    } else {
      WriteNumbers(out, generated, shape.generated);
    }
    out.Write("  ");
    WriteNumbers(out, errors, shape.error);
  }
  if (defer1) WriteLabelList(scratch, out, list1 != nullptr ? *list1 : none);
  if (defer2) WriteLabelList(scratch, out, list2 != nullptr ? *list2 : none);
  out.Newline();
}

// The shape of a file that holds the given tables.
DataSetShape ShapeOf(const Data* first, const Data* second, int rows) {
  DataSetShape shape;
  shape.rows = rows;
  if (first != nullptr) {
    shape.first = true;
    shape.labels1 = first->HasLabels();
    shape.inputs = Columns(first->GetNumInputs());
    shape.expected = shape.labels1 ? 0 : Columns(first->GetNumOutputs());
  }
  if (second != nullptr) {
    shape.second = true;
    shape.labels2 = second->HasLabels();
    shape.generated = shape.labels2 ? 0 : Columns(second->GetNumInputs());
    shape.error = Columns(second->GetNumOutputs());
  }
  return shape;
}

// Hands every slot of the tables, in slot order, to emit as the row
// arrays and lists of WriteRowTo.
template <class Emit>
void EachRow(const Data* first, const Data* second, const DataSetShape& shape, Emit emit) {
  for (int slot = 0; slot < shape.rows; ++slot) {
    if (first != nullptr) RequireRow(*first, slot);
    if (second != nullptr) RequireRow(*second, slot);
    emit(shape.inputs > 0 ? first->InputRowData(slot) : nullptr,
         shape.expected > 0 ? first->OutputRowData(slot) : nullptr,
         shape.labels1 ? first->GetLabels(slot) : nullptr,
         shape.generated > 0 ? second->InputRowData(slot) : nullptr,
         shape.error > 0 ? second->OutputRowData(slot) : nullptr,
         shape.labels2 ? second->GetLabels(slot) : nullptr);
  }
}

int Finish(TextOutput& out) { return out.Close() ? SUCCESS : OPEN_FAILED; }

}  // namespace

namespace {

void WriteHeaderTo(char* scratch, TextOutput& out, int inputs, int expected_outputs,
                   int generated_outputs, int error, int rows) {
  auto attribute = [&](const char* keyword, int value) {
    if (value == kLabelsCount) {
      WriteStringValue(scratch, out, keyword, kLabelsValue, true);
    } else {
      WriteIntegerValue(scratch, out, keyword, value, true);
    }
  };
  WriteFormatVersion(scratch, out);
  WriteOpenTag(scratch, out, kDataSetKeyword, true);
  attribute(kRowsKeyword, rows);
  attribute(kInputsKeyword, inputs);
  attribute(kExpectedOutputsKeyword, expected_outputs);
  attribute(kGeneratedOutputsKeyword, generated_outputs);
  attribute(kErrorKeyword, error);
  WriteNewline(scratch, out);
  WriteOpenTag(scratch, out, kDataKeyword, true);
}

void WriteTrailerTo(char* scratch, TextOutput& out) {
  WriteEndTag(scratch, out, kDataKeyword);
  WriteNewline(scratch, out);
  WriteEndTag(scratch, out, kDataSetKeyword);
}

}  // namespace

int WriteDataSetHeader(char* scratch, const char* name, int inputs, int expected_outputs,
                       int generated_outputs, int error, int rows) {
  if (rows < 0) return BAD_ARGUMENT;
  TextOutput out;
  if (!out.Open(name, TextOutput::Mode::kCreate)) return OPEN_FAILED;
  WriteHeaderTo(scratch, out, inputs, expected_outputs, generated_outputs, error, rows);
  return Finish(out);
}

int WriteDataSetRows(char* scratch, const char* name, const Data* first, const Data* second,
                     TKQstructure* options) {
  delete options;
  int inputs, expected, generated, error, rows;
  const int code = DeriveCounts(first, second, &inputs, &expected, &generated, &error, &rows);
  if (code != SUCCESS) return code;
  TextOutput out;
  if (!out.Open(name, TextOutput::Mode::kAppend)) return OPEN_FAILED;
  const DataSetShape shape = ShapeOf(first, second, rows);
  EachRow(first, second, shape, [&](auto... row) { WriteRowTo(scratch, out, shape, row...); });
  return Finish(out);
}

int WriteDataSetTrailer(char* scratch, const char* name) {
  TextOutput out;
  if (!out.Open(name, TextOutput::Mode::kAppend)) return OPEN_FAILED;
  WriteTrailerTo(scratch, out);
  return Finish(out);
}

void WriteLabelList(char* scratch, TextOutput& out, const TLabelList& list) {
  OpenBracket(scratch, out, true);
  for (int i = 0; i < list.count; ++i) {
    const TLabel& label = list.labels[i];
    if (label.value == 1.0) {
      WriteItem(scratch, TagWord, label.name, nullptr, out, false);
    } else {
      WriteNumberValue(scratch, out, label.name, label.value, kLabelPrecision, false);
    }
  }
  CloseBracket(scratch, out, true, false);
  out.Put(' ');
}

int SaveDataSet(char* scratch, const char* name, const Data* first, const Data* second,
                TKQstructure* options) {
  delete options;
  int inputs, expected, generated, error, rows;
  int code = DeriveCounts(first, second, &inputs, &expected, &generated, &error, &rows);
  if (code != SUCCESS) return code;

  // Written beside the target in one go (the same text as the three
  // writers in turn) and renamed over it only when complete.
  const DataSetShape shape = ShapeOf(first, second, rows);
  DataSetRowWriter writer(scratch);
  code = writer.Open(name, shape);
  if (code != SUCCESS) return code;
  EachRow(first, second, shape, [&](auto... row) { writer.WriteRow(row...); });
  return writer.Commit();
}

// ---------------------------------------------------------------------------
// Row by row

struct DataSetRowReader::State {
  TextInput in;
  Layout layout;
  std::string dataset_name;
  std::string data_name;
};

DataSetRowReader::DataSetRowReader(char* scratch) : scratch_(scratch) {}
DataSetRowReader::~DataSetRowReader() = default;

int DataSetRowReader::Open(const char* name) {
  state_ = std::make_unique<State>();
  if (!state_->in.Open(name)) return OPEN_FAILED;
  return ReadPrologue(scratch_, state_->in, &state_->layout, &state_->dataset_name,
                      &state_->data_name);
}

const DataSetShape& DataSetRowReader::Shape() const { return state_->layout; }

void DataSetRowReader::ReadRow(double* inputs, double* expected, double* generated,
                               double* errors, TLabelList* labels1, TLabelList* labels2) {
  if (!state_->layout.first && !state_->layout.second) return;  // rows hold nothing
  ReadRowInto(scratch_, state_->in, state_->data_name.c_str(), state_->layout, inputs, expected,
              generated, errors, labels1, labels2);
}

void DataSetRowReader::Finish() {
  ExpectEnd(scratch_, state_->in, state_->data_name.c_str());
  ExpectEnd(scratch_, state_->in, state_->dataset_name.c_str());
  ExpectEnd(scratch_, state_->in, nullptr);
}

// The output is opened in replace mode: it writes name + ".saving" and puts
// it in place at Close; abandoned unclosed, it removes the temporary.
struct DataSetRowWriter::State {
  TextOutput out;
  DataSetShape shape;
};

DataSetRowWriter::DataSetRowWriter(char* scratch) : scratch_(scratch) {}

DataSetRowWriter::~DataSetRowWriter() = default;

int DataSetRowWriter::Open(const char* name, const DataSetShape& shape) {
  if (shape.rows < 0 || (!shape.first && !shape.second)) return BAD_ARGUMENT;
  state_ = std::make_unique<State>();
  state_->shape = shape;
  if (!state_->out.Open(name, TextOutput::Mode::kReplace)) return OPEN_FAILED;
  const int expected = shape.labels1 ? kLabelsCount : (shape.first ? shape.expected : 0);
  const int generated = shape.labels2 ? kLabelsCount : (shape.second ? shape.generated : 0);
  WriteHeaderTo(scratch_, state_->out, shape.first ? shape.inputs : 0, expected, generated,
                shape.second ? shape.error : 0, shape.rows);
  return SUCCESS;
}

void DataSetRowWriter::WriteRow(const double* inputs, const double* expected,
                                const TLabelList* labels1, const double* generated,
                                const double* errors, const TLabelList* labels2) {
  WriteRowTo(scratch_, state_->out, state_->shape, inputs, expected, labels1, generated, errors,
             labels2);
}

int DataSetRowWriter::Commit() {
  WriteTrailerTo(scratch_, state_->out);
  return state_->out.Close() ? SUCCESS : OPEN_FAILED;
}
