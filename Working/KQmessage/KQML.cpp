#include "Working/KQmessage/KQML.h"

#include <charconv>
#include <cstring>
#include <iostream>
#include <string_view>
#include <utility>

#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"
#include "Working/FileHandler/ParseTools.h"

namespace {

constexpr int kInitialCapacity = 16;

// Lists nested deeper than this are refused by the text reader, so that a
// hostile text cannot exhaust the stack.
constexpr int kMaxNesting = 256;

// Texts of the error structures.
constexpr const char kErrorPerformative[] = "error";
constexpr const char kTypeKey[] = "type";
constexpr const char kInvalidMessage[] = "invalid-message";
constexpr const char kTypeError[] = "type-error";
constexpr const char kExpectedKey[] = "expected";
constexpr const char kTagKey[] = "tag";
constexpr const char kExpectedValueKey[] = "expected-value";
constexpr const char kIntegerExpectedKey[] = "integer-expected";
constexpr const char kNumberExpectedKey[] = "number-expected";
constexpr const char kSpecialCharacterUnexpected[] = "special character unexpected";

[[noreturn]] void ThrowError(const char* type, const char* key, const char* value) {
  TKQstructure* error = MakeError(type);
  if (key != nullptr) error->SetString(key, value);
  throw TKQstructure::Error{error};
}

}  // namespace

TKQstructure::TKQstructure()
    : head("unknown"), items(new Pair[kInitialCapacity]), capacity(kInitialCapacity), count(0) {}

TKQstructure::TKQstructure(const char* text)
    : head(text), items(new Pair[kInitialCapacity]), capacity(kInitialCapacity), count(0) {}

TKQstructure::TKQstructure(const TKQstructure& other)
    : head(other.head), items(new Pair[other.count]), capacity(other.count), count(other.count) {
  for (int i = 0; i < count; ++i) {
    items[i].key = other.items[i].key;
    items[i].value = std::make_unique<TKQstructure>(*other.items[i].value);
  }
}

TKQstructure& TKQstructure::operator=(const TKQstructure& other) {
  if (this == &other) return *this;
  TKQstructure copy(other);
  head = std::move(copy.head);
  items = std::move(copy.items);
  capacity = copy.capacity;
  count = copy.count;
  copy.count = 0;
  key_index_.reset();
  return *this;
}

TKQstructure::~TKQstructure() = default;

namespace {

constexpr int kIndexedPairs = 16;

std::string FoldKey(const char* key) {
  std::string folded(key);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

}  // namespace

int TKQstructure::FindIndex(const char* key) const {
  // Keys are unique, so the order of the search does not change the answer.
  if (count > kIndexedPairs) {
    if (key_index_ == nullptr) {
      key_index_ = std::make_unique<std::unordered_map<std::string, int>>();
      for (int i = 0; i < count; ++i) key_index_->emplace(FoldKey(items[i].key.c_str()), i);
    }
    const auto found = key_index_->find(FoldKey(key));
    return found == key_index_->end() ? -1 : found->second;
  }
  for (int i = count - 1; i >= 0; --i) {
    if (FileTools::strcasecmp(items[i].key.c_str(), key) == 0) return i;
  }
  return -1;
}

void TKQstructure::SetValue(const char* key, TKQstructure* value) {
  FatalAssert(value != nullptr, "value != 0", "Working/KQmessage/KQML.cpp", __LINE__);
  const int index = FindIndex(key);
  if (index >= 0) {
    items[index].value.reset(value);
    return;
  }
  if (count == capacity) {
    const int new_capacity = capacity * 2 < kInitialCapacity ? kInitialCapacity : capacity * 2;
    std::unique_ptr<Pair[]> grown(new Pair[new_capacity]);
    for (int i = 0; i < count; ++i) grown[i] = std::move(items[i]);
    items = std::move(grown);
    capacity = new_capacity;
  }
  items[count].key = key;
  items[count].value.reset(value);
  if (key_index_ != nullptr) key_index_->emplace(FoldKey(key), count);
  ++count;
}

void TKQstructure::SetString(const char* key, const char* text) {
  SetValue(key, new TKQstructure(text));
}

void TKQstructure::SetInteger(const char* key, int value) {
  SetString(key, std::to_string(value).c_str());
}

void TKQstructure::SetNumber(const char* key, double value) {
  // Fixed notation with six decimals is what "%f" writes; the largest
  // double needs 309 digits before the point.
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text - 1, value,
                                    std::chars_format::fixed, 6);
  *result.ptr = '\0';
  SetString(key, text);
}

void TKQstructure::SetBoolean(const char* key, bool value) {
  SetString(key, value ? "true" : "false");
}

TKQstructure* TKQstructure::FindValue(const char* key) const {
  const int index = FindIndex(key);
  return index < 0 ? nullptr : items[index].value.get();
}

TKQstructure* TKQstructure::GetValue(const char* key) const {
  TKQstructure* value = FindValue(key);
  FatalAssert(value != nullptr, "value != 0", "Working/KQmessage/KQML.cpp", __LINE__);
  return value;
}

void TKQstructure::RemoveValue(const char* key) {
  const int index = FindIndex(key);
  if (index < 0) return;
  if (index != count - 1) items[index] = std::move(items[count - 1]);
  items[count - 1] = Pair{};
  --count;
  key_index_.reset();
}

TKQstructure* MakeError(const char* type) {
  auto* error = new TKQstructure(kErrorPerformative);
  error->SetString(kTypeKey, type);
  return error;
}

