#include "base/string.h"

#include <cstdlib>
#include <cstring>

#include "base/error.h"
#include "base/platform.h"

namespace qv {

namespace {

// CharPrevA: the start of the character before p, found by walking from start.
const char* previousChar(const char* start, const char* p) {
  if (p <= start) return start;
  const char* q = start;
  for (;;) {
    const char* n = nextChar(q);
    if (n >= p || n == q) return q;
    q = n;
  }
}

void requireText(const char* text) {
  if (text == nullptr) throwError(CODE_INVALID_PARAMETER);
}

}  // namespace

const char* nextChar(const char* p) {
  if (*p == '\0') return p;
  if (isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
  return p + 1;
}

String::String() : text_(nullptr), capacity_(0) {
  resize(1);
}

String::String(const char* text) : text_(nullptr), capacity_(0) {
  requireText(text);
  uint32_t bytes = static_cast<uint32_t>(std::strlen(text)) + 1;
  resize(bytes);
  std::memcpy(text_, text, bytes);
}

String::String(const String& other) : text_(nullptr), capacity_(0) {
  const char* source = other.cStr();
  resize(static_cast<uint32_t>(std::strlen(source)) + 1);
  std::memcpy(text_, source, capacity_);
}

String::String(String&& other) noexcept : text_(other.text_), capacity_(other.capacity_) {
  other.text_ = nullptr;
  other.capacity_ = 0;
}

String::~String() {
  release();
}

String& String::operator=(String&& other) noexcept {
  if (this != &other) {
    release();
    text_ = other.text_;
    capacity_ = other.capacity_;
    other.text_ = nullptr;
    other.capacity_ = 0;
  }
  return *this;
}

void String::release() {
  std::free(text_);
  text_ = nullptr;
  capacity_ = 0;
}

void String::resize(uint32_t bytes) {
  if (bytes >= 0x7FFFFFFF) {
    release();
    throwError(CODE_NOT_ENOUGH_MEMORY);
  }
  if (text_ == nullptr) {
    text_ = static_cast<char*>(std::calloc(bytes, 1));
    if (text_ == nullptr) throwError(CODE_NOT_ENOUGH_MEMORY);
  } else {
    char* grown = static_cast<char*>(std::realloc(text_, bytes));
    if (grown == nullptr) {
      release();
      throwError(CODE_NOT_ENOUGH_MEMORY);
    }
    text_ = grown;
    if (bytes > capacity_) std::memset(text_ + capacity_, 0, bytes - capacity_);
  }
  capacity_ = bytes;
}

String& String::assign(const char* text) {
  requireText(text);
  if (text == text_) return *this;
  uint32_t bytes = static_cast<uint32_t>(std::strlen(text)) + 1;
  resize(bytes);
  std::memcpy(text_, text, bytes);
  return *this;
}

String& String::append(const char* text) {
  requireText(text);
  if (text == text_) {
    String doubled(*this);
    return append(doubled.cStr());
  }
  return appendBytes(text, static_cast<int>(std::strlen(text)));
}

String& String::appendBytes(const char* data, int count) {
  if (count <= 0) {
    cStr();
    return *this;
  }
  int current = length();
  resize(static_cast<uint32_t>(current) + static_cast<uint32_t>(count) + 1);
  std::memcpy(text_ + current, data, static_cast<size_t>(count));
  text_[current + count] = '\0';
  return *this;
}

void String::fill(char ch, int count) {
  if (count < 0) throwError(CODE_INVALID_PARAMETER);
  resize(static_cast<uint32_t>(count) + 1);
  std::memset(text_, ch, static_cast<size_t>(count));
  text_[count] = '\0';
}

int String::length() const {
  return static_cast<int>(std::strlen(cStr()));
}

const char* String::cStr() const {
  if (text_ == nullptr) throwError(CODE_NOT_ENOUGH_MEMORY);
  return text_;
}

char* String::cStr() {
  if (text_ == nullptr) throwError(CODE_NOT_ENOUGH_MEMORY);
  return text_;
}

int String::compare(const char* text) const {
  requireText(text);
  return std::strcmp(cStr(), text);
}

String String::mid(int start, int count) const {
  int len = length();
  if (start < 0) start = 0;
  String result;
  if (start >= len) return result;
  if (count > len - start) count = len - start;
  if (count <= 0) return result;
  result.fill('\0', count);
  std::memcpy(result.text_, text_ + start, static_cast<size_t>(count));
  return result;
}

String String::mid(int start) const {
  if (start < 0) start = 0;
  return mid(start, length() - start);
}

String String::trimLeft() const {
  const char* p = cStr();
  int k = 0;
  while (p[k] != '\0' && static_cast<unsigned char>(p[k]) <= 0x20) ++k;
  return right(length() - k);
}

String String::trimRight() const {
  const char* p = cStr();
  int len = length();
  int k = 0;
  while (k < len && static_cast<unsigned char>(p[len - 1 - k]) <= 0x20) ++k;
  return left(len - k);
}

bool String::matchesAt(int pos, const char* sub, int subLength) const {
  const char* p = text_ + pos;
  // Fewer bytes left than sub has never matches.
  for (int i = 0; i < subLength; ++i) {
    if (p[i] == '\0' || p[i] != sub[i]) return false;
  }
  return true;
}

int String::find(const char* sub, int start) const {
  requireText(sub);
  int len = length();
  if (start < 0) start = 0;
  int subLength = static_cast<int>(std::strlen(sub));
  if (len == 0 || subLength == 0 || start >= len) return -1;
  for (const char* p = text_ + start; *p != '\0'; p = nextChar(p)) {
    int pos = static_cast<int>(p - text_);
    if (matchesAt(pos, sub, subLength)) return pos;
  }
  return -1;
}

int String::reverseFind(const char* sub, int pos) const {
  requireText(sub);
  int len = length();
  if (pos >= len) pos = len;
  int subLength = static_cast<int>(std::strlen(sub));
  if (len == 0 || subLength == 0 || pos < 0) return -1;
  for (;;) {
    if (matchesAt(pos, sub, subLength)) return pos;
    if (pos == 0) return -1;
    pos = static_cast<int>(previousChar(text_, text_ + pos) - text_);
  }
}

String operator+(const String& left, const String& right) {
  String result(left);
  result.append(right);
  return result;
}

String operator+(const String& left, const char* right) {
  String result(left);
  result.append(right);
  return result;
}

String operator+(const char* left, const String& right) {
  String result(left);
  result.append(right);
  return result;
}

}  // namespace qv
