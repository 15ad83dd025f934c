#include "Working/NeuralNets/TKohonenNetwork.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"
#include "Working/DataObject/Labels.h"
#include "Working/FileHandler/Filer.h"
#include "Working/KQmessage/KQML.h"
#include "Working/NeuralNets/TConnectedConnections.h"
#include "Working/NeuralNets/TErrorObj.h"

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

namespace {

// FindMapRadices into an array of its own. The scan's first probe is made
// before the array is allocated: a map that holds no second row fails it
// (for two dimensions or more) whatever its column count, and a map without
// rows may declare any number of columns at no cost.
std::vector<int> MapRadices(const Data* map) {
  const int d = map->GetNumInputs();
  if (d >= 2) map->GetInputDatum(1, d - 2);
  std::vector<int> radices(static_cast<std::size_t>(std::max(d, 0)), 0);
  FindMapRadices(map, radices.data());
  return radices;
}

}  // namespace

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
  CheckMapColumns(map, coordinates->GetNumOutputs(), "LabelCoordinates");
  const std::vector<int> radices = MapRadices(map);
  return AttachMapLabels(coordinates, map, map->GetNumInputs(), radices.data());
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

// The streaming labeller reads each coordinate row, labels it and writes it
// at once. Failures that the table-at-a-time sequence would raise only
// after loading the whole coordinate file (a labelling failure, a save that
// cannot start) are remembered and raised after the file's last tag, so
// that a syntax error later in the file still wins, as it would there.
TLabelFileResult LabelCoordinateFile(char* scratch, const char* coordinate_file, const Data* map,
                                     const char* output_file) {
  DataSetRowReader reader(scratch);
  if (reader.Open(coordinate_file) != SUCCESS) return TLabelFileResult::kCoordinatesNotLoaded;
  const DataSetShape& shape = reader.Shape();
  const bool loadable = shape.first && !shape.second;

  std::optional<TException> failure;
  std::optional<TMapLabeller> labeller;
  const int d = map->GetNumInputs();
  if (loadable) {
    try {
      CheckMapColumns(map, shape.expected, "LabelCoordinates");
      const std::vector<int> radices = MapRadices(map);
      labeller.emplace(map, d, radices.data());
    } catch (const TException& e) {
      failure = e;
    }
  }

  DataSetRowWriter writer(scratch);
  DataSetShape labelled;
  labelled.first = true;
  labelled.labels1 = true;
  labelled.rows = shape.rows;
  const bool writing = loadable && writer.Open(output_file, labelled) == SUCCESS;

  // Coordinates are kept only for a map they fit, whose rows back their
  // width; otherwise the header's count could ask for anything.
  std::vector<double> coordinates(labeller ? static_cast<std::size_t>(d) : 0, 0.0);
  for (int row = 0; row < shape.rows; ++row) {
    reader.ReadRow(nullptr, labeller ? coordinates.data() : nullptr, nullptr, nullptr, nullptr,
                   nullptr);
    if (failure || !labeller) continue;
    try {
      const TLabelList* labels = labeller->LabelsFor(coordinates.data());
      if (writing) writer.WriteRow(nullptr, nullptr, labels, nullptr, nullptr, nullptr);
    } catch (const TException& e) {
      failure = e;
    }
  }
  reader.Finish();

  if (!loadable) return TLabelFileResult::kCoordinatesNotLoaded;
  if (failure) throw *failure;
  if (!writing || writer.Commit() != SUCCESS) return TLabelFileResult::kOutputNotSaved;
  return TLabelFileResult::kLabelled;
}

// ============================================================================
// The Kohonen network
// ============================================================================

namespace {

constexpr int kInputLayer = 1;
constexpr int kMapLayer = 2;
constexpr char kColumnsTooFew[] = "Input Columns Do Not Match Network";

}  // namespace

TKohonenNetwork::TKohonenNetwork() : TConnectedNetwork() { Init(3); }

TKohonenNetwork::TKohonenNetwork(int numInputs, int numDims, const int* sizes)
    : TConnectedNetwork() {
  Init(3);
  int cells = 1;
  for (int k = 0; k < numDims; ++k) cells *= sizes[k];
  layers[0] = new TSimpleLayer(this, 0, 0);
  layers[kInputLayer] = new TSimpleInputLayer(this, kInputLayer, numInputs);
  layers[kMapLayer] = new TSimpleLayer(this, kMapLayer, cells);
  layers[0]->SetActivationFunction(fn_registry->GetFunction("error"));
  layers[kInputLayer]->SetActivationFunction(fn_registry->GetFunction("linear"));
  layers[kMapLayer]->SetActivationFunction(fn_registry->GetFunction("linear"));
  Connect(kInputLayer, kMapLayer);
  inLayer = kInputLayer;
  outLayer = kMapLayer;
  SetDimensions(numDims, sizes);
}

