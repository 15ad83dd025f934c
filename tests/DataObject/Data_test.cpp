#include "Working/DataObject/Data.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Working/Exceptions/Exceptions.h"
#include "support/TestSupport.h"

namespace {

// "<prefix><n>", e.g. "c12".
std::string Name(char prefix, int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%d", prefix, n);
  return text;
}

// Row r (counting appends from 0) holds inputs (10r, 10r+1), output 100r and
// the label "r<r>".
std::unique_ptr<Data> Filled(int slots, int appends, bool labels = true) {
  auto table = std::make_unique<Data>(slots, 2, 1, labels);
  for (int r = 0; r < appends; ++r) {
    const double inputs[2] = {10.0 * r, 10.0 * r + 1};
    const double outputs[1] = {100.0 * r};
    const TLabelList list(Name('r', r).c_str(), 1.0);
    table->AppendRow(inputs, outputs, &list);
  }
  return table;
}

using testsupport::Show;

// The append number of the row the cursor yields, read from its first input.
int NextAppend(Data& table) {
  double inputs[2];
  table.GetNextRow(inputs, nullptr, nullptr);
  return static_cast<int>(inputs[0] / 10);
}

int PreviousAppend(Data& table) {
  double inputs[2];
  table.GetPreviousRow(inputs, nullptr);
  return static_cast<int>(inputs[0] / 10);
}

std::vector<int> ValidSlots(const Data& table) {
  std::vector<int> valid;
  for (int slot = -1; slot <= table.GetNumRows(); ++slot) {
    if (table.IsValidRow(slot)) valid.push_back(slot);
  }
  return valid;
}

TEST(DataRing, FillsThenOverwritesTheOldestRow) {
  struct Case {
    int slots, appends;
    std::vector<int> valid;
    int first, last;
    std::vector<int> walk;  // appends yielded by Rewind and GetNextRow
  };
  const Case cases[] = {
      {3, 0, {0}, 0, 0, {}},
      {3, 1, {0}, 0, 0, {0, 0, 0}},
      {3, 2, {0, 1}, 0, 1, {0, 1, 0}},
      {3, 3, {0, 1, 2}, 0, 2, {0, 1, 2, 0}},
      {3, 4, {0, 1, 2}, 1, 0, {1, 2, 3, 1}},
      {3, 5, {0, 1, 2}, 2, 1, {2, 3, 4, 2}},
      {3, 6, {0, 1, 2}, 0, 2, {3, 4, 5, 3}},
      {5, 5, {0, 1, 2, 3, 4}, 0, 4, {0, 1, 2, 3, 4, 0}},
      {1, 3, {0}, 0, 0, {2, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.slots) + " slots, " + std::to_string(c.appends) + " appends");
    auto table = Filled(c.slots, c.appends);
    EXPECT_EQ(ValidSlots(*table), c.valid);
    EXPECT_EQ(table->GetFirstRowIndex(), c.first);
    EXPECT_EQ(table->GetLastRowIndex(), c.last);
    EXPECT_EQ(table->GetNumDataRows(), std::min(c.slots, c.appends));
    table->Rewind();
    std::vector<int> walk;
    for (std::size_t i = 0; i < c.walk.size(); ++i) walk.push_back(NextAppend(*table));
    EXPECT_EQ(walk, c.walk);
  }
}

TEST(DataRing, PreviousRowRunsBackwardsAndWrapsToTheNewest) {
  auto wrapped = Filled(3, 4);  // slots hold appends 3, 1, 2
  wrapped->Rewind();
  EXPECT_EQ(NextAppend(*wrapped), 1);
  std::vector<int> back;
  for (int i = 0; i < 4; ++i) back.push_back(PreviousAppend(*wrapped));
  EXPECT_EQ(back, (std::vector<int>{3, 2, 1, 3}));

  auto filling = Filled(5, 3);
  filling->Rewind();
  EXPECT_EQ(NextAppend(*filling), 0);
  EXPECT_EQ(PreviousAppend(*filling), 2);
  EXPECT_EQ(PreviousAppend(*filling), 1);

  auto single = Filled(4, 1);
  EXPECT_EQ(PreviousAppend(*single), 0);
  EXPECT_EQ(NextAppend(*single), 0);
}

TEST(DataRing, CurrentRowCopiesWithoutMoving) {
  auto table = Filled(3, 3);
  table->Rewind();
  NextAppend(*table);
  NextAppend(*table);
  double inputs[2] = {}, outputs[1] = {};
  TLabelList* labels = nullptr;
  table->GetCurrentRow(inputs, outputs, &labels);
  table->GetCurrentRow(inputs, outputs, &labels);
  EXPECT_EQ(inputs[1], 11.0);
  EXPECT_EQ(outputs[0], 100.0);
  EXPECT_EQ(Show(labels), "r1=1");
  EXPECT_EQ(table->GetCurrentRowIndex(), 1);
}

TEST(DataRing, EmptyTableReadsZerosInSlotZero) {
  Data table(4, 2, 1, true);
  EXPECT_EQ(table.GetInputDatum(0, 1), 0.0);
  EXPECT_EQ(table.GetOutputDatum(0, 0), 0.0);
  EXPECT_EQ(Show(table.GetLabels(0)), "");
  double inputs[2] = {7, 7};
  table.GetCurrentRow(inputs, nullptr, nullptr);
  EXPECT_EQ(inputs[0], 0.0);
  EXPECT_EQ(inputs[1], 0.0);
}

TEST(DataRing, OverwritingKeepsPartsGivenAsNull) {
  auto table = Filled(2, 2);
  const TLabelList list("new", 2.0);
  table->AppendRow(nullptr, nullptr, &list);  // overwrites append 0 in slot 0
  EXPECT_EQ(table->GetInputDatum(0, 1), 1.0);
  EXPECT_EQ(table->GetOutputDatum(0, 0), 0.0);
  EXPECT_EQ(Show(table->GetLabels(0)), "new=2");
  const double inputs[2] = {5, 6};
  table->AppendRow(inputs, nullptr, nullptr);  // overwrites append 1 in slot 1
  EXPECT_EQ(table->GetInputDatum(1, 0), 5.0);
  EXPECT_EQ(table->GetOutputDatum(1, 0), 100.0);
  EXPECT_EQ(Show(table->GetLabels(1)), "");  // a null list empties a labelled slot
}

TEST(DataRows, AccessBySlot) {
  auto table = Filled(3, 3);
  table->SetInputDatum(2, 1, -4.5);
  table->SetOutputDatum(1, 0, 9.0);
  EXPECT_EQ(table->GetInputDatum(2, 1), -4.5);
  EXPECT_EQ(table->GetOutputDatum(1, 0), 9.0);

  double row[2];
  table->GetInputRow(2, row);
  EXPECT_EQ(row[0], 20.0);
  EXPECT_EQ(row[1], -4.5);
  const int columns[3] = {1, 0, 1};
  double picked[3];
  table->GetInputRow(1, picked, 3, columns);
  EXPECT_EQ(picked[0], 11.0);
  EXPECT_EQ(picked[1], 10.0);
  EXPECT_EQ(picked[2], 11.0);
  double output;
  const int output_column = 0;
  table->GetOutputRow(1, &output, 1, &output_column);
  EXPECT_EQ(output, 9.0);

  const double* fast = table->InputRowData(2);
  EXPECT_EQ(fast[0], 20.0);
  EXPECT_EQ(fast[1], -4.5);
  EXPECT_EQ(table->OutputRowData(0)[0], 0.0);

  const double inputs[2] = {1, 2};
  const TLabelList list("set", 1.0);
  table->SetRow(0, inputs, nullptr, &list);
  EXPECT_EQ(table->GetInputDatum(0, 1), 2.0);
  EXPECT_EQ(table->GetOutputDatum(0, 0), 0.0);
  EXPECT_EQ(Show(table->GetLabels(0)), "set=1");
  table->SetRow(0, nullptr, nullptr, nullptr);
  EXPECT_EQ(table->GetInputDatum(0, 1), 2.0);
  EXPECT_EQ(Show(table->GetLabels(0)), "");
}

TEST(DataRows, LabelOperations) {
  auto table = Filled(2, 2);
  table->AppendLabel(0, 1.0, "r0");
  table->AppendLabel(0, 0.5, "x");
  EXPECT_EQ(Show(table->GetLabels(0)), "r0=2 x=0.5");
  table->SetLabels(1, table->GetLabels(0));
  table->ClearLabels(0);
  EXPECT_EQ(Show(table->GetLabels(0)), "");
  EXPECT_EQ(Show(table->GetLabels(1)), "r0=2 x=0.5");
  table->SetLabels(1, table->GetLabels(1));
  EXPECT_EQ(Show(table->GetLabels(1)), "r0=2 x=0.5");
  table->SetLabels(1, nullptr);
  EXPECT_EQ(Show(table->GetLabels(1)), "");

  auto plain = Filled(2, 2, false);
  EXPECT_EQ(plain->GetLabels(1), nullptr);
  TLabelList* labels = reinterpret_cast<TLabelList*>(1);
  plain->GetCurrentRow(nullptr, nullptr, &labels);
  EXPECT_EQ(labels, nullptr);
}

TEST(DataRows, AppendedListsAreDeepCopies) {
  Data table(2, 0, 0, true);
  auto* list = new TLabelList("a", 1.0);
  table.AppendRow(nullptr, nullptr, list);
  delete list;
  EXPECT_EQ(Show(table.GetLabels(0)), "a=1");

  TLabelList taken("b", 2.0);
  table.AppendRow(nullptr, nullptr, std::move(taken));
  EXPECT_EQ(Show(table.GetLabels(1)), "b=2");
  EXPECT_EQ(taken.count, 0);

  const TLabelList lists[2] = {TLabelList("c", 1.0), TLabelList("d", 1.0)};
  table.AppendRows(nullptr, nullptr, 2, lists);
  EXPECT_EQ(Show(table.GetLabels(0)), "c=1");
  EXPECT_EQ(Show(table.GetLabels(1)), "d=1");
}

TEST(DataRows, AppendMayTakeItsRowFromTheTableItself) {
  Data table(1000, 3, 2, true);
  const double inputs[3] = {1, 2, 3};
  const double outputs[2] = {4, 5};
  const TLabelList list("x", 1.0);
  table.AppendRow(inputs, outputs, &list);
  for (int slot = 1; slot < 1000; ++slot) {
    // Every append that grows the storage reads from the old storage.
    table.AppendRow(table.InputRowData(slot - 1), table.OutputRowData(slot - 1),
                    table.GetLabels(slot - 1));
  }
  EXPECT_EQ(table.GetInputDatum(999, 2), 3.0);
  EXPECT_EQ(table.GetOutputDatum(999, 1), 5.0);
  EXPECT_EQ(Show(table.GetLabels(999)), "x=1");
}

TEST(DataRows, ZeroInputColumns) {
  Data table(2, 0, 1, false);
  const double inputs[1] = {42};
  const double outputs[1] = {3};
  table.AppendRow(inputs, outputs, nullptr);
  EXPECT_EQ(table.InputRowData(0), nullptr);
  EXPECT_EQ(table.GetOutputDatum(0, 0), 3.0);
  double row[1] = {-1};
  table.GetInputRow(0, row);
  EXPECT_EQ(row[0], -1.0);
  EXPECT_THROW(table.GetInputDatum(0, 0), TException);
}

TEST(DataRows, GetBlockStopsAtTheLastRow) {
  auto table = Filled(5, 3);
  double in[5][2] = {}, out[5][1] = {};
  double* inputs[5] = {in[0], in[1], in[2], in[3], in[4]};
  double* outputs[5] = {out[0], out[1], out[2], out[3], out[4]};
  EXPECT_EQ(table->GetBlock(inputs, outputs, 1, 4), 2);
  EXPECT_EQ(in[0][0], 10.0);
  EXPECT_EQ(in[1][1], 21.0);
  EXPECT_EQ(out[1][0], 200.0);
  EXPECT_EQ(in[2][0], 0.0);
  EXPECT_EQ(table->GetBlock(inputs, nullptr, 2, 1), 0);

  auto wrapped = Filled(3, 4);  // first 1, last 0
  EXPECT_EQ(wrapped->GetBlock(inputs, outputs, 0, 9), 1);
  EXPECT_EQ(in[0][0], 30.0);
  EXPECT_EQ(wrapped->GetBlock(inputs, outputs, 2, 9), 0);
}

TEST(DataSelections, CursorCopiesThroughTheSelections) {
  auto table = std::make_unique<Data>(2, 3, 2, true);
  const double inputs[3] = {1, 2, 3};
  const double outputs[2] = {4, 5};
  const TLabelList list("a", 1.0);
  table->AppendRow(inputs, outputs, &list);

  struct Case {
    std::vector<int> input_selection, output_selection;
    std::vector<double> inputs, outputs;
    bool labels_given;
  };
  const Case cases[] = {
      {{}, {}, {1, 2, 3}, {4, 5}, true},
      {{}, {1}, {1, 2, 3}, {4, 5}, true},  // an output selection alone has no effect
      {{2, 0}, {}, {3, 1, 0}, {4, 5}, false},
      {{1}, {1, 1, 0}, {2, 0, 0}, {5, 5, 4}, false},
  };
  for (const Case& c : cases) {
    table->SetSelection(static_cast<int>(c.input_selection.size()), c.input_selection.data(),
                        static_cast<int>(c.output_selection.size()), c.output_selection.data());
    std::vector<double> got_inputs(3, 0.0), got_outputs(3, 0.0);
    TLabelList* labels = nullptr;
    table->GetNextRow(got_inputs.data(), got_outputs.data(), &labels);
    got_outputs.resize(c.outputs.size());
    EXPECT_EQ(got_inputs, c.inputs);
    EXPECT_EQ(got_outputs, c.outputs);
    EXPECT_EQ(labels != nullptr, c.labels_given);
    labels = nullptr;
    table->GetCurrentRow(nullptr, nullptr, &labels);
    EXPECT_EQ(Show(labels), "a=1");  // GetCurrentRow always hands out the list
  }
}

TEST(DataSelections, SetAndGetInputSelection) {
  Data table(1, 4, 2, false);
  int n = -1;
  int* columns = reinterpret_cast<int*>(1);
  table.GetInputSelection(&n, &columns);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(columns, nullptr);

  const int selection[3] = {3, 3, 0};
  table.SetInputSelection(3, selection);
  table.GetInputSelection(&n, &columns);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(columns[0], 3);
  EXPECT_EQ(columns[2], 0);
  EXPECT_NE(columns, selection);
  delete[] columns;

  const int outputs[1] = {1};
  table.SetSelection(1, selection, 1, outputs);
  table.SetInputSelection(0, nullptr);  // removes the input selection only
  EXPECT_EQ(table.GetNumSelectedInputs(), 0);
  EXPECT_EQ(table.GetNumSelectedOutputs(), 1);
}

TEST(DataClone, CopiesRowsRingStateCursorAndSelections) {
  auto table = Filled(3, 4);
  const int selection[1] = {1};
  table->SetInputSelection(1, selection);
  table->Rewind();
  NextAppend(*table);
  std::unique_ptr<Data> clone(table->Clone());
  table->AppendLabel(2, 1.0, "extra");
  table->SetInputDatum(1, 1, -1.0);
  table.reset();

  EXPECT_EQ(clone->GetFirstRowIndex(), 1);
  EXPECT_EQ(clone->GetLastRowIndex(), 0);
  EXPECT_EQ(clone->GetNumDataRows(), 3);
  EXPECT_EQ(clone->GetCurrentRowIndex(), 1);
  EXPECT_EQ(clone->GetNumSelectedInputs(), 1);
  EXPECT_EQ(clone->GetNumSelectedOutputs(), 0);
  EXPECT_EQ(clone->GetInputDatum(1, 1), 11.0);
  EXPECT_EQ(Show(clone->GetLabels(2)), "r2=1");
  EXPECT_EQ(Show(clone->GetLabels(0)), "r3=1");
  double input = 0;
  clone->GetNextRow(&input, nullptr, nullptr);  // through the copied selection
  EXPECT_EQ(input, 21.0);

  auto filling = Filled(10, 2);
  std::unique_ptr<Data> partial(filling->Clone());
  EXPECT_EQ(ValidSlots(*partial), (std::vector<int>{0, 1}));
  EXPECT_EQ(partial->GetInputDatum(1, 0), 10.0);
  partial->AppendRow(nullptr, nullptr, nullptr);
  EXPECT_EQ(partial->GetInputDatum(2, 0), 0.0);
  EXPECT_EQ(filling->GetNumDataRows(), 2);
}

TEST(DataStorage, FollowsTheRowsStoredNotTheSlots) {
  // Storage for every slot would need petabytes; rows cost only as they come.
  Data table(INT_MAX, 1000, 1000, true);
  EXPECT_EQ(table.GetInputDatum(0, 999), 0.0);
  std::vector<double> row(1000, 1.5);
  for (int r = 0; r < 100; ++r) table.AppendRow(row.data(), row.data(), nullptr);
  EXPECT_EQ(table.GetOutputDatum(99, 999), 1.5);
  EXPECT_FALSE(table.IsValidRow(100));
  std::unique_ptr<Data> clone(table.Clone());
  EXPECT_EQ(clone->GetInputDatum(99, 0), 1.5);
}

// ---- Refusals ----------------------------------------------------------------

struct Refusal {
  const char* what;
  std::function<void()> call;
  const char* message;
  const char* origin;
};

void ExpectRefusals(const std::vector<Refusal>& cases) {
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.call();
      ADD_FAILURE() << "no exception";
    } catch (const TException& e) {
      EXPECT_STREQ(e.message, c.message);
      EXPECT_STREQ(e.category, "Bad Parameter");
      EXPECT_STREQ(e.origin, c.origin);
      EXPECT_EQ(e.details, nullptr);
    }
  }
}

