// TArchiver: zlib and Blowfish behind the component's block steps.

#include "archiver/Archiver.h"

#include "archiver/BlockCodec.h"
#include "platform/Dialogs.h"

namespace archiver {

namespace {

// zlib and a Blowfish cipher of its own: the steps of TArchiver on a worker thread.
class TZlibBlowfishCoder : public TBlockCoder {
 public:
  TZlibBlowfishCoder() {
    FCipher.SetInputType(SourceByteArray);
    FCipher.SetCipherMode(ECBMode);
  }
  bool Compress(void* dest, int32_t& destSize, const void* src, int32_t srcSize, int level) override {
    return ZlibCompressBlock(dest, destSize, src, srcSize, level);
  }
  bool Uncompress(void* dest, int32_t& destSize, const void* src, int32_t srcSize) override {
    return ZlibUncompressBlock(dest, destSize, src, srcSize);
  }
  int32_t Encipher(const AnsiString& key, uint8_t* block, int32_t length) override {
    return BlowfishEncipherBlock(FCipher, key, block, length);
  }
  int32_t Decipher(const AnsiString& key, uint8_t* block, int32_t length) override {
    return BlowfishDecipherBlock(FCipher, key, block, length);
  }

 private:
  TBlowFish FCipher;
};

}  // namespace

TArchiver::TArchiver(rtl::TComponent* owner) : TCustomArchiver(owner), FCipher(std::make_unique<TBlowFish>()) {
  FCipher->SetInputType(SourceByteArray);
  FCipher->SetCipherMode(ECBMode);
}

TArchiver::~TArchiver() { CloseOnDestroy(); }

int64_t TArchiver::GetBlockBufferSize() const {
  int64_t blockSize = FHeader.BlockSize;
  return blockSize + blockSize / 100;
}

bool TArchiver::CompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize) {
  if (OnCompressBlock) return OnCompressBlock(this, dest, destSize, src, srcSize, CompressionLevel());
  return ZlibCompressBlock(dest, destSize, src, srcSize, GetCompressionLevel());
}

bool TArchiver::UncompressBlock(void* dest, int32_t& destSize, const void* src, int32_t srcSize) {
  if (OnUncompressBlock) return OnUncompressBlock(this, dest, destSize, src, srcSize);
  return ZlibUncompressBlock(dest, destSize, src, srcSize);
}

void TArchiver::EncryptBlock(void* dest, const void* src, int32_t srcSize, int32_t& destSize) {
  destSize = srcSize;
  if (OnCryptBlock) {
    OnCryptBlock(this, dest, src, destSize, srcSize);
    return;
  }
  destSize = BlowfishEncipherBlock(*FCipher, FKey, static_cast<uint8_t*>(dest), srcSize);
}

void TArchiver::DecryptBlock(void* dest, const void* src, int32_t srcSize, int32_t& destSize) {
  destSize = srcSize;
  if (OnDecryptBlock) {
    OnDecryptBlock(this, dest, src, destSize, srcSize);
    return;
  }
  destSize = BlowfishDecipherBlock(*FCipher, FKey, static_cast<uint8_t*>(dest), srcSize);
}

int TArchiver::GetCompressionLevel() const { return ZlibLevel(CompressionLevel()); }

std::unique_ptr<TBlockCoder> TArchiver::NewBlockCoder() const { return std::make_unique<TZlibBlowfishCoder>(); }

bool TArchiver::SelectFolder(AnsiString& folder) {
  TTimingPause pause(*this);
  return platform::Dialogs().SelectFolder(FMessages->SelectADirectory(), folder);
}

bool TArchiver::LocateFile(const AnsiString& caption, AnsiString& fileName) {
  TTimingPause pause(*this);
  return platform::Dialogs().OpenFile(caption, fileName);
}

}  // namespace archiver
