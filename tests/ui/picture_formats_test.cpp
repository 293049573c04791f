// Picture kinds besides bitmaps (JPEG, PNG, icons, metafiles) and loading
// picture files of the machine by their extension.

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <random>

#include "tests/platform/MachineFixture.h"
#include "tests/ui/graphics_fixtures.h"
#include "ui/Picture.h"

namespace {

using namespace ui;
using gfxtest::Ascii;
using gfxtest::Lines;
using gfxtest::TBytes;

// Four quadrants: red, lime / blue, white.
TBitmap Quadrants(int size) {
  TBitmap b(size, size);
  TCanvas& c = b.Canvas();
  const TColor colours[4] = {clRed, clLime, clBlue, clWhite};
  for (int i = 0; i < 4; ++i) {
    c.Brush.Color = colours[i];
    c.FillRect(Bounds((i % 2) * size / 2, (i / 2) * size / 2, size / 2, size / 2));
  }
  return b;
}

bool Near(TColor a, TColor b, int tolerance) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

template <typename TKind>
std::string ErrorOf(const std::string& bytes) {
  auto s = gfxtest::Stream(bytes);
  TKind graphic;
  try {
    graphic.LoadFromStream(s);
  } catch (const EInvalidGraphic& e) {
    return e.Message();
  }
  return "no error";
}

// ---- JPEG

std::string JpegOf(const TBitmap& b, int quality = 95) {
  rtl::TMemoryStream s;
  SaveJpegToStream(b, s, quality);
  return gfxtest::Bytes(s);
}

TEST(PictureJpeg, CompressesAndDecodes) {
  const std::string file = JpegOf(Quadrants(32));
  auto s = gfxtest::Stream(file);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(s);
  ASSERT_EQ(jpeg.Width(), 32);
  ASSERT_EQ(jpeg.Height(), 32);
  EXPECT_TRUE(Near(jpeg.Bitmap().Pixels(8, 8), clRed, 12));
  EXPECT_TRUE(Near(jpeg.Bitmap().Pixels(24, 8), clLime, 12));
  EXPECT_TRUE(Near(jpeg.Bitmap().Pixels(8, 24), clBlue, 12));
  EXPECT_TRUE(Near(jpeg.Bitmap().Pixels(24, 24), clWhite, 12));
  // Saved back unchanged.
  rtl::TMemoryStream out;
  jpeg.SaveToStream(out);
  EXPECT_EQ(gfxtest::Bytes(out), file);
  // Grey decoding, and drawing stretched.
  jpeg.SetGrayscale(true);
  const TColor grey = jpeg.Bitmap().Pixels(8, 8);
  EXPECT_EQ(GetRValue(grey), GetGValue(grey));
  EXPECT_EQ(GetGValue(grey), GetBValue(grey));
  TBitmap canvas(4, 4);
  jpeg.SetGrayscale(false);
  canvas.Canvas().StretchDraw(Rect(0, 0, 4, 4), jpeg);
  EXPECT_TRUE(Near(canvas.Pixels(3, 3), clWhite, 12));
}

TEST(PictureJpeg, AssignedPixelsAreCompressedOnSave) {
  TJPEGImage jpeg;
  jpeg.SetCompressionQuality(80);
  jpeg.Assign(Quadrants(16));
  EXPECT_EQ(jpeg.Bitmap().Pixels(0, 0), clRed);
  rtl::TMemoryStream s;
  jpeg.SaveToStream(s);
  const std::string bytes = gfxtest::Bytes(s);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
}

TEST(PictureJpeg, DamagedFilesRaiseTheLibraryErrorNumber) {
  const std::string good = JpegOf(Quadrants(32));
  for (const std::string& bad : {std::string(), std::string("not a picture at all"), good.substr(0, good.size() / 2),
                                 good.substr(0, 20)}) {
    const std::string message = ErrorOf<TJPEGImage>(bad);
    EXPECT_EQ(message.rfind("JPEG error #", 0), 0u) << message;
  }
  // A header announcing a picture far beyond what the file can hold.
  std::string huge = good;
  const size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = huge[sof + 7] = '\x7F';  // height and width 0x7F..
  EXPECT_EQ(ErrorOf<TJPEGImage>(huge).rfind("JPEG error #", 0), 0u);
}

// ---- PNG

TEST(PicturePng, RoundTripIsExact) {
  const TBitmap picture = gfxtest::FromAscii({"rgb.", "#yr."});
  rtl::TMemoryStream s;
  SavePngToStream(picture, s);
  s.SetPosition(0);
  TPngImage png;
  png.LoadFromStream(s);
  EXPECT_EQ(Ascii(png.Bitmap()), Ascii(picture));
  EXPECT_EQ(ErrorOf<TPngImage>("\x89PNG\r\n\x1A\n broken"), "PNG image is not valid");
}

TEST(PicturePng, SeeThroughPixelsLieOverWhite) {
  // Two pixels: opaque red, fully transparent black.
  const uint8_t rgba[] = {255, 0, 0, 255, 0, 0, 0, 0};
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = 2;
  image.height = 1;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba, 0, nullptr));
  std::string bytes(size, '\0');
  ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba, 0, nullptr));
  auto s = gfxtest::Stream(bytes);
  TPngImage png;
  png.LoadFromStream(s);
  EXPECT_EQ(Ascii(png.Bitmap()), (Lines{"r."}));
}

