#include "Working/DataObject/Data.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>

#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"

namespace {

constexpr char kSourceFile[] = "Working/DataObject/Data.cpp";

// The table's messages. The first four are the documented ones; the rest
// refuse calls that have no meaning on the table at hand.
constexpr char kBadParameter[] = "Bad Parameter";
constexpr char kInvalidRow[] = "Invalid Data Row";
constexpr char kInvalidInputColumn[] = "Invalid Input Data Column";
constexpr char kInvalidOutputColumn[] = "Invalid Output Data Column";
constexpr char kBlockFault[] = "Data Block Fault";
constexpr char kNoLabels[] = "Table Has No Labels";
constexpr char kNoSlots[] = "Table Has No Row Slots";
constexpr char kNoDataRows[] = "No Data Rows";
constexpr char kInvalidColumnCount[] = "Invalid Column Count";
constexpr char kInvalidLabelName[] = "Invalid Label Name";

[[noreturn]] void Refuse(const char* message, const char* origin) {
  throw TException(message, kBadParameter, origin, nullptr);
}

bool PointsInto(const std::vector<double>& block, const double* p) {
  if (p == nullptr || block.empty()) return false;
  const std::less<const double*> before;
  return !before(p, block.data()) && before(p, block.data() + block.size());
}

}  // namespace

Data::Data(int slots, int inputs, int outputs, bool labels)
    : MbrNdxRows(slots), MbrNdxDataRows(0), MbrLngInputs(inputs), MbrLngOutputs(outputs),
      MbrBlnLabels(labels), MbrNdxFirstRow(0), MbrNdxLastRow(0), MbrNdxCurrentRow(0),
      MbrLngSelectedInputs(0), MbrLngSelectedOutputs(0), allocated_rows_(0) {
  // Only slot 0 gets storage now: it is readable (as zeros) even before the
  // first row arrives. Everything else grows with AppendRow.
  if (MbrNdxRows > 0) {
    GrowToHold(0);
    if (MbrLngInputs > 0) {
      FatalAssert(!MbrDyaRtpInputs.empty(), "MbrDyaRtpInputs != 0", kSourceFile, 107);
    }
    if (MbrLngOutputs > 0) {
      FatalAssert(!MbrDyaRtpOutputs.empty(), "MbrDyaRtpOutputs != 0", kSourceFile, 126);
    }
  }
}

Data::~Data() = default;

bool Data::IsValidRow(int slot) const {
  if (slot < 0 || slot >= MbrNdxRows) return false;
  if (MbrNdxFirstRow <= MbrNdxLastRow) return slot >= MbrNdxFirstRow && slot <= MbrNdxLastRow;
  return slot >= MbrNdxFirstRow || slot <= MbrNdxLastRow;
}

void Data::GrowToHold(int slot) {
  if (slot < allocated_rows_) return;
  // Doubling keeps appends amortised constant; the slot count caps it.
  const std::int64_t wanted = std::max<std::int64_t>(slot + std::int64_t{1}, 2 * std::int64_t{allocated_rows_});
  Allocate(static_cast<std::size_t>(std::min<std::int64_t>(wanted, MbrNdxRows)));
}

void Data::Reserve(int rows) {
  if (rows > allocated_rows_) Allocate(static_cast<std::size_t>(std::min(rows, MbrNdxRows)));
}

void Data::Allocate(std::size_t rows) {
  if (rows <= static_cast<std::size_t>(allocated_rows_)) return;
  if (const std::size_t width = Width(MbrLngInputs); width > 0) {
    MbrDyaRtpInputs.reserve(rows * width);
    MbrDyaRtpInputs.resize(rows * width, 0.0);
    FatalAssert(MbrDyaRtpInputs.size() == rows * width, "RtpNewInputRow != 0", kSourceFile, 113);
  }
  if (const std::size_t width = Width(MbrLngOutputs); width > 0) {
    MbrDyaRtpOutputs.reserve(rows * width);
    MbrDyaRtpOutputs.resize(rows * width, 0.0);
    FatalAssert(MbrDyaRtpOutputs.size() == rows * width, "RtpNewOutputRow != 0", kSourceFile, 132);
  }
  if (MbrBlnLabels) {
    MbrDyaLabels.reserve(rows);
    MbrDyaLabels.resize(rows);
  }
  allocated_rows_ = static_cast<int>(rows);
}

