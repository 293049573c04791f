// The headless display: a virtual screen with virtual time.

#include "rtl/Clock.h"
#include "ui/Display.h"

namespace ui {

// The fixed clock the display advances: a test's own when one is installed,
// else one of the display's, put back when the display goes.
struct THeadlessDisplay::TClockHolder {
  rtl::TClock* Previous = &rtl::Clock();
  rtl::TFixedClock Own;
  rtl::TFixedClock* Clock = nullptr;

  TClockHolder() {
    Clock = dynamic_cast<rtl::TFixedClock*>(Previous);
    if (!Clock) {
      Clock = &Own;
      rtl::SetClock(&Own);
    }
  }
  ~TClockHolder() {
    if (Clock == &Own) rtl::SetClock(Previous);
  }
};

THeadlessDisplay::THeadlessDisplay(int screenWidth, int screenHeight)
    : FClock(std::make_unique<TClockHolder>()), FScreen{screenWidth, screenHeight} {}

THeadlessDisplay::~THeadlessDisplay() = default;

void THeadlessDisplay::CreateWindow(HWND window, const TRect& bounds, const AnsiString&) {
  FImage.Create(window, bounds);
}

void THeadlessDisplay::DestroyWindow(HWND window) { FImage.Destroy(window); }

void THeadlessDisplay::SetWindowBounds(HWND window, const TRect& bounds) { FImage.SetBounds(window, bounds); }

void THeadlessDisplay::ShowWindow(HWND window, bool visible) { FImage.Show(window, visible); }

void THeadlessDisplay::SetWindowRegion(HWND window, const std::optional<TRegion>& region) {
  FImage.SetRegion(window, region);
}

void THeadlessDisplay::SetZOrder(const std::vector<HWND>& bottomToTop) { FImage.SetZOrder(bottomToTop); }

void THeadlessDisplay::Present(HWND window, const TBitmap& image, const TRect& dirty) {
  FImage.Present(window, image, dirty);
}

void THeadlessDisplay::WaitEvents(uint32_t timeoutMs) {
  if (timeoutMs == kInfinite)
    throw EDisplayStalled("The message loop waits for input that cannot come: no user, no timer, no operator step");
  FClock->Clock->Advance(timeoutMs);
}

TBitmap THeadlessDisplay::Screenshot() const { return FImage.Compose(FScreen); }

}  // namespace ui
