// DataSet files: the text form of one or two Data tables with the same
// number of rows.
//
//   [FormatVersion = 1.0]
//
//   [DataSet]
//   [Rows = 3]
//   [Inputs = 0]
//   [ExpectedOutputs = Labels]
//   [GeneratedOutputs = 0]
//   [Error = 0]
//
//   [Data]
//     [cat ]
//     [dog=2.500000000 cat ]
//     []
//   [~Data]
//
//   [~DataSet]
//
// The first table holds Inputs input columns and ExpectedOutputs output
// columns, or a label list per row when ExpectedOutputs is "Labels"; the
// optional second table holds GeneratedOutputs input columns (or a label
// list) and Error output columns. Header attributes come in the order
// Inputs, ExpectedOutputs, GeneratedOutputs, Error, each optional (0), with
// Rows anywhere among them and required. A row holds all its numbers first
// (Inputs, ExpectedOutputs, GeneratedOutputs, Error), then the first
// table's label list, then the second table's.
//
// Every operation takes the caller's scratch area first (kScratchSize
// bytes, see ParseTools.h); one area may serve every call in turn. Options
// arguments may be null; an operation that takes one takes ownership of it
// and destroys it without reading it.
//
// Failures: file-level outcomes are the result codes below; malformed text
// throws FileTools::Error; a table that cannot supply a row it is asked to
// write throws TException (from the table). Tables returned through Data**
// results belong to the caller. A result is set to null before reading
// starts (not after OPEN_FAILED, which leaves it alone) and is set as soon
// as its table exists, so after an exception it may hold a partly filled
// table that the caller must delete. A table is created once the file's
// first row has been read (at once when it declares no rows): a header may
// declare any number of columns, but only rows the file holds take memory.
#ifndef MAPTAG_WORKING_FILEHANDLER_FILER_H_
#define MAPTAG_WORKING_FILEHANDLER_FILER_H_

#include <memory>
#include <string>

class Data;
class TKQstructure;
class TLabelList;
class TextInput;
class TextOutput;
struct TTag;

// Result codes.
inline constexpr int SUCCESS = 0;
inline constexpr int OPEN_FAILED = -81;   // a file cannot be opened, written or renamed
inline constexpr int BAD_FORMAT = -82;    // a malformed header, or a second table where
                                          // only one is accepted
inline constexpr int BAD_ARGUMENT = -83;  // no table, tables of different sizes, or a
                                          // negative block position or row count

// The shape of a DataSet file as its header declares it.
struct DataSetShape {
  int inputs = 0;
  int expected = 0;   // columns; 0 when labels1
  int generated = 0;  // columns; 0 when labels2
  int error = 0;
  int rows = -1;
  bool labels1 = false;  // ExpectedOutputs = Labels
  bool labels2 = false;  // GeneratedOutputs = Labels
  bool first = false;    // the file holds a first table
  bool second = false;   // the file holds a second table
};

// Reads a whole DataSet file into up to two new tables. A header that
// declares no columns and no labels for a table yields no table (the result
// stays null) although the read succeeds.
int LoadDataSet(char* scratch, const char* name, Data** first, Data** second,
                TKQstructure* options);
// Reads a file that must hold no second table: BAD_FORMAT when it does (the
// second table is dropped; *first is set and belongs to the caller).
int LoadData(char* scratch, const char* name, Data** first);

// Reads count rows of the data block, starting *offset bytes after the end
// of the "Data" start tag, into new tables of count slots; *offset becomes
// the number of bytes consumed from the start of the data block, so that a
// following call goes on with the next row. The one-table form reads and
// drops a second table.
int LoadDataBlock(char* scratch, const char* name, long* offset, int count, Data** first,
                  Data** second);
int LoadDataBlock(char* scratch, const char* name, long* offset, int count, Data** first);

// Reads the header attributes after the "DataSet" start tag. Counts not
// given are 0 (*rows -1); "Labels" reads as -1. *tag receives the first tag
// that is not an attribute. Returns SUCCESS or BAD_FORMAT; throws
// FileTools::Error "No labels in inputs" for a negative or "Labels" value of
// Inputs, Error or Rows.
int ReadDataSetHeader(char* scratch, TextInput& in, int* inputs, int* expected_outputs,
                      int* generated_outputs, int* error, int* rows, TTag* tag);

