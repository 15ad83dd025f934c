// Fatal assertions for broken internal invariants.
//
// A failed assertion writes one line to standard error,
//   Assertion failed: <condition>, file <source file>, line <number>
// and aborts. The condition text, the file and the line are the fixed
// texts every check is documented with, so they are passed as literals
// rather than taken from the preprocessor: the message stays the same when
// the surrounding code moves.
#ifndef MAPTAG_WORKING_EXCEPTIONS_FATALASSERT_H_
#define MAPTAG_WORKING_EXCEPTIONS_FATALASSERT_H_

[[noreturn]] void FatalAssertionFailure(const char* condition, const char* file, int line);

inline void FatalAssert(bool holds, const char* condition, const char* file, int line) {
  if (!holds) [[unlikely]] FatalAssertionFailure(condition, file, line);
}

#endif  // MAPTAG_WORKING_EXCEPTIONS_FATALASSERT_H_
