// Picture kinds (JPEG, icon, PNG) and the picture that holds any of them.

#include "ui/Picture.h"

#include <algorithm>
#include <cstring>

#include "ui/ImageCodecs.h"

namespace ui {

// ---- JPEG -----------------------------------------------------------------------

TJPEGImage::TJPEGImage() = default;
TJPEGImage::TJPEGImage(const TJPEGImage& other) = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Decode(const std::vector<uint8_t>& data) { FBitmap = codec::DecodeJpeg(data, FGrayscale); }

void TJPEGImage::SetGrayscale(bool value) {
  if (value == FGrayscale) return;
  FGrayscale = value;
  if (!FData.empty()) {
    Decode(FData);
    Changed();
  }
}

void TJPEGImage::SetCompressionQuality(int quality) { FQuality = std::clamp(quality, 1, 100); }

void TJPEGImage::Assign(const TBitmap& bitmap) {
  FData = codec::EncodeJpeg(bitmap, FQuality, FGrayscale);
  FBitmap = bitmap;
  FBitmap.OnChange = nullptr;
  Changed();
}

void TJPEGImage::LoadFromStream(rtl::TStream& stream) {
  static const std::string tooBig = codec::JpegTooBigMessage();
  std::vector<uint8_t> data = codec::ReadRest(stream, tooBig.c_str());
  Decode(data);
  FData = std::move(data);
  Changed();
}

void TJPEGImage::SaveToStream(rtl::TStream& stream) const {
  if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& dest) const {
  if (!Empty()) canvas.CopyBitmap(dest, FBitmap, Rect(0, 0, Width(), Height()));
}

void SaveJpegToStream(const TBitmap& bitmap, rtl::TStream& stream, int quality, bool grayscale) {
  const std::vector<uint8_t> data = codec::EncodeJpeg(bitmap, std::clamp(quality, 1, 100), grayscale);
  stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
}

// ---- PNG ------------------------------------------------------------------------


using codec::kInvalidPng;

void TPngImage::LoadFromStream(rtl::TStream& stream) {
  codec::TDecodedImage image = codec::DecodePng(codec::ReadRest(stream, kInvalidPng), kInvalidPng);
  // See-through pixels are laid over white.
  TBitmap bitmap(image.Bitmap.Width(), image.Bitmap.Height());
  bitmap.Canvas().AlphaDraw(Rect(0, 0, bitmap.Width(), bitmap.Height()), image.Bitmap, image.Alpha);
  bitmap.OnChange = nullptr;
  FBitmap = std::move(bitmap);
  Changed();
}

void TPngImage::SaveToStream(rtl::TStream& stream) const { SavePngToStream(FBitmap, stream); }

void TPngImage::Draw(TCanvas& canvas, const TRect& dest) const {
  if (!Empty()) canvas.CopyBitmap(dest, FBitmap, Rect(0, 0, Width(), Height()));
}

void SavePngToStream(const TBitmap& bitmap, rtl::TStream& stream) {
  const std::vector<uint8_t> data = codec::EncodePng(bitmap);
  stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
}

// ---- icons ------------------------------------------------------------------------

TIcon::TIcon() { FTransparent = true; }
TIcon::TIcon(const TIcon& other) = default;
TIcon::~TIcon() = default;

void TIcon::LoadFromStream(rtl::TStream& stream) {
  const int64_t start = stream.Position();
  std::vector<uint8_t> data = codec::ReadRest(stream, codec::kInvalidIcon);
  auto fail = [] { throw EInvalidGraphic(codec::kInvalidIcon); };
  // ICONDIR: reserved 0, type 1 (icon) or 2 (cursor), count.
  if (data.size() < 6 || codec::Get16(data, 0) != 0) fail();
  const unsigned type = codec::Get16(data, 2), count = codec::Get16(data, 4);
  if ((type != 1 && type != 2) || count == 0 || 6 + 16 * size_t{count} > data.size()) fail();
  // ICONDIRENTRY: width, height (0 = 256), colours, reserved, planes, bits, size, offset.
  size_t chosen = 0;
  int bestBits = -1;
  size_t end = 6 + 16 * size_t{count};
  for (size_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * i;
    const size_t bytes = codec::Get32(data, e + 8), offset = codec::Get32(data, e + 12);
    if (offset <= data.size() && bytes <= data.size() - offset) end = std::max(end, offset + bytes);
    const int w = data[e] ? data[e] : 256, h = data[e + 1] ? data[e + 1] : 256;
    int bits = codec::Get16(data, e + 6);
    if (bits == 0) bits = data[e + 2] == 0 ? 8 : (data[e + 2] <= 2 ? 1 : 4);
    if (w == 32 && h == 32 && bits > bestBits) {
      bestBits = bits;
      chosen = i;
    }
  }
  const size_t e = 6 + 16 * chosen;
  const size_t bytes = codec::Get32(data, e + 8), offset = codec::Get32(data, e + 12);
  if (offset > data.size() || bytes > data.size() - offset || bytes < 8) fail();
  const std::span<const uint8_t> image(data.data() + offset, bytes);
  static constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  codec::TDecodedImage decoded = std::memcmp(image.data(), kPngSignature, 8) == 0
                                     ? codec::DecodePng(image, codec::kInvalidIcon)
                                     : codec::DecodeDib(image, 0, 0, true, codec::kInvalidIcon);
  if (decoded.Alpha.empty()) decoded.Alpha.assign(static_cast<size_t>(decoded.Bitmap.Width()) * decoded.Bitmap.Height(), 255);
  stream.SetPosition(start + static_cast<int64_t>(end));
  data.resize(end);
  FData = std::move(data);
  FImage = std::move(decoded.Bitmap);
  FImage.OnChange = nullptr;
  FAlpha = std::move(decoded.Alpha);
  Changed();
}

void TIcon::SaveToStream(rtl::TStream& stream) const {
  if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TIcon::Draw(TCanvas& canvas, const TRect& dest) const {
  if (!Empty()) canvas.AlphaDraw(dest, FImage, FAlpha);
}

// ---- picture ------------------------------------------------------------------------

TPicture::TPicture(const TPicture& other) { Adopt(other.FGraphic ? other.FGraphic->Clone() : nullptr); }

TPicture& TPicture::operator=(const TPicture& other) {
  if (this == &other) return *this;
  Adopt(other.FGraphic ? other.FGraphic->Clone() : nullptr);
  Changed();
  return *this;
}

void TPicture::Adopt(std::unique_ptr<TGraphic> graphic) {
  FGraphic = std::move(graphic);
  if (FGraphic) FGraphic->OnChange = [this] { Changed(); };
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  Adopt(graphic ? graphic->Clone() : nullptr);
  Changed();
}

TBitmap& TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get())) {
    Adopt(std::make_unique<TBitmap>());
    Changed();
  }
  return static_cast<TBitmap&>(*FGraphic);
}

void TPicture::LoadFromFile(const AnsiString& fileName) {
  std::unique_ptr<TGraphic> graphic;
  switch (platform::PictureKindFromFileName(fileName)) {
    case platform::pkBitmap: graphic = std::make_unique<TBitmap>(); break;
    case platform::pkIcon: graphic = std::make_unique<TIcon>(); break;
    case platform::pkMetafile: graphic = std::make_unique<TMetafile>(); break;
    case platform::pkJpeg: graphic = std::make_unique<TJPEGImage>(); break;
  }
  graphic->LoadFromFile(fileName);
  Adopt(std::move(graphic));
  Changed();
}

void TPicture::SaveToFile(const AnsiString& fileName) const {
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

}  // namespace ui
