#include "Working/FileHandler/ParseTools.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"

namespace {

// Messages of the toolkit.
constexpr const char kUnexpectedEofInComment[] = "Unexpected end of file during comment";
constexpr const char kUnexpectedEof[] = "Unexpected end of file";
constexpr const char kUnexpectedSpecial[] = "Unexpected special character";
constexpr const char kIllegalFormatOfVersion[] = "Illegal Format of FormatVersion";
constexpr const char kIllegalFormatVersion[] = "Illegal Format Version";
constexpr const char kUnexpectedEndTag[] = "Unexpected End Tag";
constexpr const char kExpectedBracket[] = "Expected ']'";
constexpr const char kStartOfBlockExpected[] = "start of block expected";
constexpr const char kEndTagExpected[] = "End Tag expected";
constexpr const char kNumberTokenExpected[] = "Token (number) expected";
constexpr const char kIntegerExpected[] = "integer-expected";
constexpr const char kNumberExpected[] = "number-expected";
constexpr const char kStrayCloseBracket[] = "Unexpected ']'";
constexpr const char kEndTagOutsideBlock[] = "End Tag outside of any block";
constexpr const char kTokenTooLong[] = "Token longer than 1027 characters";

constexpr const char kFormatVersionKeyword[] = "FORMATVERSION";
constexpr double kHighestFormatVersion = 1.0;
constexpr const char kFormatVersionStatement[] = "[FormatVersion = 1.0]";

[[noreturn]] void Fail(std::string message, TextInput& in) {
  throw FileTools::Error(std::move(message), &in, nullptr);
}

// Character classes of the tokenizer.
enum CharClass : unsigned char { kWord, kSeparator, kSpecial };

constexpr auto kCharClasses = [] {
  struct Table {
    CharClass of[256];
  } table{};
  for (int c = 0; c < 256; ++c) {
    table.of[c] = (c < 0x21 || c > 0x7E || c == ',') ? kSeparator : kWord;
  }
  for (const char* p = "[]/*=<>"; *p != '\0'; ++p) table.of[static_cast<unsigned char>(*p)] = kSpecial;
  return table;
}();

inline CharClass ClassOf(int c) { return kCharClasses.of[c]; }
inline bool IsSpecialChar(char c) { return ClassOf(static_cast<unsigned char>(c)) == kSpecial; }

// White space as the C library's isspace sees it in the "C" locale.
inline bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when text starts with word (word in lower case), ignoring case.
bool StartsWithNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (Lower(text[i]) != word[i]) return false;
  }
  return true;
}

// from_chars reports a value beyond the range of double without giving
// one; the string-to-double conversion gives an infinity for a value too
// large and zero for one too small. The two cases lie hundreds of orders of
// magnitude apart, so the magnitude of the leading digit and the exponent
// tell them apart.
bool TooLarge(std::string_view number, bool hex) {
  const char exponent_mark = hex ? 'p' : 'e';
  long magnitude = 0;  // digits before the point, or minus the zeros after it
  bool seen_point = false;
  bool seen_nonzero = false;
  std::size_t i = 0;
  for (; i < number.size() && Lower(number[i]) != exponent_mark; ++i) {
    const char c = number[i];
    if (c == '.') {
      seen_point = true;
    } else if (!seen_nonzero && c == '0') {
      if (seen_point) --magnitude;
    } else {
      seen_nonzero = true;
      if (!seen_point) ++magnitude;
    }
  }
  long exponent = 0;
  if (i < number.size()) {
    ++i;
    bool negative = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negative = number[i++] == '-';
    for (; i < number.size() && IsDigit(number[i]); ++i) {
      if (exponent < 100000000) exponent = exponent * 10 + (number[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return (hex ? magnitude * 4 : magnitude) + exponent > 0;
}

// Converts the unsigned number at the front of text (already known to be
// valid) with from_chars, mapping out-of-range results as strtod does.
double ConvertUnsigned(std::string_view text, bool hex) {
  double value = 0.0;
  const char* first = text.data();
  const char* last = first + text.size();
  const auto result =
      std::from_chars(first, last, value, hex ? std::chars_format::hex : std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    return TooLarge(std::string_view(first, result.ptr - first), hex)
               ? std::numeric_limits<double>::infinity()
               : 0.0;
  }
  if (result.ec != std::errc()) return 0.0;  // "0x" with no hexadecimal digits reads as 0
  return value;
}

}  // namespace

bool ScanInteger(std::string_view text, std::int32_t* value) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || !IsDigit(text[i])) return false;
  std::uint64_t magnitude = 0;
  const auto result = std::from_chars(text.data() + i, text.data() + text.size(), magnitude);
  if (result.ec != std::errc()) return false;
  const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
  if (magnitude > limit) return false;
  *value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<std::int32_t>(magnitude);
  return true;
}

bool ScanNumber(std::string_view text, double* value) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::string_view rest = text.substr(i);
  if (rest.empty()) return false;

  double result;
  const char c = rest[0];
  if (IsDigit(c) || (c == '.' && rest.size() > 1 && IsDigit(rest[1]))) {
    if (c == '0' && rest.size() > 1 && Lower(rest[1]) == 'x') {
      // The formatted input gives up on "0x" followed by neither a digit
      // nor a point, having consumed more than it can put back.
      if (rest.size() < 3 || !(IsHexDigit(rest[2]) || rest[2] == '.')) return false;
      result = ConvertUnsigned(rest.substr(2), true);
    } else {
      result = ConvertUnsigned(rest, false);
    }
  } else if (StartsWithNoCase(rest, "inf")) {
    // A partial "infinity" is a failed match, not "inf" and a rest.
    std::size_t matched = 3;
    while (matched < 8 && matched < rest.size() && Lower(rest[matched]) == "infinity"[matched]) {
      ++matched;
    }
    if (matched != 3 && matched != 8) return false;
    result = std::numeric_limits<double>::infinity();
  } else if (StartsWithNoCase(rest, "nan")) {
    result = std::numeric_limits<double>::quiet_NaN();
  } else {
    return false;
  }
  *value = negative ? -result : result;
  return true;
}