TKohonenNetwork::TKohonenNetwork(const TKohonenNetwork& other) : TConnectedNetwork(other) {
  SetDimensions(other.numDims, other.dimensions.get());
}

TKohonenNetwork& TKohonenNetwork::operator=(const TKohonenNetwork& other) {
  if (this == &other) return *this;
  TConnectedNetwork::operator=(other);
  SetDimensions(other.numDims, other.dimensions.get());
  return *this;
}

TKohonenNetwork::~TKohonenNetwork() { dimensions.reset(); }

void TKohonenNetwork::Randomize(double min, double max) {
  priv_conns_index[kMapLayer][kInputLayer]->Randomize(min, max);
}

void TKohonenNetwork::Evaluate(const double* inputs, double* outputs) {
  FindWinner(inputs, outputs);
}

const double* TKohonenNetwork::Codebook(int* stride) {
  auto* set = dynamic_cast<TConnectedConnections*>(priv_conns_index[kMapLayer][kInputLayer]);
  if (set == nullptr) return nullptr;
  *stride = layers[kInputLayer]->numNeurons;
  return set->array_weights.data();
}

// The winner search. The distance of cell i is the squared Euclidean
// distance between the input and the weights into neuron i, summed in the
// order of the components. A cell wins only when strictly nearer than the
// best so far (which starts at 1e30), so ties go to the lowest index.
//
// Every search gives results bit-identical to that plain loop: each cell's
// sum is still formed component by component in double precision (the build
// forbids contracting into fused multiply-adds). Speed comes from working on
// several cells at once. A table walk (EvaluateData, ComputeError, LabelMap,
// MapCoordinates) first copies the codebook into blocks of kWinnerBlock
// cells stored component-major, so that one component of all the block's
// cells lies side by side and the cells proceed in vector lanes. A single
// FindWinner reads the set's own rows in place.
namespace {

constexpr int kWinnerBlock = 8;

// Distances of one block of cells: block holds n groups of kWinnerBlock
// weights, group j holding component j of each cell. Written with vector
// types so that each lane is one cell; the operations are the same
// element-wise IEEE subtractions, products and sums as the plain loop's.
using Lanes = double __attribute__((vector_size(4 * sizeof(double))));
static_assert(kWinnerBlock == 8, "two groups of four lanes per block");

__attribute__((target_clones("avx2", "default"))) void BlockDistances(
    const double* input, const double* block, int n, double* distance) {
  Lanes low = {0, 0, 0, 0};
  Lanes high = {0, 0, 0, 0};
  for (int j = 0; j < n; ++j) {
    const double x = input[j];
    const Lanes xs = {x, x, x, x};
    Lanes w_low, w_high;
    std::memcpy(&w_low, block + static_cast<std::size_t>(j) * kWinnerBlock, sizeof w_low);
    std::memcpy(&w_high, block + static_cast<std::size_t>(j) * kWinnerBlock + 4, sizeof w_high);
    const Lanes d_low = xs - w_low;
    const Lanes d_high = xs - w_high;
    low += d_low * d_low;
    high += d_high * d_high;
  }
  std::memcpy(distance, &low, sizeof low);
  std::memcpy(distance + 4, &high, sizeof high);
}

// Distances of the four cells whose rows start at rows[0..3] of a
// row-major codebook: the same lane arithmetic, the lanes gathered from
// the four rows.
__attribute__((target_clones("avx2", "default"))) void RowDistances(
    const double* input, const double* const* rows, int n, double* distance) {
  Lanes sum = {0, 0, 0, 0};
  for (int j = 0; j < n; ++j) {
    const double x = input[j];
    const Lanes xs = {x, x, x, x};
    const Lanes w = {rows[0][j], rows[1][j], rows[2][j], rows[3][j]};
    const Lanes d = xs - w;
    sum += d * d;
  }
  std::memcpy(distance, &sum, sizeof sum);
}

struct Best {
  double distance = 1e30;
  int cell = -1;
  void Consider(int i, double d) {
    if (d < distance) {
      distance = d;
      cell = i;
    }
  }
};

}  // namespace

// The codebook of a network in the block layout above, for one table walk.
class TKohonenNetwork::WinnerSearch {
 public:
  explicit WinnerSearch(TKohonenNetwork& net)
      : net_(net), n_(net.layers[kInputLayer]->numNeurons), m_(net.layers[kMapLayer]->numNeurons) {
    TBasicConnections* set = net.priv_conns_index[kMapLayer][kInputLayer];
    const int blocks = (m_ + kWinnerBlock - 1) / kWinnerBlock;
    blocks_.assign(static_cast<std::size_t>(blocks) * n_ * kWinnerBlock, 0.0);
    for (int i = 0; i < m_; ++i) {
      double* block = blocks_.data() + static_cast<std::size_t>(i / kWinnerBlock) * n_ * kWinnerBlock;
      for (int j = 0; j < n_; ++j) block[j * kWinnerBlock + i % kWinnerBlock] = *set->GetWeightPtr(j, i);
    }
  }

