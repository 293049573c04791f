#pragma once
// The stream over a file of the machine, opened with the modes and share
// modes the programs use.

#include "platform/WinApi.h"
#include "rtl/Classes.h"

namespace platform {

// Open modes: one access mode, or fmCreate, combined with one share mode.
inline constexpr WORD fmCreate = 0xFF00;  // create or truncate, read and write
inline constexpr WORD fmOpenRead = 0x0000;
inline constexpr WORD fmOpenWrite = 0x0001;
inline constexpr WORD fmOpenReadWrite = 0x0002;
inline constexpr WORD fmShareCompat = 0x0000;
inline constexpr WORD fmShareExclusive = 0x0010;
inline constexpr WORD fmShareDenyWrite = 0x0020;
inline constexpr WORD fmShareDenyRead = 0x0030;
inline constexpr WORD fmShareDenyNone = 0x0040;

class TFileStream : public rtl::TStream {
 public:
  // rtl::EFCreateError "Cannot create file "%s". <reason>" or rtl::EFOpenError
  // "Cannot open file "%s". <reason>", the name expanded to a full path.
  TFileStream(const AnsiString& fileName, WORD mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // The new position, or -1 when the move fails.
  int64_t Seek(int64_t offset, rtl::TSeekOrigin origin) override;
  int64_t Size() override;
  // rtl::EOSError when the end of the file cannot be set there.
  void SetSize(int64_t newSize) override;
  // rtl::EWriteError when what was written cannot be put on the disk.
  void Flush();

  const AnsiString& FileName() const { return FFileName; }
  HANDLE Handle() const { return FHandle; }

 private:
  AnsiString FFileName;
  HANDLE FHandle = INVALID_HANDLE_VALUE;
};

}  // namespace platform