bool Data::PointsIntoStorage(const double* p) const {
  return PointsInto(MbrDyaRtpInputs, p) || PointsInto(MbrDyaRtpOutputs, p);
}

void Data::CheckRow(int slot, const char* origin) const {
  if (!IsValidRow(slot)) Refuse(kInvalidRow, origin);
}

void Data::CheckLabelled(const char* origin) const {
  if (!MbrBlnLabels) Refuse(kNoLabels, origin);
}

void Data::CheckStoredRows(const char* origin) const {
  if (MbrNdxDataRows <= 0) Refuse(kNoDataRows, origin);
}

// ---- Storing rows ----------------------------------------------------------

int Data::NextAppendSlot() const {
  if (MbrNdxDataRows == 0) return 0;
  if (MbrNdxDataRows < MbrNdxRows) return MbrNdxDataRows;
  return MbrNdxLastRow + 1 == MbrNdxRows ? 0 : MbrNdxLastRow + 1;
}

void Data::AdvanceRing() {
  if (MbrNdxDataRows == 0) {
    MbrNdxDataRows = 1;
  } else if (MbrNdxDataRows < MbrNdxRows) {
    ++MbrNdxDataRows;
    MbrNdxLastRow = MbrNdxDataRows - 1;
  } else {
    MbrNdxFirstRow = MbrNdxFirstRow + 1 == MbrNdxRows ? 0 : MbrNdxFirstRow + 1;
    MbrNdxLastRow = MbrNdxLastRow + 1 == MbrNdxRows ? 0 : MbrNdxLastRow + 1;
  }
}

void Data::CopyRowIn(int slot, const double* inputs, const double* outputs) {
  // memmove: a caller may hand back a row of this very slot.
  if (inputs != nullptr && MbrLngInputs > 0) {
    std::memmove(InputRow(slot), inputs, Width(MbrLngInputs) * sizeof(double));
  }
  if (outputs != nullptr && MbrLngOutputs > 0) {
    std::memmove(OutputRow(slot), outputs, Width(MbrLngOutputs) * sizeof(double));
  }
}

void Data::AppendRow(const double* inputs, const double* outputs, const TLabelList* labels) {
  // Copy the list first: it may live in this table's storage, which may move.
  TLabelList copy;
  if (MbrBlnLabels && labels != nullptr) copy = *labels;
  AppendRow(inputs, outputs, std::move(copy));
}

void Data::AppendRow(const double* inputs, const double* outputs, TLabelList&& labels) {
  FatalAssert(MbrNdxDataRows <= MbrNdxRows, "MbrNdxDataRows <= MbrNdxRows", kSourceFile, 671);
  if (MbrNdxRows <= 0) Refuse(kNoSlots, "Data::AppendRow");
  // Taken over before the storage can move, in case the list lives in it.
  TLabelList list = MbrBlnLabels ? std::move(labels) : TLabelList();
  const int slot = NextAppendSlot();
  std::vector<double> staged_inputs;
  std::vector<double> staged_outputs;
  if (slot >= allocated_rows_) {
    // Growing moves the storage; rows taken from it must be saved first.
    if (PointsIntoStorage(inputs)) {
      staged_inputs.assign(inputs, inputs + Width(MbrLngInputs));
      inputs = staged_inputs.data();
    }
    if (PointsIntoStorage(outputs)) {
      staged_outputs.assign(outputs, outputs + Width(MbrLngOutputs));
      outputs = staged_outputs.data();
    }
    GrowToHold(slot);
  }
  AdvanceRing();
  CopyRowIn(slot, inputs, outputs);
  if (MbrBlnLabels) MbrDyaLabels[static_cast<std::size_t>(slot)] = std::move(list);
}

void Data::AppendRows(const double* const* inputs, const double* const* outputs, int n,
                      const TLabelList* labels) {
  for (int i = 0; i < n; ++i) {
    AppendRow(inputs != nullptr ? inputs[i] : nullptr, outputs != nullptr ? outputs[i] : nullptr,
              labels != nullptr ? &labels[i] : nullptr);
  }
}

void Data::SetRow(int slot, const double* inputs, const double* outputs,
                  const TLabelList* labels) {
  CheckRow(slot, "Data::SetRow");
  CopyRowIn(slot, inputs, outputs);
  if (MbrBlnLabels) {
    TLabelList& target = MbrDyaLabels[static_cast<std::size_t>(slot)];
    if (labels == nullptr) {
      target.Clear();
    } else {
      target = *labels;
    }
  }
}

