// Draws the installer's own pictures (the side picture, the billboard
// placeholder, the wizard's and the cancel window's icons) and writes them as
// C++ byte arrays to InstallerResourceData.cpp/.h in the folder given.
// Pictures are plain arithmetic on pixels and the JPEG settings are fixed, so
// every build embeds the same bytes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

// After <cstdio>: the header uses FILE.
#include <jpeglib.h>

namespace {

struct Rgba {
  double R = 0, G = 0, B = 0, A = 255;
};

Rgba Mix(const Rgba& a, const Rgba& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t, a.A + (b.A - a.A) * t};
}

struct Picture {
  int Width;
  int Height;
  std::vector<Rgba> Pixels;
  Picture(int w, int h, Rgba fill) : Width(w), Height(h), Pixels(static_cast<size_t>(w) * h, fill) {}
  Rgba& At(int x, int y) { return Pixels[static_cast<size_t>(y) * Width + x]; }
  const Rgba& At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// Paints `color` over the picture where `inside` holds, weighted by the share
// of 4 x 4 samples of each pixel that fall inside (smooth edges).
void Paint(Picture& p, const Rgba& color, const std::function<bool(double x, double y)>& inside) {
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      int covered = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) covered += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      if (covered == 0) continue;
      const double t = covered / 16.0;
      Rgba& d = p.At(x, y);
      // Source over destination, alpha included (icons start see-through).
      const double sa = color.A / 255.0 * t, da = d.A / 255.0;
      const double oa = sa + da * (1 - sa);
      auto ch = [&](double s, double dc) { return oa > 0 ? (s * sa + dc * da * (1 - sa)) / oa : 0; };
      d = {ch(color.R, d.R), ch(color.G, d.G), ch(color.B, d.B), oa * 255};
    }
}

bool InRect(double x, double y, double l, double t, double r, double b) { return x >= l && x < r && y >= t && y < b; }

bool InRoundRect(double x, double y, double l, double t, double r, double b, double radius) {
  const double cx = std::clamp(x, l + radius, r - radius), cy = std::clamp(y, t + radius, b - radius);
  return InRect(x, y, l, t, r, b) && std::hypot(x - cx, y - cy) <= radius;
}

bool InRing(double x, double y, double cx, double cy, double inner, double outer) {
  const double d = std::hypot(x - cx, y - cy);
  return d >= inner && d <= outer;
}

// Inside the triangle a-b-c (any winding).
bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx, double cy) {
  auto side = [&](double px, double py, double qx, double qy) { return (qx - px) * (y - py) - (qy - py) * (x - px); };
  const double d1 = side(ax, ay, bx, by), d2 = side(bx, by, cx, cy), d3 = side(cx, cy, ax, ay);
  return !((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0));
}

// ---- the pictures ------------------------------------------------------------

// The side picture beside the wizard's pages and the completion texts: a deep
// blue band with the product's ring mark and a few thin light lines.
Picture SidePicture() {
  Picture p(146, 344, {});
  const Rgba top{12, 28, 74}, bottom{0, 104, 122};
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      // A soft light from the upper left.
      const double glow = std::max(0.0, 1 - std::hypot(x - 20.0, y - 40.0) / 260.0) * 28;
      Rgba c = Mix(top, bottom, y / (p.Height - 1.0));
      p.At(x, y) = {c.R + glow, c.G + glow, c.B + glow};
    }
  const Rgba light{210, 232, 245}, accent{255, 190, 60};
  // The ring mark with its tail: a "Q" of light.
  Paint(p, light, [](double x, double y) { return InRing(x, y, 73, 118, 30, 38); });
  Paint(p, light, [](double x, double y) {
    const double u = (x - 88) + (y - 140), v = (x - 88) - (y - 140);
    return std::fabs(v) <= 5 && u >= 0 && u <= 44;
  });
  Paint(p, accent, [](double x, double y) { return std::hypot(x - 73, y - 118) <= 9; });
  // Thin lines under the mark, shorter each time.
  for (int i = 0; i < 4; ++i) {
    const double yTop = 214 + i * 14, half = 50 - i * 10;
    Paint(p, {light.R, light.G, light.B, 150.0 - i * 25},
          [=](double x, double y) { return InRect(x, y, 73 - half, yTop, 73 + half, yTop + 3); });
  }
  return p;
}