// ---- icons

// A DIB for an icon: 24-bit colours from text, the AND mask marks '-' see-through.
std::string IconDib(const Lines& colours) {
  const int w = static_cast<int>(colours[0].size()), h = static_cast<int>(colours.size());
  const std::map<char, uint32_t> bgr = {{'r', 0xFF0000}, {'g', 0x00FF00}, {'b', 0x0000FF}, {'.', 0xFFFFFF}, {'-', 0}};
  TBytes b;
  b.U32(40).I32(w).I32(2 * h).U16(1).U16(24).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  const int rowBytes = (w * 3 + 3) / 4 * 4, maskRow = (w + 31) / 32 * 4;
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t c = bgr.at(colours[y][x]);
      b.U8(c & 0xFF).U8((c >> 8) & 0xFF).U8(c >> 16);
    }
    b.Zeros(rowBytes - w * 3);
  }
  for (int y = h - 1; y >= 0; --y) {
    std::string row(maskRow, '\0');
    for (int x = 0; x < w; ++x)
      if (colours[y][x] == '-') row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    b.Raw(row);
  }
  return b.Data;
}

std::string IconFile(const std::vector<std::pair<int, std::string>>& images) {
  TBytes b;
  b.U16(0).U16(1).U16(static_cast<unsigned>(images.size()));
  size_t offset = 6 + 16 * images.size();
  for (const auto& [size, data] : images) {
    b.U8(size).U8(size).U8(0).U8(0).U16(1).U16(24).U32(static_cast<uint32_t>(data.size())).U32(static_cast<uint32_t>(offset));
    offset += data.size();
  }
  for (const auto& [size, data] : images) b.Raw(data);
  return b.Data;
}

Lines Pattern(int size, char top, char bottom) {
  Lines l;
  for (int y = 0; y < size; ++y) l.push_back(std::string(size / 2, y < size / 2 ? top : bottom) + std::string(size / 2, 'b'));
  return l;
}

TEST(PictureIcon, Chooses32x32AndDrawsThroughItsMask) {
  const std::string file = IconFile({{4, IconDib(Pattern(4, 'r', 'r'))}, {32, IconDib(Pattern(32, '-', 'r'))}});
  auto s = gfxtest::Stream(file);
  TIcon icon;
  icon.LoadFromStream(s);
  ASSERT_EQ(icon.Width(), 32);
  EXPECT_TRUE(icon.Transparent());
  TBitmap canvas(32, 32);
  canvas.Fill(clLime);
  canvas.Canvas().Draw(0, 0, icon);
  EXPECT_EQ(canvas.Pixels(0, 0), clLime);   // masked
  EXPECT_EQ(canvas.Pixels(0, 31), clRed);
  EXPECT_EQ(canvas.Pixels(31, 0), clBlue);
  // Stretched to half size, still masked.
  canvas.Fill(clLime);
  canvas.Canvas().StretchDraw(Rect(0, 0, 16, 16), icon);
  EXPECT_EQ(canvas.Pixels(0, 0), clLime);
  EXPECT_EQ(canvas.Pixels(0, 15), clRed);
  EXPECT_EQ(canvas.Pixels(20, 20), clLime);
  rtl::TMemoryStream out;
  icon.SaveToStream(out);
  EXPECT_EQ(gfxtest::Bytes(out), file);
  // As a bitmap the see-through part is white.
  TBitmap flat;
  int changes = 0;
  flat.OnChange = [&] { ++changes; };
  flat.Assign(icon);
  EXPECT_EQ(flat.Pixels(0, 0), clWhite);
  EXPECT_EQ(flat.Pixels(0, 31), clRed);
  EXPECT_EQ(changes, 1);
}

