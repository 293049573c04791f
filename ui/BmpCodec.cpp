// Bitmap files: reading device-independent bitmaps of every depth (also for
// icons) and writing BMP files.

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>

#include "ui/Graphics.h"
#include "ui/ImageCodecs.h"

namespace ui {
namespace codec {

void CheckDimensions(int64_t width, int64_t height, const char* message) {
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension || width * height > kMaxPixels)
    throw EInvalidGraphic(message);
}

std::vector<uint8_t> ReadRest(rtl::TStream& stream, const char* message) {
  const int64_t left = stream.Size() - stream.Position();
  if (left > kMaxFileBytes) throw EInvalidGraphic(message);
  std::vector<uint8_t> data(static_cast<size_t>(std::max<int64_t>(left, 0)));
  size_t got = 0;
  while (got < data.size()) {
    const int32_t n = stream.Read(data.data() + got, static_cast<int32_t>(std::min<size_t>(data.size() - got, 1 << 20)));
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  data.resize(got);
  return data;
}

uint16_t Get16(std::span<const uint8_t> data, size_t offset) {
  return static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
}

uint32_t Get32(std::span<const uint8_t> data, size_t offset) {
  return data[offset] | (data[offset + 1] << 8) | (data[offset + 2] << 16) |
         (static_cast<uint32_t>(data[offset + 3]) << 24);
}

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;

// One colour channel of a bit-field pixel, scaled to 0..255.
struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint32_t Max = 0;
  explicit TChannel(uint32_t mask) : Mask(mask) {
    if (!mask) return;
    Shift = std::countr_zero(mask);
    Max = mask >> Shift;
  }
  uint32_t operator()(uint32_t v) const {
    if (!Max) return 0;
    return (((v & Mask) >> Shift) * 255 + Max / 2) / Max;
  }
};

// Run-length data: 8 or 4 bits a pixel, rows from the bottom.
void DecodeRle(std::span<const uint8_t> data, size_t pos, bool rle8, const std::vector<TPixel>& palette,
               TBitmap& bitmap, const char* message) {
  const int width = bitmap.Width(), height = bitmap.Height();
  auto colour = [&](unsigned index) { return index < palette.size() ? palette[index] : 0; };
  int x = 0, row = 0;
  auto put = [&](unsigned index) {
    if (x < width && row < height) bitmap.ScanLine(height - 1 - row)[x] = colour(index);
    ++x;
  };
  while (row < height) {
    // Data that simply stops ends the picture; a command cut in half is damage.
    if (pos + 2 > data.size()) return;
    const unsigned count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i) put(rle8 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of bitmap
        return;
      case 2:  // delta
        if (pos + 2 > data.size()) throw EInvalidGraphic(message);
        x += data[pos];
        row += data[pos + 1];
        pos += 2;
        break;
      default: {  // absolute run, padded to a 16-bit boundary
        const size_t bytes = rle8 ? value : (value + 1) / 2;
        if (pos + bytes > data.size()) throw EInvalidGraphic(message);
        for (unsigned i = 0; i < value; ++i)
          put(rle8 ? data[pos + i] : (i % 2 == 0 ? data[pos + i / 2] >> 4 : data[pos + i / 2] & 0x0F));
        pos += (bytes + 1) & ~size_t{1};
        break;
      }
    }
  }
}

}  // namespace

