#include "Working/DataObject/Labels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// "name=value name=value ..." in list order; "" for an empty list.
std::string Show(const TLabelList& list) {
  std::ostringstream out;
  for (int i = 0; i < list.count; ++i) {
    if (i > 0) out << ' ';
    out << list.labels[i].name << '=' << list.labels[i].value;
  }
  return out.str();
}

TEST(TLabelList, AddLabelMergesByteIdenticalNames) {
  struct Case {
    std::vector<std::pair<const char*, double>> additions;
    std::string expected;
  };
  const Case cases[] = {
      {{}, ""},
      {{{"a", 1.0}, {"a", 1.0}}, "a=2"},
      {{{"b", 1.0}, {"a", 1.0}, {"b", 1.0}}, "b=2 a=1"},
      {{{"a", 1.0}, {"A", 1.0}}, "a=1 A=1"},
      {{{"Cat", 1.0}, {"cat", 2.0}, {"Cat", 0.5}}, "Cat=1.5 cat=2"},
      {{{"x", 1.0}, {"x", -1.0}}, "x=0"},
      {{{"", 1.0}, {"", 2.0}}, "=3"},
      {{{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}, {"e", 1}, {"f", 1}, {"a", 1}, {"f", 1}},
       "a=2 b=1 c=1 d=1 e=1 f=2"},
  };
  for (const Case& c : cases) {
    TLabelList list;
    for (const auto& [name, value] : c.additions) list.AddLabel(name, value);
    EXPECT_EQ(Show(list), c.expected);
  }
}

TEST(TLabelList, ConstructionStates) {
  const TLabelList empty;
  EXPECT_EQ(empty.count, 0);
  EXPECT_EQ(empty.labels, nullptr);

  const char name[] = "cell";
  const TLabelList one(name, 2.5);
  EXPECT_EQ(Show(one), "cell=2.5");
  EXPECT_NE(one.labels[0].name, name);  // a copy, not the caller's text

  const TLabel blank;
  EXPECT_EQ(blank.name, nullptr);
}

TEST(TLabelList, CopiesOwnTheirNames) {
  auto* original = new TLabelList("a", 1.0);
  original->AddLabel("b", 3.0);
  TLabelList constructed(*original);
  TLabelList assigned("z", 9.0);
  assigned = *original;
  EXPECT_NE(constructed.labels[0].name, original->labels[0].name);
  EXPECT_NE(assigned.labels[1].name, original->labels[1].name);
  delete original;
  EXPECT_EQ(Show(constructed), "a=1 b=3");
  EXPECT_EQ(Show(assigned), "a=1 b=3");
  // Growing a copy does not touch the list it came from.
  TLabelList grown(constructed);
  grown.AddLabel("c", 1.0);
  EXPECT_EQ(Show(constructed), "a=1 b=3");
  EXPECT_EQ(Show(grown), "a=1 b=3 c=1");
}

TEST(TLabelList, AssignmentEdgeCases) {
  TLabelList list("a", 1.0);
  list.AddLabel("b", 2.0);
  TLabelList& alias = list;
  list = alias;
  EXPECT_EQ(Show(list), "a=1 b=2");

  list = TLabelList();
  EXPECT_EQ(list.count, 0);
  list.AddLabel("c", 1.0);
  EXPECT_EQ(Show(list), "c=1");

  TLabelList moved(std::move(list));
  EXPECT_EQ(Show(moved), "c=1");
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.labels, nullptr);

  moved.Clear();
  EXPECT_EQ(moved.count, 0);
  moved.AddLabel("d", 1.0);
  EXPECT_EQ(Show(moved), "d=1");
}

TEST(TLabel, AssignmentCopiesNameAndValue) {
  TLabel target("old", 1.0);
  const TLabel source("new", 7.0);
  target = source;
  EXPECT_STREQ(target.name, "new");
  EXPECT_NE(target.name, source.name);
  EXPECT_EQ(target.value, 7.0);
  target = target;
  EXPECT_STREQ(target.name, "new");
}

}  // namespace
