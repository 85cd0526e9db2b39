// Reading UTF-8 text one character at a time, for the places that must tell
// UTF-8 from bytes that are not (names in the platform's own bytes, reports
// that must be valid UTF-8). A free function; nothing is owned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qv {

// Decodes the UTF-8 character at text[i] into ch and returns its length, or
// 0 when the bytes there are not UTF-8 (a lone byte, a cut or overlong
// sequence, a surrogate, a value past U+10FFFF).
size_t decodeUtf8(std::string_view text, size_t i, uint32_t& ch);

}  // namespace qv
