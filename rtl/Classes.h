#pragma once
// Streams. TStream is the abstract byte stream; ReadBuffer and WriteBuffer
// are exact and raise EReadError / EWriteError on a short transfer.
// The stream over the machine's files (TFileStream) lives in platform/,
// since files belong to the platform.

#include <cstdint>
#include <vector>

#include "rtl/AnsiString.h"
#include "rtl/Exceptions.h"

namespace rtl {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads or writes up to count bytes; returns the number transferred.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t newSize) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }

  // Exact transfers: "Stream read error" / "Stream write error" when short.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source (the whole source from its start when count is 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t newSize) override;
  void Clear();

  const uint8_t* Memory() const { return FData.data(); }
  uint8_t* Memory() { return FData.data(); }
  std::vector<uint8_t>& Data() { return FData; }

 private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

}  // namespace rtl