TDecodedImage DecodeDib(std::span<const uint8_t> data, size_t header, size_t bits, bool icon, const char* message) {
  auto fail = [message] { throw EInvalidGraphic(message); };
  if (header + 12 > data.size()) fail();
  const uint32_t headerSize = Get32(data, header);
  const bool core = headerSize == 12;
  int64_t width, height;
  unsigned bpp;
  uint32_t compression = BI_RGB, colorsUsed = 0;
  uint32_t masks[4] = {};
  bool headerMasks = false;
  if (core) {
    width = Get16(data, header + 4);
    height = static_cast<int16_t>(Get16(data, header + 6));
    bpp = Get16(data, header + 10);
  } else {
    if (headerSize < 40 || headerSize > 124 || header + headerSize > data.size()) fail();
    width = static_cast<int32_t>(Get32(data, header + 4));
    height = static_cast<int32_t>(Get32(data, header + 8));
    bpp = Get16(data, header + 14);
    compression = Get32(data, header + 16);
    colorsUsed = Get32(data, header + 32);
    if (headerSize >= 52) {
      headerMasks = true;
      for (int i = 0; i < 3; ++i) masks[i] = Get32(data, header + 40 + 4 * i);
      if (headerSize >= 56) masks[3] = Get32(data, header + 52);
    }
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (icon) height /= 2;
  CheckDimensions(width, height, message);
  switch (compression) {
    case BI_RGB:
      if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) fail();
      break;
    case BI_RLE8:
      if (bpp != 8 || topDown || icon) fail();
      break;
    case BI_RLE4:
      if (bpp != 4 || topDown || icon) fail();
      break;
    case BI_BITFIELDS:
      if (bpp != 16 && bpp != 32) fail();
      break;
    default:
      fail();
  }

  size_t table = header + headerSize;
  if (compression == BI_BITFIELDS && !headerMasks) {
    if (table + 12 > data.size()) fail();
    for (int i = 0; i < 3; ++i) masks[i] = Get32(data, table + 4 * i);
    table += 12;
  }
  if (compression != BI_BITFIELDS) {
    if (bpp == 16) {
      masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F; masks[3] = 0;
    } else if (bpp == 32) {
      masks[0] = 0xFF0000; masks[1] = 0xFF00; masks[2] = 0xFF; masks[3] = 0xFF000000u;
    }
  }

  TDecodedImage out;
  std::vector<TPixel> palette;
  const size_t entrySize = core ? 3 : 4;
  size_t entries = 0;
  if (bpp <= 8) {
    entries = colorsUsed ? colorsUsed : (1u << bpp);
    if (entries > (1u << bpp)) fail();
  } else if (!core && colorsUsed) {
    entries = colorsUsed;  // an optional table before the pixels, skipped
  }
  if (entries > (data.size() - std::min(table, data.size())) / entrySize) fail();
  if (bpp <= 8) {
    palette.resize(entries);
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* e = data.data() + table + i * entrySize;
      palette[i] = (e[2] << 16) | (e[1] << 8) | e[0];
      out.Palette.push_back(RGBFromPixel(palette[i]));
    }
  }
  const size_t start = bits ? bits : table + entries * entrySize;
  if (start < table || start > data.size()) fail();

  switch (bpp) {
    case 1: out.Format = pf1bit; break;
    case 4: out.Format = pf4bit; break;
    case 8: out.Format = pf8bit; break;
    case 16: out.Format = masks[1] == 0x03E0 ? pf15bit : pf16bit; break;
    case 24: out.Format = pf24bit; break;
    default: out.Format = pf32bit; break;
  }
  TBitmap& bitmap = out.Bitmap;
  const int w = static_cast<int>(width), h = static_cast<int>(height);

  if (compression == BI_RLE8 || compression == BI_RLE4) {
    // Runs rarely cover more than a few hundred pixels a byte; a tiny file
    // announcing a huge picture is refused before the pixels are made.
    if (static_cast<uint64_t>(w) * h > (data.size() - start) * 1024 + 65536) fail();
    bitmap.SetSize(w, h);
    // Pixels the runs skip stay black.
    std::fill_n(bitmap.Bits(), static_cast<size_t>(w) * h, TPixel{0});
    DecodeRle(data.subspan(0, data.size()), start, compression == BI_RLE8, palette, bitmap, message);
    out.End = data.size();
    return out;
  }

  const size_t rowBytes = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
  if (rowBytes * h > data.size() - start) fail();
  bitmap.SetSize(w, h);
  const TChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  auto colour = [&](unsigned index) { return index < palette.size() ? palette[index] : 0; };
  const bool wantAlpha = icon && bpp == 32;
  if (wantAlpha) out.Alpha.resize(static_cast<size_t>(w) * h);
  bool anyAlpha = false;
  for (int r = 0; r < h; ++r) {
    const uint8_t* src = data.data() + start + rowBytes * r;
    const int y = topDown ? r : h - 1 - r;
    TPixel* dst = bitmap.ScanLine(y);
    switch (bpp) {
      case 1:
        for (int x = 0; x < w; ++x) dst[x] = colour((src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
      case 4:
        for (int x = 0; x < w; ++x) dst[x] = colour((x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4);
        break;
      case 8:
        for (int x = 0; x < w; ++x) dst[x] = colour(src[x]);
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
          dst[x] = (red(v) << 16) | (green(v) << 8) | blue(v);
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x) dst[x] = (src[3 * x + 2] << 16) | (src[3 * x + 1] << 8) | src[3 * x];
        break;
      default:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = Get32(data, start + rowBytes * r + 4 * static_cast<size_t>(x));
          dst[x] = (red(v) << 16) | (green(v) << 8) | blue(v);
          if (wantAlpha) {
            const uint8_t a = static_cast<uint8_t>(alpha(v));
            out.Alpha[static_cast<size_t>(y) * w + x] = a;
            anyAlpha |= a != 0;
          }
        }
        break;
    }
  }
  out.End = start + rowBytes * h;
  if (!icon) return out;

  // The AND mask: one bit a pixel, set where the icon is see-through.
  if (anyAlpha) return out;
  const size_t maskRow = ((static_cast<size_t>(w) + 31) / 32) * 4;
  if (maskRow * h > data.size() - out.End) fail();
  out.Alpha.assign(static_cast<size_t>(w) * h, 255);
  for (int r = 0; r < h; ++r) {
    const uint8_t* src = data.data() + out.End + maskRow * r;
    const int y = topDown ? r : h - 1 - r;
    for (int x = 0; x < w; ++x)
      if ((src[x >> 3] >> (7 - (x & 7))) & 1) out.Alpha[static_cast<size_t>(y) * w + x] = 0;
  }
  out.End += maskRow * h;
  return out;
}

}  // namespace codec

