// The program as the tests stop it halfway: the first argument says where,
// the rest are the program's own. "after-writes=N" stops it (SIGSTOP) after
// the Nth write to the replacement of the report, "before-replacing" once
// the file to be replaced has been opened and looked at, so that a test can
// signal the run or change the file system at that point.
#include <locale.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/entry.h"
#include "base/file.h"
#include "base/platform_posix.h"

namespace {

class Stopper : public qv::FileObserver {
 public:
  Stopper(long writes, bool beforeReplacing)
      : writesLeft_(writes), beforeReplacing_(beforeReplacing) {}

  void wroteReplacement() override {
    if (writesLeft_ > 0 && --writesLeft_ == 0) raise(SIGSTOP);
  }
  void lookedAtTarget() override {
    if (beforeReplacing_) raise(SIGSTOP);
  }

 private:
  long writesLeft_;
  bool beforeReplacing_;
};

}  // namespace

int main(int argc, char** argv) {
  const char* AFTER_WRITES = "after-writes=";
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s after-writes=N|before-replacing argument...\n", argv[0]);
    return 126;
  }
  bool beforeReplacing = std::strcmp(argv[1], "before-replacing") == 0;
  long writes = 0;
  if (std::strncmp(argv[1], AFTER_WRITES, std::strlen(AFTER_WRITES)) == 0) {
    writes = std::atol(argv[1] + std::strlen(AFTER_WRITES));
  } else if (!beforeReplacing) {
    std::fprintf(stderr, "%s: where to stop: %s\n", argv[0], argv[1]);
    return 126;
  }
  Stopper stopper(writes, beforeReplacing);
  qv::setFileObserver(&stopper);

  setlocale(LC_ALL, "");
  if (!qv::posix::loadConversionTables()) return 126;
  std::vector<std::string> arguments;
  for (int i = 2; i < argc; ++i) arguments.push_back(qv::posix::fromLocale(argv[i]));
  return qv::runEntry(arguments);
}
