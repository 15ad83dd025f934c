#include "Working/Exceptions/Exceptions.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Working/Exceptions/FatalAssert.h"
#include "Working/KQmessage/KQML.h"

namespace {

TEST(StrCaseCmp, ComparesWithoutRegardToCase) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {
      {"DataSet", "DATASET", 0}, {"Data", "DataSet", -1}, {"DataSet", "Data", 1},
      {"ERROR", "Error", 0},     {"", "", 0},             {"", "a", -1},
      {"a", "B", -1},            {"[", "{", -1},          {"\xe4", "a", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileTools::strcasecmp(c.a, c.b), c.expected) << c.a << " vs " << c.b;
  }
}

TEST(TException, CopiesOwnTheirTexts) {
  auto* original = new TException("Invalid Data Row", "Bad Parameter", "Data::GetLabels", nullptr);
  TException copy(*original);
  delete original;
  EXPECT_STREQ(copy.message, "Invalid Data Row");
  EXPECT_STREQ(copy.category, "Bad Parameter");
  EXPECT_STREQ(copy.origin, "Data::GetLabels");
  EXPECT_EQ(copy.details, nullptr);
}

TEST(TException, DetailsGoWithTheCopyThrownOn) {
  try {
    TException inner("m", "c", "o", MakeError("bad-header"));
    throw inner;
  } catch (const TException& caught) {
    ASSERT_NE(caught.details, nullptr);
    EXPECT_EQ(caught.details->head, "error");
    EXPECT_EQ(caught.details->GetValue("type")->head, "bad-header");
  }
}

TEST(TException, DefaultAndTwoTextForms) {
  TException empty;
  EXPECT_EQ(empty.message, nullptr);
  EXPECT_EQ(empty.category, nullptr);
  EXPECT_EQ(empty.origin, nullptr);
  EXPECT_EQ(empty.details, nullptr);
  TException two("only message", nullptr);
  EXPECT_STREQ(two.message, "only message");
  EXPECT_EQ(two.category, nullptr);
  EXPECT_EQ(two.origin, nullptr);
  TException assigned;
  assigned = two;
  EXPECT_STREQ(assigned.message, "only message");
  EXPECT_NE(assigned.message, two.message);
}

TEST(FatalAssertDeathTest, WritesTheFixedLineAndAborts) {
  EXPECT_DEATH(FatalAssert(false, "PtrDatMap != 0", "apps/source/Kohonen/Label/Maptag.cpp", 33),
               "^Assertion failed: PtrDatMap != 0, file apps/source/Kohonen/Label/Maptag.cpp, line 33\n$");
  FatalAssert(true, "never", "nowhere", 1);
}

}  // namespace