// ---------------------------------------------------------------------------
// TextInput

TextInput::TextInput() = default;

TextInput::TextInput(std::string text) : text_(std::move(text)) {
  data_ = text_.data();
  end_ = text_.size();
  size_ = static_cast<std::int64_t>(text_.size());
  at_eof_ = true;  // nothing more to read beyond the text
}

TextInput::~TextInput() {
  if (file_ != nullptr) std::fclose(file_);
}

bool TextInput::Open(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  if (file_ != nullptr) std::fclose(file_);
  file_ = file;
  // The buffer below is the only one: reads go straight into it.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  size_ = -1;
  if (std::fseek(file_, 0, SEEK_END) == 0) {
    const long size = std::ftell(file_);
    if (size >= 0) size_ = size;
  }
  std::fseek(file_, 0, SEEK_SET);
  if (!buffer_) buffer_.reset(new char[kBufferSize]);
  text_.clear();
  data_ = buffer_.get();
  pos_ = end_ = 0;
  base_ = 0;
  at_eof_ = false;
  read_failed_ = false;
  // The first block is read at once, so that what opens but cannot be read
  // (a directory, say) counts as not opened.
  if (Refill() != kEof) {
    Unget();
  } else if (read_failed_) {
    std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
    return false;
  }
  return true;
}

// Called when the buffer is used up. The last two bytes of the old block
// move to the front of the new one, so that Unget stays possible across
// blocks.
int TextInput::Refill() {
  if (at_eof_ || file_ == nullptr) return kEof;
  const std::size_t keep = std::min<std::size_t>(end_, kPushBack);
  std::memmove(buffer_.get(), data_ + end_ - keep, keep);
  base_ += end_ - keep;
  const std::size_t n = std::fread(buffer_.get() + keep, 1, kBufferSize - keep, file_);
  data_ = buffer_.get();
  pos_ = keep;
  end_ = keep + n;
  if (n == 0) {
    at_eof_ = true;
    if (std::ferror(file_)) read_failed_ = true;
    return kEof;
  }
  return static_cast<unsigned char>(data_[pos_++]);
}

bool TextInput::SeekTo(std::uint64_t position) {
  if (file_ == nullptr) {
    pos_ = static_cast<std::size_t>(std::min<std::uint64_t>(position, end_));
    return true;
  }
  if (position >= base_ && position <= base_ + end_) {
    pos_ = static_cast<std::size_t>(position - base_);
    return true;
  }
  if (position > static_cast<std::uint64_t>(std::numeric_limits<long>::max()) ||
      std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0) {
    return false;
  }
  base_ = position;
  pos_ = end_ = 0;
  at_eof_ = false;
  return true;
}

// ---------------------------------------------------------------------------
// TextOutput

