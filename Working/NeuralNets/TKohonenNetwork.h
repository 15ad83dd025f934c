// The Kohonen network and the labelling of data by the cells of its map.
#ifndef MAPTAG_WORKING_NEURALNETS_TKOHONENNETWORK_H_
#define MAPTAG_WORKING_NEURALNETS_TKOHONENNETWORK_H_

#include <memory>
#include <vector>

#include "Working/DataObject/Data.h"
#include "Working/NeuralNets/TConnectedNetwork.h"

class TErrorObj;
class TKQstructure;

// ============================================================================
// The Kohonen network: a self-organising map in recall form.
//
// Every Kohonen network has three layers: layer 0 is an empty placeholder
// (function "error"), layer 1 the input layer (one neuron per input
// component, "linear"), layer 2 the map layer (one neuron per cell,
// "linear"). The only weight-carrying set is the one from layer 1 to
// layer 2; cell i's codebook vector is the row of weights into neuron i.
// Cells are numbered row-major over the grid sizes in `dimensions`, the last
// coordinate fastest (see CoordinatesToIndex below).
//
// The network owns its layers, sets, registry and dimensions. Tables that
// EvaluateData, LabelMap and MapCoordinates return belong to the caller.
// ============================================================================
class TKohonenNetwork : public TConnectedNetwork {
 public:
  // The shell the network file reader fills: Init(3) with empty layer
  // entries, no dimensions. Only the destructor may be called until the
  // reader has stored all three layers and the layer-1-to-2 set.
  TKohonenNetwork();
  // A complete map for numInputs inputs on a grid of numDims dimensions with
  // the given sizes; all codebook vectors 0.
  TKohonenNetwork(int numInputs, int numDims, const int* sizes);
  TKohonenNetwork(const TKohonenNetwork& other);
  TKohonenNetwork& operator=(const TKohonenNetwork& other);
  ~TKohonenNetwork() override;

  // New codebook vectors: only the set from layer 1 to layer 2 is drawn.
  void Randomize(double min, double max) override;
  // outputs receives the winner's codebook vector (one value per input).
  void Evaluate(const double* inputs, double* outputs) override;
  const char* GetNetworkType() override { return "Kohonen"; }

  // The cell nearest to input (squared Euclidean distance, summed in the
  // order of the components; strictly nearer wins, so ties go to the lowest
  // index). output receives the winner's codebook vector. A map on which no
  // cell is nearer than 1e30 fails a fatal assertion.
  int FindWinner(const double* input, double* output);
  // Cell index of the coordinates on this network's grid, by the free
  // CoordinatesToIndex below (no range checks; kNoMapRow past 32 bits).
  int CoordinatesToIndex(const int* coordinates);
  // Grid coordinates of a cell; an index beyond the grid shows in c0.
  void IndexToCoordinates(int* coordinates, int index);

  // Each row of in with the winner's codebook vector as outputs.
  Data* EvaluateData(Data* in);
  // Feeds every row of in (inputs as targets, the winner's codebook vector
  // as outputs) to err and returns its value. err is not reset first.
  double ComputeError(Data* in, TErrorObj* err);
  // One row per cell in grid order: the cell's coordinates as inputs and,
  // as labels, the first label of every row of in whose winner is the cell
  // (values of equal names added). Rows without labels are skipped.
  // options is deleted unread. The result is a map table for the labeller.
  Data* LabelMap(Data* in, TKQstructure* options);
  // Each row of in with the coordinates of its winner as outputs: a
  // coordinate table for the labeller. options is deleted unread.
  Data* MapCoordinates(Data* in, TKQstructure* options);

  // Copies the numDims sizes into parameters (nothing when numDims is 0).
  void GetDimensions(int* parameters);
  // Stores a copy of the count sizes; does not resize the map layer.
  void SetDimensions(int count, const int* parameters);

  int numDims = 0;
  std::unique_ptr<int[]> dimensions;

 private:
  class WinnerSearch;
  // Copies the codebook vector of the winner (asserted to exist) into
  // output and returns the winner.
  int Winner(int bestsofar, double* output);
  // Row-major codebook: cell i's vector at codebook + i * stride, or null
  // when the layer-1-to-2 set is not a fully connected one.
  const double* Codebook(int* stride);
  // Input and output buffers for walking a table through the winner search.
  int BufferWidth(const Data& in, int at_least) const;
};

// ============================================================================
// Map labelling
//
// A map table lists the cells of a grid of d dimensions in row-major order
// (last coordinate fastest, every coordinate from 0): row i carries the
// cell's d coordinates as inputs and the cell's labels as its label list.
// A coordinate table carries, in its d output columns, the coordinates of
// the cell each item fell on. Labelling gives every coordinate row a copy of
// the label list of the map row its coordinates address.
//
// The grid's sizes (radices) are not stored anywhere; FindMapRadices derives
// them from the order of the map's rows.
// ============================================================================

