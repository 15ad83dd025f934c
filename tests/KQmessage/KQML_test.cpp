#include "Working/KQmessage/KQML.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

// Runs f, which must throw TKQstructure::Error, and returns the printed
// error structure (released here, as a catcher must).
std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const TKQstructure::Error& e) {
    std::unique_ptr<TKQstructure> error(e.error);
    return error->ToText();
  }
  return "no error thrown";
}

std::string Parsed(const char* text) {
  std::unique_ptr<TKQstructure> message(ParseMessage(text));
  return message->ToText();
}

TEST(KQML, SetValueKeepsFirstSpellingOfKey) {
  TKQstructure s("ask");
  s.SetString("Rows", "1");
  s.SetString("ROWS", "2");
  EXPECT_EQ(s.count, 1);
  EXPECT_EQ(s.items[0].key, "Rows");
  EXPECT_EQ(s.ToText(), "(ask :Rows 2)");
}

TEST(KQML, RemoveValueMovesLastPairIntoPlace) {
  TKQstructure s("ask");
  s.SetString("a", "1");
  s.SetString("b", "2");
  s.SetString("c", "3");
  s.RemoveValue("A");
  EXPECT_EQ(s.ToText(), "(ask :c 3 :b 2)");
  s.RemoveValue("missing");
  EXPECT_EQ(s.count, 2);
}

TEST(KQML, CapacityGrowsByDoublingFromSixteen) {
  TKQstructure s("ask");
  for (int i = 0; i < 5; ++i) s.SetInteger(std::string("k").append(std::to_string(i)).c_str(), i);
  TKQstructure copy(s);
  EXPECT_EQ(copy.capacity, 5);
  copy.SetBoolean("sixth", true);
  EXPECT_EQ(copy.capacity, 16);
  for (int i = 0; i < 11; ++i) copy.SetInteger(std::string("m").append(std::to_string(i)).c_str(), i);
  EXPECT_EQ(copy.count, 17);
  EXPECT_EQ(copy.capacity, 32);
  EXPECT_EQ(s.count, 5);  // the source is untouched
  copy = copy;
  EXPECT_EQ(copy.count, 17);
}

TEST(KQML, ValueTexts) {
  TKQstructure s("v");
  s.SetInteger("i", -42);
  s.SetNumber("n", 2.5);
  s.SetBoolean("t", true);
  s.SetBoolean("f", false);
  EXPECT_EQ(s.ToText(), "(v :i -42 :n 2.500000 :t true :f false)");
  s.SetNumber("big", 1e300);
  char expected[400];
  std::snprintf(expected, sizeof expected, "%f", 1e300);
  EXPECT_EQ(s.GetValue("big")->head, expected);
  s.SetNumber("max", -1.7976931348623157e308);
  std::snprintf(expected, sizeof expected, "%f", -1.7976931348623157e308);
  EXPECT_EQ(s.GetValue("max")->head, expected);
}

TEST(KQML, PrintWritesTheTextForm) {
  std::unique_ptr<TKQstructure> error(MakeError("bad-header"));
  TKQstructure atom("word");
  testing::internal::CaptureStdout();
  error->Print();
  atom.PrintLine();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "(error :type bad-header)word\n");
}

TEST(KQML, CheckedLookups) {
  TKQstructure s("data");
  s.SetString("rows", "3");
  EXPECT_EQ(s.GetValueChecked("ROWS")->head, "3");
  EXPECT_EQ(s.FindValue("cols"), nullptr);
  EXPECT_EQ(ErrorText([&] { s.GetValueChecked("cols"); }),
            "(error :type invalid-message :expected cols)");
  s.RequireValue("rows", "");
  s.RequireValue("rows", nullptr);
  s.RequireValue("Rows", "3");
  EXPECT_EQ(ErrorText([&] { s.RequireValue("cols", "3"); }),
            "(error :type invalid-message :expected cols)");
  EXPECT_EQ(ErrorText([&] { s.RequireValue("rows", "4"); }),
            "(error :type invalid-message :tag rows :expected-value 4)");
  EXPECT_EQ(s.ToText(), "(data :rows 3)");
}

