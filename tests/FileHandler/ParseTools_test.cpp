#include "Working/FileHandler/ParseTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Working/Exceptions/Exceptions.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Describe(const TTag& tag) {
  std::string text;
  switch (tag.kind) {
    case TagEnd:
      return "End";
    case TagWord:
      return "Word(" + tag.name + ")";
    case TagOpen:
      text = "Open(" + tag.name + ")";
      break;
    case TagValue:
      text = "Value(" + tag.name + "=" + tag.value + ")";
      break;
    default:
      return "?";
  }
  return tag.continued ? text + "+" : text;
}

// Reads items until TagEnd with a fixed innermost block, continuing after
// continued items; the items printed one after another, or the message of
// the error that stopped the reading.
std::string Items(const std::string& text, const char* blockdef = nullptr) {
  char scratch[kScratchSize];
  TextInput in(text);
  std::string result;
  bool continuing = false;
  try {
    for (int i = 0; i < 100; ++i) {
      const TTag tag = ReadTag(scratch, blockdef, in, continuing);
      if (!result.empty()) result += " ";
      result += Describe(tag);
      if (tag.kind == TagEnd) return result;
      continuing = tag.continued;
    }
    return result + " ...";
  } catch (const FileTools::Error& e) {
    EXPECT_EQ(e.stream, &in);
    EXPECT_EQ(e.outStream, nullptr);
    return (result.empty() ? "" : result + " ") + "error: " + e.message;
  }
}

// The message of the FileTools::Error that f throws.
std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const FileTools::Error& e) {
    return e.message;
  }
  return "no error";
}

