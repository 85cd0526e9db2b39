// The Exec line of a desktop entry turned into the arguments of the program
// it starts, by the Desktop Entry quoting rules: the escapes of a string
// value (\s \n \t \r \\) first, then arguments split at spaces, an argument
// in double quotes kept whole with \" \` \$ \\ inside it, and the field codes
// outside quotes replaced. The arguments go to the program as they are: no
// shell reads them. Free functions on text; nothing is owned.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::posix {

// What the field codes of an Exec line stand for.
struct ExecFields {
  std::string file;      // %f %F %u %U: one file, always one whole argument
  std::string icon;      // %i: "--icon" and this, when not empty
  std::string name;      // %c
  std::string location;  // %k: the desktop file's path
};

// The arguments of exec (as the desktop file holds it, after the "=") with
// fields put in; the file is the last argument when no code asks for it.
// False when the line is not valid: a quote left open, a field code that
// does not exist, or no program (or one that a field code would name).
bool execArguments(std::string_view exec, const ExecFields& fields,
                   std::vector<std::string>& arguments);

}  // namespace qv::posix
