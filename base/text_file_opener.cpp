#include "base/text_file_opener.h"

namespace qv {

String openerFromCommand(const String& command) {
  // Everything from the first placeholder (%1, %U, %F ...) on is the argument
  // part; a quoted program path loses its quotes.
  String program = command.copy();
  int placeholder = program.find("%");
  if (placeholder >= 0) program = program.left(placeholder);
  while (program.left(1) == "\"") program = program.mid(1).trimLeft();
  int quote = program.find("\"");
  if (quote >= 0) program = program.left(quote);
  return program.trimRight();
}

}  // namespace qv