TEST(ReadTag, Items) {
  struct Case {
    const char* text;
    const char* blockdef;
    const char* expected;
  };
  const std::string long_word(kScratchSize - 1, 'w');
  const Case cases[] = {
      // Bracket forms.
      {"[A=1]", nullptr, "Value(A=1) End"},
      {"[A = 1]", nullptr, "Value(A=1) End"},
      {"[ A  =  1 ]", nullptr, "Value(A=1) End"},
      {"[A= 1 ]", nullptr, "Value(A=1) End"},
      {"[A]", nullptr, "Open(A) End"},
      {"[A ]\n", nullptr, "Open(A) End"},
      {"[Weight = -2.50]", nullptr, "Value(Weight=-2.50) End"},
      // Continued statements.
      {"[A B]", nullptr, "Open(A)+ Open(B) End"},
      {"[A = 1 B = 2]", nullptr, "Value(A=1)+ Value(B=2) End"},
      {"[All Gain=1.5 ]", nullptr, "Open(All)+ Value(Gain=1.5) End"},
      {"[A FormatVersion = 2]", nullptr, "Open(A)+ Value(FormatVersion=2) End"},
      {"[A = 1", nullptr, "Value(A=1)+ End"},
      // Words and separators.
      {"1,2,3", nullptr, "Word(1) Word(2) Word(3) End"},
      {"a\xff\x01" "b\x7f" "c", nullptr, "Word(a) Word(b) Word(c) End"},
      {"x<", nullptr, "Word(x) Word(<) End"},
      {"=", nullptr, "Word(=) End"},
      {"a/b", nullptr, "Word(a) Word(/) Word(b) End"},
      {"~x", nullptr, "Word(~x) End"},
      // End tags.
      {"[~Layer]", "LAYER", "End"},
      {"[~ Layer ]", "Layer", "End"},
      {"[~layer]x", "Layer", "End"},
      {"[ ~Layer]", nullptr, "Open(~Layer) End"},
      {"[~Layer", "Layer", "error: Expected ']'"},
      {"[~Layer x]", "Layer", "error: Expected ']'"},
      {"[~Data]", "Layer", "error: Unexpected End Tag"},
      {"[~]", "Layer", "error: Unexpected End Tag"},
      {"[~Layer]", nullptr, "error: End Tag outside of any block"},
      // Comments.
      {"/**/x", nullptr, "Word(x) End"},
      {"/* a /* b */ z */ x", nullptr, "Word(x) End"},
      {"/*/**//x", nullptr, "Word(x) End"},
      {"/*/*/**/*/*/x", nullptr, "Word(x) End"},
      {"[A/*x*/=/*y*/1]", nullptr, "Value(A=1) End"},
      {"a/*c*/b", nullptr, "Word(a) Word(b) End"},
      {"[A /*c*/ ]", nullptr, "Open(A) End"},
      {"[A = 1/*c*/]", nullptr, "Value(A=1) End"},
      {"[A /*c*/ B]", nullptr, "Open(A)+ Open(B) End"},
      {"[A /x]", nullptr, "Open(A)+ error: Unexpected special character"},
      {"[A = 1 /]", nullptr, "Value(A=1)+ error: Unexpected special character"},
      {"/*/", nullptr, "error: Unexpected end of file during comment"},
      {"/* a /* b */ z", nullptr, "error: Unexpected end of file during comment"},
      {"/*", nullptr, "error: Unexpected end of file during comment"},
      {"/", nullptr, "Word(/) End"},
      // Format versions.
      {"[FormatVersion = 0.5] x", nullptr, "Word(x) End"},
      {"[FORMATVERSION=1]", nullptr, "End"},
      {"[FormatVersion=1][formatversion = 1.0]x", nullptr, "Word(x) End"},
      {"[FormatVersion = 1.01]", nullptr, "error: Illegal Format Version"},
      {"[FormatVersion = x]", nullptr, "error: number-expected"},
      {"[FormatVersion = 1.0 x]", nullptr, "error: Illegal Format of FormatVersion"},
      {"[FormatVersion]", nullptr, "Open(FormatVersion) End"},
      {"[FormatVersion = 1]", "Data", "error: Unexpected end of file"},
      // End of input.
      {"", nullptr, "End"},
      {"  \n", "Data", "error: Unexpected end of file"},
      {"[", nullptr, "error: Unexpected end of file"},
      {"[A", nullptr, "error: Unexpected end of file"},
      {"[A  ", nullptr, "error: Unexpected end of file"},
      {"[A =", nullptr, "error: Unexpected end of file"},
      {"[A = /*c*/", nullptr, "error: Unexpected end of file"},
      // Malformed statements.
      {"[=1]", nullptr, "error: Unexpected special character"},
      {"[A = ]", nullptr, "error: Unexpected special character"},
      {"[[~A]", nullptr, "error: Unexpected special character"},
      {"[A = 1 = 2]", nullptr, "Value(A=1)+ error: Unexpected special character"},
      {"]", nullptr, "error: Unexpected ']'"},
      {"x ] y", nullptr, "Word(x) error: Unexpected ']'"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Items(c.text, c.blockdef), c.expected) << "input: " << c.text;
  }
  // Words up to the scratch area's size, and one more.
  EXPECT_EQ(Items(long_word + " x"), "Word(" + long_word + ") Word(x) End");
  EXPECT_EQ(Items(long_word + "w"), "error: Token longer than 1027 characters");
  EXPECT_EQ(Items("[" + long_word + "w]"), "error: Token longer than 1027 characters");
}

TEST(ReadTag, BlocksNest) {
  char scratch[kScratchSize];
  TextInput in("[Network]\n [Layer = 0]\n  [Size = 3]\n [~LAYER]\n[~network]\n");
  const std::string network =
      ExpectBlockStart(scratch, ReadTag(scratch, nullptr, in, false), in, "NETWORK");
  EXPECT_EQ(network, "Network");
  const TTag layer = ReadTag(scratch, network.c_str(), in, false);
  EXPECT_EQ(Describe(layer), "Value(Layer=0)");
  EXPECT_EQ(ReadIntegerValue(scratch, ReadTag(scratch, "Layer", in, false), in, "SIZE"), 3);
  ExpectBlockEnd(scratch, ReadTag(scratch, "Layer", in, false), in);
  ExpectBlockEnd(scratch, ReadTag(scratch, network.c_str(), in, false), in);
  ExpectBlockEnd(scratch, ReadTag(scratch, nullptr, in, false), in);
}

TEST(ReadToken, Tokens) {
  char scratch[kScratchSize];
  TextInput in("[~x] [ ~ /* c */ a,b=c<>/ *  [");
  std::vector<std::string> tokens;
  for (std::string t = ReadToken(scratch, in); !t.empty(); t = ReadToken(scratch, in)) {
    tokens.push_back(t);
  }
  const std::vector<std::string> expected = {"[~", "x", "]", "[", "~", "a", "b", "=",
                                             "c", "<", ">", "/", "*", "["};
  EXPECT_EQ(tokens, expected);
  EXPECT_EQ(CopyString(scratch, "abc"), "abc");
}