TEST(PictureIcon, WithoutA32x32ImageTheFirstIsUsed) {
  auto s = gfxtest::Stream(IconFile({{4, IconDib({"rrbb", "rrbb", "----", "...."})}, {8, IconDib(Pattern(8, 'r', 'r'))}}));
  TIcon icon;
  icon.LoadFromStream(s);
  ASSERT_EQ(icon.Width(), 4);
  EXPECT_EQ(icon.Alpha(0, 2), 0);
  EXPECT_EQ(icon.Alpha(0, 3), 255);
}

TEST(PictureIcon, DamagedFilesRaiseTheIconError) {
  const std::string dib = IconDib(Pattern(4, 'r', 'r'));
  const std::string good = IconFile({{4, dib}});
  TBytes wrongOffset{good};
  wrongOffset.Patch32(6 + 12, 100000);
  for (const std::string& bad : {std::string(), std::string("\0\0\3\0\1\0", 6), std::string("\0\0\1\0\0\0", 6),
                                 good.substr(0, 10), wrongOffset.Data, good.substr(0, good.size() - 4)}) {
    EXPECT_EQ(ErrorOf<TIcon>(bad), "Icon image is not valid");
  }
}

// ---- metafiles

// A placeable WMF of 20 x 10 units at 96 units an inch.
struct TWmf {
  TBytes Records;
  void Record(unsigned function, std::initializer_list<int> params) {
    Records.U32(static_cast<uint32_t>(3 + params.size())).U16(function);
    for (int p : params) Records.I16(p);
  }
  std::string File(int width = 20, int height = 10) const {
    TBytes header;
    header.U32(0x9AC6CDD7).U16(0).I16(0).I16(0).I16(width).I16(height).U16(96).U32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2)
      sum ^= static_cast<uint16_t>(static_cast<uint8_t>(header.Data[i]) | (static_cast<uint8_t>(header.Data[i + 1]) << 8));
    header.U16(sum);
    TBytes meta;
    const uint32_t words = static_cast<uint32_t>((18 + Records.Size() + 6) / 2);
    meta.U16(1).U16(9).U16(0x300).U32(words).U16(2).U32(8).U16(0);
    return header.Data + meta.Data + Records.Data + TBytes().U32(3).U16(0).Data;
  }
};

TWmf SampleWmf() {
  TWmf w;
  w.Record(0x020B, {0, 0});                // SETWINDOWORG
  w.Record(0x020C, {10, 20});              // SETWINDOWEXT (y, x)
  w.Record(0x02FC, {0, 0x00FF, 0, 0});     // CREATEBRUSHINDIRECT solid red  -> object 0
  w.Record(0x02FA, {5, 0, 0, 0, 0});       // CREATEPENINDIRECT null          -> object 1
  w.Record(0x012D, {0});                   // SELECTOBJECT brush
  w.Record(0x012D, {1});                   // SELECTOBJECT pen
  w.Record(0x041B, {6, 8, 2, 2});          // RECTANGLE bottom, right, top, left
  w.Record(0x02FA, {0, 0, 0, 0, 0});       // CREATEPENINDIRECT black solid   -> object 2
  w.Record(0x012D, {2});
  w.Record(0x0214, {9, 10});               // MOVETO y, x
  w.Record(0x0213, {9, 19});               // LINETO y, x
  return w;
}

