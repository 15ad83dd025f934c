#include "fuzz/FuzzEntries.h"

#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "Working/DataObject/Data.h"
#include "Working/DataObject/Labels.h"
#include "Working/Exceptions/Exceptions.h"
#include "Working/FileHandler/Filer.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/FileHandler/NetworkFile.h"
#include "Working/KQmessage/KQML.h"
#include "Working/NeuralNets/TBasicNetwork.h"
#include "Working/NeuralNets/TKohonenNetwork.h"

namespace maptag_fuzz {
namespace {

// Inputs are quoted in failure descriptions up to this many bytes.
constexpr std::size_t kQuoteLimit = 200;
// LoadDataBlock is walked through at most this many rows per input.
constexpr int kMaxBlockRows = 8;
// TextInput reads files in blocks of this size (a private constant there).
// The inputs of the fuzzer are smaller, so the DataSet entry also reads each
// input behind enough blanks to put a block boundary inside it.
constexpr std::size_t kInputBlockSize = 256 * 1024;
// The statement readers are tried on this many tags per input: most tries
// end in an exception, which is slow under the sanitizers, and their
// coverage is reached within the first few tags.
constexpr int kStatementReaderTags = 4;

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text.substr(0, kQuoteLimit)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      quoted.push_back(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      quoted += escape;
    }
  }
  if (text.size() > kQuoteLimit) quoted += "...";
  return quoted + "\"";
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string Describe(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// Swallows what is written to a stream while it is installed (the message
// reader reports malformed text on the error stream).
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// Installs a buffer into a standard stream for the lifetime of the object.
class Redirect {
 public:
  Redirect(std::ostream& stream, std::streambuf* buffer)
      : stream_(stream), saved_(stream.rdbuf(buffer)) {}
  ~Redirect() { stream_.rdbuf(saved_); }
  Redirect(const Redirect&) = delete;
  Redirect& operator=(const Redirect&) = delete;

 private:
  std::ostream& stream_;
  std::streambuf* saved_;
};

// ---------------------------------------------------------------------------
// ReadTag

// A FileTools::Error must name the input it arose on.
std::string CheckError(const FileTools::Error& error, const TextInput& in, const char* where) {
  if (error.stream != &in) return std::string(where) + ": error \"" + error.message + "\" without its input";
  if (error.message.empty()) return std::string(where) + ": error without a message";
  return {};
}

// Runs every statement reader on the tag. Each either accepts the tag or
// throws FileTools::Error; none may touch the input.
std::string TryStatementReaders(char* scratch, const TTag& tag, TextInput& in) {
  const std::uint64_t before = in.Position();
  std::string failure;
  auto attempt = [&](const char* what, auto&& call) {
    try {
      call();
    } catch (const FileTools::Error& error) {
      if (failure.empty()) failure = CheckError(error, in, what);
    }
  };
  const char* keyword = tag.name.c_str();
  attempt("ExpectBlockStart", [&] { ExpectBlockStart(scratch, tag, in, nullptr); });
  attempt("ExpectBlockStart(DATA)", [&] { ExpectBlockStart(scratch, tag, in, "DATA"); });
  attempt("ExpectBlockEnd", [&] { ExpectBlockEnd(scratch, tag, in); });
  attempt("ReadStringValue", [&] { ReadStringValue(scratch, tag, in, keyword, nullptr); });
  attempt("ReadStringValue(required)",
          [&] { ReadStringValue(scratch, tag, in, keyword, tag.value.c_str()); });
  attempt("ReadIntegerValue", [&] { ReadIntegerValue(scratch, tag, in, keyword); });
  attempt("ReadNumberValue", [&] { ReadNumberValue(scratch, tag, in, keyword); });
  attempt("ReadNumberWord", [&] { ReadNumberWord(scratch, tag, in); });
  if (failure.empty() && in.Position() != before) failure = "a statement reader moved the input";
  return failure;
}

bool OpensBlock(const TTag& tag) {
  if (tag.continued) return false;
  if (tag.kind == TagOpen) return true;
  return tag.kind == TagValue && (FileTools::strcasecmp(tag.name.c_str(), "LAYER") == 0 ||
                                  FileTools::strcasecmp(tag.name.c_str(), "DIMENSIONS") == 0);
}

// Reads every item; the statement readers are tried on the first
// `checked_tags` of them.
std::string WalkTags(const std::string& text, int checked_tags) {
  char scratch[kScratchSize];
  TextInput in(text);
  std::vector<std::string> blocks;
  bool continuing = false;
  try {
    for (int index = 0;; ++index) {
      const char* blockdef = blocks.empty() ? nullptr : blocks.back().c_str();
      const TTag tag = ReadTag(scratch, blockdef, in, continuing);
      if (index < checked_tags) {
        if (std::string failure = TryStatementReaders(scratch, tag, in); !failure.empty()) {
          return failure;
        }
      }
      if (tag.kind == TagEnd) {
        // The end of the input (no block open) or the innermost block's end tag.
        if (blocks.empty()) break;
        blocks.pop_back();
        continuing = false;
        continue;
      }
      if (!continuing && OpensBlock(tag)) blocks.push_back(tag.name);
      continuing = (tag.kind == TagOpen || tag.kind == TagValue) && tag.continued;
    }
  } catch (const FileTools::Error& error) {
    return CheckError(error, in, "ReadTag");
  }
  if (in.Position() != text.size()) return "ReadTag ended before the end of the input";
  return {};
}

// One step of reading a number: the value, or the message it failed with,
// and where the input stands afterwards.
struct NumberStep {
  bool ok = false;
  double value = 0.0;
  std::string message;
  std::uint64_t position = 0;
};

template <typename Read>
NumberStep Step(TextInput& in, Read&& read) {
  NumberStep step;
  try {
    step.value = read();
    step.ok = true;
  } catch (const FileTools::Error& error) {
    step.message = error.message;
  }
  step.position = in.Position();
  return step;
}

// ReadNumberItem takes a shortcut for plain decimals in the input's buffer;
// it must give exactly what ReadTag followed by ReadNumberWord gives.
std::string CompareNumberPaths(const std::string& text, const char* blockdef) {
  char fast_scratch[kScratchSize];
  char slow_scratch[kScratchSize];
  TextInput fast_in(text);
  TextInput slow_in(text);
  for (int index = 0;; ++index) {
    const NumberStep fast =
        Step(fast_in, [&] { return ReadNumberItem(fast_scratch, blockdef, fast_in); });
    const NumberStep slow = Step(slow_in, [&] {
      return ReadNumberWord(slow_scratch, ReadTag(slow_scratch, blockdef, slow_in, false), slow_in);
    });
    const std::string where = "number " + std::to_string(index) + (blockdef ? " in a block" : "");
    if (fast.ok != slow.ok || fast.message != slow.message) {
      return where + ": ReadNumberItem " +
             (fast.ok ? Describe(fast.value) : "\"" + fast.message + "\"") +
             ", ReadTag+ReadNumberWord " +
             (slow.ok ? Describe(slow.value) : "\"" + slow.message + "\"");
    }
    if (!fast.ok) return {};  // both failed alike: the text is used up or bad
    if (!SameBits(fast.value, slow.value) && !(std::isnan(fast.value) && std::isnan(slow.value))) {
      return where + ": ReadNumberItem " + Describe(fast.value) + ", ReadTag+ReadNumberWord " +
             Describe(slow.value);
    }
    if (fast.position != slow.position) {
      return where + ": ReadNumberItem stops at byte " + std::to_string(fast.position) +
             ", ReadTag+ReadNumberWord at " + std::to_string(slow.position);
    }
  }
}

// ---------------------------------------------------------------------------
// DataSet files

// A private directory for the files the DataSet readers and writers want,
// removed (with its files) when the process ends normally.
class ScratchDir {
 public:
  explicit ScratchDir(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
    std::string pattern = (base / "maptag-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("maptag fuzz: mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string File(const char* name) const { return path_ + "/" + name; }
  // Removes the files of one input, so that a process that dies leaves at
  // most an empty directory and the input it was reading.
  void Clear() const {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
      std::filesystem::remove(entry.path(), ignored);
    }
  }

 private:
  std::string path_;
};

const ScratchDir& Scratch() {
  static const ScratchDir dir;
  return dir;
}

void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
      std::fclose(file) != 0) {
    std::perror("maptag fuzz: writing the input file");
    std::abort();
  }
}

std::string ReadWholeFile(const std::string& path) {
  std::string text;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return text;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  return text;
}

// What a reader call came to: a result code, or a FileTools::Error.
constexpr int kThrew = 1;

struct Loaded {
  int code = SUCCESS;
  std::string message;  // when code is kThrew
  std::unique_ptr<Data> first;
  std::unique_ptr<Data> second;
};

std::string CodeText(const Loaded& loaded) {
  return loaded.code == kThrew ? "error \"" + loaded.message + "\"" : "code " + std::to_string(loaded.code);
}

// The tables belong to the caller whatever happens, also after an error.
template <typename Call>
Loaded Load(Call&& call) {
  Loaded loaded;
  Data* first = nullptr;
  Data* second = nullptr;
  try {
    loaded.code = call(&first, &second);
  } catch (const FileTools::Error& error) {
    loaded.code = kThrew;
    loaded.message = error.message;
  }
  loaded.first.reset(first);
  loaded.second.reset(second);
  return loaded;
}

bool SameLabels(const TLabelList* a, const TLabelList* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->count != b->count) return false;
  for (int i = 0; i < a->count; ++i) {
    if (std::strcmp(a->labels[i].name, b->labels[i].name) != 0) return false;
    if (!SameBits(a->labels[i].value, b->labels[i].value)) return false;
  }
  return true;
}

