// Windows-1252 <-> UTF-8 at the edges of the programs.

#include "rtl/AnsiString.h"

namespace rtl {

char32_t CodePointFromAnsi(unsigned char c) {
  if (c >= 0x80 && c < 0xA0 && detail::kCp1252High[c - 0x80] != 0) return detail::kCp1252High[c - 0x80];
  return c;
}

std::string Utf8FromAnsi(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 4);
  for (char ch : ansi) {
    char32_t cp = CodePointFromAnsi(static_cast<unsigned char>(ch));
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

AnsiString AnsiFromUtf8(std::string_view utf8) {
  AnsiString out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    auto b = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    std::size_t extra;
    char32_t minimum;
    if (b < 0x80) { cp = b; extra = 0; minimum = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; minimum = 0x80; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; minimum = 0x800; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; minimum = 0x10000; }
    else { out += '?'; ++i; continue; }  // stray continuation or invalid lead byte

    std::size_t k = 1;
    for (; k <= extra && i + k < utf8.size(); ++k) {
      auto c = static_cast<unsigned char>(utf8[i + k]);
      if ((c & 0xC0) != 0x80) break;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (k <= extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      // Truncated, overlong or impossible sequence: one '?' for what was consumed.
      out += '?';
      i += k;
      continue;
    }
    i += k;
    int c = detail::Cp1252FromCodePoint(cp);
    // The five unassigned bytes come back from the code points they were sent out as.
    if (c < 0 && cp >= 0x80 && cp < 0xA0) c = static_cast<int>(cp);
    out += c < 0 ? '?' : static_cast<char>(c);
  }
  return out;
}

}  // namespace rtl