// The billboard's picture before the first billboard is loaded: dark, with a
// faint ring in the middle.
Picture BillboardPlaceholder() {
  Picture p(544, 302, {});
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      const double d = std::hypot((x - 272) / 272.0, (y - 151) / 151.0);
      p.At(x, y) = Mix({30, 34, 46}, {8, 9, 13}, d / 1.3);
    }
  Paint(p, {70, 80, 104}, [](double x, double y) { return InRing(x, y, 272, 151, 46, 50); });
  return p;
}

Picture EmptyIcon() { return Picture(32, 32, {0, 0, 0, 0}); }

// A server cabinet with two drive bays and a green light.
Picture ServerIcon() {
  Picture p = EmptyIcon();
  Paint(p, {40, 40, 40}, [](double x, double y) { return InRoundRect(x, y, 7, 1, 25, 31, 2); });
  Paint(p, {176, 176, 176}, [](double x, double y) { return InRoundRect(x, y, 8, 2, 24, 30, 1.5); });
  for (double bay : {6.0, 12.0})
    Paint(p, {80, 80, 80}, [bay](double x, double y) { return InRect(x, y, 10, bay, 22, bay + 4); });
  Paint(p, {228, 228, 228}, [](double x, double y) { return InRect(x, y, 10, 19, 22, 20); });
  Paint(p, {0, 200, 60}, [](double x, double y) { return std::hypot(x - 20, y - 25.5) <= 1.6; });
  return p;
}

// A monitor with a blue screen on its stand.
Picture TerminalIcon() {
  Picture p = EmptyIcon();
  Paint(p, {40, 40, 40}, [](double x, double y) { return InRoundRect(x, y, 2, 3, 30, 24, 2); });
  Paint(p, {192, 192, 192}, [](double x, double y) { return InRoundRect(x, y, 3, 4, 29, 23, 1.5); });
  Paint(p, {0, 60, 150}, [](double x, double y) { return InRect(x, y, 6, 7, 26, 20); });
  Paint(p, {90, 160, 230}, [](double x, double y) { return InRect(x, y, 8, 9, 18, 11); });
  Paint(p, {120, 120, 120}, [](double x, double y) { return InRect(x, y, 13, 24, 19, 27); });
  Paint(p, {40, 40, 40}, [](double x, double y) { return InRoundRect(x, y, 8, 27, 24, 30, 1); });
  return p;
}

// A page with a folded corner, lines of text and a red seal.
Picture ContractIcon() {
  Picture p = EmptyIcon();
  auto page = [](double x, double y) {
    return InRect(x, y, 5, 1, 27, 31) && !InTriangle(x, y, 20, 0.5, 27.5, 0.5, 27.5, 8);
  };
  Paint(p, {40, 40, 40}, page);
  Paint(p, {255, 255, 255}, [&](double x, double y) { return InRect(x, y, 6, 2, 26, 30) && page(x - 0.7, y + 0.7); });
  Paint(p, {150, 150, 150}, [](double x, double y) { return InTriangle(x, y, 20, 1, 20, 8, 27, 8); });
  for (int i = 0; i < 5; ++i) {
    const double y0 = 9 + i * 3.5, right = i == 4 ? 16 : 23;
    Paint(p, {110, 110, 130}, [=](double x, double y) { return InRect(x, y, 9, y0, right, y0 + 1.2); });
  }
  Paint(p, {200, 20, 20}, [](double x, double y) { return std::hypot(x - 21, y - 25) <= 4; });
  Paint(p, {255, 200, 200}, [](double x, double y) { return InRing(x, y, 21, 25, 2, 2.7); });
  return p;
}

// The warning sign: a yellow triangle with a black edge and an exclamation mark.
Picture WarningIcon() {
  Picture p = EmptyIcon();
  Paint(p, {0, 0, 0}, [](double x, double y) { return InTriangle(x, y, 16, 1, 31, 29, 1, 29); });
  Paint(p, {255, 220, 0}, [](double x, double y) { return InTriangle(x, y, 16, 4, 28.4, 27.3, 3.6, 27.3); });
  Paint(p, {0, 0, 0}, [](double x, double y) { return InRoundRect(x, y, 14.4, 10, 17.6, 21, 1.5); });
  Paint(p, {0, 0, 0}, [](double x, double y) { return std::hypot(x - 16, y - 24) <= 1.8; });
  return p;
}

// ---- file formats --------------------------------------------------------------

uint8_t Byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

