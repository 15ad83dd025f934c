// The two exception types that carry recoverable failures to the driver,
// and the comparison without regard to case used for every keyword.
//
// TException reports misuse of a data table; FileTools::Error reports
// malformed text while a file is read (or a failure while one is written).
// Both are thrown by value and caught by reference; only the driver
// catches them.
#ifndef MAPTAG_WORKING_EXCEPTIONS_EXCEPTIONS_H_
#define MAPTAG_WORKING_EXCEPTIONS_EXCEPTIONS_H_

#include <string>

class TKQstructure;
class TextInput;
class TextOutput;

class TException {
 public:
  // All four fields null.
  TException();
  // Copies message and category (category may be null); no details, no origin.
  TException(const char* message, const char* category);
  // Copies the three texts (all required) and takes ownership of details
  // (may be null).
  TException(const char* message, const char* category, const char* origin,
             TKQstructure* details);
  // Each copy owns texts of its own. The details structure moves with the
  // copy: the source gives it up, so exactly one exception owns it.
  TException(const TException& other);
  TException& operator=(const TException& other);
  ~TException();

  char* message;
  char* category;
  TKQstructure* details;
  char* origin;
};

namespace FileTools {

class Error {
 public:
  Error(std::string message, TextInput* stream, TextOutput* out_stream)
      : message(std::move(message)), stream(stream), outStream(out_stream) {}

  std::string message;
  TextInput* stream;      // the input being read, or null while writing
  TextOutput* outStream;  // the output being written, or null while reading
};

// Compares a and b without regard to case (only the letters a to z fold),
// byte by byte as unsigned characters. Returns -1, 0 or 1.
// It lives in this namespace because the C library declares a function of
// the same name and signature with other results.
int strcasecmp(const char* a, const char* b);

}  // namespace FileTools

#endif  // MAPTAG_WORKING_EXCEPTIONS_EXCEPTIONS_H_