// ---- Access by slot --------------------------------------------------------

double Data::GetInputDatum(int slot, int column) const {
  CheckRow(slot, "Data::GetInputDatum");
  if (column < 0 || column >= MbrLngInputs) Refuse(kInvalidInputColumn, "Data::GetInputDatum");
  return InputRow(slot)[column];
}

double Data::GetOutputDatum(int slot, int column) const {
  CheckRow(slot, "Data::GetOutputDatum");
  if (column < 0 || column >= MbrLngOutputs) Refuse(kInvalidOutputColumn, "Data::GetOutputDatum");
  return OutputRow(slot)[column];
}

void Data::SetInputDatum(int slot, int column, double value) {
  CheckRow(slot, "Data::SetInputDatum");
  if (column < 0 || column >= MbrLngInputs) Refuse(kInvalidInputColumn, "Data::SetInputDatum");
  InputRow(slot)[column] = value;
}

void Data::SetOutputDatum(int slot, int column, double value) {
  CheckRow(slot, "Data::SetOutputDatum");
  if (column < 0 || column >= MbrLngOutputs) Refuse(kInvalidOutputColumn, "Data::SetOutputDatum");
  OutputRow(slot)[column] = value;
}

TLabelList* Data::GetLabels(int slot) {
  CheckRow(slot, "Data::GetLabels");
  return MbrBlnLabels ? &MbrDyaLabels[static_cast<std::size_t>(slot)] : nullptr;
}

const TLabelList* Data::GetLabels(int slot) const {
  CheckRow(slot, "Data::GetLabels");
  return MbrBlnLabels ? &MbrDyaLabels[static_cast<std::size_t>(slot)] : nullptr;
}

void Data::SetLabels(int slot, const TLabelList* labels) {
  CheckRow(slot, "Data::SetLabels");
  CheckLabelled("Data::SetLabels");
  TLabelList& target = MbrDyaLabels[static_cast<std::size_t>(slot)];
  if (labels == nullptr) {
    target.Clear();
  } else {
    target = *labels;  // safe when labels is this or another slot's list
  }
}

void Data::ClearLabels(int slot) {
  CheckRow(slot, "Data::ClearLabels");
  CheckLabelled("Data::ClearLabels");
  MbrDyaLabels[static_cast<std::size_t>(slot)].Clear();
}

void Data::AppendLabel(int slot, double value, const char* name) {
  CheckRow(slot, "Data::AppendLabel");
  CheckLabelled("Data::AppendLabel");
  if (name == nullptr) Refuse(kInvalidLabelName, "Data::AppendLabel");
  MbrDyaLabels[static_cast<std::size_t>(slot)].AddLabel(name, value);
}

void Data::GetInputRow(int slot, double* row) const {
  CheckRow(slot, "Data::GetInputRow");
  if (row != nullptr && MbrLngInputs > 0) std::copy_n(InputRow(slot), Width(MbrLngInputs), row);
}

void Data::GetOutputRow(int slot, double* row) const {
  CheckRow(slot, "Data::GetOutputRow");
  if (row != nullptr && MbrLngOutputs > 0) {
    std::copy_n(OutputRow(slot), Width(MbrLngOutputs), row);
  }
}

std::vector<int> Data::CheckedColumns(int n, const int* columns, int limit, const char* message,
                                      const char* origin) {
  if (n < 0 || (n > 0 && columns == nullptr)) Refuse(kInvalidColumnCount, origin);
  for (int i = 0; i < n; ++i) {
    if (columns[i] < 0 || columns[i] >= limit) Refuse(message, origin);
  }
  return std::vector<int>(columns, columns + n);
}

void Data::GetInputRow(int slot, double* row, int n, const int* columns) const {
  CheckRow(slot, "Data::GetInputRow");
  CheckedColumns(n, columns, MbrLngInputs, kInvalidInputColumn, "Data::GetInputRow");
  if (row == nullptr) return;
  const double* source = InputRow(slot);
  for (int i = 0; i < n; ++i) row[i] = source[columns[i]];
}

void Data::GetOutputRow(int slot, double* row, int n, const int* columns) const {
  CheckRow(slot, "Data::GetOutputRow");
  CheckedColumns(n, columns, MbrLngOutputs, kInvalidOutputColumn, "Data::GetOutputRow");
  if (row == nullptr) return;
  const double* source = OutputRow(slot);
  for (int i = 0; i < n; ++i) row[i] = source[columns[i]];
}

