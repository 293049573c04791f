#pragma once
// Internal to ui/: pieces the picture readers share (device-independent
// bitmaps, PNG data, size limits). Not for callers outside the picture code.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "rtl/Classes.h"
#include "ui/Graphics.h"

namespace ui::codec {

inline constexpr char kInvalidBitmap[] = "Bitmap image is not valid";
inline constexpr char kInvalidIcon[] = "Icon image is not valid";
inline constexpr char kInvalidMetafile[] = "Metafile is not valid";
inline constexpr char kInvalidPng[] = "PNG image is not valid";

// Pictures larger than this are refused before anything is allocated.
inline constexpr int64_t kMaxDimension = 32768;
inline constexpr int64_t kMaxPixels = int64_t{1} << 25;

// Raises EInvalidGraphic(message) unless 0 < width, height <= kMaxDimension
// and the pixel count is within kMaxPixels.
void CheckDimensions(int64_t width, int64_t height, const char* message);

// No picture file of the accepted sizes is larger than this.
inline constexpr int64_t kMaxFileBytes = int64_t{1} << 28;

// The stream from its position to its end; EInvalidGraphic(message) when that
// is more than kMaxFileBytes.
std::vector<uint8_t> ReadRest(rtl::TStream& stream, const char* message);

uint16_t Get16(std::span<const uint8_t> data, size_t offset);
uint32_t Get32(std::span<const uint8_t> data, size_t offset);

struct TDecodedImage {
  TBitmap Bitmap;
  std::vector<uint8_t> Alpha;  // per pixel, 255 opaque; empty when the image has none
  TPixelFormat Format = pf24bit;
  std::vector<TColor> Palette;
  size_t End = 0;  // offset just past the data read
};

// A device-independent bitmap: the info header at `header`, the pixels at
// `bits` (0: right after the colour table). An icon's image is half the
// header's height and its AND mask follows the colour bits; it becomes the
// alpha (unless 32-bit pixels carry alpha of their own).
TDecodedImage DecodeDib(std::span<const uint8_t> data, size_t header, size_t bits, bool icon, const char* message);

// The system's coders (libjpeg and libpng on Linux, the Windows API on
// Windows). A damaged JPEG raises EInvalidGraphic("JPEG error #N"), N the
// decoder's code for the fault.
TBitmap DecodeJpeg(std::span<const uint8_t> data, bool grayscale);
// A baseline JPEG of the bitmap (quality 1..100); an empty bitmap is refused.
std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality, bool grayscale);
// The error of a JPEG file beyond the size limits.
std::string JpegTooBigMessage();

// A PNG stream with its alpha.
TDecodedImage DecodePng(std::span<const uint8_t> data, const char* message);
// The bitmap as a 24-bit PNG; an empty bitmap raises kInvalidPng.
std::vector<uint8_t> EncodePng(const TBitmap& bitmap);

}  // namespace ui::codec
