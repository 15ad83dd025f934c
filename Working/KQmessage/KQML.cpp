#include "Working/KQmessage/KQML.h"

#include <cstdio>
#include <utility>

#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"

namespace {
constexpr int kInitialCapacity = 16;
}  // namespace

TKQstructure::TKQstructure()
    : head("unknown"), items(new Pair[kInitialCapacity]), capacity(kInitialCapacity), count(0) {}

TKQstructure::TKQstructure(const char* text)
    : head(text), items(new Pair[kInitialCapacity]), capacity(kInitialCapacity), count(0) {}

TKQstructure::TKQstructure(const TKQstructure& other)
    : head(other.head), items(new Pair[other.count]), capacity(other.count), count(other.count) {
  for (int i = 0; i < count; ++i) {
    items[i].key = other.items[i].key;
    items[i].value = std::make_unique<TKQstructure>(*other.items[i].value);
  }
}

TKQstructure& TKQstructure::operator=(const TKQstructure& other) {
  if (this == &other) return *this;
  TKQstructure copy(other);
  head = std::move(copy.head);
  items = std::move(copy.items);
  capacity = copy.capacity;
  count = copy.count;
  copy.count = 0;
  return *this;
}

TKQstructure::~TKQstructure() = default;

int TKQstructure::FindIndex(const char* key) const {
  for (int i = count - 1; i >= 0; --i) {
    if (FileTools::strcasecmp(items[i].key.c_str(), key) == 0) return i;
  }
  return -1;
}

void TKQstructure::SetValue(const char* key, TKQstructure* value) {
  FatalAssert(value != nullptr, "value != 0", "Working/KQmessage/KQML.cpp", __LINE__);
  const int index = FindIndex(key);
  if (index >= 0) {
    items[index].value.reset(value);
    return;
  }
  if (count == capacity) {
    const int new_capacity = capacity * 2 < kInitialCapacity ? kInitialCapacity : capacity * 2;
    std::unique_ptr<Pair[]> grown(new Pair[new_capacity]);
    for (int i = 0; i < count; ++i) grown[i] = std::move(items[i]);
    items = std::move(grown);
    capacity = new_capacity;
  }
  items[count].key = key;
  items[count].value.reset(value);
  ++count;
}

void TKQstructure::SetString(const char* key, const char* text) {
  SetValue(key, new TKQstructure(text));
}

void TKQstructure::SetInteger(const char* key, int value) {
  SetString(key, std::to_string(value).c_str());
}

void TKQstructure::SetNumber(const char* key, double value) {
  char text[512];
  std::snprintf(text, sizeof text, "%f", value);
  SetString(key, text);
}

void TKQstructure::SetBoolean(const char* key, bool value) {
  SetString(key, value ? "true" : "false");
}

TKQstructure* TKQstructure::FindValue(const char* key) const {
  const int index = FindIndex(key);
  return index < 0 ? nullptr : items[index].value.get();
}

TKQstructure* TKQstructure::GetValue(const char* key) const {
  TKQstructure* value = FindValue(key);
  FatalAssert(value != nullptr, "value != 0", "Working/KQmessage/KQML.cpp", __LINE__);
  return value;
}

void TKQstructure::RemoveValue(const char* key) {
  const int index = FindIndex(key);
  if (index < 0) return;
  if (index != count - 1) items[index] = std::move(items[count - 1]);
  items[count - 1] = Pair{};
  --count;
}

TKQstructure* MakeError(const char* type) {
  auto* error = new TKQstructure("error");
  error->SetString("type", type);
  return error;
}
