// Pictures on Linux: JPEG through libjpeg, PNG through libpng.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "ui/ImageCodecs.h"

namespace ui {

// ---- JPEG -----------------------------------------------------------------------
// libjpeg reports errors through a callback that must not return; the
// decoder and encoder jump back out of it. Their frames hold no objects with
// destructors between the jump buffer and the jump.

namespace {

struct TJpegErrors {
  jpeg_error_mgr Manager;
  jmp_buf Jump;
  // Written between the jump buffer and the jump, read after it.
  volatile int Code = 0;
  volatile bool Truncated = false;
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<TJpegErrors*>(cinfo->err);
  errors->Code = cinfo->err->msg_code;
  longjmp(errors->Jump, 1);
}

void JpegEmitMessage(j_common_ptr cinfo, int level) {
  // Warnings are ignored except the one for data that ends too soon.
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<TJpegErrors*>(cinfo->err)->Truncated = true;
}

void JpegOutputMessage(j_common_ptr) {}

void InitErrors(TJpegErrors& errors) {
  jpeg_std_error(&errors.Manager);
  errors.Manager.error_exit = JpegErrorExit;
  errors.Manager.emit_message = JpegEmitMessage;
  errors.Manager.output_message = JpegOutputMessage;
}

// Returns 0, or the libjpeg message code of the failure.
int DecodeJpegData(const uint8_t* data, size_t size, bool grayscale, TBitmap& bitmap) {
  jpeg_decompress_struct cinfo;
  TJpegErrors errors;
  InitErrors(errors);
  cinfo.err = &errors.Manager;
  if (setjmp(errors.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    return errors.Code ? errors.Code : JERR_BAD_STATE;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = grayscale ? JCS_GRAYSCALE : (cmyk ? JCS_CMYK : JCS_RGB);
  jpeg_start_decompress(&cinfo);
  const int64_t w = cinfo.output_width, h = cinfo.output_height;
  // A tiny file cannot hold a huge picture: refuse before allocating.
  if (w <= 0 || h <= 0 || w > codec::kMaxDimension || h > codec::kMaxDimension || w * h > codec::kMaxPixels ||
      w * h > static_cast<int64_t>(size) * 4096 + (int64_t{1} << 20)) {
    jpeg_destroy_decompress(&cinfo);
    return JERR_IMAGE_TOO_BIG;
  }
  bitmap.SetSize(static_cast<int>(w), static_cast<int>(h));
  const int components = cinfo.output_components;
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(w * components), 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, row, 1);
    TPixel* dst = bitmap.ScanLine(y);
    const JSAMPLE* src = row[0];
    for (int64_t x = 0; x < w; ++x) {
      if (components == 1) {
        const TPixel v = src[x];
        dst[x] = (v << 16) | (v << 8) | v;
      } else if (components == 4) {
        // Adobe files store CMYK inverted: each ink is already 255 - ink.
        const unsigned c = src[4 * x], m = src[4 * x + 1], yy = src[4 * x + 2], k = src[4 * x + 3];
        dst[x] = ((c * k / 255) << 16) | ((m * k / 255) << 8) | (yy * k / 255);
      } else {
        dst[x] = (src[3 * x] << 16) | (src[3 * x + 1] << 8) | src[3 * x + 2];
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return errors.Truncated ? JWRN_JPEG_EOF : 0;
}

// Returns 0, or the libjpeg message code of the failure; out receives malloc'ed bytes.
int EncodeJpegData(const TBitmap& bitmap, int quality, bool grayscale, unsigned char** out, unsigned long* outSize) {
  jpeg_compress_struct cinfo;
  TJpegErrors errors;
  InitErrors(errors);
  cinfo.err = &errors.Manager;
  if (setjmp(errors.Jump)) {
    jpeg_destroy_compress(&cinfo);
    return errors.Code ? errors.Code : JERR_BAD_STATE;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
  cinfo.input_components = grayscale ? 1 : 3;
  cinfo.in_color_space = grayscale ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(bitmap.Width() * 3), 1);
  while (cinfo.next_scanline < cinfo.image_height) {
    const TPixel* src = bitmap.ScanLine(static_cast<int>(cinfo.next_scanline));
    JSAMPLE* dst = row[0];
    for (int x = 0; x < bitmap.Width(); ++x) {
      const unsigned r = (src[x] >> 16) & 0xFF, g = (src[x] >> 8) & 0xFF, b = src[x] & 0xFF;
      if (grayscale) {
        dst[x] = static_cast<JSAMPLE>((r * 299 + g * 587 + b * 114 + 500) / 1000);
      } else {
        dst[3 * x] = static_cast<JSAMPLE>(r);
        dst[3 * x + 1] = static_cast<JSAMPLE>(g);
        dst[3 * x + 2] = static_cast<JSAMPLE>(b);
      }
    }
    jpeg_write_scanlines(&cinfo, row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return 0;
}

[[noreturn]] void RaiseJpegError(int code) { throw EInvalidGraphic("JPEG error #" + std::to_string(code)); }

}  // namespace

namespace codec {

TBitmap DecodeJpeg(std::span<const uint8_t> data, bool grayscale) {
  TBitmap bitmap;
  const int code = DecodeJpegData(data.data(), data.size(), grayscale, bitmap);
  if (code != 0) RaiseJpegError(code);
  return bitmap;
}

std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality, bool grayscale) {
  if (bitmap.Empty()) RaiseJpegError(JERR_EMPTY_IMAGE);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const int code = EncodeJpegData(bitmap, quality, grayscale, &buffer, &size);
  std::vector<uint8_t> data;
  if (code == 0) data.assign(buffer, buffer + size);
  free(buffer);
  if (code != 0) RaiseJpegError(code);
  return data;
}

std::string JpegTooBigMessage() { return "JPEG error #" + std::to_string(JERR_IMAGE_TOO_BIG); }

}  // namespace codec

// ---- PNG ------------------------------------------------------------------------

namespace codec {

TDecodedImage DecodePng(std::span<const uint8_t> data, const char* message) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) throw EInvalidGraphic(message);
  if (image.width == 0 || image.height == 0 || image.width > kMaxDimension || image.height > kMaxDimension ||
      int64_t{image.width} * image.height > kMaxPixels) {
    png_image_free(&image);
    throw EInvalidGraphic(message);
  }
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> buffer(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) throw EInvalidGraphic(message);
  TDecodedImage out;
  const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
  out.Bitmap.SetSize(w, h);
  out.Alpha.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = buffer.data() + static_cast<size_t>(y) * w * 4;
    TPixel* dst = out.Bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      dst[x] = (src[4 * x + 2] << 16) | (src[4 * x + 1] << 8) | src[4 * x];
      out.Alpha[static_cast<size_t>(y) * w + x] = src[4 * x + 3];
    }
  }
  out.Format = pf32bit;
  out.End = data.size();
  return out;
}

std::vector<uint8_t> EncodePng(const TBitmap& bitmap) {
  if (bitmap.Empty()) throw EInvalidGraphic(kInvalidPng);
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const TPixel* src = bitmap.ScanLine(y);
    uint8_t* dst = rgb.data() + static_cast<size_t>(y) * w * 3;
    for (int x = 0; x < w; ++x) {
      dst[3 * x] = static_cast<uint8_t>(src[x] >> 16);
      dst[3 * x + 1] = static_cast<uint8_t>(src[x] >> 8);
      dst[3 * x + 2] = static_cast<uint8_t>(src[x]);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr))
    throw EInvalidGraphic(kInvalidPng);
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr))
    throw EInvalidGraphic(kInvalidPng);
  out.resize(size);
  return out;
}

}  // namespace codec

}  // namespace ui
