// libFuzzer target: The KQML text reader and printer over arbitrary bytes (see ParseMessageEntry).
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  maptag_fuzz::RunOrAbort(maptag_fuzz::ParseMessageEntry, data, size);
  return 0;
}