TEST(ReadToken, WordEndsAfterSeparatorAndBeforeSpecial) {
  char scratch[kScratchSize];
  TextInput in("ab cd]e");
  EXPECT_EQ(ReadTokenView(scratch, in), "ab");
  EXPECT_EQ(in.Position(), 3u);  // the blank went with the word
  EXPECT_EQ(ReadTokenView(scratch, in), "cd");
  EXPECT_EQ(in.Position(), 5u);  // "]" is still to be read
  EXPECT_EQ(in.Get(), ']');
}

TEST(StatementReaders, AcceptAndRefuse) {
  char scratch[kScratchSize];
  TextInput in("");
  auto tag = [](TagKind kind, const char* name, const char* value) {
    TTag t;
    t.kind = kind;
    t.name = name;
    t.value = value;
    return t;
  };
  const TTag open = tag(TagOpen, "DataSet", "");
  const TTag end = tag(TagEnd, "", "");
  const TTag word = tag(TagWord, "2.5e2", "");
  const TTag type = tag(TagValue, "Type", "Kohonen");
  const TTag count = tag(TagValue, "N", "12x");

  EXPECT_EQ(ExpectBlockStart(scratch, open, in, "DATASET"), "DataSet");
  EXPECT_EQ(ExpectBlockStart(scratch, open, in, nullptr), "DataSet");
  EXPECT_EQ(ReadStringValue(scratch, type, in, "TYPE", nullptr), "Kohonen");
  EXPECT_EQ(ReadStringValue(scratch, type, in, "type", "KOHONEN"), "");
  EXPECT_EQ(ReadIntegerValue(scratch, count, in, "n"), 12);
  EXPECT_EQ(ReadNumberValue(scratch, count, in, "N"), 12.0);
  EXPECT_EQ(ReadNumberWord(scratch, word, in), 250.0);
  ExpectBlockEnd(scratch, end, in);

  struct Case {
    std::function<void()> call;
    const char* message;
  };
  const Case cases[] = {
      {[&] { ExpectBlockStart(scratch, type, in, "DataSet"); }, "[DataSet] expected"},
      {[&] { ExpectBlockStart(scratch, open, in, "Data"); }, "[Data] expected"},
      {[&] { ExpectBlockStart(scratch, word, in, nullptr); }, "start of block expected"},
      {[&] { ExpectBlockEnd(scratch, open, in); }, "End Tag expected"},
      {[&] { ReadStringValue(scratch, open, in, "Type", nullptr); },
       "[Type = <string>] expectedDataSet"},
      {[&] { ReadStringValue(scratch, end, in, "Type", nullptr); }, "[Type = <string>] expected"},
      {[&] { ReadStringValue(scratch, type, in, "Kind", nullptr); },
       "[Kind = <string>] expectedType"},
      {[&] { ReadStringValue(scratch, type, in, "Type", "Basic"); }, "[Type = Basic] expected"},
      {[&] { ReadIntegerValue(scratch, type, in, "N"); }, "[N = <integer>] expected"},
      {[&] { ReadIntegerValue(scratch, type, in, "Type"); }, "integer-expected"},
      {[&] { ReadNumberValue(scratch, word, in, "N"); }, "[N = <number>] expected"},
      {[&] { ReadNumberValue(scratch, type, in, "Type"); }, "number-expected"},
      {[&] { ReadNumberWord(scratch, open, in); }, "Token (number) expected"},
      {[&] { ReadNumberWord(scratch, tag(TagWord, "abc", ""), in); }, "number-expected"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.call), c.message);
}

