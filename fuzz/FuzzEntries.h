// The per-input logic of the fuzz targets, shared by the libFuzzer programs
// (fuzz/<Target>_fuzz.cpp) and by the corpus replay test
// (tests/fuzz/CorpusReplay_test.cpp), so that every input the fuzzers keep
// is run again, the same way, by the ordinary test suite.
//
// An entry feeds one input of arbitrary bytes to a reader and returns. Bad
// input must be rejected the way the library documents it (the exceptions
// the readers throw are caught here); anything else, a crash, a sanitizer
// report, a hang or an exception of another type, is a fault. Beyond "no
// crash" an entry checks properties that must hold for every input (a
// printed message parses back to the same text, the fast number path
// agrees with the general one, a saved data set reads back and saves to
// the same bytes); a broken property is returned as a description, and the
// fuzz target aborts with it while the replay test reports it.
//
// Entries keep no state between calls except a private scratch directory
// for the readers that want a file name: emptied after each input, removed
// at a normal process exit.
#ifndef MAPTAG_FUZZ_FUZZENTRIES_H_
#define MAPTAG_FUZZ_FUZZENTRIES_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace maptag_fuzz {

// Empty when every property held, otherwise what went wrong.
using Entry = std::string (*)(const std::uint8_t* data, std::size_t size);

// The tag reader over arbitrary text: reads items until the end of the
// input or the first FileTools::Error, keeping a stack of open blocks
// (every uncontinued [Keyword] opens one, as do [Layer = i] and
// [Dimensions = n]; an end tag closes the innermost), following continued
// statements, and trying the statement readers on each item. Then the same
// text is read as a run of numbers twice, through ReadNumberItem and
// through ReadTag + ReadNumberWord, which must agree value for value,
// position for position and error for error.
std::string ReadTagEntry(const std::uint8_t* data, std::size_t size);

// ParseMessage over the input (up to its first NUL byte). A structure that
// reads must print (ToText) to a text that reads back and prints the same;
// its copy and a copy-assigned structure print the same too.
std::string ParseMessageEntry(const std::uint8_t* data, std::size_t size);

// The DataSet readers over the input as a file: LoadDataSet, LoadData and a
// walk through the rows with LoadDataBlock (one row per call, the offset
// carried on). When LoadDataSet succeeds, every row that LoadDataBlock
// reads must equal the same row of the whole table, and the tables must
// save with SaveDataSet to a file that reads back and saves to the same
// bytes. The same input behind enough blanks to put the reader's first
// block boundary inside it must read exactly alike.
std::string DataSetEntry(const std::uint8_t* data, std::size_t size);

// ReadNetwork over the input (from a TextInput on the bytes). A network
// that reads must be safe to use: its weights are counted and fetched, and
// a Kohonen network finds a winner for an input of zeros (when its codebook
// is finite and small enough for the distances to stay below the search's
// ceiling).
std::string ReadNetworkEntry(const std::uint8_t* data, std::size_t size);

// The whole driver on files cut from one input at the separator line
// kMaptagSeparator: weight file, map file and coordinate file when there
// are three pieces or more (the rest ignored); with two pieces they are the
// map and the coordinate file and the weight file is a small fixed
// network; a single piece is the map, with fixed coordinates. The files go
// to a private directory (in /dev/shm when there is one) and the run makes
// the driver's library calls, LoadNetwork, LoadData and
// LabelCoordinateFile, catching what the driver catches. Properties: no
// "<output>.saving" file is ever left behind; the output is in place
// exactly when the labelling reports it; and the outcome (result, error
// message, output bytes) is the one that loading the coordinates with
// LoadData, LabelCoordinates and SaveDataSet gives.
inline constexpr char kMaptagSeparator[] = "\n====\n";
std::string MaptagEntry(const std::uint8_t* data, std::size_t size);

// The bare reader call of each target, once, with no property checks: what
// the resource bounds (time, memory) are measured on. The library's own
// exceptions for bad input are caught; anything else escapes.
void ReadTagOnce(const std::uint8_t* data, std::size_t size);
void ParseMessageOnce(const std::uint8_t* data, std::size_t size);
void DataSetOnce(const std::uint8_t* data, std::size_t size);  // LoadDataSet
void ReadNetworkOnce(const std::uint8_t* data, std::size_t size);
void MaptagOnce(const std::uint8_t* data, std::size_t size);  // the driver's calls

struct Target {
  const char* name;  // as in fuzz/corpus/<name> and <name>_fuzz
  Entry entry;
  void (*read_once)(const std::uint8_t* data, std::size_t size);
};

inline constexpr Target kTargets[] = {
    {"ReadTag", ReadTagEntry, ReadTagOnce},
    {"ParseMessage", ParseMessageEntry, ParseMessageOnce},
    {"DataSet", DataSetEntry, DataSetOnce},
    {"ReadNetwork", ReadNetworkEntry, ReadNetworkOnce},
    {"Maptag", MaptagEntry, MaptagOnce},
};

// The target of the given name, or null.
const Target* FindTarget(const char* name);

// For the fuzz programs: runs entry on the input and aborts with the
// description when a property was broken.
void RunOrAbort(Entry entry, const std::uint8_t* data, std::size_t size);

}  // namespace maptag_fuzz

#endif  // MAPTAG_FUZZ_FUZZENTRIES_H_