// Reads one bracketed label list, "[a b=0.5 a]", into a new list owned by
// the caller. Repeated names add up. Throws FileTools::Error at the end of
// the input ("Unexpected end of file") or when the list does not begin with
// "[" ("Label list expected").
TLabelList* ReadLabelList(char* scratch, TextInput& in);

// Writes one or two tables (either may be null, not both; both must have
// the same number of slots) to the file name. The file is written under a
// temporary name beside it (name + ".saving") and renamed over name only
// when complete, so a failed save leaves an earlier file intact. Returns
// SUCCESS, BAD_ARGUMENT (nothing written) or OPEN_FAILED. A labelled table
// must have no columns in the group its labels replace (fatal otherwise).
int SaveDataSet(char* scratch, const char* name, const Data* first, const Data* second,
                TKQstructure* options);

// The three pieces of a DataSet file. The header writer creates (or
// truncates) the file; the other two append to it. Each returns SUCCESS,
// BAD_ARGUMENT or OPEN_FAILED (the file could not be opened or written).
int WriteDataSetHeader(char* scratch, const char* name, int inputs, int expected_outputs,
                       int generated_outputs, int error, int rows);
int WriteDataSetRows(char* scratch, const char* name, const Data* first, const Data* second,
                     TKQstructure* options);
int WriteDataSetTrailer(char* scratch, const char* name);

// Writes "[", each label as "name " (value exactly 1.0) or
// "name=value " (nine decimals), then "] ".
void WriteLabelList(char* scratch, TextOutput& out, const TLabelList& list);

// Reads a DataSet file one row at a time, with the same rules and messages
// as LoadDataSet, for callers that need only one row in memory:
//
//   DataSetRowReader reader(scratch);
//   if (reader.Open(name) != SUCCESS) ...;
//   for (int i = 0; i < reader.Shape().rows; ++i) reader.ReadRow(...);
//   reader.Finish();
//
// Malformed text throws FileTools::Error. The scratch area must outlive the
// reader.
class DataSetRowReader {
 public:
  explicit DataSetRowReader(char* scratch);
  ~DataSetRowReader();
  DataSetRowReader(const DataSetRowReader&) = delete;
  DataSetRowReader& operator=(const DataSetRowReader&) = delete;

  // Opens the file and reads up to the first row: SUCCESS, OPEN_FAILED or
  // the header's BAD_FORMAT.
  int Open(const char* name);
  const DataSetShape& Shape() const;
  // Reads the next row. Each array receives its group's numbers and each
  // list is filled with the row's labels (it should be empty); a null array
  // or list drops that group. Arrays hold the Shape()'s column counts.
  void ReadRow(double* inputs, double* expected, double* generated, double* errors,
               TLabelList* labels1, TLabelList* labels2);
  // Reads the closing tags and demands the end of the input.
  void Finish();

 private:
  struct State;
  char* scratch_;
  std::unique_ptr<State> state_;
};

// Writes a DataSet file one row at a time, with the bytes SaveDataSet
// writes. The file is written under name + ".saving" and renamed over name
// only by Commit; a writer destroyed before that removes its partial file,
// leaving any earlier file at name intact. The scratch area must outlive
// the writer.
class DataSetRowWriter {
 public:
  explicit DataSetRowWriter(char* scratch);
  ~DataSetRowWriter();
  DataSetRowWriter(const DataSetRowWriter&) = delete;
  DataSetRowWriter& operator=(const DataSetRowWriter&) = delete;

  // Creates the partial file and writes the header for the shape: SUCCESS,
  // BAD_ARGUMENT (shape.rows < 0, or no table) or OPEN_FAILED.
  int Open(const char* name, const DataSetShape& shape);
  // Writes one row; arrays hold the shape's column counts, lists may be
  // null (written as empty).
  void WriteRow(const double* inputs, const double* expected, const TLabelList* labels1,
                const double* generated, const double* errors, const TLabelList* labels2);
  // Writes the trailer and puts the file in place: SUCCESS or OPEN_FAILED.
  int Commit();

 private:
  struct State;
  char* scratch_;
  std::unique_ptr<State> state_;
};

#endif  // MAPTAG_WORKING_FILEHANDLER_FILER_H_
