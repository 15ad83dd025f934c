// libFuzzer target: The network file reader over arbitrary bytes, and the network it reads (see ReadNetworkEntry).
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  maptag_fuzz::RunOrAbort(maptag_fuzz::ReadNetworkEntry, data, size);
  return 0;
}
