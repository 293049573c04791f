#pragma once
// Helpers of the drawing and picture tests: small bitmaps shown as text, and
// byte builders for hand-made picture files.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "rtl/Classes.h"
#include "ui/Graphics.h"

namespace gfxtest {

using Lines = std::vector<std::string>;

// A font of the given face, height and style.
inline ui::TFont MakeFont(const char* name, int height, ui::TFontStyles style = 0) {
  ui::TFont f;
  f.SetName(name);
  f.SetHeight(height);
  f.SetStyle(style);
  return f;
}

// One character a pixel: the legend's character for its colour, '?' for others.
inline Lines Ascii(const ui::TBitmap& bitmap, const std::map<ui::TColor, char>& legend) {
  Lines lines;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string line;
    for (int x = 0; x < bitmap.Width(); ++x) {
      auto it = legend.find(bitmap.Pixels(x, y));
      line += it == legend.end() ? '?' : it->second;
    }
    lines.push_back(line);
  }
  return lines;
}

// '.' white, '#' black, 'r' red, 'g' lime, 'b' blue, 'y' yellow.
inline Lines Ascii(const ui::TBitmap& bitmap) {
  return Ascii(bitmap, {{ui::clWhite, '.'}, {ui::clBlack, '#'}, {ui::clRed, 'r'}, {ui::clLime, 'g'},
                        {ui::clBlue, 'b'}, {ui::clYellow, 'y'}});
}

// A bitmap painted from text with the same legend as Ascii.
inline ui::TBitmap FromAscii(const Lines& lines) {
  const std::map<char, ui::TColor> colours = {{'.', ui::clWhite}, {'#', ui::clBlack}, {'r', ui::clRed},
                                              {'g', ui::clLime},  {'b', ui::clBlue},  {'y', ui::clYellow}};
  ui::TBitmap bitmap(lines.empty() ? 0 : static_cast<int>(lines[0].size()), static_cast<int>(lines.size()));
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) bitmap.SetPixels(x, y, colours.at(lines[y][x]));
  return bitmap;
}

// Little-endian bytes of a hand-made file.
struct TBytes {
  std::string Data;
  TBytes& U8(unsigned v) { Data += static_cast<char>(v); return *this; }
  TBytes& U16(unsigned v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  TBytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  TBytes& I16(int v) { return U16(static_cast<uint16_t>(v)); }
  TBytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  TBytes& Raw(const std::string& s) { Data += s; return *this; }
  TBytes& Zeros(size_t n) { Data.append(n, '\0'); return *this; }
  size_t Size() const { return Data.size(); }
  // Overwrites a 32-bit value already written.
  void Patch32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) Data[at + i] = static_cast<char>(v >> (8 * i));
  }
};

inline rtl::TMemoryStream Stream(const std::string& bytes) {
  rtl::TMemoryStream s;
  s.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  s.SetPosition(0);
  return s;
}

inline std::string Bytes(rtl::TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

}  // namespace gfxtest