int Data::GetBlock(double** inputs, double** outputs, int start, int end) const {
  if (!IsValidRow(start)) Refuse(kBlockFault, "Data::GetBlock");
  end = std::min(end, MbrNdxLastRow);
  int count = 0;
  for (int slot = start; slot <= end; ++slot, ++count) {
    GetInputRow(slot, inputs != nullptr ? inputs[count] : nullptr);
    GetOutputRow(slot, outputs != nullptr ? outputs[count] : nullptr);
  }
  return count;
}

const double* Data::InputRowData(int slot) const {
  FatalAssert(IsValidRow(slot), "IsValidRow(slot)", kSourceFile, __LINE__);
  return MbrLngInputs > 0 ? InputRow(slot) : nullptr;
}

const double* Data::OutputRowData(int slot) const {
  FatalAssert(IsValidRow(slot), "IsValidRow(slot)", kSourceFile, __LINE__);
  return MbrLngOutputs > 0 ? OutputRow(slot) : nullptr;
}

// ---- Cursor ----------------------------------------------------------------

void Data::Rewind() { MbrNdxCurrentRow = MbrNdxLastRow; }

void Data::GetNextRow(double* inputs, double* outputs, TLabelList** labels) {
  CheckStoredRows("Data::GetNextRow");
  if (MbrNdxDataRows == 1) {
    MbrNdxCurrentRow = MbrNdxFirstRow;
  } else if (MbrNdxFirstRow <= MbrNdxLastRow) {
    MbrNdxCurrentRow = MbrNdxCurrentRow + 1 > MbrNdxLastRow ? MbrNdxFirstRow : MbrNdxCurrentRow + 1;
  } else {
    MbrNdxCurrentRow = MbrNdxCurrentRow + 1 >= MbrNdxRows ? 0 : MbrNdxCurrentRow + 1;
  }
  CopyCurrentRowOut(inputs, outputs, labels, MbrDyaSelectedInputs == nullptr);
}

void Data::GetPreviousRow(double* inputs, double* outputs) {
  CheckStoredRows("Data::GetPreviousRow");
  if (MbrNdxDataRows == 1) {
    MbrNdxCurrentRow = MbrNdxFirstRow;
  } else if (MbrNdxFirstRow <= MbrNdxLastRow) {
    MbrNdxCurrentRow = MbrNdxCurrentRow - 1 < MbrNdxFirstRow ? MbrNdxLastRow : MbrNdxCurrentRow - 1;
  } else {
    MbrNdxCurrentRow = MbrNdxCurrentRow - 1 < 0 ? MbrNdxRows - 1 : MbrNdxCurrentRow - 1;
  }
  CopyCurrentRowOut(inputs, outputs, nullptr, false);
}

void Data::GetCurrentRow(double* inputs, double* outputs, TLabelList** labels) {
  CheckRow(MbrNdxCurrentRow, "Data::GetCurrentRow");
  CopyCurrentRowOut(inputs, outputs, labels, true);
}

void Data::CopyCurrentRowOut(double* inputs, double* outputs, TLabelList** labels,
                             bool give_labels) {
  const int slot = MbrNdxCurrentRow;
  const double* input_row = InputRow(slot);
  const double* output_row = OutputRow(slot);
  if (inputs != nullptr) {
    if (MbrDyaSelectedInputs == nullptr) {
      std::copy_n(input_row, Width(MbrLngInputs), inputs);
    } else {
      for (int i = 0; i < MbrLngSelectedInputs; ++i) inputs[i] = input_row[MbrDyaSelectedInputs[i]];
    }
  }
  if (outputs != nullptr) {
    // An output selection counts only together with an input selection.
    if (MbrDyaSelectedInputs == nullptr || MbrDyaSelectedOutputs == nullptr) {
      std::copy_n(output_row, Width(MbrLngOutputs), outputs);
    } else {
      for (int i = 0; i < MbrLngSelectedOutputs; ++i) {
        outputs[i] = output_row[MbrDyaSelectedOutputs[i]];
      }
    }
  }
  if (give_labels && labels != nullptr) {
    *labels = MbrBlnLabels ? &MbrDyaLabels[static_cast<std::size_t>(slot)] : nullptr;
  }
}

