// The SDL display on a real X server: the test starts itself again under
// xvfb-run, shows a dialog and a shaped window, and reads the server's
// framebuffer (Xvfb -fbdir writes it as an XWD file) to see that the screen
// shows what the headless display paints. Skipped without SDL or xvfb-run.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ui_fixture.h"

namespace uitest {
namespace {

#ifdef VQM_HAVE_SDL

// The screen of Xvfb as its XWD file holds it (32 bits a pixel, depth 24).
struct TXwd {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;  // 0x00RRGGBB
  bool Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto field = [&](int i) {
      const uint8_t* p = d.data() + 4 * i;
      return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    };
    if (d.size() < 100) return false;
    const uint32_t headerSize = field(0), bpp = field(11), stride = field(12), ncolors = field(19);
    Width = static_cast<int>(field(4));
    Height = static_cast<int>(field(5));
    const size_t start = headerSize + 12ull * ncolors;
    if (bpp != 32 || d.size() < start + static_cast<size_t>(stride) * Height) return false;
    Pixels.resize(static_cast<size_t>(Width) * Height);
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        const uint8_t* p = d.data() + start + static_cast<size_t>(y) * stride + 4 * x;  // little-endian server
        Pixels[static_cast<size_t>(y) * Width + x] = (p[2] << 16 | p[1] << 8 | p[0]) & 0xFFFFFF;
      }
    return true;
  }
  TColor At(int x, int y) const { return RGBFromPixel(Pixels[static_cast<size_t>(y) * Width + x]); }
};

// How many pixels of a window's picture differ on the screen (inside its region).
int Differences(const TXwd& screen, const TCustomForm& form, const TBitmap& picture) {
  int bad = 0;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      if (form.WindowRegion() && !form.WindowRegion()->Contains(x, y)) continue;
      if (screen.At(form.Left() + x, form.Top() + y) != picture.Pixels(x, y)) ++bad;
    }
  return bad;
}

void RunOnXServer(const std::string& fbFile) {
  TApplication app(CreateSdlDisplay());
  ASSERT_STREQ(app.Display().Name(), "sdl");
  auto* dialog = NewForm<TSampleDialog>(&app);
  dialog->SetPosition(poDesigned);
  dialog->SetBounds(40, 30, dialog->Width(), dialog->Height());
  dialog->Edit->SetText("Xvfb");
  dialog->Show();
  auto* shaped = NewForm<TForm>(&app);
  shaped->SetBorderStyle(bsNone);
  shaped->SetColor(clRed);
  shaped->SetBounds(420, 60, 120, 100);
  const TRect parts[] = {Rect(0, 0, 120, 40), Rect(0, 60, 120, 100)};
  shaped->SetWindowRegion(TRegion::FromRects(parts));
  shaped->Show();

  const TBitmap dialogPicture = dialog->PaintWindowImage();
  const TBitmap shapedPicture = shaped->PaintWindowImage();
  TXwd screen;
  int dialogBad = -1, shapedBad = -1;
  // The server draws asynchronously: look until the picture is there (or two seconds pass).
  for (int attempt = 0; attempt < 40; ++attempt) {
    app.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!screen.Read(fbFile)) continue;
    dialogBad = Differences(screen, *dialog, dialogPicture);
    shapedBad = Differences(screen, *shaped, shapedPicture);
    if (dialogBad == 0 && shapedBad == 0 && screen.At(480, 110) != clRed) break;
  }
  EXPECT_EQ(dialogBad, 0);
  EXPECT_EQ(shapedBad, 0);
  EXPECT_NE(screen.At(480, 110), clRed) << "the hole of the shaped window shows the window";
}

TEST(SdlDisplay, ShowsTheSamePictureAsTheHeadlessDisplay) {
  if (const char* fb = std::getenv("VQM_SDL_TEST_FB")) {
    RunOnXServer(std::string(fb) + "/Xvfb_screen0");
    return;
  }
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("vqm-xvfb-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  // The system's message bus library that SDL starts keeps a buffer to the end: not ours to free.
  std::ofstream(dir / "lsan.supp") << "leak:libdbus-1.so\n";
  const std::string command = "xvfb-run -a -s '-screen 0 640x480x24 -fbdir " + dir.string() + "' env VQM_SDL_TEST_FB=" +
                              dir.string() + " LSAN_OPTIONS=suppressions=" + (dir / "lsan.supp").string() + " '" + self +
                              "' --gtest_filter=SdlDisplay.ShowsTheSamePictureAsTheHeadlessDisplay > " +
                              (dir / "log.txt").string() + " 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream logFile(dir / "log.txt");
  const std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
  std::filesystem::remove_all(dir);
  EXPECT_EQ(status, 0) << log;
}

#else

TEST(SdlDisplay, ShowsTheSamePictureAsTheHeadlessDisplay) { GTEST_SKIP() << "built without SDL"; }

#endif

}  // namespace
}  // namespace uitest