TextOutput::TextOutput() : buffer_(new char[kBufferSize]) {}

TextOutput::~TextOutput() {
  if (file_ == nullptr) return;
  if (target_.empty()) {
    Close();
  } else {
    std::fclose(file_);
    std::remove(partial_.c_str());
  }
}

bool TextOutput::Open(const char* path, Mode mode) {
  if (file_ != nullptr) Close();
  len_ = 0;
  text_.clear();
  to_string_ = false;
  target_.clear();
  partial_.clear();
  if (mode == Mode::kReplace) {
    target_ = path;
    partial_ = target_ + kReplaceSuffix;
    path = partial_.c_str();
  }
  file_ = std::fopen(path, mode == Mode::kAppend ? "ab" : "wb");
  failed_ = file_ == nullptr;
  if (file_ != nullptr) std::setvbuf(file_, nullptr, _IONBF, 0);
  return file_ != nullptr;
}

void TextOutput::FlushBuffer() {
  if (len_ == 0) return;
  if (to_string_) {
    text_.append(buffer_.get(), len_);
  } else if (file_ == nullptr || failed_) {
    failed_ = true;
  } else if (std::fwrite(buffer_.get(), 1, len_, file_) != len_) {
    failed_ = true;
  }
  len_ = 0;
}

void TextOutput::Write(std::string_view text) {
  while (!text.empty()) {
    if (len_ == kBufferSize) FlushBuffer();
    const std::size_t n = std::min(text.size(), kBufferSize - len_);
    std::memcpy(buffer_.get() + len_, text.data(), n);
    len_ += n;
    text.remove_prefix(n);
  }
}

void TextOutput::WriteInteger(long value) {
  char* at = Reserve(24);
  len_ = std::to_chars(at, at + 24, value).ptr - buffer_.get();
}

void TextOutput::WriteFixed(double value, int precision) {
  if (precision < 0) precision = 6;
  // Sign, up to 309 digits before the point, the point and the decimals.
  const std::size_t need = 320 + static_cast<std::size_t>(precision);
  if (need <= kBufferSize) {
    char* at = Reserve(need);
    len_ = std::to_chars(at, at + need, value, std::chars_format::fixed, precision).ptr -
           buffer_.get();
    return;
  }
  std::string text(need, '\0');
  const auto result = std::to_chars(text.data(), text.data() + need, value,
                                    std::chars_format::fixed, precision);
  Write(std::string_view(text.data(), result.ptr - text.data()));
}

void TextOutput::WriteGeneral(double value, int significant) {
  if (significant < 0) significant = 6;
  // At most one digit before the point in exponent form, or up to
  // `significant` digits and four leading zeros in fixed form.
  const std::size_t need = 32 + static_cast<std::size_t>(significant);
  if (need <= kBufferSize) {
    char* at = Reserve(need);
    len_ = std::to_chars(at, at + need, value, std::chars_format::general, significant).ptr -
           buffer_.get();
    return;
  }
  std::string text(need, '\0');
  const auto result = std::to_chars(text.data(), text.data() + need, value,
                                    std::chars_format::general, significant);
  Write(std::string_view(text.data(), result.ptr - text.data()));
}

bool TextOutput::Flush() {
  FlushBuffer();
  if (file_ != nullptr && !failed_ && std::fflush(file_) != 0) failed_ = true;
  return !failed_;
}

bool TextOutput::Close() {
  if (to_string_) return true;
  Flush();
  if (file_ != nullptr) {
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (!target_.empty()) {
      if (failed_ || std::rename(partial_.c_str(), target_.c_str()) != 0) {
        failed_ = true;
        std::remove(partial_.c_str());
      }
      target_.clear();
    }
  } else {
    failed_ = true;
  }
  return !failed_;
}

const std::string& TextOutput::text() {
  if (to_string_) FlushBuffer();
  return text_;
}

// ---------------------------------------------------------------------------
// Tokens

int SkipSeparatorsAndGet(TextInput& in) {
  int c;
  do {
    c = in.Get();
  } while (c != TextInput::kEof && ClassOf(c) == kSeparator);
  return c;
}

int SkipSpaceAndGet(char* scratch, TextInput& in) {
  for (;;) {
    const int c = SkipSeparatorsAndGet(in);
    if (c != '/') return c;
    const int next = in.Get();
    if (next == '*') {
      SkipComment(scratch, in);
      continue;
    }
    if (next != TextInput::kEof) in.Unget();
    return c;
  }
}

