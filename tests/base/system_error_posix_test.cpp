// The POSIX layer's error codes: each errno value becomes a Win32 code that
// has a message text of its own.
#include <errno.h>

#include <gtest/gtest.h>

#include "base/platform.h"
#include "base/platform_posix.h"

namespace qv::posix {
namespace {

TEST(SystemError, EveryErrnoBecomesACodeWithAMessage) {
  EXPECT_EQ(errorFromErrno(0), 0u);
  for (int err = 1; err < 140; ++err) {
    uint32_t code = errorFromErrno(err);
    SystemMessage message(code);
    EXPECT_NE(message.text(), nullptr) << "errno " << err << " became " << code;
  }
}

TEST(SystemError, ErrnoValuesMapToTheCodesTheSystemWouldReport) {
  struct Case {
    int err;
    uint32_t code;
  } cases[] = {{ENOENT, CODE_FILE_NOT_FOUND},
               {ENOTDIR, CODE_PATH_NOT_FOUND},
               {EISDIR, CODE_ACCESS_DENIED},
               {EPERM, CODE_ACCESS_DENIED},
               {ENOSPC, 112},
               {ENAMETOOLONG, CODE_FILENAME_TOO_LONG},
               {ELOOP, 1921},
               {EHOSTDOWN, 31}};
  for (const Case& c : cases) EXPECT_EQ(errorFromErrno(c.err), c.code) << "errno " << c.err;
}

}  // namespace
}  // namespace qv::posix
