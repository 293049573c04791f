#pragma once
// The registry object: made per use, one root key, one current key; text
// values only, as the programs write and read them.

#include <cstdint>
#include <vector>

#include "platform/WinApi.h"
#include "rtl/Exceptions.h"

namespace platform {

RTL_EXCEPTION(ERegistryException, rtl::Exception);

class TRegistry {
 public:
  TRegistry() = default;
  explicit TRegistry(DWORD access) : FAccess(access) {}
  ~TRegistry() { CloseKey(); }
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return FRootKey; }
  // Closes the current key first.
  void SetRootKey(HKEY root);
  // Rights asked for by OpenKey (KEY_ALL_ACCESS unless set).
  DWORD Access() const { return FAccess; }
  void SetAccess(DWORD access) { FAccess = access; }
  HKEY CurrentKey() const { return FCurrentKey; }

  // A leading backslash is dropped. With canCreate and a non-empty path the key
  // is created when missing. After a failed open there is no current key.
  bool OpenKey(const AnsiString& path, bool canCreate);
  // Opens an existing key with KEY_READ only.
  bool OpenKeyReadOnly(const AnsiString& path);
  bool KeyExists(const AnsiString& path);
  void CloseKey();

  // REG_SZ with the terminating NUL. ERegistryException "Failed to set data for '%s'".
  void WriteString(const AnsiString& name, const AnsiString& value);
  // "" for a missing value (or no current key). ERegistryException
  // "Invalid data type for '%s'" for a value that is not text,
  // "Failed to get data for '%s'" when the read fails after the size is known.
  AnsiString ReadString(const AnsiString& name);
  bool ValueExists(const AnsiString& name);
  bool DeleteValue(const AnsiString& name);

  // Deletes the key with all its subkeys (relative to the current key, or to
  // the root with a leading backslash or without a current key). A missing
  // key is no error.
  bool DeleteKey(const AnsiString& path);

  // Names of the current key's subkeys and values, in the registry's order.
  std::vector<AnsiString> GetKeyNames();
  std::vector<AnsiString> GetValueNames();
  // Any value as type and raw bytes; false when missing.
  bool ReadRaw(const AnsiString& name, DWORD& type, std::vector<BYTE>& data);

 private:
  HKEY BaseKey(bool relative) const;
  bool DeleteTree(HKEY base, const AnsiString& subKey);

  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = 0;
  DWORD FAccess = KEY_ALL_ACCESS;
};

// The root key named by its full or short name (HKEY_CURRENT_USER, HKCU, ...),
// case-insensitive; 0 when it names none.
HKEY RootKeyFromName(const AnsiString& name);
AnsiString RootKeyName(HKEY root);

}  // namespace platform
