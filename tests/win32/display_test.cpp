// The Windows display against the desktop (under Wine on Xvfb in the test
// command): a window shows the picture presented to it, a shaped window lets
// the point in its gaps reach the window behind it, messages the system sends
// come back as the framework's input events, one application window stands
// for the forms on the taskbar, and a dialog frame is the system's own.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/Display.h"
#include "ui/Font.h"
#include "ui/Picture.h"

#include <windows.h>

#undef CreateWindow

namespace win32_test {
namespace {

struct TEvents : ui::TInputSink {
  std::vector<ui::TInputEvent> Got;
  void PostInput(const ui::TInputEvent& e) override { Got.push_back(e); }
};

class TDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Display = ui::CreateDisplay();
    Display->SetSink(&Events);
  }

  // A window of ours at the given place, shown, and its native handle.
  ::HWND Show(ui::HWND id, const ui::TRect& bounds, const char* caption, ui::TColor color) {
    Display->CreateWindow(id, bounds, caption);
    Display->ShowWindow(id, true);
    ui::TBitmap picture(bounds.Width(), bounds.Height());
    picture.Fill(color);
    Display->Present(id, picture, ui::Rect(0, 0, bounds.Width(), bounds.Height()));
    Settle();
    return FindWindowA("VqmForm", caption);
  }

  static std::string Text(::HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
  }

  static std::string ClassOf(::HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
  }

  // Lets the system deliver what is pending (painting, window changes).
  void Settle() {
    for (int i = 0; i < 5; ++i) {
      Display->PollEvents();
      Sleep(20);
    }
  }

  std::unique_ptr<ui::TDisplay> Display;
  TEvents Events;
};

TEST_F(TDisplayTest, ScreenAndWindowAreTheSystems) {
  EXPECT_STREQ(Display->Name(), "win32");
  EXPECT_EQ(Display->ScreenSize(), (ui::TSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
  ::HWND native = Show(1, ui::Rect(40, 50, 240, 170), "vqm test window", 0x00FF00);
  ASSERT_NE(native, nullptr);
  RECT r;
  GetWindowRect(native, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 120);
  EXPECT_EQ(GetWindowLongA(native, GWL_STYLE) & WS_CAPTION, 0) << "the form draws its own frame";

  Display->SetWindowCaption(1, "Instala\xE7\xE3o");
  char caption[64] = {};
  GetWindowTextA(native, caption, sizeof caption);
  EXPECT_STREQ(caption, "Instala\xE7\xE3o");
  Display->SetWindowBounds(1, ui::Rect(60, 70, 160, 120));
  GetWindowRect(native, &r);
  EXPECT_EQ(r.left, 60);
  EXPECT_EQ(r.bottom - r.top, 50);
  Display->DestroyWindow(1);
  EXPECT_FALSE(IsWindow(native));
}

TEST_F(TDisplayTest, TheWindowShowsThePresentedPicture) {
  ::HWND native = Show(1, ui::Rect(10, 10, 130, 90), "vqm picture", 0x0000FF);
  ASSERT_NE(native, nullptr);
  // Only the dirty part is new: a blue square in the red.
  ui::TBitmap picture(120, 80);
  picture.Fill(0x0000FF);
  for (int y = 20; y < 40; ++y)
    for (int x = 30; x < 60; ++x) picture.ScanLine(y)[x] = ui::PixelFromRGB(0xFF0000);
  Display->Present(1, picture, ui::Rect(30, 20, 60, 40));
  Settle();
  HDC dc = GetDC(native);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 30, 20), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 59, 39), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 60, 40), RGB(255, 0, 0));
  ReleaseDC(native, dc);
  // A repaint the system asks for shows the same.
  InvalidateRect(native, nullptr, TRUE);
  Settle();
  dc = GetDC(native);
  EXPECT_EQ(GetPixel(dc, 40, 30), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 100, 70), RGB(255, 0, 0));
  ReleaseDC(native, dc);
}

