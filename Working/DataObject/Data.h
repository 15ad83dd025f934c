// Data: the in-memory data table.
//
// A table has a fixed number of row slots. Each slot holds a row of
// GetNumInputs() input values, a row of GetNumOutputs() output values and,
// when the table carries labels, a TLabelList. Rows are appended in ring
// order: while free slots remain each new row takes the next one; once every
// slot holds a row, each new row overwrites the oldest. A cursor walks the
// stored rows in ring order, optionally through a selection of columns.
//
// Ring state: an empty table has first = last = 0. While it fills, first is 0
// and the stored rows are slots 0 .. last. Once full, first and last advance
// together with last the slot before first (modulo the slot count); the
// table is wrapped whenever last < first.
//
// Every access by slot is checked with IsValidRow (and then the column, if
// any); misuse throws TException with category "Bad Parameter", origin
// "Data::<operation>" and no details, and leaves the table unchanged. Slot 0
// of an empty table with at least one slot counts as valid and reads as
// zeros.
//
// Storage: the rows of each column group (inputs, outputs, label lists) lie
// in one contiguous block, slot i at offset i * width. The blocks grow as
// rows are appended, so a table created with a huge slot count costs little
// until its rows arrive.
//
// Ownership: the table owns its values and label lists. Pointers handed out
// (GetLabels, InputRowData, OutputRowData) are borrowed and stay valid until
// the next AppendRow/AppendRows (which may move the storage) or the table's
// destruction. Tables are not copyable; use Clone(), which returns a new
// table owned by the caller.
#ifndef MAPTAG_WORKING_DATAOBJECT_DATA_H_
#define MAPTAG_WORKING_DATAOBJECT_DATA_H_

#include <memory>
#include <vector>

#include "Working/DataObject/Labels.h"

class Data {
 public:
  // A table of `slots` empty row slots with `inputs` input and `outputs`
  // output columns (a count of 0 or less means no such columns) and, when
  // `labels` is set, a label list per slot.
  Data(int slots, int inputs, int outputs, bool labels);
  virtual ~Data();

  Data(const Data&) = delete;
  Data& operator=(const Data&) = delete;

  // Plain accessors, no checks.
  int GetNumRows() const { return MbrNdxRows; }
  int GetNumInputs() const { return MbrLngInputs; }
  int GetNumOutputs() const { return MbrLngOutputs; }
  bool HasLabels() const { return MbrBlnLabels; }
  // Ring state: stored rows, slot of the oldest and newest row, the cursor.
  int GetNumDataRows() const { return MbrNdxDataRows; }
  int GetFirstRowIndex() const { return MbrNdxFirstRow; }
  int GetLastRowIndex() const { return MbrNdxLastRow; }
  int GetCurrentRowIndex() const { return MbrNdxCurrentRow; }

  // Whether slot may be read or written by slot number (see above).
  bool IsValidRow(int slot) const;

  // ---- Storing rows -------------------------------------------------------
  // Stores a new row in ring order. inputs/outputs: GetNumInputs() /
  // GetNumOutputs() values, or null to leave that part zero (or, when an old
  // row is overwritten, unchanged). labels: copied deeply into the slot; null
  // stores an empty list. Ignored on a table without labels. The arguments
  // may point into this table. Throws ("Table Has No Row Slots",
  // "Data::AppendRow") on a table with 0 slots.
  void AppendRow(const double* inputs, const double* outputs, const TLabelList* labels);
  // As above, but a labelled table takes the list over instead of copying it
  // (for readers that build a fresh list per row); labels is left empty.
  void AppendRow(const double* inputs, const double* outputs, TLabelList&& labels);
  // AppendRow for i = 0 .. n-1 with inputs[i], outputs[i] and &labels[i]
  // (no list when labels is null). inputs/outputs may be null for "none".
  void AppendRows(const double* const* inputs, const double* const* outputs, int n,
                  const TLabelList* labels);
  // Overwrites a stored row. A null row leaves that part unchanged; on a
  // labelled table the slot's list becomes a copy of labels, or empty when
  // labels is null.
  void SetRow(int slot, const double* inputs, const double* outputs, const TLabelList* labels);