// Row slot_a of a against row slot_b of b: shape, values bit for bit, labels.
bool SameRow(const Data* a, int slot_a, const Data* b, int slot_b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->GetNumInputs() != b->GetNumInputs() || a->GetNumOutputs() != b->GetNumOutputs() ||
      a->HasLabels() != b->HasLabels()) {
    return false;
  }
  for (int c = 0; c < a->GetNumInputs(); ++c) {
    if (!SameBits(a->GetInputDatum(slot_a, c), b->GetInputDatum(slot_b, c))) return false;
  }
  for (int c = 0; c < a->GetNumOutputs(); ++c) {
    if (!SameBits(a->GetOutputDatum(slot_a, c), b->GetOutputDatum(slot_b, c))) return false;
  }
  return !a->HasLabels() || SameLabels(a->GetLabels(slot_a), b->GetLabels(slot_b));
}

bool SameTable(const Data* a, const Data* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->GetNumRows() != b->GetNumRows() || a->GetNumDataRows() != b->GetNumDataRows()) {
    return false;
  }
  for (int slot = 0; slot < a->GetNumDataRows(); ++slot) {
    if (!SameRow(a, slot, b, slot)) return false;
  }
  return true;
}

// LoadData must come to what LoadDataSet came to, except that a second
// table turns success into BAD_FORMAT.
std::string CheckLoadData(char* scratch, const std::string& path, const Loaded& whole) {
  const Loaded only = Load([&](Data** first, Data**) { return LoadData(scratch, path.c_str(), first); });
  int expected = whole.code;
  if (expected == SUCCESS && whole.second != nullptr) expected = BAD_FORMAT;
  if (only.code != expected || only.message != whole.message) {
    return "LoadData: " + CodeText(only) + " where LoadDataSet gave " + CodeText(whole);
  }
  return {};
}

