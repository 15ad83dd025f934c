#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Working/DataObject/Data.h"
#include "Working/Exceptions/Exceptions.h"
#include "Working/NeuralNets/TKohonenNetwork.h"
#include "support/TestSupport.h"

namespace {

// "<prefix><n>", e.g. "c12".
std::string Name(char prefix, int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%d", prefix, n);
  return text;
}

// A map table over a grid of the given sizes, cells in row-major order with
// their coordinates as inputs; cell i carries the label "c<i>" (when
// labelled).
std::unique_ptr<Data> MakeMap(const std::vector<int>& sizes, bool labelled = true) {
  int cells = 1;
  for (int size : sizes) cells *= size;
  const int d = static_cast<int>(sizes.size());
  auto map = std::make_unique<Data>(cells, d, 0, labelled);
  std::vector<double> coordinates(sizes.size(), 0.0);
  for (int cell = 0; cell < cells; ++cell) {
    int rest = cell;
    for (int k = d - 1; k >= 0; --k) {
      coordinates[static_cast<std::size_t>(k)] = rest % sizes[static_cast<std::size_t>(k)];
      rest /= sizes[static_cast<std::size_t>(k)];
    }
    const TLabelList list(Name('c', cell).c_str(), 1.0);
    map->AppendRow(coordinates.data(), nullptr, &list);
  }
  return map;
}

// A coordinate table: one row per entry, the coordinates as outputs and an
// unused input column.
std::unique_ptr<Data> MakeCoordinates(const std::vector<std::vector<double>>& rows, int columns) {
  auto table = std::make_unique<Data>(static_cast<int>(rows.size()), 1, columns, false);
  for (const auto& row : rows) {
    const double input = 99.0;
    table->AppendRow(&input, row.data(), nullptr);
  }
  return table;
}

using testsupport::Show;

// The labels of every row of a labelled result, one entry per row.
std::vector<std::string> Rows(const Data& result) {
  std::vector<std::string> rows;
  for (int slot = 0; slot < result.GetNumRows(); ++slot) rows.push_back(Show(result.GetLabels(slot)));
  return rows;
}

void ExpectTException(const std::function<void()>& call, const char* message, const char* origin) {
  try {
    call();
    ADD_FAILURE() << "no exception, expected " << message;
  } catch (const TException& e) {
    EXPECT_STREQ(e.message, message);
    EXPECT_STREQ(e.category, "Bad Parameter");
    EXPECT_STREQ(e.origin, origin);
  }
}

TEST(FindMapRadices, DerivesSizesFromTheRowOrder) {
  struct Case {
    std::vector<int> sizes;
  };
  const Case cases[] = {{{3, 4}}, {{2, 3, 4}}, {{5}}, {{4, 1}}, {{2, 2, 2, 2}}, {{7, 2, 5}}};
  for (const Case& c : cases) {
    auto map = MakeMap(c.sizes);
    std::vector<int> radices(c.sizes.size(), -7);
    FindMapRadices(map.get(), radices.data());
    EXPECT_EQ(radices[0], -7);  // entry 0 is left alone
    for (std::size_t k = 1; k < c.sizes.size(); ++k) EXPECT_EQ(radices[k], c.sizes[k]);
  }
}

TEST(FindMapRadices, ScanPastTheLastRowThrows) {
  for (const std::vector<int>& sizes : {std::vector<int>{1, 5}, {3, 1, 2}}) {
    auto map = MakeMap(sizes);
    std::vector<int> radices(sizes.size());
    ExpectTException([&] { FindMapRadices(map.get(), radices.data()); }, "Invalid Data Row",
                     "Data::GetInputDatum");
  }
}

TEST(CoordinatesToIndex, RowMajorIn64Bits) {
  struct Case {
    std::vector<int> radices, coordinates;
    int expected;
  };
  const int big = 1 << 30;
  const Case cases[] = {
      {{3, 4}, {2, 3}, 11},
      {{3, 4}, {1, 0}, 4},
      {{2, 3, 4}, {1, 2, 3}, 23},
      {{0, 3, 4}, {1, 2, 3}, 23},  // size 0 does not enter the formula
      {{5}, {3}, 3},
      {{5}, {-2}, -2},
      {{3, 4}, {0, 4}, 4},  // coordinates are not compared with the sizes
      {{3, 4}, {big, 0}, kNoMapRow},           // 2^32 would wrap to 0 in 32 bits
      {{3, 4}, {big / 2 - 1, 3}, 2147483647},  // the largest index that fits
      {{3, 4}, {big / 2, 0}, kNoMapRow},
      {{3, 4}, {-big / 2, 0}, -2147483647 - 1},
      {{1, 65536, 65536}, {1, 0, 0}, kNoMapRow},
      {{}, {}, kNoMapRow},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CoordinatesToIndex(static_cast<int>(c.radices.size()), c.radices.data(),
                                 c.coordinates.data()),
              c.expected);
  }
}

