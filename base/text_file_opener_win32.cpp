#include "base/platform.h"
#include "base/registry_reader.h"
#include "base/text_file_opener.h"

namespace qv {

namespace {

// A value that is either kind of string, the plain kind first.
String readAnyString(RegistryReader& reader, const String& subkey) {
  String value = reader.getString(subkey, "", "");
  if (value.length() == 0) value = reader.getExpandedString(subkey, "", "");
  return value;
}

}  // namespace

bool openWithTextViewer(const Path& path) {
  String viewer = findTextFileOpener();
  return viewer.length() > 0 && startProgram(viewer.cStr(), path.native());
}

String findTextFileOpener() {
  try {
    RegistryReader reader;
    if (!reader.open("", CLASSES_ROOT)) return String();
    String result;
    String type = readAnyString(reader, ".txt");
    if (type.length() > 0) {
      String command = readAnyString(reader, type + "\\shell\\open\\command");
      if (command.length() > 0) result = openerFromCommand(command);
    }
    reader.close();
    return result;
  } catch (...) {
    return String();
  }
}

}  // namespace qv