TEST(KQML, ParseMessageReadsTheTextForm) {
  struct Case {
    const char* text;
    const char* printed;
  };
  const Case cases[] = {
      {"(tell :content (ask :x 1) :y 2)", "(tell :content (ask :x 1) :y 2)"},
      {"a:b", "a:b"},
      {"( tell : x 1 )", "(tell :x 1)"},
      {"(ask)", "ask"},
      {"ask", "ask"},
      {"  \t(a :k1 v: :k2 x:y)\n", "(a :k1 v: :k2 x:y)"},
      {"(a :k 1 :K 2)", "(a :k 2)"},
      {"(a:b :c d)", "(a:b :c d)"},
      {"\x01word\xff", "word"},
  };
  for (const Case& c : cases) EXPECT_EQ(Parsed(c.text), c.printed) << c.text;
  std::unique_ptr<TKQstructure> m(ParseMessage("(tell :content (ask :x 1) :y 2)"));
  EXPECT_EQ(m->head, "tell");
  EXPECT_EQ(m->GetValue("content")->GetValue("x")->head, "1");
  EXPECT_EQ(m->GetValue("content")->head, "ask");
}

TEST(KQML, ParseMessageRejectsMalformedText) {
  struct Case {
    const char* text;
    bool special_message;  // "special character unexpected" on standard error
  };
  const Case cases[] = {
      {"", true},           {"(", true},          {")", true},
      {":a", true},         {"(:a 1)", true},     {"(a :b)", true},
      {"(a : )", true},     {"(a :b 1", false},   {"(a b)", false},
      {"(a :b 1) c", false}, {"a b", false},      {"a)", false},
      {"(a :b 1))", false},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(ErrorText([&] { delete ParseMessage(c.text); }), "(error :type invalid-message)")
        << c.text;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              c.special_message ? "special character unexpected\n" : "")
        << c.text;
  }
}

TEST(KQML, ParseMessageLimitsNesting) {
  auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "(a :k ";
    text += "x";
    for (int i = 0; i < depth; ++i) text += ")";
    return text;
  };
  EXPECT_EQ(Parsed(nested(256).c_str()).size(), nested(256).size());
  EXPECT_EQ(ErrorText([&] { delete ParseMessage(nested(257).c_str()); }),
            "(error :type invalid-message)");
  EXPECT_EQ(ErrorText([&] { delete ParseMessage(nested(100000).c_str()); }),
            "(error :type invalid-message)");
}

TEST(KQML, ParseBoolean) {
  EXPECT_TRUE(ParseBoolean("true"));
  EXPECT_TRUE(ParseBoolean("TRUE"));
  EXPECT_FALSE(ParseBoolean("False"));
  EXPECT_EQ(ErrorText([] { ParseBoolean("yes"); }),
            "(error :type type-error :expected boolean)");
}

