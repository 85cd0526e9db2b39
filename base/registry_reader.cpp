#include "base/registry_reader.h"

#include "base/platform.h"

namespace qv {

bool RegistryReader::open(const String& subkey, RegistryHandle root) {
  return key_.open(subkey.cStr(), root);
}

void RegistryReader::close() {
  key_.close();
}

String RegistryReader::getString(const String& subkey, const String& valueName,
                                 const String& defaultText) {
  String result = defaultText.copy();
  uint32_t size = key_.queryString(subkey.cStr(), valueName.cStr(), nullptr, nullptr, 0);
  if (size > 0) {
    String value;
    value.fill('\0', static_cast<int>(size) - 1);
    if (key_.queryString(subkey.cStr(), valueName.cStr(), nullptr, value.cStr(), size) > 0) {
      result = value;
    }
  }
  return result;
}

String RegistryReader::getExpandedString(const String& subkey, const String& valueName,
                                         const String& defaultText) {
  String result = defaultText.copy();
  uint32_t size = key_.queryExpandString(subkey.cStr(), valueName.cStr(), nullptr, nullptr, 0);
  if (size > 0) {
    String raw;
    raw.fill('\0', static_cast<int>(size) - 1);
    if (key_.queryExpandString(subkey.cStr(), valueName.cStr(), nullptr, raw.cStr(), size) > 0) {
      uint32_t expandedSize = expandEnvironmentStrings(raw.cStr(), nullptr, 0);
      if (expandedSize > 0) {
        String expanded;
        expanded.fill('\0', static_cast<int>(expandedSize) - 1);
        if (expandEnvironmentStrings(raw.cStr(), expanded.cStr(), expandedSize) > 0) {
          result = expanded;
        }
      }
    }
  }
  return result;
}

namespace {

// A value that is either kind of string, the plain kind first.
String readAnyString(RegistryReader& reader, const String& subkey) {
  String value = reader.getString(subkey, "", "");
  if (value.length() == 0) value = reader.getExpandedString(subkey, "", "");
  return value;
}

}  // namespace

String findTextFileOpener() {
  try {
    RegistryReader reader;
    if (!reader.open("", CLASSES_ROOT)) return String();
    String result;
    String type = readAnyString(reader, ".txt");
    if (type.length() > 0) {
      String command = readAnyString(reader, type + "\\shell\\open\\command");
      if (command.length() > 0) {
        // Everything from the first placeholder (%1, %U, %F ...) on is the
        // argument part; a quoted program path loses its quotes.
        int placeholder = command.find("%");
        if (placeholder >= 0) command = command.left(placeholder);
        while (command.left(1) == "\"") command = command.mid(1).trimLeft();
        int quote = command.find("\"");
        if (quote >= 0) command = command.left(quote);
        result = command.trimRight();
      }
    }
    reader.close();
    return result;
  } catch (...) {
    return String();
  }
}

}  // namespace qv
