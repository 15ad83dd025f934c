#include "Working/Exceptions/FatalAssert.h"

#include <cstdio>
#include <cstdlib>

void FatalAssertionFailure(const char* condition, const char* file, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", condition, file, line);
  std::fflush(stderr);
  std::abort();
}
