#include "Working/FileHandler/Probe.h"

#include <memory>
#include <string>

#include "Working/Exceptions/Exceptions.h"
#include "Working/FileHandler/Filer.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/KQmessage/KQML.h"

namespace {

constexpr const char* kDataSetBlock = "DATASET";
constexpr const char* kNetworkBlock = "NETWORK";

constexpr const char* kData = "data";
constexpr const char* kNetwork = "network";
constexpr const char* kRows = "rows";
constexpr const char* kInputs = "inputs";
constexpr const char* kActualOutputs = "actual-outputs";
constexpr const char* kCalcOutputs = "calc-outputs";
constexpr const char* kErrors = "errors";
constexpr const char* kHeader = "header";

constexpr const char* kFileReadError = "file-read-error";
constexpr const char* kBadHeader = "bad-header";
constexpr const char* kUnknownHeader = "unknown-header";

TKQstructure* Probe(char* scratch, TextInput& in) {
  const TTag tag = ReadTag(scratch, nullptr, in, false);
  const std::string name = ExpectBlockStart(scratch, tag, in, nullptr);
  if (FileTools::strcasecmp(name.c_str(), kDataSetBlock) == 0) {
    int inputs, expected, generated, error, rows;
    TTag next;
    if (ReadDataSetHeader(scratch, in, &inputs, &expected, &generated, &error, &rows, &next) !=
        SUCCESS) {
      return MakeError(kBadHeader);
    }
    auto data = std::make_unique<TKQstructure>(kData);
    data->SetInteger(kRows, rows);
    data->SetInteger(kInputs, inputs);
    data->SetInteger(kActualOutputs, expected);
    data->SetInteger(kCalcOutputs, generated);
    data->SetInteger(kErrors, error);
    return data.release();
  }
  if (FileTools::strcasecmp(name.c_str(), kNetworkBlock) == 0) return new TKQstructure(kNetwork);
  std::unique_ptr<TKQstructure> unknown(MakeError(kUnknownHeader));
  unknown->SetString(kHeader, name.c_str());
  return unknown.release();
}

}  // namespace

TKQstructure* ProbeFileHeader(char* scratch, const char* path) {
  TextInput in;
  if (!in.Open(path)) return MakeError(kFileReadError);
  try {
    return Probe(scratch, in);
  } catch (FileTools::Error& error) {
    error.stream = nullptr;  // in closes on the way out
    throw;
  }
}
