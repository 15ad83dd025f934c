#include "Working/FileHandler/ParseTools.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

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