// Reads the rows one call at a time, the offset carried from call to call.
std::string WalkBlocks(char* scratch, const std::string& path, const Loaded& whole) {
  const int rows = whole.code == SUCCESS
                       ? (whole.first ? whole.first->GetNumRows()
                                      : whole.second ? whole.second->GetNumRows() : 0)
                       : 0;
  long offset = 0;
  for (int row = 0; row < kMaxBlockRows; ++row) {
    const Loaded part = Load([&](Data** first, Data** second) {
      return LoadDataBlock(scratch, path.c_str(), &offset, 1, first, second);
    });
    if (row < rows) {
      if (part.code != SUCCESS) {
        return "LoadDataBlock row " + std::to_string(row) + ": " + CodeText(part) +
               " although the whole file reads";
      }
      if (!SameRow(whole.first.get(), row, part.first.get(), 0) ||
          !SameRow(whole.second.get(), row, part.second.get(), 0)) {
        return "LoadDataBlock row " + std::to_string(row) + " differs from the whole file's";
      }
    }
    if (part.code != SUCCESS) break;
  }
  // The one-table form, for its own handling of a second table.
  long start = 0;
  Load([&](Data** first, Data**) { return LoadDataBlock(scratch, path.c_str(), &start, 2, first); });
  return {};
}

