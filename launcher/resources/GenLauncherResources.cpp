// Draws the launcher's pictures (the window's background, the bullet in front
// of each step and the no-entry sign over a step that is done) and writes them
// as C++ byte arrays to LauncherResourceData.cpp/.h in the folder given.
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
#include <numbers>
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

// Paints over the picture where `inside` holds, weighted by the share of 4 x 4
// samples of each pixel that fall inside (smooth edges). The colour may vary
// over the picture: `color` is asked at the pixel's centre.
void Paint(Picture& p, const std::function<Rgba(double x, double y)>& color,
           const std::function<bool(double x, double y)>& inside) {
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      int covered = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) covered += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      if (covered == 0) continue;
      const Rgba c = color(x + 0.5, y + 0.5);
      const double t = covered / 16.0;
      Rgba& d = p.At(x, y);
      // Source over destination, alpha included (icons start see-through).
      const double sa = c.A / 255.0 * t, da = d.A / 255.0;
      const double oa = sa + da * (1 - sa);
      auto ch = [&](double s, double dc) { return oa > 0 ? (s * sa + dc * da * (1 - sa)) / oa : 0; };
      d = {ch(c.R, d.R), ch(c.G, d.G), ch(c.B, d.B), oa * 255};
    }
}

void Paint(Picture& p, const Rgba& color, const std::function<bool(double x, double y)>& inside) {
  Paint(p, [&](double, double) { return color; }, inside);
}

bool InRect(double x, double y, double l, double t, double r, double b) { return x >= l && x < r && y >= t && y < b; }

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

// Within halfWidth of the segment a-b.
bool NearSegment(double x, double y, double ax, double ay, double bx, double by, double halfWidth) {
  const double dx = bx - ax, dy = by - ay;
  const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(x - (ax + t * dx), y - (ay + t * dy)) <= halfWidth;
}

// A colour of the given hue (0..1) at low saturation: the sheen of a disc.
Rgba Sheen(double hue, double light) {
  auto channel = [&](double shift) {
    const double v = 0.5 + 0.5 * std::cos(2 * std::numbers::pi * (hue - shift));
    return 255 * light * (0.82 + 0.18 * v);
  };
  return {channel(0), channel(1.0 / 3), channel(2.0 / 3)};
}

// ---- the pictures ------------------------------------------------------------

constexpr Rgba kAmber{255, 168, 40};

// The window's background, 453 x 334. The window's texts are white and red and
// sit on its right part (from x 208), and its buttons cross the right edge
// into the window's black: a dark blue field that turns black towards the
// right edge, a thin amber rule under the title, and on the left the
// installation disc with the product's ring mark on it.
Picture Background() {
  Picture p(453, 334, {});
  const Rgba navy{16, 30, 68}, night{3, 5, 12};
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      const double along = (x * 0.6 + y) / (p.Width * 0.6 + p.Height);
      Rgba c = Mix(navy, night, along);
      // The last 70 columns fade into the window's black.
      c = Mix(c, {0, 0, 0}, (x - (p.Width - 70.0)) / 70.0);
      p.At(x, y) = c;
    }

  // The rule under the title, fading out to the right.
  Paint(
      p, [](double x, double) { return Rgba{kAmber.R, kAmber.G, kAmber.B, 230 * std::clamp(1 - (x - 3) / 437, 0.0, 1.0)}; },
      [](double x, double y) { return InRect(x, y, 3, 27, 440, 29); });
  // A faint divider between the picture and the steps.
  Paint(p, {90, 120, 170, 90}, [](double x, double y) { return InRect(x, y, 196, 48, 197, 296); });

  // The disc: a soft shadow, the silver face with its sheen, the hub and the hole.
  const double cx = 98, cy = 176;
  Paint(p, {0, 0, 0, 110}, [&](double x, double y) { return std::hypot(x - cx - 4, y - cy - 5) <= 80; });
  Paint(
      p,
      [&](double x, double y) {
        const double angle = std::atan2(y - cy, x - cx) / (2 * std::numbers::pi);
        const double light = 0.78 + 0.12 * std::cos(4 * std::numbers::pi * angle + 0.6);
        return Sheen(angle * 2, light);
      },
      [&](double x, double y) { return InRing(x, y, cx, cy, 14, 78); });
  Paint(p, {255, 255, 255, 70}, [&](double x, double y) { return InRing(x, y, cx, cy, 14, 30); });
  Paint(p, {120, 130, 150, 160}, [&](double x, double y) { return InRing(x, y, cx, cy, 29, 30.5); });
  Paint(p, {70, 78, 96}, [&](double x, double y) { return InRing(x, y, cx, cy, 77, 78.5); });
  // The product's mark on the face: a blue ring with its tail, a "Q".
  const Rgba mark{20, 70, 150};
  Paint(p, mark, [&](double x, double y) { return InRing(x, y, cx, cy - 44, 11, 15); });
  Paint(p, mark, [&](double x, double y) { return NearSegment(x, y, cx + 8, cy - 36, cx + 17, cy - 27, 2.2); });
  Paint(p, kAmber, [&](double x, double y) { return std::hypot(x - cx, y - (cy - 44)) <= 4; });
  // A glint across the face.
  Paint(
      p, [&](double x, double y) { return Rgba{255, 255, 255, 60 * (1 - std::fabs((x - cx) + (y - cy)) / 26)}; },
      [&](double x, double y) { return InRing(x, y, cx, cy, 31, 76) && std::fabs((x - cx) + (y - cy)) < 26 && x < cx; });
  return p;
}

