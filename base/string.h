// String is the program's own text: code page 932 bytes in a heap block of
// exactly length + 1 bytes, zero-terminated, owned by the object alone. The
// length is not stored; it is the number of bytes before the first zero, so
// whatever a platform call writes into the block after fill() sets it.
// Positions, lengths and counts are signed byte counts; -1 means not found;
// positions out of range are clamped, never errors.
//
// Failures throw Exception: 8 when memory runs out or the String has lost its
// block, 87 for a null text or a negative fill count.
#pragma once

#include <cstdint>

namespace qv {

class String {
 public:
  String();
  String(const char* text);  // NOLINT: implicit like a literal
  String(const String& other);
  String(String&& other) noexcept;
  virtual ~String();

  String& operator=(const char* text) { return assign(text); }
  String& operator=(const String& other) { return assign(other); }
  String& operator=(String&& other) noexcept;
  String& operator+=(const char* text) { return append(text); }
  String& operator+=(const String& other) { return append(other); }

  // Replaces the text. Assigning the object's own text changes nothing.
  String& assign(const char* text);
  String& assign(const String& other) { return assign(other.cStr()); }

  // Appends text; appending the object's own text doubles it.
  String& append(const char* text);
  String& append(const String& other) { return append(other.cStr()); }

  // Appends length bytes of data, which must hold no zero byte.
  String& appendBytes(const char* data, int length);

  // Resizes the block to count + 1 bytes: count bytes of ch and a zero.
  void fill(char ch, int count);

  int length() const;
  const char* cStr() const;
  char* cStr();

  // lstrcmpA: negative, zero or positive; case-sensitive.
  int compare(const char* text) const;
  bool operator==(const char* text) const { return compare(text) == 0; }
  bool operator==(const String& other) const { return compare(other.cStr()) == 0; }
  bool operator!=(const char* text) const { return compare(text) != 0; }

  String copy() const { return String(*this); }
  String mid(int start, int count) const;
  String mid(int start) const;
  String left(int n) const { return mid(0, n); }
  String right(int n) const { return mid(length() - n); }
  // Without leading / trailing bytes of value 0x20 or less.
  String trimLeft() const;
  String trimRight() const;

  // Byte position of the first occurrence of sub at or after start, moving by
  // characters from start; -1 when there is none or sub is empty.
  int find(const char* sub, int start = 0) const;
  // Byte position of the last occurrence of sub starting at or before pos
  // (default: the last byte), moving back by characters; -1 when none.
  int reverseFind(const char* sub) const { return reverseFind(sub, length() - 1); }
  int reverseFind(const char* sub, int pos) const;

  // The block's size in bytes, 0 when there is none.
  uint32_t capacity() const { return capacity_; }

 private:
  void resize(uint32_t bytes);
  void release();
  bool matchesAt(int pos, const char* sub, int subLength) const;

  char* text_;
  uint32_t capacity_;
};

// CharNextA: the character after the one at p in zero-terminated CP932 text,
// two bytes on for a lead byte followed by another byte; p itself at the end.
const char* nextChar(const char* p);

String operator+(const String& left, const String& right);
String operator+(const String& left, const char* right);
String operator+(const char* left, const String& right);

}  // namespace qv
