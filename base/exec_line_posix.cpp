#include "base/exec_line_posix.h"

namespace qv::posix {

namespace {

// The escapes of a string value, which come before the quoting rules: "\\"
// is one backslash for them, so that "\\\\" is one backslash in a quoted
// argument. Other backslashes are left for the quoting rules.
std::string unescapeString(std::string_view value) {
  std::string text;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      switch (value[i + 1]) {
        case 's':
          c = ' ';
          break;
        case 'n':
          c = '\n';
          break;
        case 't':
          c = '\t';
          break;
        case 'r':
          c = '\r';
          break;
        case '\\':
          break;
        default:
          text += c;
          continue;
      }
      ++i;
    }
    text += c;
  }
  return text;
}

}  // namespace

bool execArguments(std::string_view exec, const ExecFields& fields,
                   std::vector<std::string>& arguments) {
  arguments.clear();
  const std::string line = unescapeString(exec);
  bool fileGiven = false;
  bool fieldProgram = false;  // the program itself would come from a field
  std::string argument;
  bool inArgument = false;  // also when it is still empty (a quoted "")
  bool fromField = false;
  auto finish = [&] {
    if (inArgument) {
      if (arguments.empty() && fromField) fieldProgram = true;
      arguments.push_back(argument);
    }
    argument.clear();
    inArgument = false;
    fromField = false;
  };
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      finish();
    } else if (c == '"') {
      // Quoted: kept whole; only \" \` \$ \\ and %% are escapes. A field
      // code there is left as it stands: no file name is ever put into a
      // quoted argument, which may be a shell's script.
      inArgument = true;
      for (++i;; ++i) {
        if (i >= line.size()) return false;
        char q = line[i];
        if (q == '"') break;
        if (q == '%' && i + 1 < line.size() && line[i + 1] == '%') {
          argument += '%';
          ++i;
          continue;
        }
        if (q == '\\' && i + 1 < line.size()) {
          char next = line[i + 1];
          if (next == '"' || next == '`' || next == '$' || next == '\\') {
            argument += next;
            ++i;
            continue;
          }
        }
        argument += q;
      }
    } else if (c == '%') {
      if (i + 1 >= line.size()) return false;
      char code = line[++i];
      switch (code) {
        case '%':
          argument += '%';
          inArgument = true;
          break;
        case 'f':
        case 'F':
        case 'u':
        case 'U':
          argument += fields.file;
          inArgument = true;
          fileGiven = true;
          fromField = true;
          break;
        case 'i':
          // Two arguments of their own, and only as an argument of its own.
          if (!fields.icon.empty() && !inArgument &&
              (i + 1 >= line.size() || line[i + 1] == ' ' || line[i + 1] == '\t')) {
            if (arguments.empty()) fieldProgram = true;
            arguments.push_back("--icon");
            arguments.push_back(fields.icon);
          }
          break;
        case 'c':
          argument += fields.name;
          inArgument = inArgument || !fields.name.empty();
          fromField = true;
          break;
        case 'k':
          argument += fields.location;
          inArgument = inArgument || !fields.location.empty();
          fromField = true;
          break;
        case 'd':
        case 'D':
        case 'n':
        case 'N':
        case 'v':
        case 'm':
          break;  // deprecated: removed
        default:
          return false;
      }
    } else if (c == '\\' && i + 1 < line.size()) {
      // A reserved character outside quotes, taken as itself.
      argument += line[++i];
      inArgument = true;
    } else {
      argument += c;
      inArgument = true;
    }
  }
  finish();
  if (arguments.empty() || arguments[0].empty() || fieldProgram) return false;
  if (!fileGiven) arguments.push_back(fields.file);
  return true;
}

}  // namespace qv::posix