TEST(ParseTools, ParseIntegerAndNumber) {
  char scratch[kScratchSize];
  TextInput in("");
  struct IntCase {
    const char* text;
    int value;  // 0 with an error
    bool ok;
  };
  const IntCase ints[] = {{"12abc", 12, true},        {" -5", -5, true},
                          {"+7", 7, true},            {"2147483647", 2147483647, true},
                          {"-2147483648", -2147483647 - 1, true},
                          {"abc", 0, false},          {"", 0, false},
                          {"2147483648", 0, false},   {"-2147483649", 0, false},
                          {"4294967296", 0, false},   {"99999999999999999999", 0, false},
                          {"- 5", 0, false}};
  for (const IntCase& c : ints) {
    if (c.ok) {
      EXPECT_EQ(ParseInteger(scratch, in, c.text), c.value) << c.text;
    } else {
      EXPECT_EQ(ErrorOf([&] { ParseInteger(scratch, in, c.text); }), "integer-expected") << c.text;
    }
  }
  struct NumCase {
    const char* text;
    double value;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const NumCase numbers[] = {{"2.5e2", 250.0}, {"-.5", -0.5},     {"0x1p3", 8.0},
                             {"1e999", inf},   {"-INFINITY", -inf}, {"1.5e2x", 150.0},
                             {"+3", 3.0},      {"1e-400", 0.0},   {"4.", 4.0}};
  for (const NumCase& c : numbers) EXPECT_EQ(ParseNumber(scratch, in, c.text), c.value) << c.text;
  EXPECT_TRUE(std::isnan(ParseNumber(scratch, in, "nan(1)")));
  for (const char* bad : {"", "abc", ".", "-", "0x", "infin", "+-1", "e5"}) {
    EXPECT_EQ(ErrorOf([&] { ParseNumber(scratch, in, bad); }), "number-expected") << bad;
  }
}

// ScanNumber must agree with the C library: "%lf" decides whether there is
// a number, strtod what its value is.
TEST(ParseTools, ScanNumberAgreesWithTheCLibrary) {
  std::vector<std::string> texts = {
      "0",        "-0",         "1",        "+1.",      ".5",        "-.5e-3",   "1e",
      "1e+",      "1ex",        "1.e5",     "1..2",     "00012",     "0x1p3",    "0X1P-2",
      "0x.8",     "0x1.8p1",    "0x1e2",    "0x1g",     "0x1p",      "0x",       "0xg",
      "-0x",      "0xp3",       "inf",      "INF",      "infx",      "infinity", "Infinityx",
      "infi",     "infin",      "infini",   "infinit",  "nan",       "NaN(12)",  "nan(",
      "nanx",     "-nan",       "in",       "n",        "1e999",     "-1e999",   "1e-310",
      "1e-400",   "2.4e-324",   "2.5e-324", "4.9e-324", " \t\n12",   "\v\f\r-3", "+-5",
      "1e400x",   "0x1p99999",  "0x1p-99999", "1234567890123456789012345678901234567890",
      "0.000000000000000000000000000000000000000000000000000000000000001",
      "9007199254740993",       "2.2250738585072011e-308", "1.7976931348623158e308",
      "1.7976931348623159e308", "-0.0e0",  "5e-1x",     "."};
  std::mt19937_64 random(12345);
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    char text[64];
    const char* formats[] = {"%.17g", "%.15g", "%a", "%.3e", "%f"};
    std::snprintf(text, sizeof text, formats[i % 5], value);
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    double expected = 0;
    const bool valid = std::sscanf(text.c_str(), "%lf", &expected) == 1;
    double value = -12345.0;
    EXPECT_EQ(ScanNumber(text, &value), valid) << text;
    if (!valid) {
      EXPECT_EQ(value, -12345.0) << text;
      continue;
    }
    expected = std::strtod(text.c_str(), nullptr);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(value)) << text;
      EXPECT_EQ(std::signbit(value), std::signbit(expected)) << text;
    } else {
      EXPECT_EQ(value, expected) << text;
      EXPECT_EQ(std::signbit(value), std::signbit(expected)) << text;
    }
  }
}