TKQstructure* TKQstructure::GetValueChecked(const char* key) const {
  TKQstructure* value = FindValue(key);
  if (value == nullptr) ThrowError(kInvalidMessage, kExpectedKey, key);
  return value;
}

void TKQstructure::RequireValue(const char* key, const char* required) const {
  const TKQstructure* value = FindValue(key);
  if (value == nullptr) ThrowError(kInvalidMessage, kExpectedKey, key);
  if (required == nullptr || *required == '\0') return;
  if (FileTools::strcasecmp(value->head.c_str(), required) == 0) return;
  TKQstructure* error = MakeError(kInvalidMessage);
  error->SetString(kTagKey, key);
  error->SetString(kExpectedValueKey, required);
  throw Error{error};
}

namespace {

void AppendText(const TKQstructure& structure, std::string* out) {
  if (structure.count == 0) {
    out->append(structure.head);
    return;
  }
  out->push_back('(');
  out->append(structure.head);
  for (int i = 0; i < structure.count; ++i) {
    out->append(" :");
    out->append(structure.items[i].key);
    out->push_back(' ');
    AppendText(*structure.items[i].value, out);
  }
  out->push_back(')');
}

}  // namespace

std::string TKQstructure::ToText() const {
  std::string text;
  AppendText(*this, &text);
  return text;
}

void TKQstructure::Print() const { std::cout << ToText(); }

void TKQstructure::PrintLine() const { std::cout << ToText() << std::endl; }

// Reading the text form. NextToken splits the text into words and the
// special characters; ParseExpression reads an atom or a list, descending
// into nested lists up to kMaxNesting levels. Every failure throws an
// "invalid-message" error; a special character or the end of the text
// where a word is due is also reported on the error stream, as it always
// has been.
namespace {

class MessageReader {
 public:
  explicit MessageReader(const char* text) : text_(text) {}

  // The next token; specials are "(", ")" and ":" when with_specials is
  // set, and nothing otherwise.
  std::string_view NextToken(bool with_specials) {
    auto is_space = [](unsigned char c) { return c < 0x21 || c > 0x7E; };
    auto is_special = [with_specials](char c) {
      return with_specials && (c == '(' || c == ')' || c == ':');
    };
    while (text_[pos_] != '\0' && is_space(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    const std::size_t start = pos_;
    if (text_[pos_] == '\0') return {};
    if (is_special(text_[pos_])) return std::string_view(text_ + pos_++, 1);
    for (;;) {
      const char c = text_[pos_];
      if (c == '\0' || is_space(static_cast<unsigned char>(c))) break;
      if (c == ':') {
        ++pos_;  // a colon inside or after a word belongs to it
        continue;
      }
      if (is_special(c)) break;
      ++pos_;
    }
    return std::string_view(text_ + start, pos_ - start);
  }

  std::unique_ptr<TKQstructure> ParseExpression(int depth) {
    if (depth > kMaxNesting) Fail();
    auto result = std::make_unique<TKQstructure>();
    std::string_view token = NextToken(true);
    if (token != "(") {
      result->head = CheckToken(token);
      return result;
    }
    result->head = CheckToken(NextToken(true));
    for (;;) {
      token = NextToken(true);
      if (token == ")") return result;
      if (token != ":") Fail();
      const std::string key = CheckToken(NextToken(true));
      result->SetValue(key.c_str(), ParseExpression(depth + 1).release());
    }
  }

  void ExpectEnd() {
    if (!NextToken(false).empty()) Fail();
  }

 private:
  std::string CheckToken(std::string_view token) {
    if (token.empty() || token[0] == '(' || token[0] == ')' || token[0] == ':') {
      std::cerr << kSpecialCharacterUnexpected << std::endl;
      Fail();
    }
    return std::string(token);
  }

  [[noreturn]] static void Fail() { ThrowError(kInvalidMessage, nullptr, nullptr); }

  const char* text_;
  std::size_t pos_ = 0;
};

}  // namespace

TKQstructure* ParseMessage(const char* text) {
  MessageReader reader(text);
  std::unique_ptr<TKQstructure> result = reader.ParseExpression(0);
  reader.ExpectEnd();
  return result.release();
}

bool ParseBoolean(const char* text) {
  if (FileTools::strcasecmp(text, "TRUE") == 0) return true;
  if (FileTools::strcasecmp(text, "FALSE") == 0) return false;
  ThrowError(kTypeError, kExpectedKey, "boolean");
}

int ToIntegerChecked(const char* text) {
  std::int32_t value;
  if (!ScanInteger(text, &value)) ThrowError(kInvalidMessage, kIntegerExpectedKey, text);
  return value;
}

double ToNumberChecked(const char* text) {
  double value;
  if (!ScanNumber(text, &value)) ThrowError(kInvalidMessage, kNumberExpectedKey, text);
  return value;
}

int ToInteger(const char* text) {
  std::int32_t value = 0;
  const bool valid = ScanInteger(text, &value);
  FatalAssert(valid, "valid integer text", "Working/KQmessage/KQML.cpp", __LINE__);
  return value;
}

double ToNumber(const char* text) {
  double value = 0.0;
  const bool valid = ScanNumber(text, &value);
  FatalAssert(valid, "valid number text", "Working/KQmessage/KQML.cpp", __LINE__);
  return value;
}

char* JoinArguments(int argc, const char* const* argv) {
  std::string joined;
  for (int i = 1; i < argc; ++i) {
    joined.append(argv[i]);
    joined.push_back(' ');
  }
  char* text = new char[joined.size() + 1];
  std::memcpy(text, joined.c_str(), joined.size() + 1);
  return text;
}