TEST(LabelCoordinates, CopiesTheLabelsOfTheAddressedCell) {
  struct Case {
    std::vector<int> sizes;
    std::vector<double> coordinates;
    std::string expected;
  };
  const Case cases[] = {
      {{3, 4}, {2, 3}, "c11=1"},
      {{3, 4}, {1, 0}, "c4=1"},
      {{3, 4}, {0, 4}, "c4=1"},  // outside its dimension, inside the table
      {{2, 3, 4}, {1, 2, 3}, "c23=1"},
      {{2, 3, 4}, {0, 0, 0}, "c0=1"},
      {{6}, {5}, "c5=1"},
      {{3, 4}, {1.99, 0}, "c4=1"},  // truncation toward zero
      {{3, 4}, {-0.5, 2.9}, "c2=1"},
      {{6}, {-0.99}, "c0=1"},
  };
  for (const Case& c : cases) {
    auto map = MakeMap(c.sizes);
    auto coordinates = MakeCoordinates({c.coordinates}, static_cast<int>(c.sizes.size()));
    std::unique_ptr<Data> result(LabelCoordinates(coordinates.get(), map.get()));
    EXPECT_EQ(Rows(*result), std::vector<std::string>{c.expected});
  }
}

TEST(LabelCoordinates, CoordinatesAddressingNoRowThrow) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::vector<int> sizes;
    std::vector<double> coordinates;
  };
  const Case cases[] = {
      {{3, 4}, {3, 0}},           // index 12
      {{3, 4}, {-1, 3}},          // index -1
      {{6}, {6}},
      {{6}, {-1.2}},
      {{3, 4}, {nan, 0}},
      {{3, 4}, {0, inf}},
      {{3, 4}, {-inf, 0}},
      {{3, 4}, {3e9, 0}},          // beyond 32 bits
      {{3, 4}, {-3e9, 0}},
      {{3, 4}, {2147483648.0, 0}},
      {{3, 4}, {1073741824, 0}},   // index 2^32, 0 in 32-bit arithmetic
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.coordinates[0]) + ", " + std::to_string(c.coordinates.back()));
    auto map = MakeMap(c.sizes);
    auto coordinates = MakeCoordinates({{0, 0}, c.coordinates}, static_cast<int>(c.sizes.size()));
    ExpectTException([&] { delete LabelCoordinates(coordinates.get(), map.get()); },
                     "Invalid Data Row", "Data::GetLabels");
  }
}

TEST(LabelCoordinates, OneRowPerCoordinateRowInRingOrder) {
  auto map = MakeMap({2, 3});
  // Three slots, four rows appended: the oldest row (1, 2) is gone.
  auto coordinates = std::make_unique<Data>(3, 0, 2, true);
  const std::vector<std::vector<double>> rows = {{1, 2}, {0, 1}, {1, 0}, {0, 1}};
  for (const auto& row : rows) coordinates->AppendRow(nullptr, row.data(), nullptr);
  coordinates->Rewind();
  double ignored[2];
  coordinates->GetNextRow(nullptr, ignored, nullptr);  // a cursor elsewhere does not matter

  std::unique_ptr<Data> result(LabelCoordinates(coordinates.get(), map.get()));
  EXPECT_EQ(Rows(*result), (std::vector<std::string>{"c1=1", "c3=1", "c1=1"}));
  EXPECT_EQ(result->GetNumRows(), 3);
  EXPECT_EQ(result->GetNumDataRows(), 3);
  EXPECT_EQ(result->GetNumInputs(), 0);
  EXPECT_EQ(result->GetNumOutputs(), 0);
  EXPECT_TRUE(result->HasLabels());
  // The map is untouched and owns its lists still; the result holds copies.
  map->AppendLabel(1, 5.0, "more");
  map.reset();
  EXPECT_EQ(Rows(*result), (std::vector<std::string>{"c1=1", "c3=1", "c1=1"}));
}

