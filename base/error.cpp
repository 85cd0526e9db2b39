#include "base/error.h"

namespace qv {

Exception::Exception(uint32_t code) : code_(code), message_(code) {}

Exception::Exception(const Exception& other) : code_(other.code_), message_(other.code_) {}

void Exception::show(WindowHandle owner, const char* caption, const BoxFunction& box) const {
  if (text() != nullptr) {
    box(owner, text(), caption, BOX_WARNING);
  }
}

void throwError(uint32_t code) {
  throw Exception(code);
}

void throwLastError() {
  throw Exception(lastError());
}

}  // namespace qv