TEST_F(TDisplayTest, TheShapesGapsBelongToTheWindowBehind) {
  ::HWND behind = Show(1, ui::Rect(200, 200, 500, 400), "vqm behind", 0x808080);
  ::HWND shaped = Show(2, ui::Rect(250, 250, 450, 350), "vqm shaped", 0x00FFFF);
  ASSERT_NE(behind, nullptr);
  ASSERT_NE(shaped, nullptr);
  Display->SetZOrder({1, 2});
  // Two pieces with a gap between them.
  ui::TRegion region(ui::Rect(0, 0, 80, 100));
  region.Union(ui::Rect(120, 0, 200, 100));
  Display->SetWindowRegion(2, region);
  Settle();
  EXPECT_EQ(WindowFromPoint({250 + 40, 300}), shaped);
  EXPECT_EQ(WindowFromPoint({250 + 160, 300}), shaped);
  EXPECT_EQ(WindowFromPoint({250 + 100, 300}), behind) << "the gap";
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(shaped, rgn), ERROR);
  EXPECT_TRUE(PtInRegion(rgn, 10, 10));
  EXPECT_FALSE(PtInRegion(rgn, 100, 10));
  DeleteObject(rgn);
  // The whole rectangle back.
  Display->SetWindowRegion(2, std::nullopt);
  Settle();
  EXPECT_EQ(WindowFromPoint({250 + 100, 300}), shaped);
}