TEST(ParseTools, ReadNumberItemMatchesReadTag) {
  struct Case {
    const char* text;
    const char* expected;  // the value printed, or the error message
  };
  const Case cases[] = {
      {"1.5 ", "1.5"},
      {"\n  -2,", "-2"},
      {"/* c */ 3e2", "300"},
      {"[FormatVersion = 1] 4", "4"},
      {"[~Data]", "Token (number) expected"},
      {"[Rows = 3]", "Token (number) expected"},
      {"", "Unexpected end of file"},
      {"x", "number-expected"},
      {"=", "number-expected"},
      {"]", "Unexpected ']'"},
      {"[~Other]", "Unexpected End Tag"},
  };
  for (const Case& c : cases) {
    char scratch[kScratchSize];
    std::string fast;
    std::string slow;
    {
      TextInput in(c.text);
      try {
        char text[64];
        std::snprintf(text, sizeof text, "%g", ReadNumberItem(scratch, "Data", in));
        fast = text;
      } catch (const FileTools::Error& e) {
        fast = e.message;
      }
    }
    {
      TextInput in(c.text);
      try {
        char text[64];
        std::snprintf(text, sizeof text, "%g",
                      ReadNumberWord(scratch, ReadTag(scratch, "Data", in, false), in));
        slow = text;
      } catch (const FileTools::Error& e) {
        slow = e.message;
      }
    }
    EXPECT_EQ(fast, c.expected) << c.text;
    EXPECT_EQ(slow, c.expected) << c.text;
  }
}

// The row path converts numbers inside the input's buffer where it can;
// across block boundaries and for every unusual form it must give exactly
// what ReadTag and ReadNumberWord give.
TEST(ParseTools, ReadNumberItemAgreesWithTheGeneralPathOnFiles) {
  const char* forms[] = {"1.5",     "-2",      "0.000123456789012345", "1e",     "1e+5x",
                         "0x1p3",   "-inf",    "nan",                  "-.5",    "7.",
                         "1.5abc",  "/*c*/3",  "[FormatVersion=1] 4",  "12345678901234567890",
                         "-0",      "1e999",   "2.5e-324",             "+8",     "x9"};
  testsupport::TempDir dir;
  std::string text;
  std::vector<std::string> items;
  for (int i = 0; text.size() < 700000; ++i) {
    const std::string item = forms[i % (sizeof forms / sizeof forms[0])];
    items.push_back(item);
    text += item;
    text += (i % 4 == 0) ? "\n" : (i % 4 == 1 ? "," : (i % 4 == 2 ? "  " : "/**/"));
  }
  const std::string path = dir.Write("numbers.txt", text);
  TextInput fast;
  TextInput slow;
  ASSERT_TRUE(fast.Open(path.c_str()));
  ASSERT_TRUE(slow.Open(path.c_str()));
  char scratch[kScratchSize];
  auto read = [&](const std::function<double()>& f) {
    try {
      char value[64];
      std::snprintf(value, sizeof value, "%.17g", f());
      return std::string(value);
    } catch (const FileTools::Error& e) {
      return e.message;
    }
  };
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string a = read([&] { return ReadNumberItem(scratch, "Data", fast); });
    const std::string b =
        read([&] { return ReadNumberWord(scratch, ReadTag(scratch, "Data", slow, false), slow); });
    ASSERT_EQ(a, b) << "item " << i << ": " << items[i];
    ASSERT_EQ(fast.Position(), slow.Position()) << "item " << i << ": " << items[i];
  }
}

TEST(TextInput, ReadsFilesAcrossBlocksWithPushBack) {
  testsupport::TempDir dir;
  // Words of varying length, so that every kind of item straddles the
  // block boundaries somewhere.
  std::string text;
  std::vector<std::string> words;
  for (int i = 0; text.size() < 1200000; ++i) {
    std::string word = std::to_string(i * 7919 % 100003);
    words.push_back(word);
    text += word;
    text += (i % 3 == 0) ? "," : (i % 3 == 1 ? "/*c*/" : "[");
  }
  const std::string path = dir.Write("big.txt", text);
  TextInput in;
  ASSERT_TRUE(in.Open(path.c_str()));
  EXPECT_EQ(in.Size(), static_cast<std::int64_t>(text.size()));
  char scratch[kScratchSize];
  std::size_t index = 0;
  for (std::string_view token = ReadTokenView(scratch, in); !token.empty();
       token = ReadTokenView(scratch, in)) {
    if (token == "[") continue;
    ASSERT_LT(index, words.size());
    ASSERT_EQ(token, words[index]) << index;
    ++index;
  }
  EXPECT_EQ(index, words.size());
  EXPECT_EQ(in.Position(), text.size());
  EXPECT_FALSE(in.ReadFailed());

  // Seeking, within the current block and far away.
  ASSERT_TRUE(in.SeekTo(text.size() - 1));
  EXPECT_EQ(in.Get(), static_cast<unsigned char>(text.back()));
  ASSERT_TRUE(in.SeekTo(3));
  for (std::size_t i = 3; i < 600000; ++i) ASSERT_EQ(in.Get(), text[i]) << i;
  in.Unget();
  EXPECT_EQ(in.Position(), 599999u);
  EXPECT_EQ(in.Get(), text[599999]);
  ASSERT_TRUE(in.SeekTo(text.size() + 10));
  EXPECT_EQ(in.Get(), TextInput::kEof);
}

