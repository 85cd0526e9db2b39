#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/platform.h"
#include "base/platform_posix.h"
#include "base/utf8.h"

namespace qv::posix {

namespace {

constexpr uint16_t NONE = 0xFFFF;

bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Both directions of code page 932 as the C library's converter knows it,
// read once (the program asks for them as it starts, while it has
// descriptors and memory to spare), so that converting a name is a table
// look-up per character and needs nothing of the system.
class Cp932Tables {
 public:
  static const Cp932Tables& get() {
    static const Cp932Tables tables;
    return tables;
  }

  // The errno value of the converter's failure to open; 0 when it opened.
  int error() const { return error_; }

  // Unicode (BMP) of a one- or two-byte code (lead << 8 | trail), or NONE.
  uint16_t toUnicode(uint16_t code) const { return toUnicode_[code]; }
  // The preferred CP932 code of a BMP character, or 0 when there is none.
  uint16_t fromUnicode(uint32_t ch) const { return ch < 0x10000 ? fromUnicode_[ch] : 0; }

 private:
  Cp932Tables() : toUnicode_(0x10000, NONE), fromUnicode_(0x10000, 0) {
    for (uint32_t b = 0; b < 0x80; ++b) {
      toUnicode_[b] = static_cast<uint16_t>(b);
      fromUnicode_[b] = static_cast<uint16_t>(b);
    }
    iconv_t decode = iconv_open("UTF-16LE", "CP932");
    if (decode == reinterpret_cast<iconv_t>(-1)) error_ = errno;
    iconv_t encode = iconv_open("CP932", "UTF-16LE");
    if (encode == reinterpret_cast<iconv_t>(-1) && error_ == 0) error_ = errno;
    if (error_ != 0) {
      if (decode != reinterpret_cast<iconv_t>(-1)) iconv_close(decode);
      if (encode != reinterpret_cast<iconv_t>(-1)) iconv_close(encode);
      return;  // Only ASCII converts; every other character becomes "?".
    }
    for (uint32_t b = 0x80; b < 0x100; ++b) {
      if (!isLeadByte(static_cast<unsigned char>(b))) learn(decode, static_cast<uint16_t>(b));
    }
    for (uint32_t lead = 0x81; lead <= 0xFC; ++lead) {
      if (!isLeadByte(static_cast<unsigned char>(lead))) continue;
      for (uint32_t trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail != 0x7F) learn(decode, static_cast<uint16_t>(lead << 8 | trail));
      }
    }
    // Several codes can stand for one character; the converter's own choice
    // of code for the character is the one that names are written with.
    for (uint32_t ch = 0x80; ch < 0x10000; ++ch) {
      if (fromUnicode_[ch] == 0) continue;
      char in[2] = {static_cast<char>(ch & 0xFF), static_cast<char>(ch >> 8)};
      unsigned char out[4];
      uint16_t code = convert(encode, in, 2, out, sizeof out);
      if (code != NONE && toUnicode_[code] == ch) fromUnicode_[ch] = code;
    }
    iconv_close(decode);
    iconv_close(encode);
  }

  // Converts one character; the result is the code or character as a number.
  static uint16_t convert(iconv_t cd, const char* in, size_t inLength, unsigned char* out,
                          size_t outSize) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in);
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = inLength;
    size_t outLeft = outSize;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
      return NONE;
    }
    size_t produced = outSize - outLeft;
    if (produced == 1) return out[0];
    if (produced == 2) return static_cast<uint16_t>(out[0] << 8 | out[1]);
    return NONE;
  }

  void learn(iconv_t decode, uint16_t code) {
    char in[2];
    size_t length = 0;
    if (code > 0xFF) in[length++] = static_cast<char>(code >> 8);
    in[length++] = static_cast<char>(code & 0xFF);
    unsigned char out[8];
    uint16_t utf16 = convert(decode, in, length, out, sizeof out);
    // The decoder hands back UTF-16LE, which convert() read big-endian.
    if (utf16 == NONE) return;
    uint16_t ch = static_cast<uint16_t>((utf16 >> 8) | (utf16 << 8));
    if (ch >= 0xD800 && ch < 0xE000) return;
    toUnicode_[code] = ch;
    if (fromUnicode_[ch] == 0) fromUnicode_[ch] = code;
  }

  std::vector<uint16_t> toUnicode_;
  std::vector<uint16_t> fromUnicode_;
  int error_ = 0;
};

