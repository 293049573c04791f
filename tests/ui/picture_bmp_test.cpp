// Bitmap files: every depth and compression read from hand-made files,
// writing and reading back, and damaged files.

#include <gtest/gtest.h>

#include "tests/ui/graphics_fixtures.h"
#include "ui/Graphics.h"

namespace {

using namespace ui;
using gfxtest::Ascii;
using gfxtest::Lines;
using gfxtest::TBytes;

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;

// RGBQUAD values (0x00RRGGBB) of the legend's colours.
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kLime = 0x00FF00, kWhite = 0xFFFFFF, kBlack = 0;

struct TBmp {
  TBmp(int width, int height, unsigned bpp, uint32_t compression, std::vector<uint32_t> palette, std::string bits,
       std::vector<uint32_t> masks = {}, uint32_t colorsUsed = 0, bool core = false)
      : Width(width), Height(height), Bpp(bpp), Compression(compression), Palette(std::move(palette)),
        Bits(std::move(bits)), Masks(std::move(masks)), ColorsUsed(colorsUsed), Core(core) {}

  int Width, Height;  // a negative height is top-down
  unsigned Bpp;
  uint32_t Compression;
  std::vector<uint32_t> Palette;
  std::string Bits;             // the pixel bytes as stored
  std::vector<uint32_t> Masks;  // after the header for BI_BITFIELDS
  uint32_t ColorsUsed;
  bool Core;                    // the 12-byte OS/2 header