// Row index of the cell with the given coordinates on a grid of d dimensions
// whose sizes are radices[0 .. d-1]: index := c0, then index := index * r(k)
// + c(k) for k = 1 .. d-1. radices[0] does not enter the formula, and no
// coordinate is compared with its size. Computed in 64 bits: when any step
// leaves the 32-bit range, or d < 1, the result is kNoMapRow. Any negative
// result addresses no row.
constexpr int kNoMapRow = -1;
int CoordinatesToIndex(int d, const int* radices, const int* coordinates);

// Fills radices[1 .. d-1], d being map->GetNumInputs(); radices[0] is left
// alone. A scan that passes the map's last stored row throws the table's
// TException ("Invalid Data Row", "Bad Parameter", "Data::GetInputDatum"):
// so do a dimension other than the last of size 1, and a map too short for
// the scan.
void FindMapRadices(const Data* map, int* radices);

// Throws TException (category "Bad Parameter", the given origin) unless the
// map has exactly coordinate_columns input columns and at least one:
// "Coordinate Columns Do Not Match Map" or "Map Has No Input Columns".
void CheckMapColumns(const Data* map, int coordinate_columns, const char* origin);

// The labelling of one coordinate row, shared by AttachMapLabels and any
// driver that labels rows as they stream past.
class TMapLabeller {
 public:
  // map: borrowed, must outlive the labeller, and must have passed
  // CheckMapColumns with dimnumber columns. radices: dimnumber entries,
  // copied.
  TMapLabeller(const Data* map, int dimnumber, const int* radices);

  int GetNumDimensions() const { return static_cast<int>(radices_.size()); }

  // Map row addressed by dimnumber coordinates given as doubles, each
  // truncated toward zero (2.9 -> 2, -0.5 -> 0, -1.2 -> -1). A coordinate
  // that is NaN, infinite or outside the 32-bit range, and an index that
  // leaves the 32-bit range, give kNoMapRow.
  int IndexFor(const double* coordinates);

  // The label list of the addressed map row (borrowed from the map), or null
  // when the map carries no labels. A row outside the map throws the
  // table's TException ("Invalid Data Row", "Bad Parameter",
  // "Data::GetLabels").
  const TLabelList* LabelsFor(const double* coordinates);

 private:
  const Data* map_;
  std::vector<int> radices_;
  std::vector<int> coordinates_;  // scratch, reused for every row
};

// A new table (owned by the caller) with one row per row slot of
// coordinates, in ring order, each holding no numeric columns and a copy of
// the label list of the map row its coordinates address (an empty list when
// the map has no labels). The map's grid sizes come from FindMapRadices.
// Column mismatches are refused before any row of either table is read
// (CheckMapColumns, origin "LabelCoordinates"). Neither table changes except
// for the cursor of coordinates.
Data* LabelCoordinates(Data* coordinates, const Data* map);

// As LabelCoordinates with the grid of dimnumber dimensions and radices
// given. The map must have as many input columns as coordinates has output
// columns (otherwise TException, origin "AttachMapLabels"), and dimnumber
// must equal that count (fatal assertion).
Data* AttachMapLabels(Data* coordinates, const Data* Map, int dimnumber, const int* radices);

// What LabelCoordinateFile did.
enum class TLabelFileResult {
  kLabelled,              // the output file is in place
  kCoordinatesNotLoaded,  // the coordinate file could not be loaded as a table
  kOutputNotSaved,        // the output file could not be written
};

// Labels a coordinate file against the map row by row and writes the
// labelled rows to output_file as they come, holding only the map and one
// row in memory. What a caller observes is exactly what loading the
// coordinate file with LoadData, LabelCoordinates and SaveDataSet would
// give, failures included, in the same order of precedence:
//   - the coordinate file cannot be opened, has a malformed header, holds
//     no first table or holds a second one: kCoordinatesNotLoaded (after
//     all its rows were read, as LoadData reads them);
//   - a syntax error anywhere in the coordinate file: FileTools::Error, also
//     when an earlier row could not be labelled;
//   - a labelling failure (columns that do not match the map, a grid the
//     radix scan cannot derive, a row addressing no map cell): the
//     TException, thrown only once the whole coordinate file has been read;
//   - the output cannot be written: kOutputNotSaved.
// The output is written under a temporary name and renamed over
// output_file only when complete: after any failure no new file is in
// place and an earlier one is left intact.
TLabelFileResult LabelCoordinateFile(char* scratch, const char* coordinate_file, const Data* map,
                                     const char* output_file);

#endif  // MAPTAG_WORKING_NEURALNETS_TKOHONENNETWORK_H_
