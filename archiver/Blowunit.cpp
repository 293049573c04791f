// TBlowFish: the Blowfish block cipher and its key schedule.

#include "archiver/Blowunit.h"

#include <algorithm>
#include <cstring>

#include "archiver/BlowunitTables.h"

namespace archiver {

namespace {

uint32_t LoadBigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void StoreBigEndian(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace

TBlowFish::TBlowFish(rtl::TComponent* owner) : TCrypto(owner) {}

TBlowFish::~TBlowFish() {
  FP.fill(0);
  for (auto& box : FS) box.fill(0);
}

uint32_t TBlowFish::F(uint32_t x) const {
  return ((FS[0][x >> 24] + FS[1][(x >> 16) & 0xFF]) ^ FS[2][(x >> 8) & 0xFF]) + FS[3][x & 0xFF];
}

void TBlowFish::Encipher32(uint32_t& l, uint32_t& r) const {
  l ^= FP[0];
  for (int i = 0; i < 8; ++i) {
    r ^= F(l) ^ FP[2 * i + 1];
    l ^= F(r) ^ FP[2 * i + 2];
  }
  r ^= FP[17];
  std::swap(l, r);
}

void TBlowFish::Decipher32(uint32_t& l, uint32_t& r) const {
  l ^= FP[17];
  for (int i = 7; i >= 0; --i) {
    r ^= F(l) ^ FP[2 * i + 2];
    l ^= F(r) ^ FP[2 * i + 1];
  }
  r ^= FP[0];
  std::swap(l, r);
}

void TBlowFish::EncipherBlock() {
  uint32_t l = LoadBigEndian(FWorkBlock.data()), r = LoadBigEndian(FWorkBlock.data() + 4);
  Encipher32(l, r);
  StoreBigEndian(FWorkBlock.data(), l);
  StoreBigEndian(FWorkBlock.data() + 4, r);
}

void TBlowFish::DecipherBlock() {
  uint32_t l = LoadBigEndian(FWorkBlock.data()), r = LoadBigEndian(FWorkBlock.data() + 4);
  Decipher32(l, r);
  StoreBigEndian(FWorkBlock.data(), l);
  StoreBigEndian(FWorkBlock.data() + 4, r);
}

void TBlowFish::InitKey() {
  if (FKey.size() < MinKeyLength || FKey.size() > MaxKeyLength) ClearKey();
  std::copy(std::begin(blowfish_tables::InitialP), std::end(blowfish_tables::InitialP), FP.begin());
  for (int s = 0; s < 4; ++s)
    std::copy(std::begin(blowfish_tables::InitialS[s]), std::end(blowfish_tables::InitialS[s]), FS[s].begin());
  if (FKey.empty()) return;  // the unkeyed tables

  uint8_t key[MaxKeyLength];
  const size_t length = FKey.size();
  std::memcpy(key, FKey.data(), length);
  size_t j = 0;
  for (uint32_t& p : FP) {
    uint32_t word = 0;
    for (int k = 0; k < 4; ++k) {
      word = word << 8 | key[j];
      j = (j + 1) % length;
    }
    p ^= word;
  }
  uint32_t l = 0, r = 0;
  for (size_t i = 0; i < FP.size(); i += 2) {
    Encipher32(l, r);
    FP[i] = l;
    FP[i + 1] = r;
  }
  for (auto& box : FS)
    for (size_t i = 0; i < box.size(); i += 2) {
      Encipher32(l, r);
      box[i] = l;
      box[i + 1] = r;
    }
  volatile uint8_t* wipe = key;
  for (size_t i = 0; i < length; ++i) wipe[i] = 0;
}

}  // namespace archiver
