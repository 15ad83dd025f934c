#include "Working/NeuralNets/TKohonenNetwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Working/DataObject/Labels.h"
#include "Working/Exceptions/Exceptions.h"
#include "Working/NeuralNets/TErrorObj.h"

namespace {

// Sets cell i's codebook vector.
void SetCodebook(TKohonenNetwork& net, int cell, const std::vector<double>& vector) {
  TBasicConnections* set = net.priv_conns_index[2][1];
  for (std::size_t j = 0; j < vector.size(); ++j) {
    *set->GetWeightPtr(static_cast<int>(j), cell) = vector[j];
  }
}

// "name=value name=value" of a label list, in list order.
std::string Labels(const TLabelList* list) {
  std::string text;
  for (int i = 0; list != nullptr && i < list->count; ++i) {
    if (!text.empty()) text += ' ';
    text += list->labels[i].name;
    text += '=' + std::to_string(static_cast<int>(list->labels[i].value));
  }
  return text;
}

TEST(TKohonenNetwork, SizingConstructorBuildsTheFixedStructure) {
  const int sizes[] = {2, 3};
  TKohonenNetwork net(4, 2, sizes);
  EXPECT_STREQ(net.GetNetworkType(), "Kohonen");
  ASSERT_EQ(net.n_layers, 3);
  EXPECT_STREQ(net.layers[0]->GetLayerType(), "Simple");
  EXPECT_STREQ(net.layers[1]->GetLayerType(), "Input");
  EXPECT_STREQ(net.layers[2]->GetLayerType(), "Simple");
  EXPECT_EQ(net.layers[0]->numNeurons, 0);
  EXPECT_EQ(net.layers[1]->numNeurons, 4);
  EXPECT_EQ(net.layers[2]->numNeurons, 6);
  EXPECT_EQ(net.inLayer, 1);
  EXPECT_EQ(net.outLayer, 2);
  EXPECT_STREQ(net.priv_conns_index[2][1]->GetConnectionsNType(), "FullyConnected");
  EXPECT_EQ(net.GetNumWeights(1), 24);
  ASSERT_EQ(net.numDims, 2);
  int copy[2] = {0, 0};
  net.GetDimensions(copy);
  EXPECT_EQ(copy[0], 2);
  EXPECT_EQ(copy[1], 3);
}

TEST(TKohonenNetwork, WinnerIsTheStrictlyNearestLowestCell) {
  const int sizes[] = {4};
  TKohonenNetwork net(2, 1, sizes);
  SetCodebook(net, 0, {0, 0});
  SetCodebook(net, 1, {2, 0});
  SetCodebook(net, 2, {1, 1});
  SetCodebook(net, 3, {1, 1});
  double out[2] = {-1, -1};
  const double exact[] = {2, 0};
  EXPECT_EQ(net.FindWinner(exact, out), 1);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 0);
  // (1, 0) is at distance 1 from cells 0, 1, 2 and 3: the lowest wins.
  const double tie[] = {1, 0};
  EXPECT_EQ(net.FindWinner(tie, out), 0);
  // Cells 2 and 3 are equal: an exact match goes to the lower one.
  const double twin[] = {1, 1};
  EXPECT_EQ(net.FindWinner(twin, out), 2);
  // Evaluate hands out the winner's codebook vector.
  const double near_one[] = {1.9, 0.2};
  net.Evaluate(near_one, out);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 0);
}

TEST(TKohonenNetworkDeathTest, MapWithoutCellsHasNoWinner) {
  const int sizes[] = {0};
  TKohonenNetwork net(1, 1, sizes);
  double in = 0, out = 0;
  EXPECT_DEATH(net.FindWinner(&in, &out),
               "Assertion failed: bestsofar >= 0, file Working/NeuralNets/TKohonenNetwork.cpp, line 114");
}

TEST(TKohonenNetwork, IndexesAndCoordinatesBothWays) {
  const int sizes[] = {2, 3};
  TKohonenNetwork net(1, 2, sizes);
  struct Case {
    int c0, c1, index;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{0, 2, 2}, Case{1, 0, 3}, Case{1, 2, 5}}) {
    const int coordinates[] = {c.c0, c.c1};
    EXPECT_EQ(net.CoordinatesToIndex(coordinates), c.index);
    int back[2] = {-1, -1};
    net.IndexToCoordinates(back, c.index);
    EXPECT_EQ(back[0], c.c0);
    EXPECT_EQ(back[1], c.c1);
  }
  // An index beyond the grid shows up in the first coordinate.
  int beyond[2] = {-1, -1};
  net.IndexToCoordinates(beyond, 7);
  EXPECT_EQ(beyond[0], 2);
  EXPECT_EQ(beyond[1], 1);

  const int line[] = {5};
  TKohonenNetwork one_dimensional(1, 1, line);
  int coordinate = -1;
  one_dimensional.IndexToCoordinates(&coordinate, 4);
  EXPECT_EQ(coordinate, 4);
  EXPECT_EQ(one_dimensional.CoordinatesToIndex(&coordinate), 4);
}

