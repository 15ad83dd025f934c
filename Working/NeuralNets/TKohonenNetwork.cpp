#include "Working/NeuralNets/TKohonenNetwork.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"

// ============================================================================
// Map labelling
// ============================================================================

namespace {

constexpr char kSourceFile[] = "Working/NeuralNets/TKohonenNetwork.cpp";
constexpr char kBadParameter[] = "Bad Parameter";
constexpr char kColumnMismatch[] = "Coordinate Columns Do Not Match Map";
constexpr char kNoMapColumns[] = "Map Has No Input Columns";

bool InIntRange(std::int64_t value) { return value >= INT_MIN && value <= INT_MAX; }

}  // namespace

int CoordinatesToIndex(int d, const int* radices, const int* coordinates) {
  if (d < 1) return kNoMapRow;
  std::int64_t index = coordinates[0];
  for (int k = 1; k < d; ++k) {
    // index stays within 32 bits before each step, so this cannot overflow.
    index = index * radices[k] + coordinates[k];
    if (!InIntRange(index)) return kNoMapRow;
  }
  return static_cast<int>(index);
}

// The radix scan. The size of dimension d-1 is the number of rows before
// coordinate d-2 first changes from 0, i.e. the first row (after row 0)
// whose column d-2 is not 0. Each earlier dimension k is found the same way,
// but in steps of one whole block of the dimensions behind it: the row
// reached by the previous scan is that block's length. Row 0 is never read.
void FindMapRadices(const Data* map, int* radices) {
  const int d = map->GetNumInputs();
  std::int64_t step = 1;
  for (int k = d - 2; k >= 0; --k) {
    int count = 0;
    std::int64_t row = 0;
    double value = 0.0;
    while (value == 0.0) {
      ++count;
      row += step;
      // A row past the 32-bit range is past the table too; let the table
      // report it like any other row it does not hold.
      value = map->GetInputDatum(row > INT_MAX ? -1 : static_cast<int>(row), k);
    }
    radices[k + 1] = count;
    step = row;
  }
}

void CheckMapColumns(const Data* map, int coordinate_columns, const char* origin) {
  if (map->GetNumInputs() != coordinate_columns) {
    throw TException(kColumnMismatch, kBadParameter, origin, nullptr);
  }
  if (coordinate_columns <= 0) throw TException(kNoMapColumns, kBadParameter, origin, nullptr);
}

TMapLabeller::TMapLabeller(const Data* map, int dimnumber, const int* radices)
    : map_(map), radices_(radices, radices + std::max(dimnumber, 0)),
      coordinates_(radices_.size()) {
  FatalAssert(dimnumber > 0 && map->GetNumInputs() == dimnumber,
              "dimnumber > 0 && Map -> GetNumInputs() == dimnumber", kSourceFile, __LINE__);
}

int TMapLabeller::IndexFor(const double* coordinates) {
  for (std::size_t j = 0; j < coordinates_.size(); ++j) {
    const double value = coordinates[j];
    // Truncation is defined only when the result fits; NaN fails both tests.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return kNoMapRow;
    coordinates_[j] = static_cast<int>(value);
  }
  return CoordinatesToIndex(GetNumDimensions(), radices_.data(), coordinates_.data());
}

const TLabelList* TMapLabeller::LabelsFor(const double* coordinates) {
  return map_->GetLabels(IndexFor(coordinates));
}

Data* LabelCoordinates(Data* coordinates, const Data* map) {
  const int d = map->GetNumInputs();
  CheckMapColumns(map, coordinates->GetNumOutputs(), "LabelCoordinates");
  std::vector<int> radices(static_cast<std::size_t>(d), 0);
  FindMapRadices(map, radices.data());
  return AttachMapLabels(coordinates, map, d, radices.data());
}

Data* AttachMapLabels(Data* coordinates, const Data* Map, int dimnumber, const int* radices) {
  const int dimnum = coordinates->GetNumOutputs();
  CheckMapColumns(Map, dimnum, "AttachMapLabels");  // "Map -> GetNumInputs() == dimnum"
  FatalAssert(dimnum == dimnumber, "dimnum == dimnumber", kSourceFile, 336);

  const int rows = coordinates->GetNumRows();
  std::unique_ptr<Data> result(new Data(rows, 0, 0, true));
  TMapLabeller labeller(Map, dimnumber, radices);
  // With both column selections in place the cursor hands out the selected
  // outputs, which may be more than dimnum.
  std::vector<double> outputs(
      static_cast<std::size_t>(std::max(dimnum, coordinates->GetNumSelectedOutputs())), 0.0);

  coordinates->Rewind();
  for (int i = 0; i < rows; ++i) {
    coordinates->GetNextRow(nullptr, outputs.data(), nullptr);
    result->AppendRow(nullptr, nullptr, labeller.LabelsFor(outputs.data()));
  }
  return result.release();
}