  std::string File() const {
    const size_t headerSize = Core ? 12 : 40;
    const size_t offBits = 14 + headerSize + Masks.size() * 4 + Palette.size() * (Core ? 3 : 4);
    TBytes b;
    b.Raw("BM").U32(static_cast<uint32_t>(offBits + Bits.size())).U32(0).U32(static_cast<uint32_t>(offBits));
    if (Core) {
      b.U32(12).U16(Width).I16(Height).U16(1).U16(Bpp);
    } else {
      b.U32(40).I32(Width).I32(Height).U16(1).U16(Bpp).U32(Compression).U32(static_cast<uint32_t>(Bits.size()));
      // A short colour table says how many entries it has.
      b.U32(0).U32(0).U32(ColorsUsed ? ColorsUsed : static_cast<uint32_t>(Palette.size())).U32(0);
    }
    for (uint32_t m : Masks) b.U32(m);
    for (uint32_t c : Palette) {
      b.U8(c & 0xFF).U8((c >> 8) & 0xFF).U8((c >> 16) & 0xFF);
      if (!Core) b.U8(0);
    }
    return b.Raw(Bits).Data;
  }
};

TBitmap Load(const std::string& file) {
  auto s = gfxtest::Stream(file);
  TBitmap b;
  b.LoadFromStream(s);
  return b;
}

std::string Row(std::initializer_list<unsigned> bytes) {
  std::string s;
  for (unsigned v : bytes) s += static_cast<char>(v);
  return s;
}

TEST(PictureBmp, ReadsEveryDepth) {
  const std::vector<uint32_t> rb = {kRed, kBlue};
  const std::vector<uint32_t> pal16 = {kRed, kBlue, kLime, kWhite, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  struct {
    const char* Name;
    TBmp Bmp;
    TPixelFormat Format;
    Lines Expected;
  } const cases[] = {
      // Rows are stored bottom-up and padded to four bytes.
      {"1 bit", {3, 2, 1, BI_RGB, rb, Row({0xA0, 0, 0, 0, 0x40, 0, 0, 0})}, pf1bit, {"rbr", "brb"}},
      {"4 bits", {3, 2, 4, BI_RGB, pal16, Row({0x01, 0x20, 0, 0, 0x23, 0x10, 0, 0})}, pf4bit, {"g.b", "rbg"}},
      {"8 bits", {3, 2, 8, BI_RGB, {kRed, kBlue, kLime, kWhite}, Row({0, 1, 2, 0, 2, 3, 1, 0})}, pf8bit, {"g.b", "rbg"}},
      {"16 bits 5-5-5",
       {3, 2, 16, BI_RGB, {}, Row({0x00, 0x7C, 0x1F, 0x00, 0xE0, 0x03, 0, 0, 0xE0, 0x03, 0xFF, 0x7F, 0x1F, 0x00, 0, 0})},
       pf15bit, {"g.b", "rbg"}},
      {"16 bits 5-6-5",
       {3, 2, 16, BI_BITFIELDS, {}, Row({0x00, 0xF8, 0x1F, 0x00, 0xE0, 0x07, 0, 0, 0xE0, 0x07, 0xFF, 0xFF, 0x1F, 0x00, 0, 0}),
        {0xF800, 0x07E0, 0x001F}},
       pf16bit, {"g.b", "rbg"}},
      {"24 bits",
       {3, 2, 24, BI_RGB, {}, Row({0, 0, 255, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 255, 255, 255, 255, 0, 0, 0, 0, 0})},
       pf24bit, {"g.b", "rbg"}},
      {"24 bits top-down",
       {3, -2, 24, BI_RGB, {}, Row({0, 255, 0, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 255, 0, 0, 0, 0})},
       pf24bit, {"g.b", "rbg"}},
      {"32 bits", {3, 2, 32, BI_RGB, {}, Row({0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 9, 255, 0, 0, 0})}, pf32bit, {"g.b", "rbg"}},
      {"core header", {3, 2, 4, BI_RGB, pal16, Row({0x01, 0x20, 0, 0, 0x23, 0x10, 0, 0}), {}, 0, true}, pf4bit, {"g.b", "rbg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TBitmap b = Load(c.Bmp.File());
    EXPECT_EQ(Ascii(b), c.Expected);
    EXPECT_EQ(b.PixelFormat(), c.Format);
  }
}

TEST(PictureBmp, ReadsRunLengthData) {
  // Runs, an absolute run, a delta (pixels it skips stay black), end of line and end of bitmap.
  TBmp rle8{5, 3, 8, BI_RLE8, {kRed, kBlue, kLime, kWhite}, {}};
  rle8.Bits = Row({2, 1,              // bottom row: two blue
                   0, 3, 2, 3, 0, 0,  // absolute: lime, white, red (padded)
                   0, 0,              // end of line
                   0, 2, 1, 1,        // delta: one right, one up
                   1, 2,              // top row, x 1: one lime
                   0, 1});            // end of bitmap
  EXPECT_EQ(Ascii(Load(rle8.File())), (Lines{"#g###", "#####", "bbg.r"}));

  TBmp rle4{6, 1, 4, BI_RLE4, {kRed, kBlue, kLime, kWhite, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}};
  rle4.Bits = Row({3, 0x12,                 // blue, lime, blue
                   0, 3, 0x30, 0x10, 0, 1});  // absolute: white, red, blue
  EXPECT_EQ(Ascii(Load(rle4.File())), (Lines{"bgb.rb"}));
}

TEST(PictureBmp, LeavesTheStreamAfterThePicture) {
  TBmp bmp{1, 1, 24, BI_RGB, {}, Row({0, 0, 255, 0})};
  rtl::TMemoryStream s = gfxtest::Stream(bmp.File() + "tail");
  TBitmap b;
  b.LoadFromStream(s);
  EXPECT_EQ(s.Position(), static_cast<int64_t>(bmp.File().size()));
}

TEST(PictureBmp, WritesAndReadsBackEachDepth) {
  const TBitmap picture = gfxtest::FromAscii({"rgb.#", "#.bgr", "yyyyy"});
  for (TPixelFormat format : {pf4bit, pf8bit, pf24bit, pf32bit}) {
    TBitmap b = picture;
    b.SetPixelFormat(format);
    rtl::TMemoryStream s;
    b.SaveToStream(s);
    s.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(s);
    EXPECT_EQ(Ascii(back), Ascii(picture)) << format;
    EXPECT_EQ(back.PixelFormat(), format);
  }
  // One bit a pixel: black and white, other colours to the nearest.
  TBitmap mono = gfxtest::FromAscii({"#.y", "rb#"});
  mono.SetPixelFormat(pf1bit);
  rtl::TMemoryStream s;
  mono.SaveToStream(s);
  s.SetPosition(0);
  TBitmap back;
  back.LoadFromStream(s);
  EXPECT_EQ(Ascii(back), (Lines{"#..", "###"}));
  EXPECT_TRUE(back.Monochrome());
}

TEST(PictureBmp, TooManyColoursForTheDepthAreWrittenWith24Bits) {
  TBitmap b(20, 1);
  for (int x = 0; x < 20; ++x) b.SetPixels(x, 0, RGB(static_cast<uint8_t>(x * 10), 0, 0));
  b.SetPixelFormat(pf4bit);
  rtl::TMemoryStream s;
  b.SaveToStream(s);
  s.SetPosition(0);
  TBitmap back;
  back.LoadFromStream(s);
  EXPECT_EQ(back.PixelFormat(), pf24bit);
  EXPECT_EQ(back.Pixels(19, 0), RGB(190, 0, 0));
}

TEST(PictureBmp, DamagedFilesRaiseTheBitmapError) {
  const std::string good = TBmp{3, 2, 24, BI_RGB, {}, std::string(24, '\0')}.File();
  auto patched = [&](size_t at, uint32_t value) {
    TBytes b{good};
    b.Patch32(at, value);
    return b.Data;
  };
  struct {
    const char* Name;
    std::string File;
  } const cases[] = {
      {"empty", ""},
      {"only the signature", "BM"},
      {"wrong signature", "XY" + good.substr(2)},
      {"pixels cut short", good.substr(0, good.size() - 1)},
      {"header size unknown", patched(14, 20)},
      {"zero width", patched(18, 0)},
      {"huge width", patched(18, 100000)},
      {"huge area", [&] {
         TBytes b{good};
         b.Patch32(18, 30000);
         b.Patch32(22, 30000);
         return b.Data;
       }()},
      {"bits a pixel", TBmp{3, 2, 7, BI_RGB, {}, std::string(24, '\0')}.File()},
      {"run-length at 24 bits", TBmp{3, 2, 24, BI_RLE8, {}, std::string(24, '\0')}.File()},
      {"top-down run-length", TBmp{3, -2, 8, BI_RLE8, {kRed}, Row({0, 1})}.File()},
      {"colour table larger than the depth", TBmp{3, 2, 1, BI_RGB, {kRed, kBlue}, std::string(8, '\0'), {}, 3}.File()},
      {"colour table beyond the file", TBmp{3, 2, 8, BI_RGB, {}, "", {}, 256}.File()},
      {"pixel offset beyond the file", patched(10, 5000)},
      {"absolute run cut off", TBmp{5, 1, 8, BI_RLE8, {kRed}, Row({0, 5, 0, 0})}.File()},
  };
  for (const auto& c : cases) {
    auto s = gfxtest::Stream(c.File);
    TBitmap b(1, 1);
    try {
      b.LoadFromStream(s);
      ADD_FAILURE() << c.Name << ": no error";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid") << c.Name;
    }
    EXPECT_EQ(b.Width(), 1) << c.Name << ": the bitmap changed";
  }
}

TEST(PictureBmp, HugeRunLengthAreaInATinyFileIsRefusedBeforeAllocating) {
  // 5000 x 5000 pixels (within the size limit) announced by a few bytes of runs.
  TBmp bmp{5000, 5000, 8, BI_RLE8, {kRed}, Row({0, 1})};
  auto s = gfxtest::Stream(bmp.File());
  TBitmap b;
  EXPECT_THROW(b.LoadFromStream(s), EInvalidGraphic);
}

}  // namespace
