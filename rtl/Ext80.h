#pragma once
// The 80-bit x87 extended value as stored in files: 64-bit mantissa with an
// explicit integer bit, 15-bit exponent, sign; little-endian, 10 bytes.
// The conversions use bit arithmetic only, so they work on any host.

#include <cstdint>

namespace rtl {

struct TExtended80 {
  uint8_t Bytes[10];
};

// Exact (every double and every x87 long double has one 80-bit form).
TExtended80 ToExt80(double value);
TExtended80 ToExt80(long double value);
// Exact where the host's long double is the x87 type; a narrower long double
// rounds to nearest even. Pseudo-denormals read as their value; unnormals and
// pseudo-infinities (invalid on the x87) read as NaN.
long double FromExt80(const TExtended80& value);
// Rounded to nearest even; too large gives infinity, too small zero.
double DoubleFromExt80(const TExtended80& value);

}  // namespace rtl
