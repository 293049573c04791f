#pragma once
// Text inside the programs: bytes of Windows-1252, as the ANSI API sees them.
// Literals with accented letters are written in UTF-8 and turned into
// Windows-1252 at compile time: "Instalação"_a.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {

using AnsiString = std::string;

namespace detail {

// Unicode code points of the Windows-1252 bytes 0x80..0x9F (0 = unassigned).
inline constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of a code point, or -1 when the code page has none.
constexpr int Cp1252FromCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] != 0 && kCp1252High[i] == cp) return 0x80 + i;
  return -1;
}

template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  constexpr Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
  }
};

template <std::size_t N>
struct Cp1252Bytes {
  std::array<char, N> data{};
  std::size_t size = 0;
};

void InvalidLiteral();  // never defined: calling it in a constant expression fails the build

template <std::size_t N>
consteval Cp1252Bytes<N> ConvertUtf8(const Utf8Literal<N>& lit) {
  Cp1252Bytes<N> out;
  std::size_t i = 0;
  const std::size_t len = N - 1;  // without the terminating NUL
  while (i < len) {
    auto b = static_cast<unsigned char>(lit.bytes[i]);
    char32_t cp;
    int extra;
    if (b < 0x80) { cp = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
    else { InvalidLiteral(); cp = 0; extra = 0; }
    ++i;
    for (int k = 0; k < extra; ++k, ++i) {
      if (i >= len) InvalidLiteral();
      cp = (cp << 6) | (static_cast<unsigned char>(lit.bytes[i]) & 0x3F);
    }
    int c = Cp1252FromCodePoint(cp);
    if (c < 0) InvalidLiteral();  // not representable in Windows-1252
    out.data[out.size++] = static_cast<char>(c);
  }
  return out;
}

}  // namespace detail

// Windows-1252 <-> UTF-8 at run time, for the edges (host files, fonts, terminal).
std::string Utf8FromAnsi(std::string_view ansi);
// Characters without a Windows-1252 byte become '?'.
AnsiString AnsiFromUtf8(std::string_view utf8);
// The Unicode code point of one Windows-1252 byte (unassigned bytes map to themselves).
char32_t CodePointFromAnsi(unsigned char c);

namespace literals {

template <detail::Utf8Literal L>
inline AnsiString operator""_a() {
  static constexpr auto bytes = detail::ConvertUtf8(L);
  return AnsiString(bytes.data.data(), bytes.size);
}

}  // namespace literals
}  // namespace rtl

using namespace rtl::literals;