TEST(TextInput, OpenFailureAndEmptyInputs) {
  TextInput in;
  EXPECT_EQ(in.Get(), TextInput::kEof);
  EXPECT_FALSE(in.Open("/nonexistent/dir/file"));
  testsupport::TempDir dir;
  EXPECT_FALSE(in.Open(dir.path().c_str()));  // a directory opens but cannot be read
  ASSERT_TRUE(in.Open(dir.Write("empty", "").c_str()));
  EXPECT_EQ(in.Get(), TextInput::kEof);
  EXPECT_EQ(in.Get(), TextInput::kEof);
  EXPECT_EQ(in.Position(), 0u);
  TextInput text("ab");
  EXPECT_EQ(text.Get(), 'a');
  text.Unget();
  EXPECT_EQ(text.Get(), 'a');
  EXPECT_EQ(text.Get(), 'b');
  EXPECT_EQ(text.Get(), TextInput::kEof);
  EXPECT_EQ(text.Position(), 2u);
}

std::string Written(const std::function<void(char*, TextOutput&)>& write) {
  char scratch[kScratchSize];
  TextOutput out;
  write(scratch, out);
  return out.text();
}

TEST(Writers, ExactText) {
  struct Case {
    std::function<void(char*, TextOutput&)> write;
    const char* expected;
  };
  const Case cases[] = {
      {[](char* s, TextOutput& o) { WriteIntegerValue(s, o, "NumberOfLayers", 3, true); },
       "[NumberOfLayers = 3]\n"},
      {[](char* s, TextOutput& o) { WriteIntegerValue(s, o, "N", -2147483647 - 1, false); },
       "N=-2147483648 "},
      {[](char* s, TextOutput& o) { WriteNumberValue(s, o, "Weight", -2.5, 2, false); },
       "Weight=-2.50 "},
      {[](char* s, TextOutput& o) { WriteNumberValue(s, o, "W", 1.0 / 3, 15, true); },
       "[W = 0.333333333333333]\n"},
      {[](char* s, TextOutput& o) { WriteEndTag(s, o, nullptr); }, ""},
      {[](char* s, TextOutput& o) { WriteEndTag(s, o, "Layer"); }, "[~Layer]\n"},
      {[](char* s, TextOutput& o) {
         WriteFormatVersion(s, o);
         WriteOpenTag(s, o, "DataSet", true);
       },
       "[FormatVersion = 1.0]\n\n[DataSet]\n"},
      {[](char* s, TextOutput& o) {
         OpenBracket(s, o, true);
         WriteOpenTag(s, o, "All", false);
         WriteNumberValue(s, o, "Gain", 1.5, 1, false);
         CloseBracket(s, o, true, false);
       },
       "[All Gain=1.5 ]"},
      {[](char* s, TextOutput& o) {
         OpenBracket(s, o, false);
         CloseBracket(s, o, false, true);
         WriteItem(s, TagWord, "w", nullptr, o, true);
         WriteItem(s, TagWord, "v", nullptr, o, false);
         WriteStringValue(s, o, "Type", "Kohonen", true);
         WriteNewline(s, o);
       },
       "w v [Type = Kohonen]\n\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Written(c.write), c.expected);

  char expected[400];
  std::snprintf(expected, sizeof expected, "[Big = %.3f]\n", -1e300);
  EXPECT_EQ(Written([](char* s, TextOutput& o) { WriteNumberValue(s, o, "Big", -1e300, 3, true); }),
            expected);
}

TEST(Writers, EverythingWrittenReadsBack) {
  char scratch[kScratchSize];
  TextOutput out;
  WriteFormatVersion(scratch, out);
  WriteOpenTag(scratch, out, "Network", true);
  WriteIntegerValue(scratch, out, "Layers", 3, true);
  WriteNumberValue(scratch, out, "Rate", 0.125, 9, true);
  WriteStringValue(scratch, out, "Name", "map-1", true);
  OpenBracket(scratch, out, true);
  WriteOpenTag(scratch, out, "All", false);
  WriteNumberValue(scratch, out, "Gain", 1.5, 2, false);
  WriteIntegerValue(scratch, out, "Count", -4, false);
  CloseBracket(scratch, out, true, true);
  WriteItem(scratch, TagWord, "0.5", nullptr, out, true);
  WriteItem(scratch, TagWord, "-7", nullptr, out, false);
  WriteNewline(scratch, out);
  WriteEndTag(scratch, out, "Network");
  EXPECT_EQ(Items(out.text()),
            "Open(Network) Value(Layers=3) Value(Rate=0.125000000) Value(Name=map-1) Open(All)+ "
            "Value(Gain=1.50)+ Value(Count=-4) Word(0.5) Word(-7) error: End Tag outside of any "
            "block");
  EXPECT_EQ(Items(out.text().substr(out.text().find("[Layers")), "Network"),
            "Value(Layers=3) Value(Rate=0.125000000) Value(Name=map-1) Open(All)+ "
            "Value(Gain=1.50)+ Value(Count=-4) Word(0.5) Word(-7) End");
}

TEST(TextOutput, GeneralFormatMatchesPrintf) {
  std::mt19937_64 random(99);
  std::vector<double> values = {0.0,   -0.0,    1.0,     -2.5,    0.1,     1e15,   1e14 + 0.5,
                                1e-5,  1e-4,    123456789012345678.0, 1.0 / 3, 5e-324,
                                1.7976931348623157e308, std::numeric_limits<double>::infinity()};
  for (int i = 0; i < 3000; ++i) {
    const std::uint64_t bits = random();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isnan(v)) values.push_back(v);
    values.push_back(std::ldexp(static_cast<double>(bits >> 11), -static_cast<int>(i % 80)));
    values.push_back(static_cast<double>(static_cast<std::int64_t>(bits) % 1000000) / 1000.0);
  }
  TextOutput out;
  std::string expected;
  for (double v : values) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g ", v);
    expected += text;
    out.WriteGeneral(v, 15);
    out.Put(' ');
  }
  EXPECT_EQ(out.text(), expected);
}