TEST(TKohonenNetworkDeathTest, ConversionsNeedDimensions) {
  TKohonenNetwork net;
  net.SetDimensions(0, nullptr);
  int coordinates[1] = {0};
  net.GetDimensions(nullptr);  // copies nothing
  EXPECT_DEATH(net.CoordinatesToIndex(coordinates),
               "Assertion failed: dims != 0, file Working/NeuralNets/TKohonenNetwork.cpp, line 129");
  EXPECT_DEATH(net.IndexToCoordinates(coordinates, 0),
               "Assertion failed: dims != 0, file Working/NeuralNets/TKohonenNetwork.cpp, line 156");
}

TEST(TKohonenNetwork, RandomizeDrawsOnlyTheCodebook) {
  const int sizes[] = {2, 2};
  TKohonenNetwork net(3, 2, sizes);
  net.Connect(0, 1);  // an empty layer: a set without weights
  net.Randomize(-1.0, 1.0);
  bool any_nonzero = false;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j) {
      const double w = *net.priv_conns_index[2][1]->GetWeightPtr(j, i);
      EXPECT_GE(w, -1.0);
      EXPECT_LE(w, 1.0);
      any_nonzero = any_nonzero || w != 0.0;
    }
  }
  EXPECT_TRUE(any_nonzero);
}

// Four rows for a 2x2 map whose cells sit at (0,0), (0,10), (10,0), (10,10).
struct Fixture {
  Fixture() : net(2, 2, sizes) {
    SetCodebook(net, 0, {0, 0});
    SetCodebook(net, 1, {0, 10});
    SetCodebook(net, 2, {10, 0});
    SetCodebook(net, 3, {10, 10});
  }
  const int sizes[2] = {2, 2};
  TKohonenNetwork net;
};

std::unique_ptr<Data> Items() {
  auto items = std::make_unique<Data>(5, 2, 0, true);
  auto add = [&](double x, double y, std::vector<std::pair<const char*, double>> labels) {
    const double in[] = {x, y};
    TLabelList list;
    for (auto& [name, value] : labels) list.AddLabel(name, value);
    items->AppendRow(in, nullptr, &list);
  };
  add(1, 1, {{"cat", 1}, {"ignored", 1}});  // cell 0; only the first label counts
  add(9, 1, {{"dog", 2}});                   // cell 2
  add(0, 2, {{"cat", 0.5}});                 // cell 0 again: cat adds up
  add(9, 9, {});                             // cell 3, no label: skipped
  add(8, 2, {{"bird", 1}});                  // cell 2
  return items;
}

TEST(TKohonenNetwork, LabelMapWalksTheGridAndMergesFirstLabels) {
  Fixture f;
  auto items = Items();
  std::unique_ptr<Data> map(f.net.LabelMap(items.get(), nullptr));
  ASSERT_EQ(map->GetNumRows(), 4);
  ASSERT_EQ(map->GetNumInputs(), 2);
  ASSERT_EQ(map->GetNumOutputs(), 0);
  ASSERT_TRUE(map->HasLabels());
  const double grid[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(map->GetInputDatum(row, 0), grid[row][0]);
    EXPECT_EQ(map->GetInputDatum(row, 1), grid[row][1]);
  }
  EXPECT_EQ(Labels(map->GetLabels(0)), "cat=1");  // 1 + 0.5, printed as int
  EXPECT_DOUBLE_EQ(map->GetLabels(0)->labels[0].value, 1.5);
  EXPECT_EQ(Labels(map->GetLabels(1)), "");
  EXPECT_EQ(Labels(map->GetLabels(2)), "dog=2 bird=1");
  EXPECT_EQ(Labels(map->GetLabels(3)), "");
}

TEST(TKohonenNetwork, MappedCoordinatesLabelBackToTheWinningCell) {
  Fixture f;
  auto items = Items();
  std::unique_ptr<Data> map(f.net.LabelMap(items.get(), nullptr));
  std::unique_ptr<Data> coordinates(f.net.MapCoordinates(items.get(), nullptr));
  ASSERT_EQ(coordinates->GetNumRows(), 5);
  ASSERT_EQ(coordinates->GetNumInputs(), 2);
  ASSERT_EQ(coordinates->GetNumOutputs(), 2);
  EXPECT_EQ(coordinates->GetOutputDatum(1, 0), 1);  // (9,1) fell on cell (1,0)
  EXPECT_EQ(coordinates->GetOutputDatum(1, 1), 0);
  EXPECT_EQ(coordinates->GetInputDatum(4, 0), 8);

  std::unique_ptr<Data> labelled(LabelCoordinates(coordinates.get(), map.get()));
  const char* expected[] = {"cat=1", "dog=2 bird=1", "cat=1", "", "dog=2 bird=1"};
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(Labels(labelled->GetLabels(row)), expected[row]) << "row " << row;
  }
}