// Comments nest: "/*" inside a comment opens another level, and after an
// inner level closes the enclosing one goes on as if its last character
// were the "*" of the inner "/*". So "/*/**//" is one complete comment.
// The levels are counted, not recursed into.
void SkipComment(char* /*scratch*/, TextInput& in) {
  long depth = 1;
  int previous = ' ';
  for (;;) {
    const int c = in.Get();
    if (c == TextInput::kEof) Fail(kUnexpectedEofInComment, in);
    if (previous == '*' && c == '/') {
      if (--depth == 0) return;
      previous = '*';
    } else if (previous == '/' && c == '*') {
      ++depth;
      previous = ' ';
    } else {
      previous = c;
    }
  }
}

std::string_view ReadTokenView(char* scratch, TextInput& in) {
  for (;;) {
    int c = SkipSeparatorsAndGet(in);
    if (c == TextInput::kEof) {
      scratch[0] = '\0';
      return std::string_view(scratch, 0);
    }
    if (ClassOf(c) == kSpecial) {
      scratch[0] = static_cast<char>(c);
      scratch[1] = '\0';
      const int next = in.Get();
      if (next == TextInput::kEof) return std::string_view(scratch, 1);
      if (c == '/' && next == '*') {
        SkipComment(scratch, in);
        continue;
      }
      if (c == '[' && next == '~') {
        scratch[1] = '~';
        scratch[2] = '\0';
        return std::string_view(scratch, 2);
      }
      in.Unget();
      return std::string_view(scratch, 1);
    }
    std::size_t n = 0;
    scratch[n++] = static_cast<char>(c);
    for (;;) {
      c = in.Get();
      if (c == TextInput::kEof) break;
      const CharClass kind = ClassOf(c);
      if (kind == kSeparator) break;  // consumed with the word
      if (kind == kSpecial) {
        in.Unget();
        break;
      }
      if (n == kScratchSize - 1) Fail(kTokenTooLong, in);
      scratch[n++] = static_cast<char>(c);
    }
    scratch[n] = '\0';
    return std::string_view(scratch, n);
  }
}

std::string ReadToken(char* scratch, TextInput& in) {
  return std::string(ReadTokenView(scratch, in));
}

// ---------------------------------------------------------------------------
// Tags
//
// ReadTag reads one token and decides by it:
//   ""    end of input: TagEnd, or an error while a block is open;
//   "["   (or any token while `continuing`): a bracketed item. The keyword
//         follows (or is the token itself when continuing). After it, past
//         separators and comments, one character decides: "]" closes a TagOpen,
//         "=" brings a value token and then another character ("]"
//         closes, anything else is pushed back and the item is continued),
//         anything else is pushed back and the TagOpen is continued.
//   "[~"  an end tag: the name must match the innermost open block, then
//         "]" must follow;
//   other a TagWord.
// The format-version statement is consumed here and the next item read
// instead, in a loop, so that any number of them may stand anywhere.
namespace {

inline bool Is(std::string_view token, const char* text) { return token == text; }

// Completes the item begun by token. False when the item was a
// format-version statement that has been consumed.
bool FinishTag(char* scratch, const char* blockdef, TextInput& in, bool continuing,
               std::string_view token, TTag* tag) {
  if (Is(token, "]")) Fail(kStrayCloseBracket, in);
  if (token.empty()) {
    if (blockdef != nullptr) Fail(kUnexpectedEof, in);
    tag->kind = TagEnd;
    return true;
  }
  if (continuing || Is(token, "[")) {
    const std::string_view keyword = continuing ? token : ReadTokenView(scratch, in);
    if (keyword.empty()) Fail(kUnexpectedEof, in);
    if (IsSpecialChar(keyword[0])) Fail(kUnexpectedSpecial, in);
    tag->name.assign(keyword);
    int c = SkipSpaceAndGet(scratch, in);
    if (c == TextInput::kEof) Fail(kUnexpectedEof, in);
    if (c == ']') {
      tag->kind = TagOpen;
      tag->continued = false;
      return true;
    }
    if (c != '=') {
      in.Unget();
      tag->kind = TagOpen;
      tag->continued = true;
      return true;
    }
    const std::string_view value = ReadTokenView(scratch, in);
    if (value.empty()) Fail(kUnexpectedEof, in);
    if (IsSpecialChar(value[0])) Fail(kUnexpectedSpecial, in);
    tag->kind = TagValue;
    tag->value.assign(value);
    c = SkipSpaceAndGet(scratch, in);
    tag->continued = c != ']';
    if (tag->continued && c != TextInput::kEof) in.Unget();
    if (!continuing && FileTools::strcasecmp(tag->name.c_str(), kFormatVersionKeyword) == 0) {
      if (tag->continued) Fail(kIllegalFormatOfVersion, in);
      if (ParseNumber(scratch, in, tag->value) > kHighestFormatVersion) {
        Fail(kIllegalFormatVersion, in);
      }
      return false;
    }
    return true;
  }
  if (Is(token, "[~")) {
    const std::string_view name = ReadTokenView(scratch, in);
    if (blockdef == nullptr) Fail(kEndTagOutsideBlock, in);
    if (FileTools::strcasecmp(name.data(), blockdef) != 0) Fail(kUnexpectedEndTag, in);
    if (!Is(ReadTokenView(scratch, in), "]")) Fail(kExpectedBracket, in);
    tag->kind = TagEnd;
    return true;
  }
  tag->kind = TagWord;
  tag->name.assign(token);
  return true;
}

}  // namespace

