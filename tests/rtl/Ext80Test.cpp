#include "rtl/Ext80.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

using rtl::TExtended80;

// This host's long double is the x87 type: its first ten bytes are the oracle.
static_assert(std::numeric_limits<long double>::digits == 64, "the tests need an x87 long double");

TExtended80 Oracle(long double v) {
  TExtended80 e;
  std::memcpy(e.Bytes, &v, 10);
  return e;
}

std::string Hex(const TExtended80& e) {
  std::string s;
  char b[4];
  for (int i = 9; i >= 0; --i) {
    std::snprintf(b, sizeof b, "%02X", e.Bytes[i]);
    s += b;
  }
  return s;
}

void CheckDouble(double d) {
  SCOPED_TRACE(testing::Message() << d);
  TExtended80 e = rtl::ToExt80(d);
  EXPECT_EQ(Hex(e), Hex(Oracle(static_cast<long double>(d))));
  EXPECT_EQ(Hex(rtl::ToExt80(static_cast<long double>(d))), Hex(e));
  EXPECT_EQ(rtl::DoubleFromExt80(e), d);
}

void CheckLongDouble(long double v) {
  SCOPED_TRACE(testing::Message() << static_cast<double>(v) << " " << Hex(Oracle(v)));
  EXPECT_EQ(Hex(rtl::ToExt80(v)), Hex(Oracle(v)));
  long double back = rtl::FromExt80(Oracle(v));
  EXPECT_EQ(std::memcmp(&back, &v, 10), 0);
  // Narrowing must round exactly as the x87 does.
  double narrowed = rtl::DoubleFromExt80(Oracle(v));
  double expected = static_cast<double>(v);
  EXPECT_EQ(std::memcmp(&narrowed, &expected, sizeof(double)), 0) << narrowed << " vs " << expected;
}

TEST(Ext80, KnownEncodings) {
  struct {
    double value;
    const char* hex;  // bytes 9..0
  } cases[] = {
      {0.0, "00000000000000000000"},
      {-0.0, "80000000000000000000"},
      {1.0, "3FFF8000000000000000"},
      {-2.5, "C000A000000000000000"},
      {45356.5, "400EB12C800000000000"},
      {std::numeric_limits<double>::infinity(), "7FFF8000000000000000"},
      {-std::numeric_limits<double>::infinity(), "FFFF8000000000000000"},
      {std::numeric_limits<double>::denorm_min(), "3BCD8000000000000000"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(Hex(rtl::ToExt80(cases[i].value)), cases[i].hex) << i;
}

TEST(Ext80, DoublesRoundTripExactly) {
  const double edges[] = {0.0, -0.0, 1.0, -1.0, 0.1, 1.0 / 3, 2958465.9999, 45356.75, 1e300, -1e-300,
                            DBL_MAX, DBL_MIN, -DBL_MIN, DBL_MIN / 2, DBL_TRUE_MIN, -DBL_TRUE_MIN, 3 * DBL_TRUE_MIN,
                            std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  for (double d : edges) CheckDouble(d);

  std::mt19937_64 random(1234);
  for (int i = 0; i < 20000; ++i) {
    uint64_t bits = random();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (std::isnan(d)) continue;
    CheckDouble(d);
  }
}

TEST(Ext80, LongDoublesAgreeWithTheFpu) {
  const long double edges[] = {0.0L, -0.0L, 1.0L, 0.1L, -1.0L / 3, LDBL_MAX, -LDBL_MAX, LDBL_MIN,
                                 LDBL_MIN / 3, LDBL_TRUE_MIN, -LDBL_TRUE_MIN, std::numeric_limits<long double>::infinity(),
                                 // Narrowing edges: overflow, ties, double denormals, underflow to zero.
                                 static_cast<long double>(DBL_MAX) * (1 + 0x1p-60L), 1.0L + 0x1p-53L, 1.0L + 0x3p-53L,
                                 0x1p-1075L, 0x1.8p-1075L, 0x1p-1076L, 0x1.fffffffffffffp-1023L + 0x1p-1077L,
                                 1e-4000L, 1e4000L};
  for (long double v : edges) CheckLongDouble(v);

  std::mt19937_64 random(99);
  for (int i = 0; i < 20000; ++i) {
    unsigned char bytes[16] = {};
    uint64_t m = random();
    uint64_t top = random();
    // Valid encodings only: the integer bit set except for zeros and denormals.
    auto exponent = static_cast<uint16_t>(top & 0x7FFF);
    if (exponent == 0x7FFF) continue;
    if (exponent != 0) m |= uint64_t(1) << 63;
    else m &= ~(uint64_t(1) << 63);
    // Bias towards the exponents a double can hold so that narrowing is exercised.
    if (i % 2) exponent = static_cast<uint16_t>(16383 - 1100 + (top >> 16) % 2200);
    std::memcpy(bytes, &m, 8);
    uint16_t se = static_cast<uint16_t>(exponent | ((top >> 40) & 1 ? 0x8000 : 0));
    std::memcpy(bytes + 8, &se, 2);
    long double v;
    std::memcpy(&v, bytes, sizeof v);
    CheckLongDouble(v);
  }
}

TEST(Ext80, NaNsAndInvalidEncodings) {
  TExtended80 e = rtl::ToExt80(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(e.Bytes[9] & 0x7F, 0x7F);
  EXPECT_TRUE(std::isnan(rtl::FromExt80(e)));
  EXPECT_TRUE(std::isnan(rtl::DoubleFromExt80(e)));
  EXPECT_TRUE(std::isnan(rtl::FromExt80(rtl::ToExt80(-std::numeric_limits<long double>::quiet_NaN()))));
  EXPECT_TRUE(std::signbit(rtl::FromExt80(rtl::ToExt80(-std::numeric_limits<long double>::quiet_NaN()))));

  // Unnormal (integer bit clear with a non-zero exponent) and pseudo-infinity read as NaN, as on the FPU.
  TExtended80 unnormal = {{0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F}};
  TExtended80 pseudoInf = {{0, 0, 0, 0, 0, 0, 0, 0x00, 0xFF, 0x7F}};
  for (const auto& bad : {unnormal, pseudoInf}) {
    EXPECT_TRUE(std::isnan(rtl::FromExt80(bad))) << Hex(bad);
    EXPECT_TRUE(std::isnan(rtl::DoubleFromExt80(bad))) << Hex(bad);
  }
  // A pseudo-denormal (exponent 0, integer bit set) reads as its value 2^-16382.
  TExtended80 pseudoDenormal = {{0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x00}};
  EXPECT_EQ(rtl::FromExt80(pseudoDenormal), LDBL_MIN);
  EXPECT_EQ(rtl::DoubleFromExt80(pseudoDenormal), 0.0);
}

}  // namespace