TEST(TextOutput, FilesAndFailures) {
  testsupport::TempDir dir;
  const std::string path = dir.File("out.txt");
  {
    TextOutput out;
    ASSERT_TRUE(out.Open(path.c_str(), TextOutput::Mode::kCreate));
    out.Write("first\n");
    EXPECT_TRUE(out.Close());
  }
  {
    TextOutput out;
    ASSERT_TRUE(out.Open(path.c_str(), TextOutput::Mode::kAppend));
    const std::string big(700000, 'x');  // more than one buffer
    out.Write(big);
    out.WriteInteger(-12);
    EXPECT_TRUE(out.Close());
  }
  EXPECT_EQ(testsupport::ReadFile(path), "first\n" + std::string(700000, 'x') + "-12");

  TextOutput missing;
  EXPECT_FALSE(missing.Open((dir.path() + "/no/such/dir").c_str(), TextOutput::Mode::kCreate));
  missing.Write("x");
  EXPECT_FALSE(missing.ok());
  EXPECT_FALSE(missing.Close());

  TextOutput full;
  if (full.Open("/dev/full", TextOutput::Mode::kAppend)) {
    full.Write("some text");
    EXPECT_FALSE(full.Close());
  }
}

TEST(WritersDeathTest, InlineEndTagsAreFatal) {
  char scratch[kScratchSize];
  TextOutput out;
  EXPECT_DEATH(WriteItem(scratch, TagEnd, "Layer", nullptr, out, false),
               "Assertion failed: bracket, file Working/FileHandler/ParseTools.cpp");
  EXPECT_DEATH(WriteItem(scratch, TagFormatVersion, nullptr, nullptr, out, false),
               "Assertion failed: bracket");
  EXPECT_DEATH(WriteItem(scratch, static_cast<TagKind>(7), "x", nullptr, out, true),
               "Assertion failed: known tag kind");
}

}  // namespace