  // As FindWinner.
  int Find(const double* input, double* output) {
    Best best;
    double distance[kWinnerBlock];
    for (int first = 0; first < m_; first += kWinnerBlock) {
      BlockDistances(input, blocks_.data() + static_cast<std::size_t>(first) * n_, n_, distance);
      const int cells = std::min(kWinnerBlock, m_ - first);
      for (int c = 0; c < cells; ++c) best.Consider(first + c, distance[c]);
    }
    return net_.Winner(best.cell, output);
  }

 private:
  TKohonenNetwork& net_;
  int n_;
  int m_;
  std::vector<double> blocks_;
};

int TKohonenNetwork::FindWinner(const double* input, double* output) {
  const int n = layers[kInputLayer]->numNeurons;
  const int m = layers[kMapLayer]->numNeurons;
  TBasicConnections* set = priv_conns_index[kMapLayer][kInputLayer];
  int stride = 0;
  const double* codebook = Codebook(&stride);
  Best best;
  int i = 0;
  if (codebook != nullptr) {
    double distance[4];
    for (; i + 4 <= m; i += 4) {
      const double* rows[4];
      for (int c = 0; c < 4; ++c) rows[c] = codebook + static_cast<std::size_t>(i + c) * stride;
      RowDistances(input, rows, n, distance);
      for (int c = 0; c < 4; ++c) best.Consider(i + c, distance[c]);
    }
  }
  for (; i < m; ++i) {
    double distance = 0.0;
    for (int j = 0; j < n; ++j) {
      const double d = input[j] - *set->GetWeightPtr(j, i);
      distance += d * d;
    }
    best.Consider(i, distance);
  }
  return Winner(best.cell, output);
}

int TKohonenNetwork::Winner(int bestsofar, double* output) {
  FatalAssert(bestsofar >= 0, "bestsofar >= 0", kSourceFile, 114);
  TBasicConnections* set = priv_conns_index[kMapLayer][kInputLayer];
  const int n = layers[kInputLayer]->numNeurons;
  for (int j = 0; j < n; ++j) output[j] = *set->GetWeightPtr(j, bestsofar);
  return bestsofar;
}

int TKohonenNetwork::CoordinatesToIndex(const int* coordinates) {
  FatalAssert(numDims != 0, "dims != 0", kSourceFile, 129);
  return ::CoordinatesToIndex(numDims, dimensions.get(), coordinates);
}

void TKohonenNetwork::IndexToCoordinates(int* coordinates, int index) {
  FatalAssert(numDims != 0, "dims != 0", kSourceFile, 156);
  for (int k = numDims - 1; k >= 1; --k) {
    FatalAssert(dimensions[k] > 0, "dimensions[k] > 0", kSourceFile, __LINE__);
    coordinates[k] = index % dimensions[k];
    index /= dimensions[k];
  }
  coordinates[0] = index;
}

int TKohonenNetwork::BufferWidth(const Data& in, int at_least) const {
  if (in.GetNumInputs() < layers[kInputLayer]->numNeurons) {
    throw TException(kColumnsTooFew, kBadParameter, "TKohonenNetwork", nullptr);
  }
  return std::max({at_least, in.GetNumInputs(), in.GetNumOutputs(), in.GetNumSelectedInputs(),
                   in.GetNumSelectedOutputs(), layers[kInputLayer]->numNeurons});
}

Data* TKohonenNetwork::EvaluateData(Data* in) {
  FatalAssert(in != nullptr, "in != nil", kSourceFile, 189);
  const int w = layers[inLayer]->numNeurons;
  const std::size_t width = static_cast<std::size_t>(BufferWidth(*in, w));
  std::vector<double> inputs(width, 0.0), outputs(width, 0.0);
  in->Rewind();
  const int rows = in->GetNumRows();
  std::unique_ptr<Data> result(new Data(rows, w, w, false));
  WinnerSearch search(*this);
  for (int r = 0; r < rows; ++r) {
    in->GetNextRow(inputs.data(), nullptr, nullptr);
    search.Find(inputs.data(), outputs.data());
    result->AppendRow(inputs.data(), outputs.data(), nullptr);
  }
  return result.release();
}

