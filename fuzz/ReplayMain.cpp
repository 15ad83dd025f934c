// A main for the fuzz targets without libFuzzer: runs one target on each
// file named on the command line and prints what it cost. Built instead of
// the fuzzers when the compiler is not clang (see CMakeLists.txt), it
// reproduces inputs with any compiler and measures them without the
// sanitizers' overhead:
//
//   <Target>_replay FILE...
//
// For each file, the bare reader call first (read_once in FuzzEntries.h),
// then the whole entry with its property checks; one line each:
//   FILE: N bytes, reader T ms, peak RSS R KB, entry T ms, peak RSS R KB[, FAILED: why]
// The peak resident size is the process's, so run one file per process to
// measure it per input. Exit status 0 when every entry passed, 1 otherwise.
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/FuzzEntries.h"

namespace {

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

template <typename Call>
double Milliseconds(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const maptag_fuzz::Target* target = maptag_fuzz::FindTarget(MAPTAG_FUZZ_TARGET);
  if (target == nullptr) {
    std::fprintf(stderr, "unknown fuzz target %s\n", MAPTAG_FUZZ_TARGET);
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 2;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    const double reader_ms = Milliseconds([&] { target->read_once(data, text.size()); });
    const long reader_rss = PeakRssKb();
    std::string failure;
    const double entry_ms = Milliseconds([&] { failure = target->entry(data, text.size()); });
    std::printf("%s: %zu bytes, reader %.1f ms, peak RSS %ld KB, entry %.1f ms, peak RSS %ld KB%s%s\n",
                argv[i], text.size(), reader_ms, reader_rss, entry_ms, PeakRssKb(),
                failure.empty() ? "" : ", FAILED: ", failure.c_str());
    std::fflush(stdout);
    if (!failure.empty()) status = 1;
  }
  return status;
}
