// The text toolkit shared by the network and DataSet file formats.
//
// Number text: ScanInteger and ScanNumber read numbers the way the C
// library's formatted input reads "%ld" and "%lf", but locale-independent
// and without allocation.
#ifndef MAPTAG_WORKING_FILEHANDLER_PARSETOOLS_H_
#define MAPTAG_WORKING_FILEHANDLER_PARSETOOLS_H_

#include <cstdint>
#include <string_view>

// Reads an integer from the front of text as "%ld" does: optional leading
// white space, an optional sign, decimal digits; anything after the digits
// is ignored. Returns false, leaving *value alone, when there is no integer
// or when it does not fit in 32 bits.
bool ScanInteger(std::string_view text, std::int32_t* value);

// Reads a floating-point number from the front of text. The text counts as
// a number exactly when "%lf" would accept it (optional white space and
// sign; decimal digits with an optional point and exponent; "0x" hexadecimal
// with an optional "p" exponent; "inf", "infinity", "nan", "nan(...)" in any
// case); the value is the one the standard string-to-double conversion
// gives, including infinities for values too large and zero for values too
// small. Anything after the number is ignored. Returns false, leaving
// *value alone, when there is no number.
bool ScanNumber(std::string_view text, double* value);

#endif  // MAPTAG_WORKING_FILEHANDLER_PARSETOOLS_H_
