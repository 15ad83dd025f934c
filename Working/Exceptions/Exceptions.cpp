#include "Working/Exceptions/Exceptions.h"

#include <cstring>

#include "Working/KQmessage/KQML.h"

namespace {

char* CopyText(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t length = std::strlen(text);
  char* copy = new char[length + 1];
  std::memcpy(copy, text, length + 1);
  return copy;
}

}  // namespace

TException::TException()
    : message(nullptr), category(nullptr), details(nullptr), origin(nullptr) {}

TException::TException(const char* message, const char* category)
    : message(CopyText(message)), category(CopyText(category)), details(nullptr),
      origin(nullptr) {}

TException::TException(const char* message, const char* category, const char* origin,
                       TKQstructure* details)
    : message(CopyText(message)), category(CopyText(category)), details(details),
      origin(CopyText(origin)) {}

TException::TException(const TException& other)
    : message(CopyText(other.message)), category(CopyText(other.category)),
      details(other.details), origin(CopyText(other.origin)) {
  const_cast<TException&>(other).details = nullptr;
}

TException& TException::operator=(const TException& other) {
  if (this == &other) return *this;
  char* new_message = CopyText(other.message);
  char* new_category = CopyText(other.category);
  char* new_origin = CopyText(other.origin);
  delete[] message;
  delete[] category;
  delete[] origin;
  delete details;
  message = new_message;
  category = new_category;
  origin = new_origin;
  details = other.details;
  const_cast<TException&>(other).details = nullptr;
  return *this;
}

TException::~TException() {
  delete[] message;
  delete[] category;
  delete[] origin;
  delete details;
}

namespace FileTools {

int strcasecmp(const char* a, const char* b) {
  auto fold = [](unsigned char c) -> unsigned char {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
  };
  for (;; ++a, ++b) {
    const unsigned char ca = fold(static_cast<unsigned char>(*a));
    const unsigned char cb = fold(static_cast<unsigned char>(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

}  // namespace FileTools
