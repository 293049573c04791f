// Pictures on Windows: JPEG read through the system's picture decoder
// (OleLoadPicture), PNG and writing JPEG through GDI+.

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/ImageCodecs.h"

// The system's headers last: they name our constants as macros.
#include <windows.h>
#include <objidl.h>
#include <ocidl.h>
#include <olectl.h>
#include <gdiplus.h>

namespace ui {

namespace {

namespace gp = Gdiplus;

// Our fault codes in "JPEG error #N", as the Linux build's decoder numbers them.
constexpr int kJpegEmptyImage = 33;  // nothing to write
constexpr int kJpegTooBig = 42;      // beyond the size limits
constexpr int kJpegDamaged = 59;     // the decoder refused the data

[[noreturn]] void RaiseJpegError(int code) { throw EInvalidGraphic("JPEG error #" + std::to_string(code)); }

// A read-only stream over a copy of the bytes, for the COM decoders.
IStream* StreamOf(std::span<const uint8_t> data) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, data.size() ? data.size() : 1);
  if (!memory) return nullptr;
  if (void* p = GlobalLock(memory)) {
    if (!data.empty()) std::memcpy(p, data.data(), data.size());
    GlobalUnlock(memory);
  }
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  return stream;
}

// Each pixel as its luminance, as the Linux decoder gives grayscale.
void ToGray(TBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    TPixel* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      const unsigned r = (row[x] >> 16) & 0xFF, g = (row[x] >> 8) & 0xFF, b = row[x] & 0xFF;
      const TPixel v = (r * 299 + g * 587 + b * 114 + 500) / 1000;
      row[x] = (v << 16) | (v << 8) | v;
    }
  }
}

// A GDI bitmap's pixels as ours.
bool ReadBitmap(HBITMAP handle, TBitmap& out) {
  BITMAP bm{};
  if (!GetObjectA(handle, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
  out.SetSize(bm.bmWidth, bm.bmHeight);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bm.bmWidth;
  info.bmiHeader.biHeight = -bm.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, handle, 0, bm.bmHeight, out.Bits(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  for (int y = 0; y < out.Height(); ++y)
    for (TPixel* p = out.ScanLine(y); p != out.ScanLine(y) + out.Width(); ++p) *p &= 0xFFFFFF;
  return rows == bm.bmHeight;
}

// GDI+ started once for the process.
class TGdiPlus {
 public:
  TGdiPlus() {
    gp::GdiplusStartupInput input;
    FOk = gp::GdiplusStartup(&FToken, &input, nullptr) == gp::Ok;
  }
  ~TGdiPlus() {
    if (FOk) gp::GdiplusShutdown(FToken);
  }
  bool Ok() const { return FOk; }

  // The encoder of a MIME type ("image/png").
  bool Encoder(const wchar_t* mime, CLSID& clsid) const {
    UINT count = 0, size = 0;
    if (gp::DllExports::GdipGetImageEncodersSize(&count, &size) != gp::Ok || size == 0) return false;
    std::vector<uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<gp::ImageCodecInfo*>(buffer.data());
    if (gp::DllExports::GdipGetImageEncoders(count, size, codecs) != gp::Ok) return false;
    for (UINT i = 0; i < count; ++i)
      if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, mime) == 0) {
        clsid = codecs[i].Clsid;
        return true;
      }
    return false;
  }

 private:
  ULONG_PTR FToken = 0;
  bool FOk = false;
};

TGdiPlus& GdiPlus() {
  static TGdiPlus instance;
  return instance;
}

// Our bitmap as a GDI+ bitmap over its own pixels (no copy); nullptr when GDI+ is missing.
gp::GpBitmap* GdiPlusBitmap(const TBitmap& bitmap) {
  gp::GpBitmap* image = nullptr;
  if (!GdiPlus().Ok()) return nullptr;
  if (gp::DllExports::GdipCreateBitmapFromScan0(bitmap.Width(), bitmap.Height(), bitmap.Width() * 4,
                                                PixelFormat32bppRGB,
                                                reinterpret_cast<BYTE*>(const_cast<TPixel*>(bitmap.Bits())),
                                                &image) != gp::Ok)
    return nullptr;
  return image;
}

// The encoded bytes of a GDI+ image, or empty.
std::vector<uint8_t> Encode(gp::GpBitmap* image, const wchar_t* mime, const gp::EncoderParameters* params) {
  std::vector<uint8_t> out;
  CLSID clsid;
  if (!image || !GdiPlus().Encoder(mime, clsid)) return out;
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return out;
  if (gp::DllExports::GdipSaveImageToStream(image, stream, &clsid, params) == gp::Ok) {
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (SUCCEEDED(GetHGlobalFromStream(stream, &memory)) && SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
      if (const void* p = GlobalLock(memory)) {
        const auto* bytes = static_cast<const uint8_t*>(p);
        out.assign(bytes, bytes + stat.cbSize.QuadPart);
        GlobalUnlock(memory);
      }
    }
  }
  stream->Release();
  return out;
}

}  // namespace

