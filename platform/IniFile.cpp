// Profile-file reads over GetPrivateProfileStringA.

#include "platform/IniFile.h"

#include "rtl/SysUtils.h"

namespace platform {

namespace {
constexpr DWORD kBufferSize = 2048;
}

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& key,
                                const AnsiString& defaultValue) const {
  AnsiString result;
  const DWORD length =
      Api().GetPrivateProfileStringA(section, key, defaultValue, result, kBufferSize, FFileName);
  // The backend fills a buffer of kBufferSize bytes: never more than 2047 characters.
  if (result.size() > length) result.resize(length);
  if (result.size() > kBufferSize - 1) result.resize(kBufferSize - 1);
  return result;
}

int32_t TIniFile::ReadInteger(const AnsiString& section, const AnsiString& key,
                              int32_t defaultValue) const {
  return rtl::IniStrToIntDef(ReadString(section, key, ""), defaultValue);
}

bool TIniFile::ReadBool(const AnsiString& section, const AnsiString& key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

}  // namespace platform
