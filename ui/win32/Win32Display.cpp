// The Windows display: each top-level form is a real window of the desktop.
// The forms draw themselves into our bitmaps, frames and captions included,
// except the dialog frame, which is the system's own here (its title bar,
// border and close box around the form's client area). The windows show
// those pictures, cut to the forms' regions, and hand mouse, keyboard, close
// requests and the system's moves back as input events. Time is real.
//
// One hidden application window owns every form, as in a Windows program of
// this kind: the program has one taskbar button, with the application's
// title; minimising it hides the forms, restoring it brings them back, and
// activating it brings the foremost form forward.

#include "ui/Display.h"

#include <algorithm>
#include <map>
#include <vector>

// The system's headers last: they name our constants (VK_*, WM_*) as macros.
#include <windows.h>

// Names windows.h turns into macros of its own.
#undef CreateWindow

namespace ui {

namespace {

constexpr char kWindowClass[] = "VqmForm";
constexpr char kApplicationClass[] = "VqmApplication";
// Posted to the application window: bring the foremost form forward.
constexpr UINT kActivateForm = WM_APP + 1;

// The window styles of a frame.
DWORD FrameStyle(TWindowFrame frame, bool closeBox) {
  DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  if (frame == wfDialog) style |= WS_CAPTION | (closeBox ? WS_SYSMENU : 0);
  return style;
}

DWORD FrameExStyle(TWindowFrame frame) { return frame == wfDialog ? WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE : 0; }

TShiftState KeyShift() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

LPCSTR SystemCursor(TCursor cursor) {
  switch (cursor) {
    case crIBeam: return IDC_IBEAM;
    case crHourGlass: return IDC_WAIT;
    case crAppStart: return IDC_APPSTARTING;
    case crCross: return IDC_CROSS;
    case crSizeNESW: return IDC_SIZENESW;
    case crSizeNWSE: return IDC_SIZENWSE;
    case crSizeNS: return IDC_SIZENS;
    case crSizeWE: return IDC_SIZEWE;
    case crSizeAll: return IDC_SIZEALL;
    case crNo:
    case crNoDrop: return IDC_NO;
    case crHandPoint: return IDC_HAND;
    case crUpArrow: return IDC_UPARROW;
    case crHelp: return IDC_HELP;
    default: return IDC_ARROW;
  }
}

class TWin32Display : public TDisplay {
 public:
  TWin32Display() {
    FInstance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &TWin32Display::WindowProc;
    wc.hInstance = FInstance;
    wc.hCursor = nullptr;  // the cursor is set on WM_SETCURSOR
    // No icon: a form has no taskbar button of its own, and a dialog frame shows none.
    wc.hIcon = nullptr;
    wc.lpszClassName = kWindowClass;
    // A second display of the same program finds the classes there already.
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw std::runtime_error("The window class cannot be registered");
    // The program's icon is its taskbar button's.
    wc.style = 0;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(FInstance, MAKEINTRESOURCEA(1));
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kApplicationClass;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw std::runtime_error("The window class cannot be registered");
    FCursor = LoadCursorA(nullptr, IDC_ARROW);
    // Of no size, in the middle of the screen; shown while a form is, for its taskbar button.
    FApplication = CreateWindowExA(0, kApplicationClass, "", WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU |
                                   WS_MINIMIZEBOX, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                                   0, 0, nullptr, nullptr, FInstance, nullptr);
    if (!FApplication) throw std::runtime_error("The application window cannot be created");
    SetWindowLongPtrA(FApplication, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  ~TWin32Display() override {
    for (auto& [h, w] : FWindows)
      if (w.Native) {
        SetWindowLongPtrA(w.Native, GWLP_USERDATA, 0);
        ::DestroyWindow(w.Native);
      }
    SetWindowLongPtrA(FApplication, GWLP_USERDATA, 0);
    ::DestroyWindow(FApplication);
  }

  const char* Name() const override { return "win32"; }

  TSize ScreenSize() const override { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

  void SetApplicationTitle(const AnsiString& title) override { SetWindowTextA(FApplication, title.c_str()); }

  bool DrawsFrame(TWindowFrame frame) const override { return frame == wfNone || frame == wfDialog; }

  void SetWindowFrame(HWND window, TWindowFrame frame, bool closeBox) override {
    TWin* w = Find(window);
    if (!w || (w->Frame == frame && w->CloseBox == closeBox)) return;
    w->Frame = frame;
    w->CloseBox = closeBox;
    // The state the style also holds (shown, disabled) stays.
    const LONG_PTR state = GetWindowLongPtrA(w->Native, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED);
    SetWindowLongPtrA(w->Native, GWL_STYLE, static_cast<LONG_PTR>(FrameStyle(frame, closeBox)) | state);
    SetWindowLongPtrA(w->Native, GWL_EXSTYLE, static_cast<LONG_PTR>(FrameExStyle(frame)));
    Place(*w, SWP_FRAMECHANGED);
  }

  void CreateWindow(HWND window, const TRect& bounds, const AnsiString& caption) override {
    FImage.Create(window, bounds);
    TWin& w = FWindows[window];
    w.Bounds = bounds;
    // Borderless popups, owned by the application window, which stands for
    // them all on the taskbar; a frame of the system's comes with SetWindowFrame.
    w.Native = CreateWindowExA(0, kWindowClass, caption.c_str(), FrameStyle(wfNone, false), bounds.Left, bounds.Top,
                               std::max(1, bounds.Width()), std::max(1, bounds.Height()), FApplication, nullptr,
                               FInstance, nullptr);
    if (!w.Native) {
      FWindows.erase(window);
      FImage.Destroy(window);
      throw std::runtime_error("A window cannot be created");
    }
    SetWindowLongPtrA(w.Native, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FHandles[w.Native] = window;
  }

  void DestroyWindow(HWND window) override {
    FImage.Destroy(window);
    auto it = FWindows.find(window);
    if (it == FWindows.end()) return;
    ::HWND native = it->second.Native;
    FWindows.erase(it);
    FHandles.erase(native);
    if (FTracking == native) FTracking = nullptr;
    if (FMoving == native) FMoving = nullptr;
    SetWindowLongPtrA(native, GWLP_USERDATA, 0);
    ::DestroyWindow(native);
    UpdateApplicationWindow();
  }

  void SetWindowBounds(HWND window, const TRect& bounds) override {
    FImage.SetBounds(window, bounds);
    TWin* w = Find(window);
    if (!w || w->Bounds == bounds) return;
    w->Bounds = bounds;
    Place(*w, 0);
  }

  void SetWindowCaption(HWND window, const AnsiString& caption) override {
    if (TWin* w = Find(window)) SetWindowTextA(w->Native, caption.c_str());
  }

  void ShowWindow(HWND window, bool visible) override {
    FImage.Show(window, visible);
    TWin* w = Find(window);
    if (!w || w->Visible == visible) return;
    w->Visible = visible;
    if (visible) UpdateApplicationWindow();
    ::ShowWindow(w->Native, visible ? SW_SHOW : SW_HIDE);
    if (visible) UpdateWindow(w->Native);
    else UpdateApplicationWindow();
  }

  void SetWindowRegion(HWND window, const std::optional<TRegion>& region) override {
    FImage.SetRegion(window, region);
    TWin* w = Find(window);
    if (!w) return;
    HRGN rgn = nullptr;
    if (region) {
      // The region's bands as one RGNDATA: one call however many rectangles.
      const std::vector<TRect>& rects = region->Rects();
      std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + sizeof(RECT) * std::max<size_t>(rects.size(), 1));
      auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
      header->dwSize = sizeof(RGNDATAHEADER);
      header->iType = RDH_RECTANGLES;
      header->nCount = static_cast<DWORD>(rects.size());
      header->nRgnSize = static_cast<DWORD>(sizeof(RECT) * rects.size());
      const TRect bounds = region->Bounds();
      header->rcBound = {bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
      auto* out = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
      for (size_t i = 0; i < rects.size(); ++i) out[i] = {rects[i].Left, rects[i].Top, rects[i].Right, rects[i].Bottom};
      rgn = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
      if (!rgn) rgn = CreateRectRgn(0, 0, 0, 0);
    }
    // In window coordinates, which start at the system's frame.
    if (rgn && w->Frame != wfNone) {
      const RECT outer = Outer(*w);
      OffsetRgn(rgn, w->Bounds.Left - outer.left, w->Bounds.Top - outer.top);
    }
    // The window owns the region from here on.
    SetWindowRgn(w->Native, rgn, TRUE);
  }

  void SetZOrder(const std::vector<HWND>& bottomToTop) override {
    FImage.SetZOrder(bottomToTop);
    if (bottomToTop == FOrder) return;
    FOrder = bottomToTop;
    // Each window goes above the one before it, the last on top.
    for (HWND h : bottomToTop)
      if (TWin* w = Find(h)) SetWindowPos(w->Native, nullptr /* HWND_TOP */, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The top window takes the keyboard, as the application's active form has it.
    for (auto it = bottomToTop.rbegin(); it != bottomToTop.rend(); ++it)
      if (TWin* w = Find(*it); w && w->Visible) {
        if (GetForegroundWindow() != w->Native) SetForegroundWindow(w->Native);
        break;
      }
  }

  void Present(HWND window, const TBitmap& image, const TRect& dirty) override {
    FImage.Present(window, image, dirty);
    TWin* w = Find(window);
    if (!w || !w->Visible) return;
    // Drawn at once: a busy program may not come back to its loop for a while.
    if (HDC dc = GetDC(w->Native)) {
      Paint(window, dc, dirty);
      ReleaseDC(w->Native, dc);
    }
  }

  void SetCursor(TCursor cursor) override {
    FCursor = LoadCursorA(nullptr, SystemCursor(cursor));
    if (!FCursor) FCursor = LoadCursorA(nullptr, IDC_ARROW);
    POINT p;
    GetCursorPos(&p);
    if (FHandles.count(WindowFromPoint(p))) ::SetCursor(FCursor);
  }

  AnsiString ClipboardText() const override {
    AnsiString text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
      if (const char* p = static_cast<const char*>(GlobalLock(data))) {
        text = p;
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
    return text;
  }

  void SetClipboardText(const AnsiString& text) override {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    if (HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
      if (char* p = static_cast<char*>(GlobalLock(data))) {
        std::copy(text.begin(), text.end(), p);
        p[text.size()] = 0;
        GlobalUnlock(data);
        if (!SetClipboardData(CF_TEXT, data)) GlobalFree(data);
      } else {
        GlobalFree(data);
      }
    }
    CloseClipboard();
  }

  bool MoveWindowByUser(HWND window, TPoint& topLeft) override {
    TWin* w = Find(window);
    // The system's move follows the held button; with it up already there is nothing to follow.
    if (!w || GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) >= 0) return false;
    ::HWND native = w->Native;
    ReleaseCapture();
    // The move loop runs here and returns when the button is let go.
    SendMessageA(native, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    RECT r;
    if (!FHandles.count(native) || !GetWindowRect(native, &r)) return false;
    topLeft = {r.left, r.top};
    if (TWin* moved = Find(window)) moved->Bounds = Rect(r.left, r.top, r.right, r.bottom);
    return true;
  }

  void WaitEvents(uint32_t timeoutMs) override {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
      MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs == kInfinite ? INFINITE : timeoutMs, QS_ALLINPUT);
    PollEvents();
  }

  void PollEvents() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Someone asked the program to end: each window is asked to close.
        for (const auto& [h, w] : FWindows) Post(Close(h));
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  TBitmap Screenshot() const override { return FImage.Compose(ScreenSize()); }

 private:
  struct TWin {
    ::HWND Native = nullptr;
    TRect Bounds;  // the client area where the system frames the window
    bool Visible = false;
    TWindowFrame Frame = wfNone;
    bool CloseBox = false;
  };

  // The whole window of the bounds: the frame of the system's around them.
  static RECT Outer(const TWin& w) {
    RECT r{w.Bounds.Left, w.Bounds.Top, w.Bounds.Left + std::max(1, w.Bounds.Width()),
           w.Bounds.Top + std::max(1, w.Bounds.Height())};
    if (w.Frame != wfNone) AdjustWindowRectEx(&r, FrameStyle(w.Frame, w.CloseBox), FALSE, FrameExStyle(w.Frame));
    return r;
  }

  void Place(const TWin& w, UINT flags) {
    const RECT r = Outer(w);
    SetWindowPos(w.Native, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | flags);
  }

  // The application window is shown while a form is: its taskbar button stands for them.
  void UpdateApplicationWindow() {
    const bool any = std::any_of(FWindows.begin(), FWindows.end(), [](const auto& w) { return w.second.Visible; });
    if (any != (IsWindowVisible(FApplication) != FALSE)) ::ShowWindow(FApplication, any ? SW_SHOWNOACTIVATE : SW_HIDE);
  }

  // The foremost visible form takes the keyboard.
  void ActivateForemost() {
    for (auto it = FOrder.rbegin(); it != FOrder.rend(); ++it)
      if (TWin* w = Find(*it); w && w->Visible) {
        SetForegroundWindow(w->Native);
        return;
      }
  }

  LRESULT HandleApplication(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_ACTIVATE:
        // The taskbar button (or the system) made the program active: its form comes forward.
        if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(FApplication)) PostMessageA(FApplication, kActivateForm, 0, 0);
        return 0;
      case kActivateForm:
        if (GetActiveWindow() == FApplication) ActivateForemost();
        return 0;
      case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
          case SC_MINIMIZE:
            // The forms go with the button's window and come back with it.
            ShowOwnedPopups(FApplication, FALSE);
            break;
          case SC_RESTORE: {
            const LRESULT result = DefWindowProcA(FApplication, message, wParam, lParam);
            ShowOwnedPopups(FApplication, TRUE);
            ActivateForemost();
            return result;
          }
          case SC_CLOSE:
            Post(Close(0));
            return 0;
          default:
            break;
        }
        break;
      case WM_CLOSE:
        Post(Close(0));
        return 0;
      default:
        break;
    }
    return DefWindowProcA(FApplication, message, wParam, lParam);
  }

  TWin* Find(HWND window) {
    auto it = FWindows.find(window);
    return it == FWindows.end() ? nullptr : &it->second;
  }

  static TInputEvent Event(TInputKind kind, HWND window) {
    TInputEvent e;
    e.Kind = kind;
    e.Window = window;
    return e;
  }

  static TInputEvent Close(HWND window) { return Event(ikClose, window); }

  static TInputEvent Moved(HWND window, const TWin& w) {
    TInputEvent e = Event(ikMove, window);
    e.Pos = {w.Bounds.Left, w.Bounds.Top};
    return e;
  }

  void Post(const TInputEvent& e) {
    if (FSink) FSink->PostInput(e);
  }

  // The window's last picture, the part in `area` (window coordinates).
  void Paint(HWND window, HDC dc, const TRect& area) {
    const TScreenImage::TWindow* shown = FImage.Window(window);
    if (!shown || shown->Image.Width() == 0) return;
    const TBitmap& image = shown->Image;
    const TRect r = IntersectRect(area, Rect(0, 0, image.Width(), image.Height()));
    if (r.IsEmpty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.Width();
    info.bmiHeader.biHeight = -image.Height();  // top-down, as our rows are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Rows r.Top .. r.Bottom - 1 of the picture: a top-down DIB starts with its first scan line.
    SetDIBitsToDevice(dc, r.Left, r.Top, r.Width(), r.Height(), r.Left, 0, 0, r.Height(),
                      image.ScanLine(r.Top), &info, DIB_RGB_COLORS);
  }

  TInputEvent Mouse(TInputKind kind, ::HWND native, LPARAM lParam) {
    TInputEvent e;
    e.Kind = kind;
    e.Window = FHandles.count(native) ? FHandles[native] : 0;
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(native, &p);
    e.Pos = {p.x, p.y};
    e.Shift = KeyShift();
    return e;
  }

  void Button(TInputKind kind, TMouseButton button, bool twice, ::HWND native, LPARAM lParam) {
    TInputEvent e = Mouse(kind, native, lParam);
    e.Button = button;
    e.DoubleClick = twice;
    // The window keeps the mouse while a button is down, as the framework's capture expects.
    if (kind == ikMouseDown) {
      ++FButtonsDown;
      if (GetCapture() != native) ::SetCapture(native);
    } else if (FButtonsDown > 0 && --FButtonsDown == 0 && GetCapture() == native) {
      ReleaseCapture();
    }
    Post(e);
  }

  LRESULT Handle(::HWND native, UINT message, WPARAM wParam, LPARAM lParam) {
    if (native == FApplication) return HandleApplication(message, wParam, lParam);
    auto found = FHandles.find(native);
    if (found == FHandles.end()) return DefWindowProcA(native, message, wParam, lParam);
    const HWND window = found->second;
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(native, &ps);
        Paint(window, dc, Rect(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom));
        EndPaint(native, &ps);
        return 0;
      }
      case WM_ERASEBKGND:
        return 1;  // the picture covers the whole client area
      case WM_MOUSEMOVE: {
        if (FTracking != native) {
          TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, native, 0};
          if (TrackMouseEvent(&track)) FTracking = native;
        }
        Post(Mouse(ikMouseMove, native, lParam));
        return 0;
      }
      case WM_MOUSELEAVE: {
        if (FTracking == native) FTracking = nullptr;
        // Where the pointer went, for the application to find the window under it (or none).
        POINT p;
        GetCursorPos(&p);
        TInputEvent e;
        e.Kind = ikMouseMove;
        e.Pos = {p.x, p.y};
        e.Shift = KeyShift();
        if (!FHandles.count(WindowFromPoint(p))) e.Pos = {-32768, -32768};
        Post(e);
        return 0;
      }
      case WM_LBUTTONDOWN: Button(ikMouseDown, mbLeft, false, native, lParam); return 0;
      case WM_LBUTTONDBLCLK: Button(ikMouseDown, mbLeft, true, native, lParam); return 0;
      case WM_LBUTTONUP: Button(ikMouseUp, mbLeft, false, native, lParam); return 0;
      case WM_RBUTTONDOWN: Button(ikMouseDown, mbRight, false, native, lParam); return 0;
      case WM_RBUTTONDBLCLK: Button(ikMouseDown, mbRight, true, native, lParam); return 0;
      case WM_RBUTTONUP: Button(ikMouseUp, mbRight, false, native, lParam); return 0;
      case WM_MBUTTONDOWN: Button(ikMouseDown, mbMiddle, false, native, lParam); return 0;
      case WM_MBUTTONDBLCLK: Button(ikMouseDown, mbMiddle, true, native, lParam); return 0;
      case WM_MBUTTONUP: Button(ikMouseUp, mbMiddle, false, native, lParam); return 0;
      case WM_CAPTURECHANGED:
        FButtonsDown = 0;
        return 0;
      case WM_MOUSEWHEEL: {
        TInputEvent e;
        e.Kind = ikMouseWheel;
        e.Window = window;
        e.Pos = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};  // screen already
        e.WheelDelta = static_cast<short>(HIWORD(wParam));
        e.Shift = KeyShift();
        Post(e);
        return 0;
      }
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
      case WM_KEYUP:
      case WM_SYSKEYUP: {
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        TInputEvent e;
        e.Kind = down ? ikKeyDown : ikKeyUp;
        e.Window = window;
        e.Key = static_cast<WORD>(wParam);
        e.Shift = KeyShift();
        Post(e);
        // Alt+F4 asks the window to close, as everywhere on the desktop.
        if (message == WM_SYSKEYDOWN && wParam == VK_F4) Post(Close(window));
        return 0;
      }
      case WM_CHAR: {
        // Control keys (Tab, Enter, Esc, Backspace) come as their key-down; Ctrl
        // combinations are no text.
        const auto c = static_cast<unsigned char>(wParam);
        if (c < 0x20 || c == 0x7F || (GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0)) return 0;
        TInputEvent e;
        e.Kind = ikChar;
        e.Window = window;
        e.Char = static_cast<char>(c);  // the ANSI code page's: Windows-1252 here
        Post(e);
        return 0;
      }
      case WM_SYSCHAR: {
        // Alt with a letter or digit: an accelerator, given as the key's capital.
        const auto c = static_cast<unsigned char>(wParam);
        if (c < 0x20) return 0;
        TInputEvent e;
        e.Kind = ikChar;
        e.Window = window;
        e.Char = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        e.Shift = ssAlt;
        Post(e);
        return 0;
      }
      case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
          ::SetCursor(FCursor);
          return TRUE;
        }
        break;
      case WM_CLOSE:
        // The application decides; the window goes when it destroys the form.
        Post(Close(window));
        return 0;
      case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
          Post(Close(window));
          return 0;
        }
        break;
      // The system's frame: a press on it brings the window forward, its title bar moves it.
      case WM_NCLBUTTONDOWN:
      case WM_NCRBUTTONDOWN:
        if (TWin* w = Find(window); w && w->Frame != wfNone) Post(Event(ikActivate, window));
        break;
      case WM_ENTERSIZEMOVE:
        FMoving = native;
        break;
      case WM_MOVE:
        if (TWin* w = Find(window); w && w->Frame != wfNone) {
          POINT p{0, 0};
          ClientToScreen(native, &p);
          if (p.x == w->Bounds.Left && p.y == w->Bounds.Top) break;  // where we put it
          w->Bounds = Bounds(p.x, p.y, w->Bounds.Width(), w->Bounds.Height());
          FImage.SetBounds(window, w->Bounds);
          // Within the system's move loop the place is told once, at its end.
          if (FMoving != native) Post(Moved(window, *w));
        }
        break;
      case WM_EXITSIZEMOVE:
        if (FMoving == native) {
          FMoving = nullptr;
          if (TWin* w = Find(window); w && w->Frame != wfNone) Post(Moved(window, *w));
        }
        break;
      default:
        break;
    }
    return DefWindowProcA(native, message, wParam, lParam);
  }

  static LRESULT CALLBACK WindowProc(::HWND native, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TWin32Display*>(GetWindowLongPtrA(native, GWLP_USERDATA));
    if (!self) return DefWindowProcA(native, message, wParam, lParam);
    return self->Handle(native, message, wParam, lParam);
  }

  HINSTANCE FInstance = nullptr;
  ::HWND FApplication = nullptr;  // owns the forms; the taskbar button's window
  ::HWND FMoving = nullptr;       // the framed window in the system's move loop
  HCURSOR FCursor = nullptr;
  std::map<HWND, TWin> FWindows;
  std::map<::HWND, HWND> FHandles;
  std::vector<HWND> FOrder;
  ::HWND FTracking = nullptr;  // the window whose leaving is watched
  int FButtonsDown = 0;
  TScreenImage FImage;
};

}  // namespace

std::unique_ptr<TDisplay> CreateWin32Display() { return std::make_unique<TWin32Display>(); }

// On Windows the programs show on the desktop, always.
std::unique_ptr<TDisplay> CreateDisplay(int, int) { return CreateWin32Display(); }

}  // namespace ui