// ---- TBitmap files ----------------------------------------------------------

void TBitmap::LoadFromStream(rtl::TStream& stream) {
  const int64_t start = stream.Position();
  const std::vector<uint8_t> data = codec::ReadRest(stream, codec::kInvalidBitmap);
  if (data.size() < 14 + 12 || data[0] != 'B' || data[1] != 'M') throw EInvalidGraphic(codec::kInvalidBitmap);
  const uint32_t offBits = codec::Get32(data, 10);
  codec::TDecodedImage image = codec::DecodeDib(data, 14, offBits, false, codec::kInvalidBitmap);
  stream.SetPosition(start + static_cast<int64_t>(image.End));
  FWidth = image.Bitmap.FWidth;
  FHeight = image.Bitmap.FHeight;
  FPixels = std::move(image.Bitmap.FPixels);
  FPixelFormat = image.Format;
  FPalette = std::move(image.Palette);
  Changed();
}

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The colour table for an indexed depth: the loaded one, black and white for
// one bit, or the picture's own colours when they fit; empty when they do not.
std::vector<TPixel> IndexedPalette(const TBitmap& bitmap, unsigned bpp) {
  const size_t capacity = size_t{1} << bpp;
  std::vector<TPixel> palette;
  for (TColor c : bitmap.Palette()) palette.push_back(PixelFromRGB(c & 0xFFFFFF));
  if (!palette.empty() && palette.size() <= capacity) return palette;
  palette.clear();
  if (bpp == 1 && bitmap.Palette().empty()) return {0x000000, 0xFFFFFF};
  for (int y = 0; y < bitmap.Height(); ++y) {
    const TPixel* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (std::find(palette.begin(), palette.end(), row[x]) != palette.end()) continue;
      if (palette.size() == capacity) return {};
      palette.push_back(row[x]);
    }
  }
  return palette;
}

