// libFuzzer target: The DataSet file readers, and the writer on what they read (see DataSetEntry).
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  maptag_fuzz::RunOrAbort(maptag_fuzz::DataSetEntry, data, size);
  return 0;
}