TEST(LabelCoordinates, MapWithoutLabelsGivesEmptyLists) {
  auto map = MakeMap({3, 4}, false);
  auto coordinates = MakeCoordinates({{2, 3}, {0, 0}}, 2);
  std::unique_ptr<Data> result(LabelCoordinates(coordinates.get(), map.get()));
  EXPECT_EQ(Rows(*result), (std::vector<std::string>{"", ""}));
}

TEST(LabelCoordinates, EmptyCoordinateTableStillScansTheMap) {
  auto coordinates = MakeCoordinates({}, 2);
  auto good = MakeMap({3, 4});
  std::unique_ptr<Data> result(LabelCoordinates(coordinates.get(), good.get()));
  EXPECT_EQ(result->GetNumRows(), 0);

  auto one_by_five = MakeMap({1, 5});
  ExpectTException([&] { delete LabelCoordinates(coordinates.get(), one_by_five.get()); },
                   "Invalid Data Row", "Data::GetInputDatum");
}

TEST(LabelCoordinates, ColumnMismatchesAreRefusedBeforeAnyRowIsRead) {
  // The 1 x 5 map would fail its scan; the column check must come first.
  auto map = MakeMap({1, 5});
  auto three_columns = MakeCoordinates({{0, 0, 0}}, 3);
  ExpectTException([&] { delete LabelCoordinates(three_columns.get(), map.get()); },
                   "Coordinate Columns Do Not Match Map", "LabelCoordinates");
  EXPECT_EQ(three_columns->GetCurrentRowIndex(), 0);

  Data flat_map(2, 0, 0, true);
  flat_map.AppendRow(nullptr, nullptr, nullptr);
  auto no_columns = MakeCoordinates({{}}, 0);
  ExpectTException([&] { delete LabelCoordinates(no_columns.get(), &flat_map); },
                   "Map Has No Input Columns", "LabelCoordinates");

  const int radices[2] = {3, 4};
  ExpectTException([&] { delete AttachMapLabels(three_columns.get(), map.get(), 2, radices); },
                   "Coordinate Columns Do Not Match Map", "AttachMapLabels");
  ExpectTException([&] { delete AttachMapLabels(no_columns.get(), &flat_map, 0, radices); },
                   "Map Has No Input Columns", "AttachMapLabels");
}

TEST(AttachMapLabels, UsesTheGivenRadices) {
  auto map = MakeMap({3, 4});
  auto coordinates = MakeCoordinates({{1, 1}}, 2);
  const int radices[2] = {0, 2};  // read as a 6 x 2 grid: (1, 1) is row 3
  std::unique_ptr<Data> result(AttachMapLabels(coordinates.get(), map.get(), 2, radices));
  EXPECT_EQ(Rows(*result), std::vector<std::string>{"c3=1"});
}

TEST(AttachMapLabelsDeathTest, DimensionCountMustMatch) {
  auto map = MakeMap({3, 4});
  auto coordinates = MakeCoordinates({{1, 1}}, 2);
  const int radices[3] = {0, 4, 4};
  EXPECT_DEATH(delete AttachMapLabels(coordinates.get(), map.get(), 3, radices),
               "Assertion failed: dimnum == dimnumber, file "
               "Working/NeuralNets/TKohonenNetwork.cpp, line 336");
}

TEST(TMapLabeller, LabelsOneRowAtATime) {
  auto map = MakeMap({2, 3, 4});
  const int radices[3] = {0, 3, 4};
  TMapLabeller labeller(map.get(), 3, radices);
  EXPECT_EQ(labeller.GetNumDimensions(), 3);
  const double row[3] = {1, 2, 3};
  EXPECT_EQ(labeller.IndexFor(row), 23);
  EXPECT_EQ(Show(labeller.LabelsFor(row)), "c23=1");
  const double nan_row[3] = {0, std::nan(""), 0};
  EXPECT_EQ(labeller.IndexFor(nan_row), kNoMapRow);
}

}  // namespace