unsigned NearestIndex(const std::vector<TPixel>& palette, TPixel p) {
  unsigned best = 0;
  int bestDistance = INT32_MAX;
  for (unsigned i = 0; i < palette.size(); ++i) {
    const int dr = static_cast<int>((palette[i] >> 16) & 0xFF) - static_cast<int>((p >> 16) & 0xFF);
    const int dg = static_cast<int>((palette[i] >> 8) & 0xFF) - static_cast<int>((p >> 8) & 0xFF);
    const int db = static_cast<int>(palette[i] & 0xFF) - static_cast<int>(p & 0xFF);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

}  // namespace

void TBitmap::SaveToStream(rtl::TStream& stream) const {
  unsigned bpp = 24;
  switch (FPixelFormat) {
    case pf1bit: bpp = 1; break;
    case pf4bit: bpp = 4; break;
    case pf8bit: bpp = 8; break;
    case pf32bit: bpp = 32; break;
    default: bpp = 24; break;  // 15- and 16-bit pictures are written with 24 bits
  }
  std::vector<TPixel> palette;
  if (bpp <= 8) {
    palette = IndexedPalette(*this, bpp);
    if (palette.empty()) bpp = 24;  // too many colours for the depth
  }
  const size_t rowBytes = ((static_cast<size_t>(FWidth) * bpp + 31) / 32) * 4;
  const size_t imageSize = rowBytes * FHeight;
  const size_t offBits = 14 + 40 + palette.size() * 4;
  std::vector<uint8_t> out;
  out.reserve(offBits + imageSize);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(offBits + imageSize));  // bfSize
  Put32(out, 0);                                           // bfReserved1, bfReserved2
  Put32(out, static_cast<uint32_t>(offBits));              // bfOffBits
  // BITMAPINFOHEADER
  Put32(out, 40);                                   // biSize
  Put32(out, static_cast<uint32_t>(FWidth));        // biWidth
  Put32(out, static_cast<uint32_t>(FHeight));       // biHeight: bottom-up
  Put16(out, 1);                                    // biPlanes
  Put16(out, static_cast<uint16_t>(bpp));           // biBitCount
  Put32(out, 0);                                    // biCompression: BI_RGB
  Put32(out, static_cast<uint32_t>(imageSize));     // biSizeImage
  Put32(out, 0);                                    // biXPelsPerMeter
  Put32(out, 0);                                    // biYPelsPerMeter
  Put32(out, static_cast<uint32_t>(palette.size()));  // biClrUsed
  Put32(out, 0);                                    // biClrImportant
  for (TPixel p : palette) Put32(out, p);           // RGBQUAD: blue, green, red, 0
  std::map<TPixel, unsigned> indexes;
  for (int r = FHeight - 1; r >= 0; --r) {
    const TPixel* src = ScanLine(r);
    const size_t rowStart = out.size();
    out.resize(rowStart + rowBytes, 0);
    uint8_t* dst = out.data() + rowStart;
    for (int x = 0; x < FWidth; ++x) {
      const TPixel p = src[x] & 0xFFFFFF;
      switch (bpp) {
        case 24:
          dst[3 * x] = static_cast<uint8_t>(p);
          dst[3 * x + 1] = static_cast<uint8_t>(p >> 8);
          dst[3 * x + 2] = static_cast<uint8_t>(p >> 16);
          break;
        case 32:
          std::memcpy(dst + 4 * x, &p, 4);
          break;
        default: {
          auto it = indexes.find(p);
          if (it == indexes.end()) it = indexes.emplace(p, NearestIndex(palette, p)).first;
          const unsigned index = it->second;
          if (bpp == 8) dst[x] = static_cast<uint8_t>(index);
          else if (bpp == 4) dst[x >> 1] |= static_cast<uint8_t>((x & 1) ? index : index << 4);
          else if (index) dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          break;
        }
      }
    }
  }
  stream.WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}

}  // namespace ui
