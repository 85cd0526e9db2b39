// RegistryReader reads string values below one open registry key, which it
// owns (a RegistryKey held by value) and closes in close() or its destructor.
// Every read takes a default that it returns whenever the value is missing,
// empty or of another type, so reads report failure only by that default.
// Windows only: findTextFileOpener() reads the ".txt" association with it.
#pragma once

#include "base/registry_key.h"
#include "base/string.h"

namespace qv {

class RegistryReader {
 public:
  RegistryReader() = default;
  RegistryReader(const RegistryReader&) = delete;
  RegistryReader& operator=(const RegistryReader&) = delete;
  virtual ~RegistryReader() = default;

  // Closes, then opens subkey below root. False when it cannot be opened.
  bool open(const String& subkey, RegistryHandle root);
  void close();

  // The REG_SZ value valueName ("" for the default value) of subkey below the
  // open key; defaultText when it is missing or empty. Throws Exception 8
  // only when memory runs out.
  String getString(const String& subkey, const String& valueName, const String& defaultText);

  // As getString for a REG_EXPAND_SZ value, with the %NAME% references in it
  // expanded; defaultText also when the expansion fails.
  String getExpandedString(const String& subkey, const String& valueName,
                           const String& defaultText);

 private:
  RegistryKey key_;
};

}  // namespace qv
