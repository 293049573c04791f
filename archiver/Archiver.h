#pragma once
// TArchiver: the archive component with its block coding bound: zlib for
// compression and an owned Blowfish cipher for enciphering, and the
// platform's folder chooser and file locator.

#include <memory>

#include "archiver/Blowunit.h"
#include "archiver/CustArchiver.h"

namespace archiver {

class TArchiver : public TCustomArchiver {
 public:
  explicit TArchiver(rtl::TComponent* owner = nullptr);
  ~TArchiver() override;
  const char* ClassName() const override { return "TArchiver"; }

 protected:
  int64_t GetBlockBufferSize() const override;
  bool CompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize) override;
  bool UncompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize) override;
  void EncryptBlock(void* dest, const void* src, int32_t srcSize, int32_t& destSize) override;
  void DecryptBlock(void* dest, const void* src, int32_t srcSize, int32_t& destSize) override;
  int GetCompressionLevel() const override;
  std::unique_ptr<TBlockCoder> NewBlockCoder() const override;
  bool SelectFolder(AnsiString& folder) override;
  bool LocateFile(const AnsiString& caption, AnsiString& fileName) override;

 private:
  std::unique_ptr<TBlowFish> FCipher;
};

}  // namespace archiver
