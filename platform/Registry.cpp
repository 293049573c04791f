// The registry object over the registry calls.

#include "platform/Registry.h"

#include <algorithm>
#include <cstring>

#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace platform {

namespace {

bool IsRelative(const AnsiString& path) { return path.empty() || path[0] != '\\'; }

AnsiString WithoutLeadingBackslash(const AnsiString& path) {
  return IsRelative(path) ? path : path.substr(1);
}

[[noreturn]] void RaiseFor(const char* fmt, const AnsiString& name) {
  throw ERegistryException(rtl::Format(fmt, {name}));
}

struct TRootName {
  HKEY Key;
  const char* Name;
  const char* Short;
};

constexpr TRootName kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
};

}  // namespace

void TRegistry::SetRootKey(HKEY root) {
  if (root == FRootKey) return;
  CloseKey();
  FRootKey = root;
}

HKEY TRegistry::BaseKey(bool relative) const {
  return relative && FCurrentKey != 0 ? FCurrentKey : FRootKey;
}

bool TRegistry::OpenKey(const AnsiString& path, bool canCreate) {
  const bool relative = IsRelative(path);
  const AnsiString subKey = WithoutLeadingBackslash(path);
  const HKEY base = BaseKey(relative);
  HKEY key = 0;
  LONG result;
  if (canCreate && !subKey.empty()) {
    DWORD disposition = 0;
    result = Api().RegCreateKeyExA(base, subKey, REG_OPTION_NON_VOLATILE, FAccess, key, &disposition);
  } else {
    result = Api().RegOpenKeyExA(base, subKey, FAccess, key);
  }
  // The base may be the current key: it is closed only once the new key is known.
  CloseKey();
  if (result != ERROR_SUCCESS) return false;
  FCurrentKey = key;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& path) {
  const DWORD saved = FAccess;
  FAccess = KEY_READ;
  const bool ok = OpenKey(path, false);
  FAccess = saved;
  return ok;
}

bool TRegistry::KeyExists(const AnsiString& path) {
  HKEY key = 0;
  if (Api().RegOpenKeyExA(BaseKey(IsRelative(path)), WithoutLeadingBackslash(path), KEY_READ, key) !=
      ERROR_SUCCESS)
    return false;
  Api().RegCloseKey(key);
  return true;
}

void TRegistry::CloseKey() {
  if (FCurrentKey == 0) return;
  Api().RegCloseKey(FCurrentKey);
  FCurrentKey = 0;
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
  // The text goes with its terminating NUL: an empty text is one NUL byte.
  if (FCurrentKey == 0 ||
      Api().RegSetValueExA(FCurrentKey, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
    RaiseFor("Failed to set data for '%s'", name);
}

AnsiString TRegistry::ReadString(const AnsiString& name) {
  if (FCurrentKey == 0) return {};
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (Api().RegQueryValueExA(FCurrentKey, name, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
    return {};
  std::vector<BYTE> data(size);
  if (Api().RegQueryValueExA(FCurrentKey, name, &type, data.data(), &size) != ERROR_SUCCESS)
    RaiseFor("Failed to get data for '%s'", name);
  if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseFor("Invalid data type for '%s'", name);
  size = std::min<DWORD>(size, static_cast<DWORD>(data.size()));
  const auto* text = reinterpret_cast<const char*>(data.data());
  return AnsiString(text, strnlen(text, size));
}

bool TRegistry::ValueExists(const AnsiString& name) {
  DWORD size = 0;
  return FCurrentKey != 0 &&
         Api().RegQueryValueExA(FCurrentKey, name, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const AnsiString& name) {
  return FCurrentKey != 0 && Api().RegDeleteValueA(FCurrentKey, name) == ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const AnsiString& path) {
  return DeleteTree(BaseKey(IsRelative(path)), WithoutLeadingBackslash(path));
}

bool TRegistry::DeleteTree(HKEY base, const AnsiString& subKey) {
  HKEY key = 0;
  if (Api().RegOpenKeyExA(base, subKey, FAccess, key) == ERROR_SUCCESS) {
    DWORD subKeys = 0;
    DWORD maxLength = 0;
    if (Api().RegQueryInfoKeyA(key, &subKeys, &maxLength, nullptr) == ERROR_SUCCESS) {
      // From the last index down, so deleting does not shift the ones still to come.
      for (DWORD i = subKeys; i-- > 0;) {
        AnsiString name;
        if (Api().RegEnumKeyExA(key, i, name) == ERROR_SUCCESS && !name.empty())
          DeleteTree(key, name);
      }
    }
    Api().RegCloseKey(key);
  }
  // An empty name would delete the base itself.
  return !subKey.empty() && Api().RegDeleteKeyA(base, subKey) == ERROR_SUCCESS;
}

std::vector<AnsiString> TRegistry::GetKeyNames() {
  std::vector<AnsiString> names;
  DWORD count = 0;
  DWORD maxLength = 0;
  if (FCurrentKey == 0 ||
      Api().RegQueryInfoKeyA(FCurrentKey, &count, &maxLength, nullptr) != ERROR_SUCCESS)
    return names;
  for (DWORD i = 0; i < count; ++i) {
    AnsiString name;
    if (Api().RegEnumKeyExA(FCurrentKey, i, name) != ERROR_SUCCESS) break;
    names.push_back(std::move(name));
  }
  return names;
}

std::vector<AnsiString> TRegistry::GetValueNames() {
  std::vector<AnsiString> names;
  DWORD keys = 0;
  DWORD maxLength = 0;
  DWORD count = 0;
  if (FCurrentKey == 0 ||
      Api().RegQueryInfoKeyA(FCurrentKey, &keys, &maxLength, &count) != ERROR_SUCCESS)
    return names;
  for (DWORD i = 0; i < count; ++i) {
    AnsiString name;
    if (Api().RegEnumValueA(FCurrentKey, i, name, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(std::move(name));
  }
  return names;
}

bool TRegistry::ReadRaw(const AnsiString& name, DWORD& type, std::vector<BYTE>& data) {
  DWORD size = 0;
  if (FCurrentKey == 0 ||
      Api().RegQueryValueExA(FCurrentKey, name, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  data.assign(size, 0);
  if (size == 0) return true;
  if (Api().RegQueryValueExA(FCurrentKey, name, &type, data.data(), &size) != ERROR_SUCCESS)
    return false;
  data.resize(std::min<size_t>(size, data.size()));
  return true;
}

HKEY RootKeyFromName(const AnsiString& name) {
  for (const auto& root : kRoots)
    if (rtl::SameText(name, root.Name) || rtl::SameText(name, root.Short)) return root.Key;
  return 0;
}

AnsiString RootKeyName(HKEY root) {
  for (const auto& r : kRoots)
    if (r.Key == root) return r.Name;
  return {};
}

}  // namespace platform