TEST_F(TDisplayTest, MessagesComeBackAsInput) {
  ::HWND native = Show(7, ui::Rect(100, 120, 300, 220), "vqm input", 0xFFFFFF);
  ASSERT_NE(native, nullptr);
  Events.Got.clear();
  PostMessageA(native, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
  PostMessageA(native, WM_LBUTTONUP, 0, MAKELPARAM(21, 31));
  PostMessageA(native, WM_KEYDOWN, VK_TAB, 0);
  PostMessageA(native, WM_CHAR, 0xE7, 0);    // ç in Windows-1252
  PostMessageA(native, WM_CHAR, '\r', 0);    // Enter is its key-down only
  PostMessageA(native, WM_SYSCHAR, 'v', 0);  // Alt+V: an accelerator
  PostMessageA(native, WM_CLOSE, 0, 0);
  Settle();
  ASSERT_EQ(Events.Got.size(), 6u);
  const ui::TInputEvent& down = Events.Got[0];
  EXPECT_EQ(down.Kind, ui::ikMouseDown);
  EXPECT_EQ(down.Window, 7);
  EXPECT_EQ(down.Button, ui::mbLeft);
  EXPECT_EQ(down.Pos, (ui::TPoint{120, 150})) << "screen coordinates";
  EXPECT_EQ(Events.Got[1].Kind, ui::ikMouseUp);
  EXPECT_EQ(Events.Got[1].Pos, (ui::TPoint{121, 151}));
  EXPECT_EQ(Events.Got[2].Kind, ui::ikKeyDown);
  EXPECT_EQ(Events.Got[2].Key, VK_TAB);
  EXPECT_EQ(Events.Got[3].Kind, ui::ikChar);
  EXPECT_EQ(Events.Got[3].Char, '\xE7');
  EXPECT_EQ(Events.Got[4].Kind, ui::ikChar);
  EXPECT_EQ(Events.Got[4].Char, 'V');
  EXPECT_EQ(Events.Got[4].Shift, ui::ssAlt);
  EXPECT_EQ(Events.Got[5].Kind, ui::ikClose);
  EXPECT_EQ(Events.Got[5].Window, 7);
  EXPECT_TRUE(IsWindow(native)) << "closing is the application's decision";
}

TEST_F(TDisplayTest, OneApplicationWindowStandsForTheFormsOnTheTaskbar) {
  Display->SetApplicationTitle("Instala\xE7\xE3o do Vantor Q-Mira");
  ::HWND first = Show(1, ui::Rect(100, 100, 300, 200), "vqm first", 0x00FF00);
  ::HWND second = Show(2, ui::Rect(150, 150, 350, 250), "vqm second", 0xFF0000);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  Display->SetZOrder({1, 2});
  Settle();
  // Owned windows have no button of their own; the owner's shows the title.
  ::HWND app = GetWindow(first, GW_OWNER);
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(GetWindow(second, GW_OWNER), app);
  EXPECT_EQ(ClassOf(app), "VqmApplication");
  EXPECT_EQ(Text(app), "Instala\xE7\xE3o do Vantor Q-Mira");
  for (::HWND form : {first, second})
    EXPECT_EQ(GetWindowLongA(form, GWL_EXSTYLE) & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW), 0);
  EXPECT_TRUE(IsWindowVisible(app)) << "shown, for the button";
  EXPECT_EQ(GetWindowLongA(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_NE(GetClassLongPtrA(app, GCLP_HICON), 0) << "the program's icon on the button";
  EXPECT_TRUE(GetWindowLongA(app, GWL_STYLE) & WS_MINIMIZEBOX);
  RECT r;
  GetWindowRect(app, &r);
  EXPECT_EQ(r.right - r.left, 0);
  EXPECT_EQ(r.bottom - r.top, 0);
  Display->SetApplicationTitle("Assistente");
  EXPECT_EQ(Text(app), "Assistente");

  // Minimised with its button, the forms go; restored, they come back and the foremost is active.
  SendMessageA(app, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Settle();
  EXPECT_TRUE(IsIconic(app));
  EXPECT_FALSE(IsWindowVisible(first));
  EXPECT_FALSE(IsWindowVisible(second));
  SendMessageA(app, WM_SYSCOMMAND, SC_RESTORE, 0);
  Settle();
  EXPECT_FALSE(IsIconic(app));
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_TRUE(IsWindowVisible(second));
  EXPECT_EQ(GetActiveWindow(), second);
  // Activating the button's window hands the activation on to the foremost form.
  SetActiveWindow(app);
  Settle();
  EXPECT_EQ(GetActiveWindow(), second);

  // Closing the button's window asks the program to close.
  Events.Got.clear();
  PostMessageA(app, WM_CLOSE, 0, 0);
  Settle();
  ASSERT_EQ(Events.Got.size(), 1u);
  EXPECT_EQ(Events.Got[0].Kind, ui::ikClose);
  EXPECT_EQ(Events.Got[0].Window, 0);
  // No form shown, no button.
  Display->ShowWindow(1, false);
  EXPECT_TRUE(IsWindowVisible(app));
  Display->DestroyWindow(2);
  EXPECT_FALSE(IsWindowVisible(app));
}

TEST_F(TDisplayTest, ADialogFrameIsTheSystemsAroundThePicture) {
  EXPECT_TRUE(Display->DrawsFrame(ui::wfDialog));
  // The client area's place and picture: red, a blue square at (10, 20).
  const ui::TRect client = ui::Rect(200, 150, 574, 350);
  Display->CreateWindow(3, client, "Encerrando a Instala\xE7\xE3o");
  Display->SetWindowFrame(3, ui::wfDialog, true);
  Display->ShowWindow(3, true);
  ui::TBitmap picture(374, 200);
  picture.Fill(0x0000FF);
  for (int y = 20; y < 40; ++y)
    for (int x = 10; x < 40; ++x) picture.ScanLine(y)[x] = ui::PixelFromRGB(0xFF0000);
  Display->Present(3, picture, ui::Rect(0, 0, 374, 200));
  Display->SetZOrder({3});
  Settle();
  ::HWND native = FindWindowA("VqmForm", "Encerrando a Instala\xE7\xE3o");
  ASSERT_NE(native, nullptr);
  const LONG style = GetWindowLongA(native, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU) << "the close box";
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) << "not resizable";
  EXPECT_TRUE(GetWindowLongA(native, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  EXPECT_NE(GetWindow(native, GW_OWNER), nullptr);
  // The client area is where the form's is, the frame around it.
  POINT origin{0, 0};
  ClientToScreen(native, &origin);
  EXPECT_EQ(origin.x, 200);
  EXPECT_EQ(origin.y, 150);
  RECT r;
  GetClientRect(native, &r);
  EXPECT_EQ(r.right, 374);
  EXPECT_EQ(r.bottom, 200);
  GetWindowRect(native, &r);
  EXPECT_LT(r.left, 200);
  EXPECT_LT(r.top + GetSystemMetrics(SM_CYCAPTION), 150 + 1) << "the title bar above";
  EXPECT_EQ(Text(native), "Encerrando a Instala\xE7\xE3o");
  HDC dc = GetDC(native);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 10, 20), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 39, 39), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 373, 199), RGB(255, 0, 0));
  ReleaseDC(native, dc);
  // The whole window as the system draws it: its title bar above the picture.
  HDC whole = GetWindowDC(native);
  const int cx = 200 - r.left, cy = 150 - r.top;
  EXPECT_EQ(GetPixel(whole, cx + 20, cy + 30), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(whole, cx + 1, cy + 1), RGB(255, 0, 0));
  // Wine draws the frame itself where no window manager does (the test prefix leaves it none).
  const COLORREF bar = GetPixel(whole, (r.right - r.left) / 2, cy - GetSystemMetrics(SM_CYCAPTION) + 2);
  EXPECT_EQ(bar, GetSysColor(COLOR_ACTIVECAPTION)) << "the system's title bar, active";
  ReleaseDC(native, whole);

  // The close box and the system's menu ask to close; a press on the frame brings it forward.
  Events.Got.clear();
  PostMessageA(native, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(native, WM_CLOSE, 0, 0);
  PostMessageA(native, WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(r.left, r.top));
  Settle();
  ASSERT_EQ(Events.Got.size(), 3u);
  EXPECT_EQ(Events.Got[0].Kind, ui::ikClose);
  EXPECT_EQ(Events.Got[0].Window, 3);
  EXPECT_EQ(Events.Got[1].Kind, ui::ikClose);
  EXPECT_EQ(Events.Got[2].Kind, ui::ikActivate);
  EXPECT_TRUE(IsWindow(native));

  // Moved by the system: the client area's new place, once for a whole move loop.
  Events.Got.clear();
  GetWindowRect(native, &r);
  SendMessageA(native, WM_ENTERSIZEMOVE, 0, 0);
  SetWindowPos(native, nullptr, r.left + 10, r.top + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SetWindowPos(native, nullptr, r.left + 30, r.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageA(native, WM_EXITSIZEMOVE, 0, 0);
  Settle();
  ASSERT_EQ(Events.Got.size(), 1u);
  EXPECT_EQ(Events.Got[0].Kind, ui::ikMove);
  EXPECT_EQ(Events.Got[0].Pos, (ui::TPoint{230, 170}));
  // The framework's answer puts it where it is: nothing moves, nothing comes back.
  Display->SetWindowBounds(3, ui::Rect(230, 170, 604, 370));
  Settle();
  EXPECT_EQ(Events.Got.size(), 1u);
  // Clicks in the client area are in screen coordinates as ever.
  Events.Got.clear();
  PostMessageA(native, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
  Settle();
  ASSERT_EQ(Events.Got.size(), 1u);
  EXPECT_EQ(Events.Got[0].Pos, (ui::TPoint{235, 176}));

  // Without the close box; the client area stays.
  Display->SetWindowFrame(3, ui::wfDialog, false);
  Settle();
  EXPECT_FALSE(GetWindowLongA(native, GWL_STYLE) & WS_SYSMENU);
  EXPECT_TRUE(IsWindowVisible(native));
  origin = {0, 0};
  ClientToScreen(native, &origin);
  EXPECT_EQ(origin.x, 230);
  EXPECT_EQ(origin.y, 170);
  // A region cuts the client area's coordinates.
  Display->SetWindowRegion(3, ui::TRegion(ui::Rect(0, 0, 100, 50)));
  Settle();
  EXPECT_EQ(WindowFromPoint({230 + 50, 170 + 25}), native);
  EXPECT_NE(WindowFromPoint({230 + 150, 170 + 25}), native);
}

TEST_F(TDisplayTest, WaitingEndsWithTheTimeoutOrTheFirstMessage) {
  ::HWND native = Show(1, ui::Rect(0, 0, 50, 50), "vqm wait", 0);
  Events.Got.clear();
  const DWORD start = GetTickCount();
  Display->WaitEvents(150);
  EXPECT_GE(GetTickCount() - start, 100u);
  EXPECT_TRUE(Events.Got.empty());
  PostMessageA(native, WM_KEYDOWN, VK_ESCAPE, 0);
  const DWORD again = GetTickCount();
  Display->WaitEvents(ui::kInfinite);
  EXPECT_LT(GetTickCount() - again, 1000u);
  ASSERT_EQ(Events.Got.size(), 1u);
  EXPECT_EQ(Events.Got[0].Key, VK_ESCAPE);
}

// Text and pictures through the system: GDI's own fonts, the system's JPEG decoder, GDI+ for PNG.
TEST(Win32Graphics, TextIsDrawnWithTheSystemsFonts) {
  ui::TFont font;  // MS Sans Serif, 8 points
  const ui::TTextMetric m = font.Metrics();
  EXPECT_GT(m.Height, 8);
  EXPECT_LT(m.Height, 20);
  EXPECT_EQ(m.Height, m.Ascent + m.Descent);
  EXPECT_FALSE(font.FaceName().empty());
  const ui::TTextMask mask = ui::RenderTextMask(font, "Vantor");
  EXPECT_EQ(mask.CellWidth, font.TextWidth("Vantor"));
  EXPECT_GT(mask.CellWidth, 20);
  int ink = 0;
  for (uint8_t v : mask.Coverage) ink += v != 0;
  EXPECT_GT(ink, 20);
  // A wider text is wider; bold is no narrower.
  EXPECT_GT(font.TextWidth("Vantor Vantor"), mask.CellWidth);
  ui::TFont bold = font;
  bold.SetStyle(ui::fsBold);
  EXPECT_GE(bold.TextWidth("Vantor"), mask.CellWidth);
  ui::TFont arial;
  arial.SetName("Arial");
  arial.SetHeight(-24);
  EXPECT_GE(arial.Metrics().Height, 24);
}

TEST(Win32Graphics, JpegAndPngRoundTripThroughTheSystem) {
  ui::TBitmap picture(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) picture.ScanLine(y)[x] = x < 32 ? ui::PixelFromRGB(0x2040C0) : ui::PixelFromRGB(0xE0E0E0);
  rtl::TMemoryStream jpeg;
  ui::SaveJpegToStream(picture, jpeg, 95);
  jpeg.Seek(0, rtl::soBeginning);
  ui::TJPEGImage image;
  image.LoadFromStream(jpeg);
  ASSERT_EQ(image.Width(), 64);
  ASSERT_EQ(image.Height(), 48);
  const ui::TColor left = ui::RGBFromPixel(image.Bitmap().ScanLine(24)[8]);
  EXPECT_NEAR(static_cast<int>(left & 0xFF), 0xC0, 12);  // red byte of 0xBBGGRR
  EXPECT_NEAR(static_cast<int>((left >> 16) & 0xFF), 0x20, 12);

  rtl::TMemoryStream png;
  ui::SavePngToStream(picture, png);
  png.Seek(0, rtl::soBeginning);
  ui::TPngImage back;
  back.LoadFromStream(png);
  ASSERT_EQ(back.Width(), 64);
  EXPECT_EQ(back.Bitmap().ScanLine(10)[10], picture.ScanLine(10)[10]);
  EXPECT_EQ(back.Bitmap().ScanLine(40)[60], picture.ScanLine(40)[60]);

  // Damaged data is an error, not a picture.
  std::vector<uint8_t> bad(jpeg.Data().begin(), jpeg.Data().begin() + 40);
  rtl::TMemoryStream damaged;
  damaged.WriteBuffer(bad.data(), static_cast<int32_t>(bad.size()));
  damaged.Seek(0, rtl::soBeginning);
  ui::TJPEGImage broken;
  EXPECT_THROW(broken.LoadFromStream(damaged), ui::EInvalidGraphic);
}

}  // namespace
}  // namespace win32_test