TEST(DataRefusals, SlotAndColumnChecks) {
  auto t = Filled(3, 2);  // slots 0 and 1 stored, slot 2 free
  Data& d = *t;
  double row[4];
  TLabelList list("a", 1.0);
  const int good[1] = {0};
  const int bad_input[2] = {0, 2};
  const int bad_output[1] = {1};
  const int negative[1] = {-1};
  double* rows[4] = {row, row, row, row};
  ExpectRefusals({
      {"input datum, slot -1", [&] { d.GetInputDatum(-1, 0); }, "Invalid Data Row", "Data::GetInputDatum"},
      {"input datum, slot = rows", [&] { d.GetInputDatum(3, 0); }, "Invalid Data Row", "Data::GetInputDatum"},
      {"input datum, free slot", [&] { d.GetInputDatum(2, 0); }, "Invalid Data Row", "Data::GetInputDatum"},
      {"input datum, column = inputs", [&] { d.GetInputDatum(0, 2); }, "Invalid Input Data Column", "Data::GetInputDatum"},
      {"input datum, column -1", [&] { d.GetInputDatum(0, -1); }, "Invalid Input Data Column", "Data::GetInputDatum"},
      {"slot before column", [&] { d.GetInputDatum(2, 9); }, "Invalid Data Row", "Data::GetInputDatum"},
      {"output datum, slot", [&] { d.GetOutputDatum(2, 0); }, "Invalid Data Row", "Data::GetOutputDatum"},
      {"output datum, column", [&] { d.GetOutputDatum(0, 1); }, "Invalid Output Data Column", "Data::GetOutputDatum"},
      {"set input, slot", [&] { d.SetInputDatum(2, 0, 1); }, "Invalid Data Row", "Data::SetInputDatum"},
      {"set input, column", [&] { d.SetInputDatum(0, 2, 1); }, "Invalid Input Data Column", "Data::SetInputDatum"},
      {"set output, slot", [&] { d.SetOutputDatum(-1, 0, 1); }, "Invalid Data Row", "Data::SetOutputDatum"},
      {"set output, column", [&] { d.SetOutputDatum(0, 1, 1); }, "Invalid Output Data Column", "Data::SetOutputDatum"},
      {"labels", [&] { d.GetLabels(2); }, "Invalid Data Row", "Data::GetLabels"},
      {"set labels", [&] { d.SetLabels(2, &list); }, "Invalid Data Row", "Data::SetLabels"},
      {"clear labels", [&] { d.ClearLabels(2); }, "Invalid Data Row", "Data::ClearLabels"},
      {"append label", [&] { d.AppendLabel(2, 1, "a"); }, "Invalid Data Row", "Data::AppendLabel"},
      {"append label, null name", [&] { d.AppendLabel(0, 1, nullptr); }, "Invalid Label Name", "Data::AppendLabel"},
      {"set row", [&] { d.SetRow(2, row, row, nullptr); }, "Invalid Data Row", "Data::SetRow"},
      {"input row", [&] { d.GetInputRow(2, row); }, "Invalid Data Row", "Data::GetInputRow"},
      {"input row, list", [&] { d.GetInputRow(2, row, 1, good); }, "Invalid Data Row", "Data::GetInputRow"},
      {"input row, column", [&] { d.GetInputRow(0, row, 2, bad_input); }, "Invalid Input Data Column", "Data::GetInputRow"},
      {"input row, column -1", [&] { d.GetInputRow(0, row, 1, negative); }, "Invalid Input Data Column", "Data::GetInputRow"},
      {"input row, count", [&] { d.GetInputRow(0, row, -1, good); }, "Invalid Column Count", "Data::GetInputRow"},
      {"input row, null list", [&] { d.GetInputRow(0, row, 1, nullptr); }, "Invalid Column Count", "Data::GetInputRow"},
      {"output row", [&] { d.GetOutputRow(2, row); }, "Invalid Data Row", "Data::GetOutputRow"},
      {"output row, list", [&] { d.GetOutputRow(-1, row, 1, good); }, "Invalid Data Row", "Data::GetOutputRow"},
      {"output row, column", [&] { d.GetOutputRow(0, row, 1, bad_output); }, "Invalid Output Data Column", "Data::GetOutputRow"},
      {"block", [&] { d.GetBlock(rows, rows, 2, 2); }, "Data Block Fault", "Data::GetBlock"},
      {"block, negative", [&] { d.GetBlock(rows, rows, -1, 2); }, "Data Block Fault", "Data::GetBlock"},
      {"input selection", [&] { d.SetInputSelection(2, bad_input); }, "Invalid Input Data Column", "Data::SetInputSelection"},
      {"input selection, count", [&] { d.SetInputSelection(-2, good); }, "Invalid Column Count", "Data::SetInputSelection"},
      {"input selection, null", [&] { d.SetInputSelection(1, nullptr); }, "Invalid Column Count", "Data::SetInputSelection"},
      {"selection, inputs", [&] { d.SetSelection(1, negative, 1, good); }, "Invalid Input Data Column", "Data::SetSelection"},
      {"selection, outputs", [&] { d.SetSelection(1, good, 1, bad_output); }, "Invalid Output Data Column", "Data::SetSelection"},
  });
  // Nothing above changed the table.
  EXPECT_EQ(d.GetNumSelectedInputs(), 0);
  EXPECT_EQ(d.GetNumSelectedOutputs(), 0);
  EXPECT_EQ(d.GetInputDatum(0, 0), 0.0);
  EXPECT_EQ(d.GetInputDatum(1, 1), 11.0);
  EXPECT_EQ(Show(d.GetLabels(0)), "r0=1");
  EXPECT_EQ(d.GetNumDataRows(), 2);
}