// Saves tables, reads the file back, and returns its text; a failure to
// save or to read back is a broken property.
std::string SaveAndReload(char* scratch, const std::string& path, const Data* first,
                          const Data* second, Loaded* reloaded, std::string* text) {
  const int code = SaveDataSet(scratch, path.c_str(), first, second, nullptr);
  if (code != SUCCESS) return "SaveDataSet of a table that was read: code " + std::to_string(code);
  *text = ReadWholeFile(path);
  *reloaded = Load([&](Data** f, Data** s) { return LoadDataSet(scratch, path.c_str(), f, s, nullptr); });
  if (reloaded->code != SUCCESS) {
    return "a saved data set does not read back: " + CodeText(*reloaded) + "\nsaved text " +
           Quote(*text);
  }
  return {};
}

// Blanks in front of a file change nothing. Enough of them put the input's
// first block boundary at an offset inside the data chosen from its bytes,
// so that the boundary handling (push-back across blocks, the number
// shortcut at the end of a block) is fuzzed too.
std::string CheckBlockBoundary(char* scratch, const std::uint8_t* data, std::size_t size,
                               const Loaded& whole) {
  if (size == 0) return {};
  std::size_t hash = 0;
  for (std::size_t i = 0; i < size; ++i) hash = hash * 131 + data[i];
  // The offset into the data where the boundary falls.
  const std::size_t boundary = hash % (std::min(size, kInputBlockSize) + 1);
  std::vector<std::uint8_t> padded(kInputBlockSize - boundary, ' ');
  padded.insert(padded.end(), data, data + size);
  const std::string path = Scratch().File("padded.dat");
  WriteWholeFile(path, padded.data(), padded.size());
  const Loaded again = Load([&](Data** first, Data** second) {
    return LoadDataSet(scratch, path.c_str(), first, second, nullptr);
  });
  if (again.code != whole.code || again.message != whole.message) {
    return "with a block boundary at byte " + std::to_string(boundary) + ": " + CodeText(again) +
           " instead of " + CodeText(whole);
  }
  if (whole.code == SUCCESS && (!SameTable(whole.first.get(), again.first.get()) ||
                                !SameTable(whole.second.get(), again.second.get()))) {
    return "with a block boundary at byte " + std::to_string(boundary) + " the tables differ";
  }
  return {};
}

