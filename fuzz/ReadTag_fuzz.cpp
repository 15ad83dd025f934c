// libFuzzer target: The tag reader over arbitrary bytes (see ReadTagEntry).
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  maptag_fuzz::RunOrAbort(maptag_fuzz::ReadTagEntry, data, size);
  return 0;
}