  // ---- Access by slot -----------------------------------------------------
  double GetInputDatum(int slot, int column) const;
  double GetOutputDatum(int slot, int column) const;
  void SetInputDatum(int slot, int column, double value);
  void SetOutputDatum(int slot, int column, double value);

  // The slot's label list (borrowed, owned by the table), or null when the
  // table carries no labels.
  TLabelList* GetLabels(int slot);
  const TLabelList* GetLabels(int slot) const;
  // The slot's list becomes a deep copy of labels, or empty when null.
  // SetLabels, ClearLabels and AppendLabel throw ("Table Has No Labels",
  // "Data::<operation>") on a table without labels, after the slot check.
  void SetLabels(int slot, const TLabelList* labels);
  void ClearLabels(int slot);
  // AddLabel(name, value) on the slot's list. A null name throws
  // ("Invalid Label Name", "Data::AppendLabel").
  void AppendLabel(int slot, double value, const char* name);

  // Copy all GetNumInputs() inputs (outputs) of the slot into row. A null row
  // copies nothing.
  void GetInputRow(int slot, double* row) const;
  void GetOutputRow(int slot, double* row) const;
  // Copy columns[0 .. n-1], in that order, into row. Column numbers outside
  // the table throw ("Invalid Input Data Column" / "Invalid Output Data
  // Column"); n < 0, or n > 0 with null columns, throws ("Invalid Column
  // Count"). Nothing is copied unless every check passes; a null row copies
  // nothing.
  void GetInputRow(int slot, double* row, int n, const int* columns) const;
  void GetOutputRow(int slot, double* row, int n, const int* columns) const;

  // Copies the rows of slots start .. min(end, last) in ascending slot order:
  // inputs[k] and outputs[k] receive slot start + k (either array may be null,
  // as may any row in it). Returns the number of slots copied (0 when the
  // range is empty). An invalid start throws ("Data Block Fault",
  // "Data::GetBlock").
  int GetBlock(double** inputs, double** outputs, int start, int end) const;

  // Fast row access for bulk readers and writers: the slot's values as one
  // contiguous run of GetNumInputs() (GetNumOutputs()) doubles, or null when
  // the table has no such columns. No exception: slot must satisfy
  // IsValidRow (checked by a fatal assertion, one comparison in the common
  // case). Borrowed; see the storage note above.
  const double* InputRowData(int slot) const;
  const double* OutputRowData(int slot) const;

  // ---- Cursor -------------------------------------------------------------
  // Cursor := last, so that the next GetNextRow yields the oldest row.
  void Rewind();
  // Moves the cursor one row forward in ring order, then copies the row out
  // as GetCurrentRow does, except that with an input selection the label
  // result is left untouched. Throws ("No Data Rows", "Data::GetNextRow") on
  // a table without stored rows.
  virtual void GetNextRow(double* inputs, double* outputs, TLabelList** labels);
  // Moves the cursor one row back in ring order and copies the row out.
  // Throws ("No Data Rows", "Data::GetPreviousRow") without stored rows.
  void GetPreviousRow(double* inputs, double* outputs);
  // Copies the row under the cursor out without moving. Any argument may be
  // null. Without an input selection: all inputs and all outputs. With an
  // input selection only: the selected inputs, all outputs. With both: the
  // selected inputs and the selected outputs (an output selection on its own
  // has no effect). *labels receives GetLabels(cursor). Throws
  // ("Invalid Data Row", "Data::GetCurrentRow") on a table without slots.
  void GetCurrentRow(double* inputs, double* outputs, TLabelList** labels);