std::vector<uint8_t> JpegFile(const Picture& p, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(p.Width);
  cinfo.image_height = static_cast<JDIMENSION>(p.Height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(p.Width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < p.Width; ++x) {
      const Rgba& c = p.At(x, y);
      row[x * 3] = Byte(c.R);
      row[x * 3 + 1] = Byte(c.G);
      row[x * 3 + 2] = Byte(c.B);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

// An icon file with one 32-bit image; the AND mask marks the fully see-through pixels.
std::vector<uint8_t> IconFile(const Picture& p) {
  const uint32_t w = static_cast<uint32_t>(p.Width), h = static_cast<uint32_t>(p.Height);
  const uint32_t maskStride = ((w + 31) / 32) * 4;
  const uint32_t imageSize = 40 + w * h * 4 + maskStride * h;
  std::vector<uint8_t> out;
  auto u8 = [&](uint32_t v) { out.push_back(static_cast<uint8_t>(v)); };
  auto u16 = [&](uint32_t v) { u8(v & 0xFF); u8((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  // ICONDIR
  u16(0);  // idReserved
  u16(1);  // idType: icon
  u16(1);  // idCount
  // ICONDIRENTRY
  u8(w);          // bWidth
  u8(h);          // bHeight
  u8(0);          // bColorCount
  u8(0);          // bReserved
  u16(1);         // wPlanes
  u16(32);        // wBitCount
  u32(imageSize); // dwBytesInRes
  u32(22);        // dwImageOffset
  // BITMAPINFOHEADER (the height counts the image and its mask)
  u32(40);
  u32(w);
  u32(h * 2);
  u16(1);   // biPlanes
  u16(32);  // biBitCount
  u32(0);   // BI_RGB
  u32(w * h * 4 + maskStride * h);
  u32(0);
  u32(0);
  u32(0);
  u32(0);
  for (int y = p.Height - 1; y >= 0; --y)
    for (int x = 0; x < p.Width; ++x) {
      const Rgba& c = p.At(x, y);
      const uint8_t a = Byte(c.A);
      u8(a ? Byte(c.B) : 0);
      u8(a ? Byte(c.G) : 0);
      u8(a ? Byte(c.R) : 0);
      u8(a);
    }
  for (int y = p.Height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int x = 0; x < p.Width; ++x)
      if (Byte(p.At(x, y).A) == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
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
    std::fprintf(stderr, "usage: vqm-geninstallerresources OUTPUT-FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];

  struct Item {
    const char* Name;
    const char* Symbol;
    std::vector<uint8_t> Bytes;
  };
  const Item items[] = {
      {"LATERAL", "kLateralJpg", JpegFile(SidePicture(), 90)},
      {"BILLBOARD", "kBillboardJpg", JpegFile(BillboardPlaceholder(), 85)},
      {"SERVIDOR", "kServidorIco", IconFile(ServerIcon())},
      {"TERMINAL", "kTerminalIco", IconFile(TerminalIcon())},
      {"CONTRATO", "kContratoIco", IconFile(ContractIcon())},
      {"AVISO", "kAvisoIco", IconFile(WarningIcon())},
  };

  std::ostringstream header;
  header << "// Written by vqm-geninstallerresources; do not edit.\n#pragma once\n#include <cstddef>\n"
            "#include <cstdint>\n#include <string_view>\n\nnamespace installer {\n\n"
            "struct TInstallerResourceEntry {\n  std::string_view Name;\n  const uint8_t* Data;\n  size_t Size;\n};\n\n"
            "extern const TInstallerResourceEntry kInstallerResourceTable["
         << std::size(items) << "];\n\n}  // namespace installer\n";

  std::ostringstream source;
  source << "// Written by vqm-geninstallerresources; do not edit.\n#include \"InstallerResourceData.h\"\n\n"
            "namespace installer {\n\nnamespace {\n\n";
  for (const Item& item : items) WriteArray(source, item.Symbol, item.Bytes);
  source << "}  // namespace\n\nconst TInstallerResourceEntry kInstallerResourceTable[" << std::size(items)
         << "] = {\n";
  for (const Item& item : items)
    source << "    {\"" << item.Name << "\", " << item.Symbol << ", sizeof(" << item.Symbol << ")},\n";
  source << "};\n\n}  // namespace installer\n";

  if (!WriteIfChanged(folder + "/InstallerResourceData.h", header.str()) ||
      !WriteIfChanged(folder + "/InstallerResourceData.cpp", source.str())) {
    std::fprintf(stderr, "vqm-geninstallerresources: cannot write to %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