// The conversions read as the C library's "%ld" and "%lf" do; the C
// library itself is the reference here.
TEST(KQML, ConversionsAgreeWithFormattedInput) {
  const char* texts[] = {"12",    " \t-7x", "+3",      "12abc", "abc",    "",       "-",
                         "1.5e2", "x",      "-.5",     ".",     "0x1p3",  "0x",     "inf",
                         "-INFINITY", "infin", "nan",  "1e",    "1e999",  "-1e-400", "00012",
                         "2147483647", "-2147483648", "0x.8", "+-5", "4.9e-324", "1e+5x"};
  for (const char* text : texts) {
    long expected_integer = 0;
    const bool integer_ok = std::sscanf(text, "%ld", &expected_integer) == 1;
    if (integer_ok) {
      EXPECT_EQ(ToIntegerChecked(text), expected_integer) << text;
      EXPECT_EQ(ToInteger(text), expected_integer) << text;
    } else {
      EXPECT_EQ(ErrorText([&] { ToIntegerChecked(text); }),
                std::string("(error :type invalid-message :integer-expected ") + text + ")")
          << text;
    }
    double expected_number = 0;
    const bool number_ok = std::sscanf(text, "%lf", &expected_number) == 1;
    if (number_ok) {
      const double value = ToNumberChecked(text);
      if (std::isnan(expected_number)) {
        EXPECT_TRUE(std::isnan(value)) << text;
      } else {
        EXPECT_EQ(value, expected_number) << text;
        EXPECT_EQ(std::signbit(value), std::signbit(expected_number)) << text;
      }
    } else {
      EXPECT_EQ(ErrorText([&] { ToNumberChecked(text); }),
                std::string("(error :type invalid-message :number-expected ") + text + ")")
          << text;
    }
  }
  EXPECT_EQ(ToNumberChecked("1.5e2"), 150.0);
}

TEST(KQML, IntegersOutsideThirtyTwoBitsAreRejected) {
  for (const char* text : {"2147483648", "-2147483649", "99999999999999999999999"}) {
    EXPECT_EQ(ErrorText([&] { ToIntegerChecked(text); }),
              std::string("(error :type invalid-message :integer-expected ") + text + ")");
  }
}

TEST(KQML, JoinArguments) {
  const char* argv[] = {"prog", "a", "bc", "d"};
  std::unique_ptr<char[]> joined(JoinArguments(4, argv));
  EXPECT_STREQ(joined.get(), "a bc d ");
  std::unique_ptr<char[]> none(JoinArguments(1, argv));
  EXPECT_STREQ(none.get(), "");
}

TEST(KQMLDeathTest, ProgrammingErrorsAreFatal) {
  TKQstructure s("x");
  EXPECT_DEATH(s.GetValue("missing"), "Assertion failed: value != 0, file Working/KQmessage/KQML.cpp");
  EXPECT_DEATH(s.SetValue("k", nullptr), "Assertion failed: value != 0");
  EXPECT_DEATH(ToInteger("abc"), "Assertion failed: valid integer text");
  EXPECT_DEATH(ToNumber("abc"), "Assertion failed: valid number text");
}

}  // namespace

namespace {

TEST(TKQstructureLongLists, KeysStayUniqueAndCaseBlindPastTheIndexedSize) {
  TKQstructure list("big");
  for (int i = 0; i < 40; ++i) list.SetInteger(("key" + std::to_string(i)).c_str(), i);
  list.SetString("KEY7", "seven");  // replaces, keeps the first spelling
  ASSERT_EQ(list.count, 40);
  EXPECT_EQ(list.items[7].key, "key7");
  EXPECT_EQ(list.GetValue("Key7")->head, "seven");
  list.RemoveValue("key0");  // the last pair moves into place 0
  ASSERT_EQ(list.count, 39);
  EXPECT_EQ(list.items[0].key, "key39");
  EXPECT_EQ(list.FindValue("key0"), nullptr);
  EXPECT_EQ(list.GetValue("KEY39")->head, "39");
  list.SetInteger("key0", 100);
  EXPECT_EQ(list.items[39].key, "key0");
  TKQstructure copy(list);
  EXPECT_EQ(copy.GetValue("key0")->head, "100");
  copy = list;
  EXPECT_EQ(copy.GetValue("KEY0")->head, "100");

  std::string text = "(a";
  for (int i = 0; i < 20000; ++i) text += " :k" + std::to_string(i) + " x";
  text += " :K5 y)";
  std::unique_ptr<TKQstructure> parsed(ParseMessage(text.c_str()));
  EXPECT_EQ(parsed->count, 20000);
  EXPECT_EQ(parsed->GetValue("k5")->head, "y");
}

}  // namespace
