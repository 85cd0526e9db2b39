// RegistryKey holds one open registry key, read only, and closes it in its
// destructor. It reads string values of a subkey below the key into
// caller-supplied buffers and reports failure by its result, never by
// throwing. RegistryReader builds the String interface on it. Windows only.
#pragma once

#include <cstdint>

namespace qv {

using RegistryHandle = void*;

// HKEY_CLASSES_ROOT.
extern const RegistryHandle CLASSES_ROOT;

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  virtual ~RegistryKey() { close(); }

  // Closes, then opens subkey below parent for reading. False on failure.
  bool open(const char* subkey, RegistryHandle parent);
  void close();
  bool isOpen() const { return handle_ != nullptr; }

  // Opens subkey ("" when null) below parent into out; out is null on failure.
  static bool openSubKey(const char* subkey, RegistryHandle parent, RegistryHandle& out);

  // Reads the REG_SZ (queryString) or REG_EXPAND_SZ (queryExpandString) value
  // valueName ("" for the default value) of subkey. Without a buffer: the
  // value's size with its zero, or 0. With one: the length read, or 0 with
  // defaultText (when given) copied into the buffer.
  uint32_t queryString(const char* subkey, const char* valueName, const char* defaultText,
                       char* buffer, uint32_t bufferSize);
  uint32_t queryExpandString(const char* subkey, const char* valueName, const char* defaultText,
                             char* buffer, uint32_t bufferSize);

 private:
  uint32_t queryValue(const char* subkey, const char* valueName, const char* defaultText,
                      char* buffer, uint32_t bufferSize, uint32_t wantedType);

  RegistryHandle handle_ = nullptr;
};

}  // namespace qv
