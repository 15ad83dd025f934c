// The Kohonen network and the labelling of data by the cells of its map.
#ifndef MAPTAG_WORKING_NEURALNETS_TKOHONENNETWORK_H_
#define MAPTAG_WORKING_NEURALNETS_TKOHONENNETWORK_H_

#include <vector>

#include "Working/DataObject/Data.h"

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

#endif  // MAPTAG_WORKING_NEURALNETS_TKOHONENNETWORK_H_
