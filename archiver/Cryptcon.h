#pragma once
// TCrypto: a small cipher component over a 64-bit block cipher that a subclass
// supplies. It takes a key text, an input (a file, a byte array or a string), a
// chaining mode (ECB, CBC, CFB) and an initialisation vector, and enciphers or
// deciphers; a chain can span several calls (continuation).

#include <array>
#include <cstdint>

#include "rtl/AnsiString.h"
#include "rtl/Component.h"

namespace archiver {

using rtl::AnsiString;

enum TSourceType : uint8_t { SourceFile, SourceByteArray, SourceString };
enum TCipherMode : uint8_t { ECBMode, CBCMode, CFBMode };

class TCrypto : public rtl::TComponent {
 public:
  static constexpr int BlockSize = 8;
  static constexpr int MaxInputLength = 4096;  // a byte-array or string input, and a file piece

  explicit TCrypto(rtl::TComponent* owner = nullptr);
  ~TCrypto() override;

  // The key text; a zero byte ends it. InitKey may clear a key it cannot take.
  const AnsiString& Key() const { return FKey; }
  void SetKey(const AnsiString& key);

  TSourceType InputType() const { return FInputType; }
  void SetInputType(TSourceType value) { FInputType = value; }
  const AnsiString& InputFilePath() const { return FInputFilePath; }
  void SetInputFilePath(const AnsiString& value) { FInputFilePath = value; }
  // Created, or emptied when it exists.
  const AnsiString& OutputFilePath() const { return FOutputFilePath; }
  void SetOutputFilePath(const AnsiString& value) { FOutputFilePath = value; }
  // Enciphering only.
  const AnsiString& InputString() const { return FInputString; }
  void SetInputString(const AnsiString& value) { FInputString = value; }
  // Bytes of a byte-array input, 1 to MaxInputLength. ECB and CBC round it up
  // to a multiple of BlockSize (zero padding): the output is then longer.
  uint16_t InputLength() const { return FInputLength; }
  void SetInputLength(uint16_t value) { FInputLength = value; }
  TCipherMode CipherMode() const { return FCipherMode; }
  void SetCipherMode(TCipherMode value) { FCipherMode = value; }
  // CBC and CFB start from its first BlockSize bytes (zeros after a shorter
  // text); when empty, a random text of printable characters is made and kept.
  const AnsiString& IVector() const { return FIVector; }
  void SetIVector(const AnsiString& value) { FIVector = value; }

  // Byte-array input and the output of byte-array and string inputs. The
  // output needs room for InputLength rounded up to a multiple of BlockSize.
  const void* InputPointer = nullptr;
  void* OutputPointer = nullptr;

  // continuation false: build the key schedule and (CBC, CFB) load the IV
  // register from IVector; true: go on with those of the previous call.
  // Raises rtl::Exception for an InputLength (or string) above MaxInputLength;
  // an empty input does nothing. File errors propagate from the file streams.
  void Encipher(bool continuation);
  // Deciphering a string input does nothing.
  void Decipher(bool continuation);

 protected:
  // The work block in place.
  virtual void EncipherBlock() = 0;
  virtual void DecipherBlock() = 0;
  // Builds the key schedule from Key.
  virtual void InitKey() = 0;
  // The working buffer's InputLength bytes in place, by CipherMode.
  virtual void EncipherBuffer();
  virtual void DecipherBuffer();

  // Overwrites and empties the key text.
  void ClearKey();

  AnsiString FKey;
  std::array<uint8_t, BlockSize> FWorkBlock{};

 private:
  void Run(bool encipher, bool continuation);
  void Start(bool continuation);
  void ProcessBuffer(bool encipher);
  void PadToBlockSize();
  void Cfb(bool encipher);

  TSourceType FInputType = SourceFile;
  AnsiString FInputFilePath;
  AnsiString FOutputFilePath;
  AnsiString FInputString;
  uint16_t FInputLength = 0;
  TCipherMode FCipherMode = ECBMode;
  AnsiString FIVector;
  std::array<uint8_t, BlockSize> FIVRegister{};
  std::array<uint8_t, MaxInputLength + 1> FBuffer{};
};

}  // namespace archiver