TTag ReadTag(char* scratch, const char* blockdef, TextInput& in, bool continuing) {
  TTag tag;
  while (!FinishTag(scratch, blockdef, in, continuing, ReadTokenView(scratch, in), &tag)) {
    tag = TTag();
  }
  return tag;
}

double ReadNumberItem(char* scratch, const char* blockdef, TextInput& in) {
  // Most numbers are plain decimals lying wholly inside the input's buffer:
  // convert them there. When the conversion stops exactly where the word
  // ends, the result is what the general path gives; anything else (a
  // special, a comment, "inf", hexadecimal, a value out of range, a word
  // running on past the number or reaching the end of the buffer) takes the
  // general path below.
  const std::string_view buffered = in.Buffered();
  const char* const first = buffered.data();
  const char* const last = first + buffered.size();
  const char* p = first;
  while (p < last && ClassOf(static_cast<unsigned char>(*p)) == kSeparator) ++p;
  if (p < last && (IsDigit(*p) || *p == '.' || (*p == '-' && p + 1 < last && (IsDigit(p[1]) || p[1] == '.')))) {
    double value;
    const auto result = std::from_chars(p, last, value);
    if (result.ec == std::errc() && result.ptr < last && result.ptr - p < kScratchSize) {
      const CharClass next = ClassOf(static_cast<unsigned char>(*result.ptr));
      if (next != kWord) {
        in.Skip(static_cast<std::size_t>(result.ptr - first) + (next == kSeparator ? 1 : 0));
        return value;
      }
    }
  }
  const std::string_view token = ReadTokenView(scratch, in);
  if (!token.empty() && !IsSpecialChar(token[0])) return ParseNumber(scratch, in, token);
  TTag tag;
  if (!FinishTag(scratch, blockdef, in, false, token, &tag)) tag = ReadTag(scratch, blockdef, in, false);
  return ReadNumberWord(scratch, tag, in);
}

std::string ExpectBlockStart(char* /*scratch*/, const TTag& tag, TextInput& in,
                             const char* keyword) {
  if (keyword != nullptr) {
    if (tag.kind != TagOpen || FileTools::strcasecmp(tag.name.c_str(), keyword) != 0) {
      Fail(std::string("[") + keyword + "] expected", in);
    }
  } else if (tag.kind != TagOpen) {
    Fail(kStartOfBlockExpected, in);
  }
  return tag.name;
}

void ExpectBlockEnd(char* /*scratch*/, const TTag& tag, TextInput& in) {
  if (tag.kind != TagEnd) Fail(kEndTagExpected, in);
}

namespace {

bool IsValueOf(const TTag& tag, const char* keyword) {
  return tag.kind == TagValue && FileTools::strcasecmp(tag.name.c_str(), keyword) == 0;
}

}  // namespace

std::string ReadStringValue(char* /*scratch*/, const TTag& tag, TextInput& in,
                            const char* keyword, const char* required) {
  if (!IsValueOf(tag, keyword)) {
    Fail(std::string("[") + keyword + " = <string>] expected" +
             (tag.kind == TagEnd ? std::string() : tag.name),
         in);
  }
  if (required == nullptr) return tag.value;
  if (FileTools::strcasecmp(tag.value.c_str(), required) != 0) {
    Fail(std::string("[") + keyword + " = " + required + "] expected", in);
  }
  return std::string();
}

