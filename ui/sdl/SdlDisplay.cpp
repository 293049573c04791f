// The SDL display: each top-level window is a borderless SDL window (the
// frame is drawn by the form itself), cut to its region where the windowing
// system can; mouse, keyboard and close requests come back as input events;
// time is real.

#include <SDL.h>

#include <map>

#include "rtl/AnsiString.h"
#include "ui/Display.h"
#include "ui/sdl/WindowShape.h"

namespace ui {

namespace {

WORD VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<WORD>('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<WORD>('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<WORD>(VK_F1 + (k - SDLK_F1));
  switch (k) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_TAB: return VK_TAB;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    default: return 0;
  }
}

TShiftState ShiftFromMod(Uint16 mod) {
  TShiftState s = 0;
  if (mod & KMOD_SHIFT) s |= ssShift;
  if (mod & KMOD_CTRL) s |= ssCtrl;
  if (mod & KMOD_ALT) s |= ssAlt;
  return s;
}

SDL_SystemCursor SystemCursor(TCursor cursor) {
  switch (cursor) {
    case crIBeam: return SDL_SYSTEM_CURSOR_IBEAM;
    case crHourGlass: return SDL_SYSTEM_CURSOR_WAIT;
    case crAppStart: return SDL_SYSTEM_CURSOR_WAITARROW;
    case crCross: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case crSizeNESW: return SDL_SYSTEM_CURSOR_SIZENESW;
    case crSizeNWSE: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case crSizeNS: return SDL_SYSTEM_CURSOR_SIZENS;
    case crSizeWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case crSizeAll: return SDL_SYSTEM_CURSOR_SIZEALL;
    case crNo:
    case crNoDrop: return SDL_SYSTEM_CURSOR_NO;
    case crHandPoint: return SDL_SYSTEM_CURSOR_HAND;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

class TSdlDisplay : public TDisplay {
 public:
  TSdlDisplay() {
    // The windows show images the program paints: the system's own frame buffer
    // does, and an accelerated one would make each window anew (losing its shape).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) throw std::runtime_error(SDL_GetError());
    SDL_StartTextInput();
  }

  ~TSdlDisplay() override {
    for (auto& [h, w] : FWindows)
      if (w.Window) SDL_DestroyWindow(w.Window);
    for (auto& [c, cursor] : FCursors) SDL_FreeCursor(cursor);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  const char* Name() const override { return "sdl"; }

  TSize ScreenSize() const override {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return {1024, 768};
    return {mode.w, mode.h};
  }

  void CreateWindow(HWND window, const TRect& bounds, const AnsiString& caption) override {
    TWin& w = FWindows[window];
    w.Bounds = bounds;
    w.Caption = caption;
    Make(w);
    FImage.Create(window, bounds);
  }

  void DestroyWindow(HWND window) override {
    auto it = FWindows.find(window);
    if (it == FWindows.end()) return;
    if (it->second.Window) SDL_DestroyWindow(it->second.Window);
    FWindows.erase(it);
    FImage.Destroy(window);
  }

  void SetWindowBounds(HWND window, const TRect& bounds) override {
    FImage.SetBounds(window, bounds);
    auto it = FWindows.find(window);
    if (it == FWindows.end()) return;
    TWin& w = it->second;
    w.Bounds = bounds;
    SDL_SetWindowSize(w.Window, std::max(1, bounds.Width()), std::max(1, bounds.Height()));
    SDL_SetWindowPosition(w.Window, bounds.Left, bounds.Top);
  }

  void SetWindowCaption(HWND window, const AnsiString& caption) override {
    auto it = FWindows.find(window);
    if (it == FWindows.end()) return;
    it->second.Caption = caption;
    SDL_SetWindowTitle(it->second.Window, rtl::Utf8FromAnsi(caption).c_str());
  }

  void ShowWindow(HWND window, bool visible) override {
    FImage.Show(window, visible);
    auto it = FWindows.find(window);
    if (it == FWindows.end() || it->second.Visible == visible) return;
    it->second.Visible = visible;
    if (visible) {
      SDL_ShowWindow(it->second.Window);
      Blit(window, Rect(0, 0, it->second.Bounds.Width(), it->second.Bounds.Height()));
    } else {
      SDL_HideWindow(it->second.Window);
    }
  }

  void SetWindowRegion(HWND window, const std::optional<TRegion>& region) override {
    FImage.SetRegion(window, region);
    auto it = FWindows.find(window);
    if (it == FWindows.end()) return;
    it->second.Region = region;
    ApplyShape(it->second);
  }

  void SetZOrder(const std::vector<HWND>& bottomToTop) override {
    FImage.SetZOrder(bottomToTop);
    if (bottomToTop == FOrder) return;
    FOrder = bottomToTop;
    for (HWND h : bottomToTop)
      if (auto it = FWindows.find(h); it != FWindows.end() && it->second.Visible) SDL_RaiseWindow(it->second.Window);
  }

  void Present(HWND window, const TBitmap& image, const TRect& dirty) override {
    FImage.Present(window, image, dirty);
    Blit(window, dirty);
  }

  void SetCursor(TCursor cursor) override {
    const SDL_SystemCursor id = SystemCursor(cursor);
    SDL_Cursor*& c = FCursors[id];
    if (!c) c = SDL_CreateSystemCursor(id);
    if (c) SDL_SetCursor(c);
  }

  AnsiString ClipboardText() const override {
    char* text = SDL_GetClipboardText();
    AnsiString result = text ? rtl::AnsiFromUtf8(text) : AnsiString();
    SDL_free(text);
    return result;
  }
  void SetClipboardText(const AnsiString& text) override { SDL_SetClipboardText(rtl::Utf8FromAnsi(text).c_str()); }

  void WaitEvents(uint32_t timeoutMs) override {
    SDL_Event ev;
    const int timeout = timeoutMs == kInfinite ? -1 : static_cast<int>(std::min<uint32_t>(timeoutMs, 0x7FFFFFFF));
    if (!SDL_WaitEventTimeout(&ev, timeout)) return;
    Translate(ev);
    PollEvents();
  }

  void PollEvents() override {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) Translate(ev);
  }

  TBitmap Screenshot() const override { return FImage.Compose(ScreenSize()); }

 private:
  struct TWin {
    SDL_Window* Window = nullptr;
    TRect Bounds;
    bool Visible = false;
    std::optional<TRegion> Region;
    AnsiString Caption;
  };

  void Make(TWin& w) {
    const int width = std::max(1, w.Bounds.Width()), height = std::max(1, w.Bounds.Height());
    w.Window = SDL_CreateWindow(rtl::Utf8FromAnsi(w.Caption).c_str(), w.Bounds.Left, w.Bounds.Top, width, height,
                                SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (!w.Window) throw std::runtime_error(SDL_GetError());
  }

  void ApplyShape(TWin& w) {
    if (w.Region) SetSdlWindowShape(w.Window, &w.Region->Rects());
    else SetSdlWindowShape(w.Window, nullptr);
  }

  void Blit(HWND window, const TRect& dirty) {
    auto it = FWindows.find(window);
    const TScreenImage::TWindow* shown = FImage.Window(window);
    if (it == FWindows.end() || !shown || !it->second.Visible || shown->Image.Width() == 0) return;
    SDL_Surface* surface = SDL_GetWindowSurface(it->second.Window);
    if (!surface) return;
    const TRect r = IntersectRect(dirty, Rect(0, 0, std::min(surface->w, shown->Image.Width()),
                                              std::min(surface->h, shown->Image.Height())));
    if (r.IsEmpty()) return;
    SDL_LockSurface(surface);
    auto* dst = static_cast<uint8_t*>(surface->pixels) + r.Top * surface->pitch + r.Left * surface->format->BytesPerPixel;
    SDL_ConvertPixels(r.Width(), r.Height(), SDL_PIXELFORMAT_XRGB8888, shown->Image.ScanLine(r.Top) + r.Left,
                      shown->Image.Width() * 4, surface->format->format, dst, surface->pitch);
    SDL_UnlockSurface(surface);
    SDL_Rect sr{r.Left, r.Top, r.Width(), r.Height()};
    SDL_UpdateWindowSurfaceRects(it->second.Window, &sr, 1);
  }

  HWND HandleOf(Uint32 windowId) const {
    SDL_Window* sw = SDL_GetWindowFromID(windowId);
    for (const auto& [h, w] : FWindows)
      if (w.Window == sw) return h;
    return 0;
  }

  void Post(TInputEvent e) {
    if (FSink) FSink->PostInput(e);
  }

  void Translate(const SDL_Event& ev) {
    TInputEvent e;
    int gx = 0, gy = 0;
    switch (ev.type) {
      case SDL_MOUSEMOTION:
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        SDL_GetGlobalMouseState(&gx, &gy);
        e.Pos = {gx, gy};
        e.Shift = ShiftFromMod(SDL_GetModState());
        if (ev.type == SDL_MOUSEMOTION) {
          e.Kind = ikMouseMove;
          e.Window = HandleOf(ev.motion.windowID);
        } else {
          e.Kind = ev.type == SDL_MOUSEBUTTONDOWN ? ikMouseDown : ikMouseUp;
          e.Window = HandleOf(ev.button.windowID);
          e.Button = ev.button.button == SDL_BUTTON_RIGHT ? mbRight
                     : ev.button.button == SDL_BUTTON_MIDDLE ? mbMiddle
                                                             : mbLeft;
          e.DoubleClick = ev.type == SDL_MOUSEBUTTONDOWN && ev.button.clicks == 2;
        }
        Post(e);
        break;
      case SDL_MOUSEWHEEL:
        SDL_GetGlobalMouseState(&gx, &gy);
        e.Kind = ikMouseWheel;
        e.Window = HandleOf(ev.wheel.windowID);
        e.Pos = {gx, gy};
        e.WheelDelta = ev.wheel.y * 120;
        Post(e);
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        e.Kind = ev.type == SDL_KEYDOWN ? ikKeyDown : ikKeyUp;
        e.Key = VirtualKey(ev.key.keysym.sym);
        e.Shift = ShiftFromMod(ev.key.keysym.mod);
        if (e.Key == 0) break;
        Post(e);
        // Alt with a letter or digit is an accelerator (no text input comes for it).
        if (ev.type == SDL_KEYDOWN && (e.Shift & ssAlt) &&
            ((e.Key >= 'A' && e.Key <= 'Z') || (e.Key >= '0' && e.Key <= '9'))) {
          TInputEvent c;
          c.Kind = ikChar;
          c.Char = static_cast<char>(e.Key);
          c.Shift = ssAlt;
          Post(c);
        }
        break;
      }
      case SDL_TEXTINPUT: {
        if (SDL_GetModState() & (KMOD_ALT | KMOD_CTRL)) break;
        for (char ch : rtl::AnsiFromUtf8(ev.text.text)) {
          e.Kind = ikChar;
          e.Char = ch;
          Post(e);
        }
        break;
      }
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
          e.Kind = ikClose;
          e.Window = HandleOf(ev.window.windowID);
          Post(e);
        } else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED || ev.window.event == SDL_WINDOWEVENT_SHOWN) {
          if (HWND h = HandleOf(ev.window.windowID)) Blit(h, Rect(0, 0, 0x7FFF, 0x7FFF));
        }
        break;
      default:
        break;
    }
  }

  std::map<HWND, TWin> FWindows;
  std::vector<HWND> FOrder;
  std::map<SDL_SystemCursor, SDL_Cursor*> FCursors;
  TScreenImage FImage;
};

}  // namespace

std::unique_ptr<TDisplay> CreateSdlDisplay() { return std::make_unique<TSdlDisplay>(); }

}  // namespace ui
