#include "app/entry.h"

#include <memory>

#include "app/report_app.h"
#include "base/path.h"

namespace qv {

namespace {

constexpr int STATUS_FAILED_TO_START = 15;

}  // namespace

int runEntry(const std::vector<NativeString>& arguments) {
  int status = STATUS_FAILED_TO_START;
  std::unique_ptr<ReportApp> application;
  try {
    application = std::make_unique<ReportApp>();
    std::vector<Path> list;
    for (const NativeString& argument : arguments) list.push_back(Path::fromNative(argument));
    status = application->run(list);
  } catch (...) {
    // Neither an Exception nor anything else escaping the run is shown here.
    status = STATUS_FAILED_TO_START;
  }
  application.reset();
  return status;
}

}  // namespace qv
