#pragma once
// Pictures: the graphic kinds besides the bitmap (JPEG, icon, metafile, PNG)
// and TPicture, which holds one graphic of any kind and loads picture files
// by their extension.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ui/Graphics.h"

namespace ui {

// JPEG through libjpeg. Keeps the file's bytes (saved back unchanged) and the
// decoded pixels. A damaged file raises "JPEG error #%d" with libjpeg's message code.
class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  TJPEGImage(const TJPEGImage& other);
  ~TJPEGImage() override;

  int Width() const override { return FBitmap.Width(); }
  int Height() const override { return FBitmap.Height(); }
  // Decoded in shades of grey; changing it decodes the picture again.
  bool Grayscale() const { return FGrayscale; }
  void SetGrayscale(bool value);
  // 1..100, used when the pixels are compressed again (after Assign).
  int CompressionQuality() const { return FQuality; }
  void SetCompressionQuality(int quality);

  // Compresses a bitmap's pixels.
  void Assign(const TBitmap& bitmap);
  // The decoded pixels.
  const TBitmap& Bitmap() const { return FBitmap; }

  // Transparency never applies to JPEG pictures: they are always drawn opaque.
  void SetTransparent(bool value) override {}
  void LoadFromStream(rtl::TStream& stream) override;
  void SaveToStream(rtl::TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }
  void Draw(TCanvas& canvas, const TRect& dest) const override;

 private:
  void Decode(const std::vector<uint8_t>& data);

  std::vector<uint8_t> FData;
  TBitmap FBitmap;
  bool FGrayscale = false;
  int FQuality = 90;
};

// Writes bitmap pixels as a baseline JPEG (quality 1..100).
void SaveJpegToStream(const TBitmap& bitmap, rtl::TStream& stream, int quality = 90, bool grayscale = false);

// An icon file (ICO): the 32x32 image of the most colours when there is one,
// else the first. The AND mask (or a 32-bit image's alpha) makes pixels see-through;
// icons are always drawn transparent. A damaged file raises "Icon image is not valid".
class TIcon : public TGraphic {
 public:
  TIcon();
  TIcon(const TIcon& other);
  ~TIcon() override;

  int Width() const override { return FImage.Width(); }
  int Height() const override { return FImage.Height(); }
  // The chosen image's colours and its opacity (255 opaque, 0 see-through).
  const TBitmap& Image() const { return FImage; }
  uint8_t Alpha(int x, int y) const { return FAlpha[static_cast<size_t>(y) * FImage.Width() + x]; }

  void LoadFromStream(rtl::TStream& stream) override;
  // Writes the file as loaded.
  void SaveToStream(rtl::TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIcon>(*this); }
  void Draw(TCanvas& canvas, const TRect& dest) const override;

 private:
  std::vector<uint8_t> FData;
  TBitmap FImage;
  std::vector<uint8_t> FAlpha;
};

// A Windows metafile (WMF, with or without its placeable header) or an
// enhanced metafile (EMF), played onto a canvas. Played records: pens, brushes,
// fonts and their selection and deletion, colours, background mode, window
// and viewport origin and extent, moves and lines, polylines, polygons,
// poly-polygons, rectangles, round rectangles, ellipses, text, fills, pixels
// and device-independent bitmaps, save and restore. Others are skipped.
// A damaged file raises "Metafile is not valid".
class TMetafile : public TGraphic {
 public:
  TMetafile();
  TMetafile(const TMetafile& other);
  ~TMetafile() override;

  // The size at 96 pixels an inch: from the placeable header of a WMF, the
  // frame of an EMF; a WMF without the header has the size of its window extent.
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  bool Enhanced() const { return FEnhanced; }

  void LoadFromStream(rtl::TStream& stream) override;
  void SaveToStream(rtl::TStream& stream) const override;  // the file as loaded
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TMetafile>(*this); }
  // Plays the records with the picture's frame mapped onto dest; the
  // background shows where the records draw nothing.
  void Draw(TCanvas& canvas, const TRect& dest) const override;

 private:
  std::vector<uint8_t> FData;
  bool FEnhanced = false;
  int FWidth = 0;
  int FHeight = 0;
  // Frame in the records' own units: what maps onto the destination rectangle.
  TRect FFrame;
};

// PNG through libpng: read into pixels (alpha dropped over white unless the
// pixel is fully opaque) and written as 8-bit RGB.
class TPngImage : public TGraphic {
 public:
  TPngImage() = default;
  explicit TPngImage(const TBitmap& bitmap) : FBitmap(bitmap) {}

  int Width() const override { return FBitmap.Width(); }
  int Height() const override { return FBitmap.Height(); }
  const TBitmap& Bitmap() const { return FBitmap; }
  void Assign(const TBitmap& bitmap) { FBitmap = bitmap; Changed(); }

  void LoadFromStream(rtl::TStream& stream) override;
  void SaveToStream(rtl::TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPngImage>(*this); }
  void Draw(TCanvas& canvas, const TRect& dest) const override;

 private:
  TBitmap FBitmap;
};

// Writes bitmap pixels as an 8-bit RGB PNG.
void SavePngToStream(const TBitmap& bitmap, rtl::TStream& stream);

// Holds one graphic of any kind (or none) and tells its owner of changes.
class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture& other);
  TPicture& operator=(const TPicture& other);  // copies the graphic, keeps OnChange

  TGraphic* Graphic() const { return FGraphic.get(); }
  // A copy of graphic (nullptr empties the picture).
  void SetGraphic(const TGraphic* graphic);
  void Assign(const TPicture& other) { *this = other; }
  // The graphic as a bitmap: an empty bitmap replaces any other kind (as a
  // picture's Bitmap property does); changes to it reach OnChange.
  TBitmap& Bitmap();

  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }
  bool Empty() const { return !FGraphic || FGraphic->Empty(); }

  // The kind follows the extension ("bmp", "ico", "wmf", "emf", "jpg", "jpeg",
  // without regard to case); another extension raises the unknown-extension
  // error, a damaged file its format's error; the picture is unchanged then.
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;

  std::function<void()> OnChange;

 private:
  void Adopt(std::unique_ptr<TGraphic> graphic);
  void Changed() { if (OnChange) OnChange(); }

  std::unique_ptr<TGraphic> FGraphic;
};

}  // namespace ui
