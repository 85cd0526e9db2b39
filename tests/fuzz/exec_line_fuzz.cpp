// A desktop entry's Exec line split into arguments. Input: the line, a zero
// byte, the file.
#include <algorithm>
#include <string>
#include <vector>

#include "base/exec_line_posix.h"
#include "fuzz/fuzz.h"

namespace qv::fuzz {

void fuzzOne(const std::string& data) {
  std::vector<std::string> in = parts(data);
  posix::ExecFields fields;
  fields.file = in.size() > 1 ? in[1] : "/r/report.txt";
  fields.icon = "icon";
  fields.name = "Name";
  fields.location = "/a/ed.desktop";
  std::vector<std::string> arguments;
  if (!posix::execArguments(in[0], fields, arguments)) return;
  require(!arguments.empty() && !arguments[0].empty(), "a valid line names a program");
  // The file is one whole argument, wherever the line asks for it; a line
  // that does not ask for it gets it last.
  bool whole = std::find(arguments.begin(), arguments.end(), fields.file) != arguments.end();
  bool inside = std::any_of(arguments.begin(), arguments.end(), [&](const std::string& a) {
    return a.find(fields.file) != std::string::npos;
  });
  require(whole || inside, "the file is given");
  require(arguments[0] != fields.file || fields.file.empty() ||
              in[0].find(fields.file) != std::string::npos,
          "the file is never the program");
}

}  // namespace qv::fuzz