// Saving is exact from the second save on: the first may round values
// (data to 15 significant digits, label values to nine decimals, which can
// turn a value into exactly 1.0, written bare the next time).
std::string CheckSaveRoundTrip(char* scratch, const Loaded& whole) {
  if (whole.code != SUCCESS || (whole.first == nullptr && whole.second == nullptr)) return {};
  Loaded one, two, three;
  std::string text1, text2, text3;
  std::string failure = SaveAndReload(scratch, Scratch().File("save1.dat"), whole.first.get(),
                                      whole.second.get(), &one, &text1);
  if (failure.empty()) {
    failure = SaveAndReload(scratch, Scratch().File("save2.dat"), one.first.get(),
                            one.second.get(), &two, &text2);
  }
  if (failure.empty()) {
    failure = SaveAndReload(scratch, Scratch().File("save3.dat"), two.first.get(),
                            two.second.get(), &three, &text3);
  }
  if (failure.empty() && text2 != text3) {
    failure = "saving a data set read back from a save changes it:\n" + Quote(text2) + "\n" +
              Quote(text3);
  }
  return failure;
}


// ---------------------------------------------------------------------------
// Networks and the driver

// FindWinner is tried only on codebooks whose weights all lie within this
// bound and whose inputs are at most kMaxWinnerInputs: the squared distance
// of zeros to any cell then stays far below the search's 1e30 ceiling,
// beyond which a map without a winner is a fatal assertion by design.
constexpr double kMaxWinnerWeight = 1e6;
constexpr int kMaxWinnerInputs = 1 << 20;

std::string UseNetwork(TBasicNetwork& network) {
  const int all = network.GetNumWeights(1);
  const int trainable = network.GetNumWeights(0);
  if (all < 0 || trainable < 0 || trainable > all) {
    return "weight counts " + std::to_string(all) + " (all) and " + std::to_string(trainable) +
           " (trainable)";
  }
  std::vector<double> weights(static_cast<std::size_t>(all) + 1, 0.0);
  const int fetched = network.GetWeights(weights.data(), 1);
  if (fetched != all) {
    return "GetWeights gave " + std::to_string(fetched) + " weights of " + std::to_string(all);
  }
  auto* kohonen = dynamic_cast<TKohonenNetwork*>(&network);
  if (kohonen == nullptr) return {};
  if (kohonen->numDims <= 0 || kohonen->dimensions == nullptr) {
    return "a Kohonen network without dimensions";
  }
  const int inputs = network.layers[1]->numNeurons;
  const int cells = network.layers[2]->numNeurons;
  if (cells <= 0 || inputs > kMaxWinnerInputs) return {};
  for (int i = 0; i < all; ++i) {
    if (!(std::fabs(weights[static_cast<std::size_t>(i)]) <= kMaxWinnerWeight)) return {};
  }
  std::vector<double> zeros(static_cast<std::size_t>(inputs) + 1, 0.0);
  std::vector<double> output(static_cast<std::size_t>(inputs) + 1, 0.0);
  const int winner = kohonen->FindWinner(zeros.data(), output.data());
  if (winner < 0 || winner >= cells) {
    return "FindWinner gave cell " + std::to_string(winner) + " of " + std::to_string(cells);
  }
  return {};
}

// A network for the driver runs that do not fuzz the weight file: the
// driver only has to read it.
constexpr char kFixedNetwork[] = R"([NeuralNetwork]
[NetworkType = Kohonen]
[NetworkInformation] [NumberOfLayers = 3] [InputLayer = 1] [OutputLayer = 2]
  [NumberOfInputs = 2] [NumberOfOutputs = 6] [~NetworkInformation]
[Dimensions = 2] [Dimension = 0 Size = 2] [Dimension = 1 Size = 3] [~Dimensions]
[Layer = 0] [LayerType = Simple] [NumberOfNeurons = 0] [ActivationFunction = error] [~Layer]
[Layer = 1] [LayerType = Input] [NumberOfNeurons = 2] [ActivationFunction = linear] [~Layer]
[Layer = 2] [LayerType = Simple] [NumberOfNeurons = 6] [ActivationFunction = linear] [~Layer]
[ConnectionLayer] [LayerFrom = 1] [LayerTo = 2] [ConnectionType = FullyConnected]
  [Matrix Weights] 0.1 0.1 0.1 0.9 0.9 0.9  0.2 0.5 0.8 0.2 0.5 0.8 [~Matrix]
[~ConnectionLayer]
[~NeuralNetwork]
)";