TEST(PictureMetafile, PlaysWmfRecordsInsideItsFrame) {
  auto s = gfxtest::Stream(SampleWmf().File());
  TMetafile wmf;
  wmf.LoadFromStream(s);
  EXPECT_FALSE(wmf.Enhanced());
  ASSERT_EQ(wmf.Width(), 20);
  ASSERT_EQ(wmf.Height(), 10);
  TBitmap b(20, 10);
  b.Canvas().Draw(0, 0, wmf);
  EXPECT_EQ(Ascii(b), (Lines{
                          "....................",
                          "....................",
                          "..rrrrr.............",
                          "..rrrrr.............",
                          "..rrrrr.............",
                          "....................",
                          "....................",
                          "....................",
                          "....................",
                          "..........#########.",
                      }));
  // Stretched to twice the size, the records scale with it.
  TBitmap big(40, 20);
  big.Canvas().StretchDraw(Rect(0, 0, 40, 20), wmf);
  EXPECT_EQ(big.Pixels(4, 4), clRed);
  EXPECT_EQ(big.Pixels(14, 10), clRed);
  EXPECT_EQ(big.Pixels(15, 11), clWhite);
  EXPECT_EQ(big.Pixels(20, 18), clBlack);
}

TEST(PictureMetafile, WmfTextUsesItsFontAndColours) {
  TWmf w;
  // CREATEFONTINDIRECT: height -11, width, escapement, orientation, weight 400,
  // italic/underline, strike-out/charset, precisions, quality/pitch, "Arial".
  w.Record(0x02FB, {-11, 0, 0, 0, 400, 0, 0, 0, 0, 0x7241, 0x6169, 0x006C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  w.Record(0x012D, {0});
  w.Record(0x0209, {0x00FF, 0});          // SETTEXTCOLOR red
  w.Record(0x0102, {1});                  // SETBKMODE transparent
  w.Record(0x0521, {2, 0x6948, 1, 2});    // TEXTOUT "Hi" at (2, 1)
  auto s = gfxtest::Stream(w.File());
  TMetafile wmf;
  wmf.LoadFromStream(s);
  TBitmap played(20, 10);
  played.Canvas().Draw(0, 0, wmf);

  TBitmap expected(20, 10);
  expected.Canvas().Font.SetName("Arial");
  expected.Canvas().Font.SetColor(clRed);
  expected.Canvas().Brush.Style = bsClear;
  expected.Canvas().TextOut(2, 1, "Hi");
  EXPECT_EQ(Ascii(played), Ascii(expected));
  EXPECT_NE(Ascii(played), Ascii(TBitmap(20, 10)));
}

// An EMF with a 20 x 10 pixel frame on a device of one pixel a millimetre.
struct TEmf {
  TBytes Records;
  uint32_t Count = 1;
  void Record(uint32_t type, std::initializer_list<int32_t> params) {
    Records.U32(type).U32(static_cast<uint32_t>(8 + 4 * params.size()));
    for (int32_t p : params) Records.I32(p);
    ++Count;
  }
  std::string File() const {
    TBytes emf;
    // ENHMETAHEADER: type, size, bounds, frame (0.01 mm), signature, version,
    // bytes, records, handles, reserved, description, palette, device, millimetres.
    emf.U32(1).U32(88).I32(0).I32(0).I32(19).I32(9).I32(0).I32(0).I32(2000).I32(1000);
    emf.U32(0x464D4520).U32(0x10000).U32(0).U32(Count + 1).U16(3).U16(0).U32(0).U32(0).U32(0);
    emf.I32(1000).I32(1000).I32(1000).I32(1000);
    emf.Raw(Records.Data);
    emf.U32(14).U32(20).U32(0).U32(16).U32(20);  // EOF
    emf.Patch32(48, static_cast<uint32_t>(emf.Size()));
    return emf.Data;
  }
};

TEmf SampleEmf() {
  TEmf e;
  e.Record(39, {1, 0, 0xFF0000, 0});           // CREATEBRUSHINDIRECT 1: solid blue
  e.Record(37, {1});                           // SELECTOBJECT 1
  e.Record(37, {static_cast<int32_t>(0x80000008)});  // SELECTOBJECT NULL_PEN
  e.Record(43, {2, 2, 8, 6});                  // RECTANGLE
  return e;
}

TEST(PictureMetafile, PlaysEmfRecords) {
  auto s = gfxtest::Stream(SampleEmf().File());
  TMetafile meta;
  meta.LoadFromStream(s);
  EXPECT_TRUE(meta.Enhanced());
  ASSERT_EQ(meta.Width(), 20);
  ASSERT_EQ(meta.Height(), 10);
  TBitmap b(20, 10);
  b.Canvas().Draw(0, 0, meta);
  EXPECT_EQ(Ascii(b)[1], "....................");
  EXPECT_EQ(Ascii(b)[2], "..bbbbb.............");
  EXPECT_EQ(Ascii(b)[4], "..bbbbb.............");
  EXPECT_EQ(Ascii(b)[5], "....................");
}

TEST(PictureMetafile, DamagedFilesRaiseTheMetafileError) {
  const std::string good = SampleWmf().File();
  std::string badSum = good;
  badSum[20] ^= 1;
  std::string bigRecord = good;
  bigRecord[22 + 18] = '\x7F';  // the first record's size runs past the end
  for (const std::string& bad : {std::string(), std::string("junk junk junk junk junk junk"), badSum, bigRecord,
                                 good.substr(0, good.size() - 6)}) {
    EXPECT_EQ(ErrorOf<TMetafile>(bad), "Metafile is not valid");
  }
}

// ---- damaged data of every kind

// Each sample with a few bytes changed or cut short either loads and draws or
// raises the format's error: never a crash, a hang or another failure.
template <typename TKind>
void Sweep(const std::string& sample, uint32_t seed) {
  std::mt19937 random(seed);
  for (int round = 0; round < 150; ++round) {
    std::string bytes = sample;
    if (round % 5 == 4) {
      bytes.resize(random() % bytes.size());
    } else {
      for (int n = 1 + random() % 4; n > 0; --n) {
        const size_t at = random() % bytes.size();
        // Often a large value, which is what breaks sizes and counts.
        bytes[at] = static_cast<char>(random() % 3 == 0 ? 0xFF : random() % 256);
      }
    }
    auto s = gfxtest::Stream(bytes);
    TKind graphic;
    try {
      graphic.LoadFromStream(s);
    } catch (const EInvalidGraphic&) {
      continue;
    }
    TBitmap canvas(24, 16);
    canvas.Canvas().Draw(0, 0, graphic);
    canvas.Canvas().StretchDraw(Rect(3, 2, 16, 9), graphic);
  }
}

TEST(PictureDamage, ChangedBytesNeverCrash) {
  rtl::TMemoryStream bmp;
  TBitmap eight = Quadrants(8);
  eight.SetPixelFormat(pf8bit);
  eight.SaveToStream(bmp);
  Sweep<TBitmap>(gfxtest::Bytes(bmp), 1);
  // A run-length bitmap: runs, an absolute run, a delta, end of bitmap.
  TBytes rle;
  rle.Raw("BM").U32(0).U32(0).U32(14 + 40 + 8);
  rle.U32(40).I32(6).I32(4).U16(1).U16(8).U32(1).U32(16).U32(0).U32(0).U32(2).U32(0);
  rle.U32(0xFF0000).U32(0x00FF00);
  rle.U8(3).U8(1).U8(0).U8(3).U8(0).U8(1).U8(0).U8(0).U8(0).U8(2).U8(1).U8(1).U8(2).U8(0).U8(0).U8(1);
  Sweep<TBitmap>(rle.Data, 2);
  Sweep<TIcon>(IconFile({{4, IconDib(Pattern(4, '-', 'r'))}, {32, IconDib(Pattern(32, '-', 'r'))}}), 3);
  Sweep<TJPEGImage>(JpegOf(Quadrants(16)), 4);
  rtl::TMemoryStream png;
  SavePngToStream(Quadrants(8), png);
  Sweep<TPngImage>(gfxtest::Bytes(png), 5);
  TWmf wmf = SampleWmf();
  wmf.Record(0x02FB, {-11, 0, 0, 0, 700, 0, 0, 0, 0, 0x7241, 0x6169, 0x006C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  wmf.Record(0x012D, {3});
  wmf.Record(0x0521, {2, 0x6948, 1, 2});
  wmf.Record(0x0324, {3, 0, 0, 10, 0, 5, 5});
  wmf.Record(0x0538, {2, 3, 3, 0, 0, 4, 0, 4, 4, 1, 1, 2, 1, 2, 2});
  Sweep<TMetafile>(wmf.File(), 6);
  TEmf emf = SampleEmf();
  emf.Record(27, {1, 1});                            // MOVETOEX
  emf.Record(54, {15, 8});                           // LINETO
  emf.Record(4, {0, 0, 20, 10, 3, 0, 0, 19, 9, 0, 9});  // POLYLINE: bounds, count, points
  emf.Record(36, {0x3F800000, 0, 0, 0x3F800000, 0, 0, 2});  // MODIFYWORLDTRANSFORM
  Sweep<TMetafile>(emf.File(), 7);
}

// ---- pictures from the machine's files

class PictureFiles : public machinetest::TMachineTest {
 protected:
  void SetUp() override {
    TMachineTest::SetUp();
    Open();
  }
};

TEST_F(PictureFiles, TheExtensionChoosesTheKind) {
  rtl::TMemoryStream bmp;
  gfxtest::FromAscii({"rg"}).SaveToStream(bmp);
  WriteFile("C:\\Fundo.BMP", gfxtest::Bytes(bmp));
  WriteFile("C:\\foto.Jpeg", JpegOf(Quadrants(8)));
  WriteFile("C:\\logo.wmf", SampleWmf().File());
  WriteFile("C:\\app.ico", IconFile({{4, IconDib(Pattern(4, 'r', 'r'))}}));

  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.LoadFromFile("C:\\Fundo.BMP");
  ASSERT_TRUE(dynamic_cast<TBitmap*>(picture.Graphic()));
  EXPECT_EQ(Ascii(picture.Bitmap()), (Lines{"rg"}));
  picture.LoadFromFile("C:\\foto.Jpeg");
  EXPECT_TRUE(dynamic_cast<TJPEGImage*>(picture.Graphic()));
  picture.LoadFromFile("C:\\logo.wmf");
  EXPECT_TRUE(dynamic_cast<TMetafile*>(picture.Graphic()));
  picture.LoadFromFile("C:\\app.ico");
  EXPECT_TRUE(dynamic_cast<TIcon*>(picture.Graphic()));
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_EQ(changes, 4);

  // A copy is independent; drawing on the picture's bitmap tells the picture.
  TPicture copy = picture;
  picture.Bitmap().Canvas().FillRect(Rect(0, 0, 1, 1));
  EXPECT_TRUE(dynamic_cast<TIcon*>(copy.Graphic()));
  EXPECT_EQ(changes, 6);  // the new bitmap, then the fill

  // Saving writes the graphic's own format.
  picture.LoadFromFile("C:\\Fundo.BMP");
  picture.SaveToFile("C:\\copia.bmp");
  TBitmap back;
  back.LoadFromFile("C:\\copia.bmp");
  EXPECT_EQ(Ascii(back), (Lines{"rg"}));
}

TEST_F(PictureFiles, UnknownExtensionsAndDamagedFilesLeaveThePictureAsItWas) {
  WriteFile("C:\\anim.gif", "GIF89a");
  WriteFile("C:\\broken.jpg", "not a jpeg");
  WriteFile("C:\\broken.bmp", "BM");
  TPicture picture;
  const TBitmap yellow = gfxtest::FromAscii({"y"});
  picture.SetGraphic(&yellow);
  try {
    picture.LoadFromFile("C:\\anim.gif");
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Arquivo de imagem com extenão desconhecida (.gif)"_a);
  }
  EXPECT_THROW(picture.LoadFromFile("C:\\broken.jpg"), EInvalidGraphic);
  EXPECT_THROW(picture.LoadFromFile("C:\\broken.bmp"), EInvalidGraphic);
  EXPECT_THROW(picture.LoadFromFile("C:\\missing.bmp"), rtl::EFOpenError);
  EXPECT_EQ(Ascii(picture.Bitmap()), (Lines{"y"}));
}

}  // namespace
