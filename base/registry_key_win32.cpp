#include <windows.h>

#include "base/registry_key.h"

namespace qv {

const RegistryHandle CLASSES_ROOT = HKEY_CLASSES_ROOT;

bool RegistryKey::open(const char* subkey, RegistryHandle parent) {
  close();
  return openSubKey(subkey, parent, handle_);
}

void RegistryKey::close() {
  if (handle_ != nullptr) {
    RegCloseKey(static_cast<HKEY>(handle_));
    handle_ = nullptr;
  }
}

bool RegistryKey::openSubKey(const char* subkey, RegistryHandle parent, RegistryHandle& out) {
  out = nullptr;
  HKEY key = nullptr;
  // The registry returns its code instead of setting the last error.
  LONG result =
      RegOpenKeyExA(static_cast<HKEY>(parent), subkey != nullptr ? subkey : "", 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    return false;
  }
  out = key;
  return true;
}

uint32_t RegistryKey::queryString(const char* subkey, const char* valueName,
                                  const char* defaultText, char* buffer, uint32_t bufferSize) {
  return queryValue(subkey, valueName, defaultText, buffer, bufferSize, REG_SZ);
}

uint32_t RegistryKey::queryExpandString(const char* subkey, const char* valueName,
                                        const char* defaultText, char* buffer,
                                        uint32_t bufferSize) {
  return queryValue(subkey, valueName, defaultText, buffer, bufferSize, REG_EXPAND_SZ);
}

uint32_t RegistryKey::queryValue(const char* subkey, const char* valueName, const char* defaultText,
                                 char* buffer, uint32_t bufferSize, uint32_t wantedType) {
  uint32_t result = 0;
  if (buffer != nullptr && bufferSize > 0) buffer[0] = '\0';
  RegistryHandle opened = nullptr;
  if (handle_ != nullptr && openSubKey(subkey, handle_, opened)) {
    HKEY key = static_cast<HKEY>(opened);
    bool found = false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == wantedType) {
      if (buffer == nullptr) {
        result = size;
      } else {
        size = bufferSize;
        // A value stored without any byte has no length to give.
        if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                             &size) == ERROR_SUCCESS &&
            size > 0) {
          result = size - 1;
          found = true;
        }
      }
    }
    RegCloseKey(key);
    if (found) return result;
  }
  if (buffer != nullptr && defaultText != nullptr && bufferSize > 0) {
    lstrcpynA(buffer, defaultText, static_cast<int>(bufferSize));
  }
  return result;
}

}  // namespace qv