// The bullet in front of each step title, 11 x 17: an amber arrow head.
Picture Bullet() {
  Picture p(11, 17, {0, 0, 0, 0});
  Paint(p, {90, 40, 0}, [](double x, double y) { return InTriangle(x, y, 1, 2, 10.5, 8.5, 1, 15); });
  Paint(
      p, [](double, double y) { return Mix({255, 214, 120}, {230, 120, 10}, (y - 3) / 11); },
      [](double x, double y) { return InTriangle(x, y, 2, 3.8, 8.8, 8.5, 2, 13.2); });
  return p;
}

// The no-entry sign, 48 x 48: a red ring with a bar from top left to bottom
// right; the middle stays see-through, so the step's title shows crossed out.
Picture NoEntry() {
  Picture p(48, 48, {0, 0, 0, 0});
  const double c = 24;
  const double k = std::sqrt(0.5);
  auto sign = [&](double grow) {
    return [=](double x, double y) {
      return InRing(x, y, c, c, 17.5 - grow, 22.5 + grow) ||
             (std::hypot(x - c, y - c) <= 18 && NearSegment(x, y, c - 18 * k, c - 18 * k, c + 18 * k, c + 18 * k, 3 + grow));
    };
  };
  Paint(p, {110, 0, 0}, sign(1));
  Paint(
      p, [&](double x, double y) { return Mix({255, 70, 60}, {200, 0, 0}, (x + y) / 96); }, sign(0));
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

// An icon file with one 32-bit image; the AND mask marks the fully see-through
// pixels. Icons draw with their alpha, so the edges blend with any background.
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
  u8(w);           // bWidth
  u8(h);           // bHeight
  u8(0);           // bColorCount
  u8(0);           // bReserved
  u16(1);          // wPlanes
  u16(32);         // wBitCount
  u32(imageSize);  // dwBytesInRes
  u32(22);         // dwImageOffset
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
    std::fprintf(stderr, "usage: vqm-genlauncherresources OUTPUT-FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];

  struct Item {
    const char* Name;
    const char* Symbol;
    std::vector<uint8_t> Bytes;
  };
  const Item items[] = {
      {"FUNDO", "kFundoJpg", JpegFile(Background(), 90)},
      {"MARCADOR", "kMarcadorIco", IconFile(Bullet())},
      {"PROIBIDO", "kProibidoIco", IconFile(NoEntry())},
  };

  std::ostringstream header;
  header << "// Written by vqm-genlauncherresources; do not edit.\n#pragma once\n#include <cstddef>\n"
            "#include <cstdint>\n#include <string_view>\n\nnamespace launcher {\n\n"
            "struct TLauncherResourceEntry {\n  std::string_view Name;\n  const uint8_t* Data;\n  size_t Size;\n};\n\n"
            "extern const TLauncherResourceEntry kLauncherResourceTable["
         << std::size(items) << "];\n\n}  // namespace launcher\n";

  std::ostringstream source;
  source << "// Written by vqm-genlauncherresources; do not edit.\n#include \"LauncherResourceData.h\"\n\n"
            "namespace launcher {\n\nnamespace {\n\n";
  for (const Item& item : items) WriteArray(source, item.Symbol, item.Bytes);
  source << "}  // namespace\n\nconst TLauncherResourceEntry kLauncherResourceTable[" << std::size(items) << "] = {\n";
  for (const Item& item : items)
    source << "    {\"" << item.Name << "\", " << item.Symbol << ", sizeof(" << item.Symbol << ")},\n";
  source << "};\n\n}  // namespace launcher\n";

  if (!WriteIfChanged(folder + "/LauncherResourceData.h", header.str()) ||
      !WriteIfChanged(folder + "/LauncherResourceData.cpp", source.str())) {
    std::fprintf(stderr, "vqm-genlauncherresources: cannot write to %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
