// The file stream over CreateFileA and friends.

#include "platform/FileStream.h"

#include <iterator>

#include "platform/Files.h"
#include "rtl/Format.h"

namespace platform {

namespace {

constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
// Compatibility and exclusive both share nothing.
constexpr DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};

DWORD ShareMode(WORD mode, bool& valid) {
  const unsigned index = (mode & 0xF0) >> 4;
  valid = valid && index < std::size(kShare);
  return valid ? kShare[index] : 0;
}

AnsiString Reason(DWORD code) { return SysErrorMessage(code); }

}  // namespace

TFileStream::TFileStream(const AnsiString& fileName, WORD mode) : FFileName(fileName) {
  const bool create = (mode & fmCreate) == fmCreate;
  bool valid = create || (mode & 3) < std::size(kAccess);
  const DWORD share = ShareMode(mode, valid);
  if (valid) {
    if (create)
      FHandle = Api().CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, share, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL);
    else
      FHandle = Api().CreateFileA(fileName, kAccess[mode & 3], share, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL);
  }
  if (FHandle != INVALID_HANDLE_VALUE && FHandle != 0) return;
  FHandle = INVALID_HANDLE_VALUE;
  const DWORD code = valid ? Api().GetLastError() : ERROR_INVALID_PARAMETER;
  const AnsiString name = ExpandFileName(fileName);
  if (create)
    throw rtl::EFCreateError(rtl::Format("Cannot create file \"%s\". %s", {name, Reason(code)}));
  throw rtl::EFOpenError(rtl::Format("Cannot open file \"%s\". %s", {name, Reason(code)}));
}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE) Api().CloseHandle(FHandle);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  DWORD read = 0;
  if (!Api().ReadFile(FHandle, buffer, static_cast<DWORD>(count), read)) return 0;
  return static_cast<int32_t>(read);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  DWORD written = 0;
  if (!Api().WriteFile(FHandle, buffer, static_cast<DWORD>(count), written)) return 0;
  return static_cast<int32_t>(written);
}

int64_t TFileStream::Seek(int64_t offset, rtl::TSeekOrigin origin) {
  const DWORD method = origin == rtl::soBeginning ? FILE_BEGIN
                       : origin == rtl::soCurrent ? FILE_CURRENT
                                                  : FILE_END;
  return Api().SetFilePointerEx(FHandle, offset, method);
}

int64_t TFileStream::Size() { return Api().GetFileSizeEx(FHandle); }

void TFileStream::SetSize(int64_t newSize) {
  if (Seek(newSize, rtl::soBeginning) == newSize && Api().SetEndOfFile(FHandle)) return;
  const DWORD code = Api().GetLastError();
  throw rtl::EOSError(
      rtl::Format("System Error.  Code: %d.\r\n%s", {static_cast<int>(code), SysErrorMessage(code)}));
}

void TFileStream::Flush() {
  if (!Api().FlushFileBuffers(FHandle)) throw rtl::EWriteError("Stream write error");
}

}  // namespace platform
