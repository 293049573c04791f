#pragma once
// TBlowFish: Blowfish (Schneier, 1993) for TCrypto: 16 rounds, the 18-word
// P-array and four 256-word S-boxes initialised from the hexadecimal digits of
// pi, and the published key schedule. Keys of 8 to 65 characters are taken;
// any other key is cleared and the cipher runs on the unkeyed tables.

#include <array>
#include <cstdint>

#include "archiver/Cryptcon.h"

namespace archiver {

class TBlowFish : public TCrypto {
 public:
  static constexpr int MinKeyLength = 8;
  static constexpr int MaxKeyLength = 65;

  explicit TBlowFish(rtl::TComponent* owner = nullptr);
  ~TBlowFish() override;

 protected:
  // The work block is read as L (bytes 0..3) and R (4..7), both big-endian.
  void EncipherBlock() override;
  void DecipherBlock() override;
  void InitKey() override;

 private:
  uint32_t F(uint32_t x) const;
  void Encipher32(uint32_t& l, uint32_t& r) const;
  void Decipher32(uint32_t& l, uint32_t& r) const;

  std::array<uint32_t, 18> FP{};
  std::array<std::array<uint32_t, 256>, 4> FS{};
};

}  // namespace archiver
