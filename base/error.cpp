#include "base/error.h"

#include <utility>

namespace qv {

Exception::Exception(uint32_t code) : code_(code), message_(code) {}

Exception::Exception(uint32_t code, std::string subject)
    : code_(code), message_(code), subject_(std::move(subject)) {}

Exception::Exception(const Exception& other)
    : code_(other.code_), message_(other.code_), subject_(other.subject_) {}

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

void rethrowNaming(const Exception& exception, const std::string& subject) {
  if (!exception.subject().empty()) throw exception;
  throw Exception(exception.code(), subject);
}

}  // namespace qv
