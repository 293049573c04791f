// The 80-bit x87 extended value, converted by bit arithmetic.

#include "rtl/Ext80.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace rtl {

namespace {

constexpr int kBias = 16383;
constexpr uint16_t kMaxExponent = 0x7FFF;
constexpr uint64_t kIntegerBit = uint64_t(1) << 63;
constexpr uint64_t kQuietBit = uint64_t(1) << 62;

struct TFields {
  bool Negative;
  uint16_t Exponent;  // biased, 15 bits
  uint64_t Mantissa;  // with the explicit integer bit
};

TExtended80 Pack(const TFields& f) {
  TExtended80 r;
  for (int i = 0; i < 8; ++i) r.Bytes[i] = static_cast<uint8_t>(f.Mantissa >> (8 * i));
  uint16_t top = static_cast<uint16_t>(f.Exponent | (f.Negative ? 0x8000 : 0));
  r.Bytes[8] = static_cast<uint8_t>(top);
  r.Bytes[9] = static_cast<uint8_t>(top >> 8);
  return r;
}

TFields Unpack(const TExtended80& v) {
  TFields f;
  f.Mantissa = 0;
  for (int i = 0; i < 8; ++i) f.Mantissa |= static_cast<uint64_t>(v.Bytes[i]) << (8 * i);
  uint16_t top = static_cast<uint16_t>(v.Bytes[8] | (v.Bytes[9] << 8));
  f.Negative = (top & 0x8000) != 0;
  f.Exponent = top & kMaxExponent;
  return f;
}

// m / 2^shift rounded to nearest, ties to even.
uint64_t ShiftRoundEven(uint64_t m, int shift) {
  if (shift <= 0) return m;
  if (shift > 64) return 0;
  uint64_t kept = shift == 64 ? 0 : m >> shift;
  uint64_t rest = shift == 64 ? m : m & ((uint64_t(1) << shift) - 1);
  uint64_t half = uint64_t(1) << (shift - 1);
  if (rest > half || (rest == half && (kept & 1))) ++kept;
  return kept;
}

// What the x87 reads from an encoding it does not accept (unnormals,
// pseudo-infinities, pseudo-NaNs).
bool IsInvalidEncoding(const TFields& f) { return f.Exponent != 0 && !(f.Mantissa & kIntegerBit); }

bool IsNan(const TFields& f) {
  return IsInvalidEncoding(f) || (f.Exponent == kMaxExponent && (f.Mantissa & ~kIntegerBit) != 0);
}

}  // namespace

TExtended80 ToExt80(double value) {
  uint64_t bits = std::bit_cast<uint64_t>(value);
  bool negative = (bits >> 63) != 0;
  auto exponent = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
  if (exponent == 0x7FF)  // infinity, or NaN with its payload and quiet bit kept
    return Pack({negative, kMaxExponent, kIntegerBit | (fraction << 11)});
  if (exponent == 0) {
    if (fraction == 0) return Pack({negative, 0, 0});
    // Denormal, fraction * 2^-1074: normalised, it is a normal extended value.
    int shift = std::countl_zero(fraction);
    return Pack({negative, static_cast<uint16_t>(kBias - 1074 + 63 - shift), fraction << shift});
  }
  return Pack({negative, static_cast<uint16_t>(exponent - 1023 + kBias), kIntegerBit | (fraction << 11)});
}

TExtended80 ToExt80(long double value) {
  static_assert(std::numeric_limits<long double>::radix == 2);
  if constexpr (std::numeric_limits<long double>::digits <= 53) {
    return ToExt80(static_cast<double>(value));
  } else {
    bool negative = std::signbit(value);
    if (std::isnan(value)) return Pack({negative, kMaxExponent, kIntegerBit | kQuietBit});
    if (std::isinf(value)) return Pack({negative, kMaxExponent, kIntegerBit});
    if (value == 0) return Pack({negative, 0, 0});
    int exp2;
    long double fraction = std::frexp(std::fabs(value), &exp2);  // value = fraction * 2^exp2, fraction in [0.5, 1)
    // Top 64 bits of the significand; a wider long double rounds to nearest even.
    long double scaled = std::nearbyint(std::ldexp(fraction, 64));
    uint64_t mantissa;
    if (scaled >= std::ldexp(1.0L, 64)) {
      mantissa = kIntegerBit;
      ++exp2;
    } else {
      mantissa = static_cast<uint64_t>(scaled);
    }
    int biased = exp2 - 1 + kBias;
    if (biased >= kMaxExponent) return Pack({negative, kMaxExponent, kIntegerBit});
    if (biased <= 0) {
      // Denormal: the integer bit moves right; the exponent field 0 means 2^-16382.
      mantissa = ShiftRoundEven(mantissa, 1 - biased);
      biased = mantissa & kIntegerBit ? 1 : 0;
    }
    return Pack({negative, static_cast<uint16_t>(biased), mantissa});
  }
}

long double FromExt80(const TExtended80& value) {
  if constexpr (std::numeric_limits<long double>::digits <= 53) {
    return DoubleFromExt80(value);
  } else {
    TFields f = Unpack(value);
    long double sign = f.Negative ? -1.0L : 1.0L;
    if (IsNan(f)) return std::copysign(std::numeric_limits<long double>::quiet_NaN(), sign);
    if (f.Exponent == kMaxExponent) return sign * std::numeric_limits<long double>::infinity();
    // value = mantissa * 2^(e - bias - 63); the exponent field 0 counts as 1
    // (denormals, and pseudo-denormals that carry the integer bit).
    int e = f.Exponent == 0 ? 1 : f.Exponent;
    return sign * std::ldexp(static_cast<long double>(f.Mantissa), e - kBias - 63);
  }
}

double DoubleFromExt80(const TExtended80& value) {
  TFields f = Unpack(value);
  uint64_t sign = f.Negative ? uint64_t(1) << 63 : 0;
  if (IsNan(f))  // the top of the payload stays; the result is always quiet
    return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52) | (uint64_t(1) << 51) |
                                 ((f.Mantissa >> 11) & ((uint64_t(1) << 52) - 1)));
  if (f.Exponent == kMaxExponent || f.Mantissa == 0)
    return std::bit_cast<double>(sign | (f.Exponent == kMaxExponent ? uint64_t(0x7FF) << 52 : 0));

  // Normalise: value = (m / 2^63) * 2^exp2.
  int lead = std::countl_zero(f.Mantissa);
  uint64_t m = f.Mantissa << lead;
  int exp2 = (f.Exponent == 0 ? 1 : f.Exponent) - kBias - lead;
  uint64_t bits;
  if (exp2 > 1023) {
    bits = uint64_t(0x7FF) << 52;
  } else if (exp2 >= -1022) {
    // 53 significant bits; a carry out of the significand moves into the exponent field.
    uint64_t significand = ShiftRoundEven(m, 11);
    bits = (static_cast<uint64_t>(exp2 + 1022) << 52) + significand;
  } else {
    // Denormal result; rounding up to 2^52 yields the smallest normal by itself.
    bits = ShiftRoundEven(m, 11 + (-1022 - exp2));
  }
  if (bits >= uint64_t(0x7FF) << 52) bits = uint64_t(0x7FF) << 52;  // rounded up past the largest double
  return std::bit_cast<double>(sign | bits);
}

}  // namespace rtl
