// Window shapes through the X11 SHAPE extension.

#include "ui/sdl/WindowShape.h"

#include <SDL.h>
#include <SDL_syswm.h>

#ifdef VQM_HAVE_XSHAPE
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#endif

namespace ui {

bool SetSdlWindowShape(SDL_Window* window, const std::vector<TRect>* rects) {
#ifdef VQM_HAVE_XSHAPE
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  ::Display* display = info.info.x11.display;
  const ::Window xwindow = info.info.x11.window;
  int event = 0, error = 0;
  if (!XShapeQueryExtension(display, &event, &error)) return false;
  for (int kind : {ShapeBounding, ShapeInput}) {
    if (!rects) {
      XShapeCombineMask(display, xwindow, kind, 0, 0, 0 /* None: no shape */, ShapeSet);
      continue;
    }
    std::vector<XRectangle> parts;
    for (const TRect& r : *rects)
      parts.push_back({static_cast<short>(r.Left), static_cast<short>(r.Top), static_cast<unsigned short>(r.Width()),
                       static_cast<unsigned short>(r.Height())});
    XShapeCombineRectangles(display, xwindow, kind, 0, 0, parts.data(), static_cast<int>(parts.size()), ShapeSet,
                            YXBanded);
  }
  XFlush(display);
  return true;
#else
  (void)window;
  (void)rects;
  return false;
#endif
}

}  // namespace ui
