#include "Working/NeuralNets/TErrorObj.h"

#include <cmath>

#include "Working/Exceptions/Exceptions.h"
#include "Working/KQmessage/KQML.h"

namespace {

// The parameter under key, or fallback when the description has none.
double Parameter(const TKQstructure& description, const char* key, double fallback) {
  const TKQstructure* value = description.FindValue(key);
  return value == nullptr ? fallback : ToNumberChecked(value->head.c_str());
}

bool IsKind(const TKQstructure& description, const char* kind) {
  return FileTools::strcasecmp(description.head.c_str(), kind) == 0;
}

}  // namespace

double TErrorObj::PenaltyTerm(int k, const double* w, const TKQstructure* description) const {
  if (description == nullptr || IsKind(*description, "NONE")) return 0.0;
  if (IsKind(*description, "QUADPENALTY")) {
    const double epsilon1 = Parameter(*description, "EPSILON1", 0.0);
    const double epsilon2 = Parameter(*description, "EPSILON2", 0.0);
    const double beta = Parameter(*description, "BETA", 1.0);
    double result = 0.0;
    for (int i = 0; i < k; ++i) {
      const double square = w[i] * w[i];
      result += epsilon1 * beta * square / (beta * square + 1) + epsilon2 * square;
    }
    return result;
  }
  if (IsKind(*description, "LWF")) {
    const double learning_rate = Parameter(*description, "LEARNINGRATE", 0.0);
    const double forgetting_rate = Parameter(*description, "FORGETTINGRATE", 0.0);
    double magnitude = 0.0;
    for (int i = 0; i < k; ++i) magnitude += std::fabs(w[i]);
    return learning_rate * forgetting_rate * magnitude;
  }
  // Not a penalty this system knows: refuse it like any other malformed
  // description instead of ending the process.
  TKQstructure* error = MakeError("invalid-message");
  error->SetString("expected", "penalty");
  throw TKQstructure::Error{error};
}

void TErrorRMSObj::Reset() {
  numRows = 0;
  sum = 0.0;
}

void TErrorRMSObj::Accumulate(const double* targets, const double* outputs) {
  for (int i = 0; i < numOutputs; ++i) {
    const double d = targets[i] - outputs[i];
    sum = d * d + sum;
  }
  ++numRows;
}

double TErrorRMSObj::GetError() {
  if (numOutputs <= 0 || numRows <= 0) return 0.0;  // nothing compared yet
  return std::sqrt(sum / numOutputs / numRows);
}

void TErrorRMSObj::AddPenalty(int k, const double* w, const TKQstructure* description) {
  sum += PenaltyTerm(k, w, description);
}

void TErrorCrossEntropyObj::Reset() {
  numRows = 0;
  sum = 0.0;
}

void TErrorCrossEntropyObj::Accumulate(const double* targets, const double* outputs) {
  for (int i = 0; i < numOutputs; ++i) {
    const double t = targets[i];
    const double y = outputs[i];
    if (y == 1.0) {
      sum += (t == 1.0) ? 0.0 : 1e6;
    } else {
      sum += -t * std::log(y) - (1 - t) * std::log(1 - y);
    }
  }
  ++numRows;
}

double TErrorCrossEntropyObj::GetError() { return sum; }

void TErrorCrossEntropyObj::AddPenalty(int k, const double* w, const TKQstructure* description) {
  sum += PenaltyTerm(k, w, description);
}