namespace codec {

TBitmap DecodeJpeg(std::span<const uint8_t> data, bool grayscale) {
  // The frame header gives the size: a tiny file cannot hold a huge picture.
  for (size_t i = 2; i + 9 < data.size();) {
    if (data[i] != 0xFF) break;
    const uint8_t marker = data[i + 1];
    if (marker == 0xDA) break;  // the scan: no frame header before it
    const size_t length = (size_t{data[i + 2]} << 8) | data[i + 3];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      const int64_t h = (int64_t{data[i + 5]} << 8) | data[i + 6], w = (int64_t{data[i + 7]} << 8) | data[i + 8];
      if (w <= 0 || h <= 0 || w > kMaxDimension || h > kMaxDimension || w * h > kMaxPixels ||
          w * h > static_cast<int64_t>(data.size()) * 4096 + (int64_t{1} << 20))
        RaiseJpegError(kJpegTooBig);
      break;
    }
    i += 2 + length;
  }
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) RaiseJpegError(kJpegDamaged);
  IStream* stream = StreamOf(data);
  if (!stream) RaiseJpegError(kJpegDamaged);
  IPicture* picture = nullptr;
  const HRESULT hr = OleLoadPicture(stream, static_cast<LONG>(data.size()), FALSE, IID_IPicture,
                                    reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(hr) || !picture) RaiseJpegError(kJpegDamaged);
  TBitmap bitmap;
  OLE_HANDLE handle = 0;
  SHORT type = 0;
  const bool ok = SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
                  SUCCEEDED(picture->get_Handle(&handle)) &&
                  ReadBitmap(reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(handle)), bitmap);
  picture->Release();
  if (!ok) RaiseJpegError(kJpegDamaged);
  if (grayscale) ToGray(bitmap);
  return bitmap;
}

std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality, bool grayscale) {
  if (bitmap.Empty()) RaiseJpegError(kJpegEmptyImage);
  TBitmap source = bitmap;
  if (grayscale) ToGray(source);
  gp::GpBitmap* image = GdiPlusBitmap(source);
  ULONG q = static_cast<ULONG>(quality);
  gp::EncoderParameters params{};
  params.Count = 1;
  params.Parameter[0].Guid = gp::EncoderQuality;
  params.Parameter[0].Type = gp::EncoderParameterValueTypeLong;
  params.Parameter[0].NumberOfValues = 1;
  params.Parameter[0].Value = &q;
  std::vector<uint8_t> out = Encode(image, L"image/jpeg", &params);
  if (image) gp::DllExports::GdipDisposeImage(image);
  if (out.empty()) RaiseJpegError(kJpegDamaged);
  return out;
}

std::string JpegTooBigMessage() { return "JPEG error #" + std::to_string(kJpegTooBig); }

TDecodedImage DecodePng(std::span<const uint8_t> data, const char* message) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() < 24 || std::memcmp(data.data(), kSignature, 8) != 0) throw EInvalidGraphic(message);
  // The header's size first: nothing is decoded beyond the limits.
  auto be32 = [&](size_t at) {
    return (int64_t{data[at]} << 24) | (int64_t{data[at + 1]} << 16) | (int64_t{data[at + 2]} << 8) | data[at + 3];
  };
  const int64_t width = be32(16), height = be32(20);
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension || width * height > kMaxPixels)
    throw EInvalidGraphic(message);
  if (!GdiPlus().Ok()) throw EInvalidGraphic(message);
  IStream* stream = StreamOf(data);
  if (!stream) throw EInvalidGraphic(message);
  gp::GpBitmap* image = nullptr;
  const gp::GpStatus status = gp::DllExports::GdipCreateBitmapFromStream(stream, &image);
  stream->Release();
  if (status != gp::Ok || !image) throw EInvalidGraphic(message);
  UINT iw = 0, ih = 0;
  gp::DllExports::GdipGetImageWidth(image, &iw);
  gp::DllExports::GdipGetImageHeight(image, &ih);
  TDecodedImage out;
  gp::BitmapData locked{};
  gp::GpRect all(0, 0, static_cast<INT>(iw), static_cast<INT>(ih));
  if (iw != width || ih != height ||
      gp::DllExports::GdipBitmapLockBits(image, &all, gp::ImageLockModeRead, PixelFormat32bppARGB, &locked) != gp::Ok) {
    gp::DllExports::GdipDisposeImage(image);
    throw EInvalidGraphic(message);
  }
  out.Bitmap.SetSize(static_cast<int>(iw), static_cast<int>(ih));
  out.Alpha.resize(static_cast<size_t>(iw) * ih);
  for (UINT y = 0; y < ih; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.Scan0) + y * locked.Stride);
    TPixel* dst = out.Bitmap.ScanLine(static_cast<int>(y));
    for (UINT x = 0; x < iw; ++x) {
      dst[x] = src[x] & 0xFFFFFF;
      out.Alpha[static_cast<size_t>(y) * iw + x] = static_cast<uint8_t>(src[x] >> 24);
    }
  }
  gp::DllExports::GdipBitmapUnlockBits(image, &locked);
  gp::DllExports::GdipDisposeImage(image);
  out.Format = pf32bit;
  out.End = data.size();
  return out;
}

std::vector<uint8_t> EncodePng(const TBitmap& bitmap) {
  if (bitmap.Empty()) throw EInvalidGraphic(kInvalidPng);
  gp::GpBitmap* image = GdiPlusBitmap(bitmap);
  std::vector<uint8_t> out = Encode(image, L"image/png", nullptr);
  if (image) gp::DllExports::GdipDisposeImage(image);
  if (out.empty()) throw EInvalidGraphic(kInvalidPng);
  return out;
}

}  // namespace codec

}  // namespace ui