TEST(TKohonenNetwork, EvaluateDataAndComputeErrorUseTheCodebook) {
  Fixture f;
  auto items = Items();
  std::unique_ptr<Data> evaluated(f.net.EvaluateData(items.get()));
  ASSERT_EQ(evaluated->GetNumRows(), 5);
  EXPECT_EQ(evaluated->GetInputDatum(1, 0), 9);
  EXPECT_EQ(evaluated->GetOutputDatum(1, 0), 10);
  EXPECT_EQ(evaluated->GetOutputDatum(1, 1), 0);

  // Squared distances to the winners: 2, 2, 4, 2, 8 -> sum 18 over 5 rows
  // of 2 outputs.
  TErrorRMSObj rms(2);
  EXPECT_DOUBLE_EQ(f.net.ComputeError(items.get(), &rms), std::sqrt(18.0 / 2 / 5));
  // Not reset in between: the second pass adds to the first.
  EXPECT_DOUBLE_EQ(f.net.ComputeError(items.get(), &rms), std::sqrt(36.0 / 2 / 10));
  EXPECT_EQ(rms.numRows, 10);
}

TEST(TKohonenNetwork, TablesWithTooFewInputsAreRefused) {
  Fixture f;
  Data narrow(1, 1, 0, true);
  const double x = 1;
  narrow.AppendRow(&x, nullptr, nullptr);
  try {
    std::unique_ptr<Data> never(f.net.MapCoordinates(&narrow, nullptr));
    FAIL() << "accepted a table narrower than the network";
  } catch (const TException& e) {
    EXPECT_STREQ(e.message, "Input Columns Do Not Match Network");
    EXPECT_STREQ(e.category, "Bad Parameter");
  }
}

TEST(TKohonenNetwork, CopiesCarryTheirDimensions) {
  Fixture f;
  TKohonenNetwork copy(f.net);
  ASSERT_EQ(copy.numDims, 2);
  EXPECT_NE(copy.dimensions.get(), f.net.dimensions.get());
  const double probe[] = {9, 9};
  double out[2];
  EXPECT_EQ(copy.FindWinner(probe, out), 3);
  const int line[] = {3};
  TKohonenNetwork other(2, 1, line);
  other = f.net;
  EXPECT_EQ(other.numDims, 2);
  EXPECT_EQ(other.layers[2]->numNeurons, 4);
  EXPECT_EQ(other.FindWinner(probe, out), 3);
}

}  // namespace

namespace {

// The plain winner search: cells in order, components in order, strictly
// nearer wins.
int PlainWinner(TKohonenNetwork& net, const double* x) {
  const int n = net.layers[1]->numNeurons;
  double best = 1e30;
  int winner = -1;
  for (int i = 0; i < net.layers[2]->numNeurons; ++i) {
    double distance = 0.0;
    for (int j = 0; j < n; ++j) {
      const double d = x[j] - *net.priv_conns_index[2][1]->GetWeightPtr(j, i);
      distance += d * d;
    }
    if (distance < best) {
      best = distance;
      winner = i;
    }
  }
  return winner;
}

TEST(TKohonenNetwork, FastSearchesAgreeWithThePlainLoop) {
  // 35 cells: not a multiple of the search's block sizes. Cells 30 to 34
  // repeat cells 3 to 7, so exact ties must go to the lower cell.
  const int sizes[] = {7, 5};
  constexpr int kInputs = 13;
  TKohonenNetwork net(kInputs, 2, sizes);
  std::srand(11);
  net.Randomize(-1.0, 1.0);
  for (int i = 30; i < 35; ++i) {
    for (int j = 0; j < kInputs; ++j) {
      *net.priv_conns_index[2][1]->GetWeightPtr(j, i) = *net.priv_conns_index[2][1]->GetWeightPtr(j, i - 27);
    }
  }
  Data table(200, kInputs, 0, false);
  for (int r = 0; r < 200; ++r) {
    double x[kInputs];
    for (int j = 0; j < kInputs; ++j) {
      // Every fourth row sits exactly on a duplicated cell.
      x[j] = r % 4 == 0 ? *net.priv_conns_index[2][1]->GetWeightPtr(j, 3 + r % 5)
                        : std::rand() / static_cast<double>(RAND_MAX) * 2 - 1;
    }
    table.AppendRow(x, nullptr, nullptr);
  }
  std::unique_ptr<Data> coordinates(net.MapCoordinates(&table, nullptr));
  std::unique_ptr<Data> evaluated(net.EvaluateData(&table));
  for (int r = 0; r < 200; ++r) {
    double x[kInputs], out[kInputs];
    table.GetInputRow(r, x);
    const int expected = PlainWinner(net, x);
    ASSERT_EQ(net.FindWinner(x, out), expected) << "row " << r;
    EXPECT_EQ(coordinates->GetOutputDatum(r, 0) * 5 + coordinates->GetOutputDatum(r, 1), expected);
    EXPECT_EQ(evaluated->GetOutputDatum(r, 0), *net.priv_conns_index[2][1]->GetWeightPtr(0, expected));
    if (r % 4 == 0) {
      EXPECT_EQ(expected, 3 + r % 5);
    }
  }
}

}  // namespace