TEST(DataRefusals, OperationsTheTableCannotServe) {
  Data unlabelled(2, 1, 1, false);
  unlabelled.AppendRow(nullptr, nullptr, nullptr);
  Data no_slots(0, 1, 1, true);
  Data empty(3, 1, 1, true);
  const TLabelList list("a", 1.0);
  double value;
  ExpectRefusals({
      {"set labels", [&] { unlabelled.SetLabels(0, &list); }, "Table Has No Labels", "Data::SetLabels"},
      {"set labels, null", [&] { unlabelled.SetLabels(0, nullptr); }, "Table Has No Labels", "Data::SetLabels"},
      {"clear labels", [&] { unlabelled.ClearLabels(0); }, "Table Has No Labels", "Data::ClearLabels"},
      {"append label", [&] { unlabelled.AppendLabel(0, 1, "a"); }, "Table Has No Labels", "Data::AppendLabel"},
      {"slot first", [&] { unlabelled.ClearLabels(1); }, "Invalid Data Row", "Data::ClearLabels"},
      {"append, no slots", [&] { no_slots.AppendRow(&value, &value, &list); }, "Table Has No Row Slots", "Data::AppendRow"},
      {"append rows, no slots", [&] { no_slots.AppendRows(nullptr, nullptr, 1, nullptr); }, "Table Has No Row Slots", "Data::AppendRow"},
      {"next, no slots", [&] { no_slots.GetNextRow(&value, &value, nullptr); }, "No Data Rows", "Data::GetNextRow"},
      {"previous, no slots", [&] { no_slots.GetPreviousRow(&value, &value); }, "No Data Rows", "Data::GetPreviousRow"},
      {"current, no slots", [&] { no_slots.GetCurrentRow(&value, &value, nullptr); }, "Invalid Data Row", "Data::GetCurrentRow"},
      {"next, empty", [&] { empty.GetNextRow(&value, &value, nullptr); }, "No Data Rows", "Data::GetNextRow"},
      {"previous, empty", [&] { empty.GetPreviousRow(&value, &value); }, "No Data Rows", "Data::GetPreviousRow"},
      {"datum, no slots", [&] { no_slots.GetInputDatum(0, 0); }, "Invalid Data Row", "Data::GetInputDatum"},
  });
  EXPECT_EQ(no_slots.GetNumDataRows(), 0);
  EXPECT_EQ(empty.GetCurrentRowIndex(), 0);
  std::unique_ptr<Data> clone(no_slots.Clone());
  EXPECT_EQ(clone->GetNumRows(), 0);
}

TEST(DataDeathTest, FastAccessToAnInvalidSlotIsFatal) {
  auto table = Filled(3, 1);
  EXPECT_DEATH(table->InputRowData(1),
               "Assertion failed: IsValidRow\\(slot\\), file Working/DataObject/Data.cpp, line [0-9]+");
}

}  // namespace
