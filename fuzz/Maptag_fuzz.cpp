// libFuzzer target: The whole driver on files cut from one input (see MaptagEntry).
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  maptag_fuzz::RunOrAbort(maptag_fuzz::MaptagEntry, data, size);
  return 0;
}