// Coordinates for the runs whose only piece is the map.
constexpr char kFixedCoordinates[] = R"([DataSet] [Rows = 3] [Inputs = 0] [ExpectedOutputs = 2]
[Data] 0 0  1 2  0 1 [~Data] [~DataSet]
)";

// The driver's files live in memory when the machine offers it.
const ScratchDir& DriverScratch() {
  static const ScratchDir dir(std::filesystem::is_directory("/dev/shm")
                                  ? std::filesystem::path("/dev/shm")
                                  : std::filesystem::temp_directory_path());
  return dir;
}

struct DriverFiles {
  std::string weights, map, coordinates, output, reference;
};

// Cuts the input into the driver's files and writes them; removes any
// output left from an earlier input.
DriverFiles WriteDriverFiles(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string_view separator(kMaptagSeparator);
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (pieces.size() < 2) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos) break;
    pieces.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  pieces.push_back(text.substr(start));
  if (pieces.size() == 3) {
    // The rest of the third piece after a further separator is ignored.
    if (const std::size_t at = pieces[2].find(separator); at != std::string_view::npos) {
      pieces[2] = pieces[2].substr(0, at);
    }
  }
  std::string_view weights = kFixedNetwork;
  std::string_view map;
  std::string_view coordinates = kFixedCoordinates;
  if (pieces.size() == 3) {
    weights = pieces[0];
    map = pieces[1];
    coordinates = pieces[2];
  } else if (pieces.size() == 2) {
    map = pieces[0];
    coordinates = pieces[1];
  } else {
    map = pieces[0];
  }
  const ScratchDir& dir = DriverScratch();
  DriverFiles files{dir.File("weights.net"), dir.File("map.dat"), dir.File("coordinates.dat"),
                    dir.File("output.dat"), dir.File("reference.dat")};
  auto write = [](const std::string& path, std::string_view bytes) {
    WriteWholeFile(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  };
  write(files.weights, weights);
  write(files.map, map);
  write(files.coordinates, coordinates);
  for (const std::string* path : {&files.output, &files.reference}) {
    std::filesystem::remove(*path);
    std::filesystem::remove(*path + ".saving");
  }
  return files;
}

// What a labelling came to, in a form two ways of labelling can be
// compared in.
std::string OutcomeText(TLabelFileResult result) {
  switch (result) {
    case TLabelFileResult::kLabelled: return "labelled";
    case TLabelFileResult::kCoordinatesNotLoaded: return "coordinates not loaded";
    case TLabelFileResult::kOutputNotSaved: return "output not saved";
  }
  return "?";
}

std::string TExceptionText(const TException& e) {
  auto text = [](const char* s) { return std::string(s != nullptr ? s : ""); };
  return "TException \"" + text(e.message) + "\" (" + text(e.category) + ", " + text(e.origin) +
         ")";
}

// The streaming labeller's outcome.
std::string LabelByFile(char* scratch, const DriverFiles& files, const Data* map) {
  try {
    return OutcomeText(LabelCoordinateFile(scratch, files.coordinates.c_str(), map,
                                           files.output.c_str()));
  } catch (const TException& e) {
    return TExceptionText(e);
  } catch (const FileTools::Error& e) {
    return "error \"" + e.message + "\"";
  }
}

// The same labelling with the whole coordinate table in memory.
std::string LabelByTable(char* scratch, const DriverFiles& files, const Data* map) {
  Data* loaded = nullptr;
  int code;
  try {
    code = LoadData(scratch, files.coordinates.c_str(), &loaded);
  } catch (const FileTools::Error& e) {
    delete loaded;
    return "error \"" + e.message + "\"";
  }
  const std::unique_ptr<Data> coordinates(loaded);
  if (code != SUCCESS || coordinates == nullptr) {
    return OutcomeText(TLabelFileResult::kCoordinatesNotLoaded);
  }
  std::unique_ptr<Data> labelled;
  try {
    labelled.reset(LabelCoordinates(coordinates.get(), map));
  } catch (const TException& e) {
    return TExceptionText(e);
  }
  if (SaveDataSet(scratch, files.reference.c_str(), labelled.get(), nullptr, nullptr) != SUCCESS) {
    return OutcomeText(TLabelFileResult::kOutputNotSaved);
  }
  return OutcomeText(TLabelFileResult::kLabelled);
}