  // ---- Column selections --------------------------------------------------
  // Installs a copy of columns[0 .. n-1] as the input selection; n = 0 removes
  // it. The output selection is not touched. Columns outside the table throw
  // ("Invalid Input Data Column", "Data::SetInputSelection"); n < 0, or n > 0
  // with null columns, throws ("Invalid Column Count"). Duplicates are allowed.
  void SetInputSelection(int n, const int* columns);
  // *n := the number of selected input columns; *columns := a new copy
  // (delete[] by the caller), or null when there is no input selection.
  void GetInputSelection(int* n, int** columns) const;
  // Installs both selections (each n = 0 removes that one), after checking
  // both: on failure neither changes. Origin "Data::SetSelection".
  void SetSelection(int n_inputs, const int* input_columns, int n_outputs,
                    const int* output_columns);
  // Number of entries of each selection; 0 when there is none.
  int GetNumSelectedInputs() const { return MbrLngSelectedInputs; }
  int GetNumSelectedOutputs() const { return MbrLngSelectedOutputs; }

  // Gives the first `rows` slots (at most the slot count) storage at once,
  // so that a reader that knows how many rows are coming does not grow the
  // storage step by step. Changes nothing observable.
  void Reserve(int rows);

  // ---- Copying ------------------------------------------------------------
  // A new table with the same slots, columns, stored rows, label lists (deep
  // copies), ring state, cursor and selections. Owned by the caller.
  Data* Clone() const;

 private:
  static std::size_t Width(int columns) { return columns > 0 ? static_cast<std::size_t>(columns) : 0; }

  // Makes the storage hold at least slot + 1 rows (new rows zero).
  void GrowToHold(int slot);
  // Storage for exactly `rows` slots (new rows zero); never shrinks.
  void Allocate(std::size_t rows);
  // The slot the next AppendRow fills, and the ring step that claims it.
  int NextAppendSlot() const;
  void AdvanceRing();
  bool PointsIntoStorage(const double* p) const;
  void CopyRowIn(int slot, const double* inputs, const double* outputs);
  void CheckRow(int slot, const char* origin) const;
  void CheckLabelled(const char* origin) const;
  void CheckStoredRows(const char* origin) const;
  void CopyCurrentRowOut(double* inputs, double* outputs, TLabelList** labels, bool give_labels);
  static std::vector<int> CheckedColumns(int n, const int* columns, int limit, const char* message,
                                         const char* origin);

  double* InputRow(int slot) { return MbrDyaRtpInputs.data() + slot * Width(MbrLngInputs); }
  double* OutputRow(int slot) { return MbrDyaRtpOutputs.data() + slot * Width(MbrLngOutputs); }
  const double* InputRow(int slot) const {
    return MbrDyaRtpInputs.data() + slot * Width(MbrLngInputs);
  }
  const double* OutputRow(int slot) const {
    return MbrDyaRtpOutputs.data() + slot * Width(MbrLngOutputs);
  }

  std::vector<double> MbrDyaRtpInputs;   // allocated_rows_ * inputs values, slot-major
  std::vector<double> MbrDyaRtpOutputs;  // allocated_rows_ * outputs values
  std::vector<TLabelList> MbrDyaLabels;  // allocated_rows_ lists when labelled, else empty
  int MbrNdxRows;
  int MbrNdxDataRows;
  int MbrLngInputs;
  int MbrLngOutputs;
  bool MbrBlnLabels;
  int MbrNdxFirstRow;
  int MbrNdxLastRow;
  int MbrNdxCurrentRow;
  int MbrLngSelectedInputs;
  std::unique_ptr<int[]> MbrDyaSelectedInputs;  // null: no input selection
  int MbrLngSelectedOutputs;
  std::unique_ptr<int[]> MbrDyaSelectedOutputs;  // null: no output selection
  int allocated_rows_;  // slots 0 .. allocated_rows_-1 have storage
};

#endif  // MAPTAG_WORKING_DATAOBJECT_DATA_H_
