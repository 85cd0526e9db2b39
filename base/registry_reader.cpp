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

}  // namespace qv