std::string LeftBehind(const DriverFiles& files) {
  for (const std::string* path : {&files.output, &files.reference}) {
    if (std::filesystem::exists(*path + ".saving")) return "a run left " + *path + ".saving behind";
  }
  return {};
}

// The driver's sequence. Returns a broken property, or empty. With
// compare, the labelling is checked against the table-at-a-time one.
std::string RunDriver(const DriverFiles& files, bool compare) {
  char network_scratch[kScratchSize];
  char data_scratch[kScratchSize];
  std::string failure;
  try {
    const std::unique_ptr<TBasicNetwork> network(
        LoadNetwork(network_scratch, files.weights.c_str(), nullptr));
    if (network == nullptr) return "LoadNetwork returned no network";

    Data* loaded = nullptr;
    int code;
    try {
      code = LoadData(data_scratch, files.map.c_str(), &loaded);
    } catch (...) {
      delete loaded;
      throw;
    }
    const std::unique_ptr<Data> map(loaded);
    if (code != SUCCESS || map == nullptr) return LeftBehind(files);

    const std::string streamed = LabelByFile(data_scratch, files, map.get());
    const bool output = std::filesystem::exists(files.output);
    if (output != (streamed == OutcomeText(TLabelFileResult::kLabelled))) {
      failure = "the labelling ended with " + streamed + (output ? " and" : " but without") +
                " an output file";
    } else if (compare) {
      const std::string whole = LabelByTable(data_scratch, files, map.get());
      if (whole != streamed) {
        failure = "the labelling ended with " + streamed + ", the table-at-a-time one with " + whole;
      } else if (output && ReadWholeFile(files.output) != ReadWholeFile(files.reference)) {
        failure = "the labelled file differs from the table-at-a-time one:\n" +
                  Quote(ReadWholeFile(files.output)) + "\n" + Quote(ReadWholeFile(files.reference));
      }
    }
  } catch (const TException&) {
  } catch (const FileTools::Error&) {
  } catch (const std::bad_alloc&) {
  }
  if (failure.empty()) failure = LeftBehind(files);
  return failure;
}
}  // namespace

std::string ReadTagEntry(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string failure = WalkTags(text, kStatementReaderTags);
  if (failure.empty()) failure = CompareNumberPaths(text, nullptr);
  if (failure.empty()) failure = CompareNumberPaths(text, "Data");
  return failure;
}

std::string ParseMessageEntry(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  NullBuffer discard;
  Redirect quiet(std::cerr, &discard);

  std::unique_ptr<TKQstructure> message;
  try {
    message.reset(ParseMessage(text.c_str()));
  } catch (const TKQstructure::Error& error) {
    const std::unique_ptr<TKQstructure> report(error.error);
    const TKQstructure* type = report ? report->FindValue("type") : nullptr;
    if (report == nullptr || report->head != "error" || type == nullptr ||
        type->head != "invalid-message") {
      return "ParseMessage failed without an invalid-message error";
    }
    return {};
  }
  if (message == nullptr) return "ParseMessage returned no structure";

  const std::string printed = message->ToText();
  std::ostringstream captured;
  {
    Redirect capture(std::cout, captured.rdbuf());
    message->Print();
  }
  if (captured.str() != printed) return "Print and ToText differ: " + Quote(captured.str());

  std::unique_ptr<TKQstructure> again;
  try {
    again.reset(ParseMessage(printed.c_str()));
  } catch (const TKQstructure::Error& error) {
    delete error.error;
    return "the printed text " + Quote(printed) + " does not read back";
  }
  if (again->ToText() != printed) {
    return "the printed text " + Quote(printed) + " reads back as " + Quote(again->ToText());
  }
  const TKQstructure copy(*message);
  if (copy.ToText() != printed || copy.capacity != copy.count) {
    return "a copy prints as " + Quote(copy.ToText());
  }
  TKQstructure assigned("placeholder");
  assigned.SetString("key", "value");
  assigned = *again;
  if (assigned.ToText() != printed) return "an assigned copy prints as " + Quote(assigned.ToText());
  return {};
}