void appendUtf8(uint32_t ch, std::string& out) {
  if (ch < 0x80) {
    out += static_cast<char>(ch);
  } else if (ch < 0x800) {
    out += static_cast<char>(0xC0 | ch >> 6);
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | ch >> 12);
    out += static_cast<char>(0x80 | (ch >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
}

// The current directory, native. False, with the last error set, when it
// cannot be read; a directory that has been removed is told apart.
bool readCurrentDirectory(std::string& out) {
  std::string buffer(256, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (errno == ENOENT) {
      setLastError(CODE_CURRENT_DIRECTORY_GONE);
    } else {
      failWithErrno(errno);
    }
    return false;
  }
  buffer.resize(std::strlen(buffer.c_str()));
  // Older kernels name a removed directory "(unreachable)/...".
  if (buffer.empty() || buffer[0] != '/') {
    setLastError(CODE_CURRENT_DIRECTORY_GONE);
    return false;
  }
  out = std::move(buffer);
  return true;
}

bool localeIsUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "ANSI_X3.4-1968") == 0;
}

// Converts between the locale's encoding and UTF-8 with the C library.
std::string convertLocale(std::string_view text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG || outLeft == 0) break;
    // Skip a byte that does not convert and mark it.
    ++in, --inLeft;
    *outPtr++ = '?', --outLeft;
  }
  out.resize(out.size() - outLeft);
  iconv_close(cd);
  return out;
}

}  // namespace

bool loadConversionTables() {
  int error;
  try {
    error = Cp932Tables::get().error();
  } catch (const std::bad_alloc&) {
    error = ENOMEM;
  }
  if (error == 0) return true;
  errno = error;
  return false;
}

size_t utf8Length(std::string_view text, size_t i) {
  uint32_t ch;
  size_t length = decodeUtf8(text, i, ch);
  return length == 0 ? 1 : length;
}

bool toCp932(std::string_view native, std::string& out) {
  out.clear();
  if (isAscii(native)) {
    out.assign(native);
    return true;
  }
  const Cp932Tables& tables = Cp932Tables::get();
  bool exact = true;
  for (size_t i = 0; i < native.size();) {
    uint32_t ch;
    size_t length = decodeUtf8(native, i, ch);
    if (length == 0) {
      out += '?';
      exact = false;
      ++i;
      continue;
    }
    i += length;
    uint16_t code = ch < 0x80 ? static_cast<uint16_t>(ch) : tables.fromUnicode(ch);
    if (code == 0 && ch != 0) {
      out += '?';
      exact = false;
      continue;
    }
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
    if (tables.toUnicode(code) != ch) exact = false;
  }
  return exact;
}

void toUtf8(std::string_view cp932, std::string& out) {
  out.clear();
  if (isAscii(cp932)) {
    out.assign(cp932);
    return;
  }
  const Cp932Tables& tables = Cp932Tables::get();
  for (size_t i = 0; i < cp932.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(cp932[i]);
    uint16_t code = b;
    if (isLeadByte(b) && i + 1 < cp932.size()) {
      code = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(cp932[i + 1]));
      ++i;
    }
    uint16_t ch = tables.toUnicode(code);
    if (ch == NONE) {
      out += '?';
    } else {
      appendUtf8(ch, out);
    }
  }
}

std::string absolutePath(std::string_view path, std::string_view currentDirectory) {
  std::string joined;
  if (path.empty() || path[0] != '/') {
    joined.assign(currentDirectory);
    joined += '/';
  }
  joined.append(path);

  std::string result = "/";
  size_t start = 0;
  while (start < joined.size()) {
    size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    std::string_view component(joined.data() + start, end - start);
    if (component.empty() || component == ".") {
      // Folded.
    } else if (component == "..") {
      if (result.size() > 1) {
        result.pop_back();
        result.erase(lastComponentStart(result));
      }
    } else {
      result.append(component);
      result += '/';
    }
    start = end + 1;
  }
  bool trailing = !path.empty() && path.back() == '/';
  if (!trailing && result.size() > 1) result.pop_back();
  return result;
}

bool currentDirectory(std::string& out) {
  return readCurrentDirectory(out);
}

std::string absoluteNative(const std::string& native) {
  if (!native.empty() && native[0] == '/') return absolutePath(native, "/");
  std::string cwd;
  if (!readCurrentDirectory(cwd)) return std::string();
  return absolutePath(native, cwd);
}

std::string nativePath(std::string_view cp932Path) {
  std::string native;
  toUtf8(cp932Path, native);
  return absoluteNative(native);
}

std::string fromLocale(const char* text) {
  return localeIsUtf8() ? std::string(text) : convertLocale(text, "UTF-8", nl_langinfo(CODESET));
}

std::string toLocale(std::string_view cp932) {
  std::string utf8;
  toUtf8(cp932, utf8);
  if (localeIsUtf8()) return utf8;
  return convertLocale(utf8, nl_langinfo(CODESET), "UTF-8");
}

}  // namespace qv::posix
