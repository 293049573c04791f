// TCrypto: inputs, chaining modes, continuation and the initialisation vector.

#include "archiver/Cryptcon.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "platform/FileStream.h"
#include "rtl/Clock.h"
#include "rtl/Format.h"

namespace archiver {

namespace {

// Zeroing that the optimiser keeps even right before a release.
void SecureZero(void* p, size_t n) {
  volatile auto* v = static_cast<volatile uint8_t*>(p);
  while (n--) *v++ = 0;
}

// The process's pseudo-random generator, seeded once from the clock.
std::minstd_rand& Random() {
  static std::minstd_rand engine(rtl::Clock().TickCount());
  return engine;
}

}  // namespace

TCrypto::TCrypto(rtl::TComponent* owner) : rtl::TComponent(owner) {}

TCrypto::~TCrypto() {
  ClearKey();
  SecureZero(FIVRegister.data(), FIVRegister.size());
  SecureZero(FWorkBlock.data(), FWorkBlock.size());
  SecureZero(FBuffer.data(), FBuffer.size());
}

void TCrypto::SetKey(const AnsiString& key) {
  ClearKey();
  FKey.assign(key.data(), std::min(key.size(), key.find('\0')));  // a zero byte ends the text
}

void TCrypto::ClearKey() {
  SecureZero(FKey.data(), FKey.size());
  FKey.clear();
}

void TCrypto::Encipher(bool continuation) { Run(true, continuation); }

void TCrypto::Decipher(bool continuation) {
  if (FInputType == SourceString) return;
  Run(false, continuation);
}

void TCrypto::Run(bool encipher, bool continuation) {
  if (FInputType == SourceFile) {
    platform::TFileStream input(FInputFilePath, platform::fmOpenRead | platform::fmShareDenyWrite);
    platform::TFileStream output(FOutputFilePath, platform::fmCreate);
    Start(continuation);
    // One chain over pieces of MaxInputLength bytes; the first short piece is the last.
    for (;;) {
      const int32_t n = input.Read(FBuffer.data(), MaxInputLength);
      FInputLength = static_cast<uint16_t>(n);
      if (n > 0) {
        ProcessBuffer(encipher);
        output.WriteBuffer(FBuffer.data(), FInputLength);
      }
      if (n < MaxInputLength) break;
    }
    return;
  }

  const void* source = InputPointer;
  if (FInputType == SourceString) {
    if (FInputString.size() > MaxInputLength)
      throw rtl::Exception(rtl::Format("Cipher input of %u bytes is longer than %d",
                                       {static_cast<unsigned>(FInputString.size()), MaxInputLength}));
    FInputLength = static_cast<uint16_t>(FInputString.size());
    source = FInputString.data();
  } else if (FInputLength > MaxInputLength) {
    throw rtl::Exception(rtl::Format("Cipher input of %u bytes is longer than %d",
                                     {static_cast<unsigned>(FInputLength), MaxInputLength}));
  }
  if (FInputLength == 0) return;
  if (!source || !OutputPointer) throw rtl::Exception("Cipher input or output not set");
  Start(continuation);
  std::memcpy(FBuffer.data(), source, FInputLength);
  ProcessBuffer(encipher);
  std::memcpy(OutputPointer, FBuffer.data(), FInputLength);
}

void TCrypto::Start(bool continuation) {
  if (continuation) return;
  InitKey();
  if (FCipherMode == ECBMode) return;
  if (FIVector.empty()) {
    std::uniform_int_distribution<int> printable(33, 125);  // '!' to '}'
    for (int i = 0; i < BlockSize; ++i) FIVector += static_cast<char>(printable(Random()));
  }
  FIVRegister.fill(0);
  std::memcpy(FIVRegister.data(), FIVector.data(), std::min<size_t>(BlockSize, FIVector.size()));
}

void TCrypto::ProcessBuffer(bool encipher) {
  if (encipher)
    EncipherBuffer();
  else
    DecipherBuffer();
}

void TCrypto::PadToBlockSize() {
  const int rest = FInputLength % BlockSize;
  if (rest == 0) return;
  std::memset(FBuffer.data() + FInputLength, 0, BlockSize - rest);
  FInputLength = static_cast<uint16_t>(FInputLength + BlockSize - rest);
}

void TCrypto::EncipherBuffer() {
  if (FCipherMode == CFBMode) {
    Cfb(true);
    return;
  }
  PadToBlockSize();
  for (int pos = 0; pos < FInputLength; pos += BlockSize) {
    uint8_t* block = FBuffer.data() + pos;
    std::memcpy(FWorkBlock.data(), block, BlockSize);
    if (FCipherMode == CBCMode)
      for (int i = 0; i < BlockSize; ++i) FWorkBlock[i] ^= FIVRegister[i];
    EncipherBlock();
    if (FCipherMode == CBCMode) FIVRegister = FWorkBlock;
    std::memcpy(block, FWorkBlock.data(), BlockSize);
  }
}

void TCrypto::DecipherBuffer() {
  if (FCipherMode == CFBMode) {
    Cfb(false);
    return;
  }
  PadToBlockSize();
  for (int pos = 0; pos < FInputLength; pos += BlockSize) {
    uint8_t* block = FBuffer.data() + pos;
    std::memcpy(FWorkBlock.data(), block, BlockSize);
    DecipherBlock();
    if (FCipherMode == CBCMode) {
      for (int i = 0; i < BlockSize; ++i) FWorkBlock[i] ^= FIVRegister[i];
      std::memcpy(FIVRegister.data(), block, BlockSize);  // the cipher text
    }
    std::memcpy(block, FWorkBlock.data(), BlockSize);
  }
}

// Cipher feedback over pieces of up to BlockSize bytes, without padding: the
// key stream is the enciphered IV register (enciphering in both directions),
// and the register then takes in the piece's cipher text.
void TCrypto::Cfb(bool encipher) {
  for (int pos = 0; pos < FInputLength; pos += BlockSize) {
    const int k = std::min(BlockSize, FInputLength - pos);
    uint8_t* piece = FBuffer.data() + pos;
    uint8_t cipherText[BlockSize];
    if (!encipher) std::memcpy(cipherText, piece, k);
    FWorkBlock = FIVRegister;
    EncipherBlock();
    for (int i = 0; i < k; ++i) piece[i] ^= FWorkBlock[i];
    if (encipher) std::memcpy(cipherText, piece, k);
    std::memmove(FIVRegister.data(), FIVRegister.data() + k, BlockSize - k);
    std::memcpy(FIVRegister.data() + BlockSize - k, cipherText, k);
  }
}

}  // namespace archiver