namespace {

// Clears the scratch directory when an entry is done with its files.
struct ClearScratch {
  ~ClearScratch() { Scratch().Clear(); }
};

}  // namespace

std::string DataSetEntry(const std::uint8_t* data, std::size_t size) {
  const ClearScratch clear;
  char scratch[kScratchSize];
  const std::string path = Scratch().File("input.dat");
  WriteWholeFile(path, data, size);

  const Loaded whole = Load([&](Data** first, Data** second) {
    // The options structure is the reader's to destroy.
    return LoadDataSet(scratch, path.c_str(), first, second, new TKQstructure("options"));
  });
  if (whole.code == OPEN_FAILED) return "LoadDataSet cannot open its input";
  std::string failure = CheckLoadData(scratch, path, whole);
  if (failure.empty()) failure = WalkBlocks(scratch, path, whole);
  if (failure.empty()) failure = CheckBlockBoundary(scratch, data, size, whole);
  if (failure.empty()) failure = CheckSaveRoundTrip(scratch, whole);
  return failure;
}

std::string ReadNetworkEntry(const std::uint8_t* data, std::size_t size) {
  char scratch[kScratchSize];
  TextInput in(std::string(reinterpret_cast<const char*>(data), size));
  std::unique_ptr<TBasicNetwork> network;
  try {
    network.reset(ReadNetwork(scratch, in, nullptr));
  } catch (const FileTools::Error& error) {
    if (error.message.empty()) return "ReadNetwork failed without a message";
    return {};
  }
  if (network == nullptr) return "ReadNetwork returned no network";
  return UseNetwork(*network);
}

std::string MaptagEntry(const std::uint8_t* data, std::size_t size) {
  return RunDriver(WriteDriverFiles(data, size), true);
}

void ReadTagOnce(const std::uint8_t* data, std::size_t size) {
  WalkTags(std::string(reinterpret_cast<const char*>(data), size), 0);
}

void ParseMessageOnce(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  NullBuffer discard;
  Redirect quiet(std::cerr, &discard);
  try {
    delete ParseMessage(text.c_str());
  } catch (const TKQstructure::Error& error) {
    delete error.error;
  }
}

void DataSetOnce(const std::uint8_t* data, std::size_t size) {
  const ClearScratch clear;
  char scratch[kScratchSize];
  const std::string path = Scratch().File("input.dat");
  WriteWholeFile(path, data, size);
  Load([&](Data** first, Data** second) {
    return LoadDataSet(scratch, path.c_str(), first, second, nullptr);
  });
}

void ReadNetworkOnce(const std::uint8_t* data, std::size_t size) {
  char scratch[kScratchSize];
  TextInput in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    delete ReadNetwork(scratch, in, nullptr);
  } catch (const FileTools::Error&) {
  }
}

void MaptagOnce(const std::uint8_t* data, std::size_t size) {
  RunDriver(WriteDriverFiles(data, size), false);
}

const Target* FindTarget(const char* name) {
  for (const Target& target : kTargets) {
    if (std::strcmp(target.name, name) == 0) return &target;
  }
  return nullptr;
}

void RunOrAbort(Entry entry, const std::uint8_t* data, std::size_t size) {
  const std::string failure = entry(data, size);
  if (failure.empty()) return;
  std::fprintf(stderr, "\n==maptag fuzz== property broken: %s\n", failure.c_str());
  std::abort();
}

}  // namespace maptag_fuzz
