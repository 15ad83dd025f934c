#include "Working/DataObject/Labels.h"

#include <cstring>
#include <utility>

#include "Working/Exceptions/FatalAssert.h"

namespace {

constexpr char kSourceFile[] = "Working/DataObject/Labels.cpp";

// Lists up to this length are searched by a scan; longer ones keep an index,
// so that a list of many names is not built in quadratic time.
constexpr int kScanLength = 16;

char* CopyName(const char* name) {
  if (name == nullptr) return nullptr;
  const std::size_t length = std::strlen(name);
  char* copy = new char[length + 1];
  std::memcpy(copy, name, length + 1);
  return copy;
}

}  // namespace

TLabel::TLabel() : value(0.0), name(nullptr) {}

TLabel::TLabel(const char* name, double value) : value(value), name(nullptr) {
  FatalAssert(name != nullptr, "name != 0", kSourceFile, __LINE__);
  this->name = CopyName(name);
}

TLabel::TLabel(const TLabel& other) : value(other.value), name(CopyName(other.name)) {}

TLabel::TLabel(TLabel&& other) noexcept : value(other.value), name(other.name) {
  other.name = nullptr;
}

TLabel& TLabel::operator=(const TLabel& other) {
  if (this == &other) return *this;
  char* copy = CopyName(other.name);
  delete[] name;
  name = copy;
  value = other.value;
  return *this;
}

TLabel& TLabel::operator=(TLabel&& other) noexcept {
  if (this == &other) return *this;
  delete[] name;
  name = std::exchange(other.name, nullptr);
  value = other.value;
  return *this;
}

TLabel::~TLabel() { delete[] name; }

TLabelList::TLabelList() : count(0), capacity_(0) {}

TLabelList::TLabelList(const char* name, double value)
    : count(1), labels(new TLabel[1]), capacity_(1) {
  labels[0] = TLabel(name, value);
}

TLabelList::TLabelList(const TLabelList& other) : count(0), capacity_(0) {
  if (other.count > 0) {
    labels.reset(new TLabel[other.count]);
    for (int i = 0; i < other.count; ++i) labels[i] = other.labels[i];
    count = capacity_ = other.count;
  }
}

TLabelList& TLabelList::operator=(const TLabelList& other) {
  if (this == &other) return *this;
  TLabelList copy(other);
  *this = std::move(copy);
  return *this;
}

TLabelList::TLabelList(TLabelList&& other) noexcept
    : count(std::exchange(other.count, 0)), labels(std::move(other.labels)),
      capacity_(std::exchange(other.capacity_, 0)), index_(std::move(other.index_)) {}

TLabelList& TLabelList::operator=(TLabelList&& other) noexcept {
  if (this == &other) return *this;
  labels = std::move(other.labels);
  count = std::exchange(other.count, 0);
  capacity_ = std::exchange(other.capacity_, 0);
  index_ = std::move(other.index_);
  return *this;
}

TLabelList::~TLabelList() = default;

void TLabelList::AddLabel(const char* name, double value) {
  FatalAssert(name != nullptr, "name != 0", kSourceFile, __LINE__);
  if (count < kScanLength) {
    for (int i = 0; i < count; ++i) {
      if (std::strcmp(labels[i].name, name) == 0) {
        labels[i].value = value + labels[i].value;
        return;
      }
    }
  } else {
    if (index_ == nullptr) {
      index_ = std::make_unique<std::unordered_map<std::string_view, int>>();
      for (int i = 0; i < count; ++i) index_->emplace(labels[i].name, i);
    }
    const auto found = index_->find(name);
    if (found != index_->end()) {
      TLabel& label = labels[found->second];
      label.value = value + label.value;
      return;
    }
  }
  if (count == capacity_) {
    const int grown = capacity_ < 4 ? 4 : capacity_ * 2;
    std::unique_ptr<TLabel[]> bigger(new TLabel[grown]);
    // The existing labels change owner; their names are not copied.
    for (int i = 0; i < count; ++i) bigger[i] = std::move(labels[i]);
    labels = std::move(bigger);
    capacity_ = grown;
  }
  labels[count] = TLabel(name, value);
  if (index_ != nullptr) index_->emplace(labels[count].name, count);
  ++count;
}

void TLabelList::Clear() {
  index_.reset();
  labels.reset();
  count = 0;
  capacity_ = 0;
}