double TKohonenNetwork::ComputeError(Data* in, TErrorObj* err) {
  FatalAssert(in != nullptr, "in != nil", kSourceFile, 218);
  FatalAssert(err != nullptr, "err != nil", kSourceFile, 219);
  const int w = layers[inLayer]->numNeurons;
  const std::size_t width = static_cast<std::size_t>(BufferWidth(*in, std::max(w, err->numOutputs)));
  std::vector<double> inputs(width, 0.0), outputs(width, 0.0);
  in->Rewind();
  const int rows = in->GetNumRows();
  WinnerSearch search(*this);
  for (int r = 0; r < rows; ++r) {
    in->GetNextRow(inputs.data(), nullptr, nullptr);
    search.Find(inputs.data(), outputs.data());
    err->Accumulate(inputs.data(), outputs.data());
  }
  return err->GetError();
}

// The map is written by walking every coordinate tuple like an odometer,
// last coordinate first, which is the order of the cell numbering; tuple k
// takes cell k's collected labels (none for a tuple past the map layer).
Data* TKohonenNetwork::LabelMap(Data* in, TKQstructure* options) {
  delete options;
  const int m = layers[kMapLayer]->numNeurons;
  FatalAssert(numDims > 0, "numDims > 0", kSourceFile, __LINE__);
  std::vector<int> sizes(static_cast<std::size_t>(numDims));
  GetDimensions(sizes.data());
  for (int size : sizes) FatalAssert(size > 0, "size > 0", kSourceFile, __LINE__);

  const std::size_t width = static_cast<std::size_t>(BufferWidth(*in, 0));
  std::vector<double> inputs(width, 0.0), scratch(width, 0.0);
  std::vector<TLabelList> cells(static_cast<std::size_t>(m));
  in->Rewind();
  const int rows = in->GetNumRows();
  WinnerSearch search(*this);
  for (int r = 0; r < rows; ++r) {
    TLabelList* labels = nullptr;
    in->GetNextRow(inputs.data(), scratch.data(), &labels);
    const int winner = search.Find(inputs.data(), scratch.data());
    if (labels == nullptr || labels->count == 0) continue;  // nothing to attach
    cells[static_cast<std::size_t>(winner)].AddLabel(labels->labels[0].name,
                                                     labels->labels[0].value);
  }

  std::unique_ptr<Data> result(new Data(m, numDims, 0, true));
  std::vector<int> tuple(static_cast<std::size_t>(numDims), 0);
  std::vector<double> coordinates(static_cast<std::size_t>(numDims), 0.0);
  const TLabelList none;
  for (std::size_t k = 0;; ++k) {
    for (int j = 0; j < numDims; ++j) coordinates[j] = tuple[j];
    result->AppendRow(coordinates.data(), nullptr, k < cells.size() ? &cells[k] : &none);
    int j = numDims - 1;
    ++tuple[j];
    while (j > 0 && tuple[j] >= sizes[j]) {
      tuple[j] = 0;
      ++tuple[--j];
    }
    if (tuple[0] >= sizes[0]) break;
  }
  return result.release();
}

Data* TKohonenNetwork::MapCoordinates(Data* in, TKQstructure* options) {
  delete options;
  const int n = layers[kInputLayer]->numNeurons;
  const std::size_t width = static_cast<std::size_t>(BufferWidth(*in, 0));
  std::vector<double> inputs(width, 0.0), scratch(width, 0.0);
  std::vector<int> cell(static_cast<std::size_t>(numDims), 0);
  std::vector<double> coordinates(static_cast<std::size_t>(numDims), 0.0);
  in->Rewind();
  const int rows = in->GetNumRows();
  std::unique_ptr<Data> result(new Data(rows, n, numDims, false));
  WinnerSearch search(*this);
  for (int r = 0; r < rows; ++r) {
    in->GetNextRow(inputs.data(), scratch.data(), nullptr);
    IndexToCoordinates(cell.data(), search.Find(inputs.data(), scratch.data()));
    for (int j = 0; j < numDims; ++j) coordinates[j] = cell[j];
    result->AppendRow(inputs.data(), coordinates.data(), nullptr);
  }
  return result.release();
}

void TKohonenNetwork::GetDimensions(int* parameters) {
  if (numDims == 0) return;
  FatalAssert(parameters != nullptr, "parameters != NULL", kSourceFile, 60);
  FatalAssert(dimensions != nullptr, "dimensions != NULL", kSourceFile, 61);
  std::copy(dimensions.get(), dimensions.get() + numDims, parameters);
}

void TKohonenNetwork::SetDimensions(int count, const int* parameters) {
  FatalAssert(count >= 0, "count >= 0", kSourceFile, __LINE__);
  FatalAssert(count == 0 || parameters != nullptr, "parameters != NULL", kSourceFile, 76);
  std::unique_ptr<int[]> copy;
  if (count > 0) {
    copy.reset(new int[static_cast<std::size_t>(count)]);
    std::copy(parameters, parameters + count, copy.get());
  }
  numDims = count;
  dimensions = std::move(copy);
}