// ---- Column selections -----------------------------------------------------

namespace {

std::unique_ptr<int[]> Install(const std::vector<int>& columns) {
  if (columns.empty()) return nullptr;
  std::unique_ptr<int[]> copy(new int[columns.size()]);
  std::copy(columns.begin(), columns.end(), copy.get());
  return copy;
}

}  // namespace

void Data::SetInputSelection(int n, const int* columns) {
  const std::vector<int> checked =
      CheckedColumns(n, columns, MbrLngInputs, kInvalidInputColumn, "Data::SetInputSelection");
  MbrDyaSelectedInputs = Install(checked);
  MbrLngSelectedInputs = n;
}

void Data::GetInputSelection(int* n, int** columns) const {
  if (n != nullptr) *n = MbrLngSelectedInputs;
  if (columns == nullptr) return;
  *columns = nullptr;
  if (MbrDyaSelectedInputs != nullptr) {
    *columns = new int[static_cast<std::size_t>(MbrLngSelectedInputs)];
    std::copy_n(MbrDyaSelectedInputs.get(), MbrLngSelectedInputs, *columns);
  }
}

void Data::SetSelection(int n_inputs, const int* input_columns, int n_outputs,
                        const int* output_columns) {
  const std::vector<int> inputs = CheckedColumns(n_inputs, input_columns, MbrLngInputs,
                                                 kInvalidInputColumn, "Data::SetSelection");
  const std::vector<int> outputs = CheckedColumns(n_outputs, output_columns, MbrLngOutputs,
                                                  kInvalidOutputColumn, "Data::SetSelection");
  MbrDyaSelectedInputs = Install(inputs);
  MbrLngSelectedInputs = n_inputs;
  MbrDyaSelectedOutputs = Install(outputs);
  MbrLngSelectedOutputs = n_outputs;
}

// ---- Copying ---------------------------------------------------------------

Data* Data::Clone() const {
  auto clone = std::make_unique<Data>(MbrNdxRows, MbrLngInputs, MbrLngOutputs, MbrBlnLabels);
  FatalAssert(clone != nullptr, "PtrDatClone != 0", kSourceFile, 911);
  // Slots outside the valid range hold nothing but zeros, in the source as
  // in the fresh copy, so copying every slot that has storage up to the
  // newest one copies exactly the valid slots.
  if (MbrNdxRows > 0) {
    const int used = MbrNdxDataRows == MbrNdxRows ? MbrNdxRows : std::max(MbrNdxDataRows, 1);
    clone->GrowToHold(used - 1);
    std::copy_n(MbrDyaRtpInputs.begin(), static_cast<std::size_t>(used) * Width(MbrLngInputs),
                clone->MbrDyaRtpInputs.begin());
    std::copy_n(MbrDyaRtpOutputs.begin(), static_cast<std::size_t>(used) * Width(MbrLngOutputs),
                clone->MbrDyaRtpOutputs.begin());
    if (MbrBlnLabels) {
      for (int slot = 0; slot < used; ++slot) {
        clone->MbrDyaLabels[static_cast<std::size_t>(slot)] =
            MbrDyaLabels[static_cast<std::size_t>(slot)];
      }
    }
  }
  clone->MbrNdxDataRows = MbrNdxDataRows;
  clone->MbrNdxFirstRow = MbrNdxFirstRow;
  clone->MbrNdxLastRow = MbrNdxLastRow;
  clone->MbrNdxCurrentRow = MbrNdxCurrentRow;
  if (MbrDyaSelectedInputs != nullptr) {
    clone->MbrDyaSelectedInputs.reset(new int[static_cast<std::size_t>(MbrLngSelectedInputs)]);
    std::copy_n(MbrDyaSelectedInputs.get(), MbrLngSelectedInputs, clone->MbrDyaSelectedInputs.get());
    clone->MbrLngSelectedInputs = MbrLngSelectedInputs;
  }
  if (MbrDyaSelectedOutputs != nullptr) {
    clone->MbrDyaSelectedOutputs.reset(new int[static_cast<std::size_t>(MbrLngSelectedOutputs)]);
    std::copy_n(MbrDyaSelectedOutputs.get(), MbrLngSelectedOutputs,
                clone->MbrDyaSelectedOutputs.get());
    clone->MbrLngSelectedOutputs = MbrLngSelectedOutputs;
  }
  return clone.release();
}
