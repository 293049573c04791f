// Draws the programs' pictures and writes them, as BMP files in C++ byte
// arrays, to ResourceData.cpp/.h in the folder given. Everything here is
// plain arithmetic on pixels, so the output is the same on every build.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
};

constexpr Rgb kFuchsia{255, 0, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

struct Picture {
  int Width;
  int Height;
  std::vector<Rgb> Pixels;
  Picture(int w, int h, Rgb fill) : Width(w), Height(h), Pixels(static_cast<size_t>(w) * h, fill) {}
  Rgb& At(int x, int y) { return Pixels[static_cast<size_t>(y) * Width + x]; }
  void Fill(int left, int top, int right, int bottom, Rgb c) {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) At(x, y) = c;
  }
};

// A 24-bit bottom-up BMP file.
std::vector<uint8_t> BmpFile(const Picture& p) {
  const uint32_t stride = (static_cast<uint32_t>(p.Width) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * p.Height;
  std::vector<uint8_t> out;
  auto u16 = [&](uint32_t v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  u32(54 + imageSize);  // bfSize
  u32(0);               // bfReserved1, bfReserved2
  u32(54);              // bfOffBits
  // BITMAPINFOHEADER
  u32(40);                               // biSize
  u32(static_cast<uint32_t>(p.Width));   // biWidth
  u32(static_cast<uint32_t>(p.Height));  // biHeight (bottom-up)
  u16(1);                                // biPlanes
  u16(24);                               // biBitCount
  u32(0);                                // biCompression = BI_RGB
  u32(imageSize);                        // biSizeImage
  u32(3780);                             // biXPelsPerMeter (96 dpi)
  u32(3780);                             // biYPelsPerMeter
  u32(0);                                // biClrUsed
  u32(0);                                // biClrImportant
  for (int y = p.Height - 1; y >= 0; --y) {
    const size_t rowStart = out.size();
    for (int x = 0; x < p.Width; ++x) {
      const Rgb& c = p.Pixels[static_cast<size_t>(y) * p.Width + x];
      out.push_back(c.B);
      out.push_back(c.G);
      out.push_back(c.R);
    }
    out.resize(rowStart + stride, 0);
  }
  return out;
}

// The strip's mask. The region scan leaves out the first pixel of every run,
// so each black piece starts one column left of the window part it makes:
// the pieces become (45, 2)-(262, 33), (275, 2)-(585, 33) and (7, 6)-(31, 30).
Picture StripMask() {
  Picture p(595, 35, kFuchsia);
  p.Fill(44, 2, 262, 33, kBlack);   // gauge panel
  p.Fill(274, 2, 585, 33, kBlack);  // text panel
  p.Fill(6, 6, 31, 30, kBlack);     // abort button square
  return p;
}

Rgb Mix(Rgb a, Rgb b, double t) {
  auto ch = [t](uint8_t x, uint8_t y) {
    return static_cast<uint8_t>(std::lround(x + (y - x) * std::clamp(t, 0.0, 1.0)));
  };
  return {ch(a.R, b.R), ch(a.G, b.G), ch(a.B, b.B)};
}

// Distance from (x, y) to the rounded square [0, size]^2 with corner radius r;
// negative inside.
double RoundedSquareDistance(double x, double y, double size, double r) {
  const double cx = std::clamp(x, r, size - r);
  const double cy = std::clamp(y, r, size - r);
  return std::hypot(x - cx, y - cy) - r;
}

// How much of the power symbol covers the point: a ring open at the top and
// a bar through the opening.
bool InPowerSymbol(double x, double y) {
  const double cx = 12.0, cy = 12.8;
  const double dx = x - cx, dy = y - cy;
  const double dist = std::hypot(dx, dy);
  const double angleFromUp = std::atan2(std::fabs(dx), -dy);  // 0 straight up
  const bool ring = dist >= 4.6 && dist <= 6.9 && angleFromUp > 0.62;
  const bool bar = std::fabs(dx) <= 1.15 && y >= 4.2 && y <= 12.6;
  return ring || bar;
}

// The abort button: a red rounded square with a white power symbol, shaded
// from top to bottom, on fuchsia (the see-through colour). The corners have
// hard edges so no pixel is a mix of fuchsia and red.
Picture AbortButton(Rgb top, Rgb bottom, Rgb border) {
  constexpr int kSize = 24;
  Picture p(kSize, kSize, kFuchsia);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double d = RoundedSquareDistance(x + 0.5, y + 0.5, kSize, 5.0);
      if (d > 0) continue;
      Rgb c = d > -1.0 ? border : Mix(top, bottom, y / (kSize - 1.0));
      // 4 x 4 samples for a smooth symbol edge.
      int covered = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          covered += InPowerSymbol(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      p.At(x, y) = Mix(c, kWhite, covered / 16.0);
    }
  }
  return p;
}

void WriteArray(std::ostream& out, const std::string& name, const std::vector<uint8_t>& bytes) {
  out << "const uint8_t " << name << "[" << bytes.size() << "] = {";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 24 == 0) out << "\n   ";
    out << ' ' << static_cast<int>(bytes[i]) << ',';
  }
  out << "\n};\n\n";
}

// Writes the file only when its contents change, so a rebuild stays cheap.
bool WriteIfChanged(const std::string& path, const std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::stringstream old;
    old << in.rdbuf();
    if (old.str() == text) return true;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vqm-genresources OUTPUT-FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];

  struct Item {
    const char* Name;
    const char* Symbol;
    Picture Image;
  };
  const Item items[] = {
      {"STRIPMASK", "kStripMaskBmp", StripMask()},
      {"ABORTLEAVE", "kAbortLeaveBmp", AbortButton({196, 30, 30}, {128, 10, 10}, {96, 0, 0})},
      {"ABORTENTER", "kAbortEnterBmp", AbortButton({255, 110, 100}, {222, 40, 36}, {150, 16, 16})},
  };

  std::ostringstream header;
  header << "// Written by vqm-genresources; do not edit.\n#pragma once\n#include <cstddef>\n#include <cstdint>\n"
            "#include <string_view>\n\nnamespace resources {\n\n"
            "struct TResourceEntry {\n  std::string_view Name;\n  const uint8_t* Data;\n  size_t Size;\n};\n\n"
            "extern const TResourceEntry kResourceTable["
         << std::size(items) << "];\n\n}  // namespace resources\n";

  std::ostringstream source;
  source << "// Written by vqm-genresources; do not edit.\n#include \"ResourceData.h\"\n\nnamespace resources {\n\n"
            "namespace {\n\n";
  for (const Item& item : items) WriteArray(source, item.Symbol, BmpFile(item.Image));
  source << "}  // namespace\n\nconst TResourceEntry kResourceTable[" << std::size(items) << "] = {\n";
  for (const Item& item : items)
    source << "    {\"" << item.Name << "\", " << item.Symbol << ", sizeof(" << item.Symbol << ")},\n";
  source << "};\n\n}  // namespace resources\n";

  if (!WriteIfChanged(folder + "/ResourceData.h", header.str()) ||
      !WriteIfChanged(folder + "/ResourceData.cpp", source.str())) {
    std::fprintf(stderr, "vqm-genresources: cannot write to %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
