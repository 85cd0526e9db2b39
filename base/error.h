// Exception is the one kind of failure the program throws. It carries a
// 32-bit code: a Win32 error code (the platform's last error after a failed
// call, or one of 3, 8 and 87) or the program's own LAUNCH_FAILED. It fetches
// the system's message text for the code once, when it is made, and owns it.
// It may also name what failed, the way the command line names it ("out
// r.txt"), for the messages of the command line; the dialog shows the text
// alone. Exceptions are thrown by value and caught by reference.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/platform.h"

namespace qv {

// The viewer registered for ".txt" could not be started. The system has no
// text for it; the catch sites show their own.
constexpr uint32_t LAUNCH_FAILED = 0x10000001;
constexpr const char* LAUNCH_FAILED_TEXT = "起動に失敗しました。";

class Exception {
 public:
  explicit Exception(uint32_t code);
  // subject: the argument and path that failed, code page 932.
  Exception(uint32_t code, std::string subject);
  Exception(const Exception& other);
  Exception& operator=(const Exception&) = delete;
  virtual ~Exception() = default;

  uint32_t code() const { return code_; }

  // The system's text for the code, or null when it has none.
  const char* text() const { return message_.text(); }

  // What failed, as the command line names it; empty when not known.
  const std::string& subject() const { return subject_; }

  // Shows the text in a warning box (style 0x30) captioned caption through
  // box; shows nothing when there is no text.
  // box stands in for the platform's message box where a caller needs that.
  using BoxFunction = std::function<int(WindowHandle, const char*, const char*, unsigned)>;
  void show(WindowHandle owner, const char* caption) const { show(owner, caption, showMessageBox); }
  void show(WindowHandle owner, const char* caption, const BoxFunction& box) const;

 private:
  uint32_t code_;
  SystemMessage message_;
  std::string subject_;
};

// Throws an Exception carrying code.
[[noreturn]] void throwError(uint32_t code);

// Throws an Exception carrying the platform's last error code.
[[noreturn]] void throwLastError();

// Throws exception again naming subject, unless it names something already.
[[noreturn]] void rethrowNaming(const Exception& exception, const std::string& subject);

}  // namespace qv