int ReadIntegerValue(char* scratch, const TTag& tag, TextInput& in, const char* keyword) {
  if (!IsValueOf(tag, keyword)) Fail(std::string("[") + keyword + " = <integer>] expected", in);
  return ParseInteger(scratch, in, tag.value);
}

double ReadNumberValue(char* scratch, const TTag& tag, TextInput& in, const char* keyword) {
  if (!IsValueOf(tag, keyword)) Fail(std::string("[") + keyword + " = <number>] expected", in);
  return ParseNumber(scratch, in, tag.value);
}

double ReadNumberWord(char* scratch, const TTag& tag, TextInput& in) {
  if (tag.kind != TagWord) Fail(kNumberTokenExpected, in);
  return ParseNumber(scratch, in, tag.name);
}

int ParseInteger(char* /*scratch*/, TextInput& in, std::string_view text) {
  std::int32_t value;
  if (!ScanInteger(text, &value)) Fail(kIntegerExpected, in);
  return value;
}

double ParseNumber(char* /*scratch*/, TextInput& in, std::string_view text) {
  double value;
  if (!ScanNumber(text, &value)) Fail(kNumberExpected, in);
  return value;
}

std::string CopyString(char* /*scratch*/, const char* text) { return std::string(text); }

// ---------------------------------------------------------------------------
// Formatted writing

namespace {
constexpr const char kWriterFile[] = "Working/FileHandler/ParseTools.cpp";
}  // namespace

void OpenBracket(char* /*scratch*/, TextOutput& out, bool bracket) {
  if (bracket) out.Put('[');
}

void CloseBracket(char* /*scratch*/, TextOutput& out, bool bracket, bool line_end) {
  if (!bracket) return;
  out.Put(']');
  if (line_end) out.Newline();
}

void WriteItem(char* scratch, TagKind kind, const char* name, const char* value, TextOutput& out,
               bool bracket) {
  switch (kind) {
    case TagValue:
      OpenBracket(scratch, out, bracket);
      out.Write(name);
      out.Write(bracket ? " = " : "=");
      out.Write(value);
      if (!bracket) out.Put(' ');
      CloseBracket(scratch, out, bracket, true);
      return;
    case TagOpen:
      OpenBracket(scratch, out, bracket);
      out.Write(name);
      if (!bracket) out.Put(' ');
      CloseBracket(scratch, out, bracket, true);
      return;
    case TagWord:
      out.Write(name);
      out.Put(' ');
      return;
    case TagEnd:
      FatalAssert(bracket, "bracket", kWriterFile, __LINE__);
      if (name == nullptr) return;
      out.Write("[~");
      out.Write(name);
      out.Put(']');
      out.Newline();
      return;
    case TagFormatVersion:
      FatalAssert(bracket, "bracket", kWriterFile, __LINE__);
      out.Write(kFormatVersionStatement);
      out.Newline();
      out.Newline();
      return;
  }
  FatalAssert(false, "known tag kind", kWriterFile, __LINE__);
}

void WriteFormatVersion(char* scratch, TextOutput& out) {
  WriteItem(scratch, TagFormatVersion, nullptr, nullptr, out, true);
}

void WriteNewline(char* /*scratch*/, TextOutput& out) { out.Newline(); }

void WriteOpenTag(char* scratch, TextOutput& out, const char* name, bool bracket) {
  WriteItem(scratch, TagOpen, name, nullptr, out, bracket);
}

void WriteEndTag(char* scratch, TextOutput& out, const char* name) {
  WriteItem(scratch, TagEnd, name, nullptr, out, true);
}

void WriteStringValue(char* scratch, TextOutput& out, const char* name, const char* value,
                      bool bracket) {
  WriteItem(scratch, TagValue, name, value, out, bracket);
}

void WriteIntegerValue(char* scratch, TextOutput& out, const char* name, int value, bool bracket) {
  char text[16];
  *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
  WriteItem(scratch, TagValue, name, text, out, bracket);
}

void WriteNumberValue(char* scratch, TextOutput& out, const char* name, double value,
                      int precision, bool bracket) {
  if (precision < 0) precision = 6;
  std::string text(320 + static_cast<std::size_t>(precision), '\0');
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                    std::chars_format::fixed, precision);
  text.resize(result.ptr - text.data());
  WriteItem(scratch, TagValue, name, text.c_str(), out, bracket);
}
