#include "app/entry.h"

#include <memory>

#include "app/report_app.h"
#include "base/string_list.h"

namespace qv {

namespace {

constexpr int STATUS_FAILED_TO_START = 15;

}  // namespace

int runEntry(const std::vector<std::string>& arguments) {
  int status = STATUS_FAILED_TO_START;
  std::unique_ptr<ReportApp> application;
  try {
    application = std::make_unique<ReportApp>();
    StringList list;
    for (const std::string& argument : arguments) list.add(String(argument.c_str()));
    status = application->run(list);
  } catch (...) {
    // Neither an Exception nor anything else escaping the run is shown here.
    status = STATUS_FAILED_TO_START;
  }
  application.reset();
  return status;
}

}  // namespace qv
