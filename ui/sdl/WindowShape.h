#pragma once
// Cuts an SDL window to rectangles where the windowing system can (X11 with
// the SHAPE extension), for the eye and for the mouse. Kept apart: the
// system's headers define names that clash with ours.

#include <vector>

#include "ui/Graphics.h"

struct SDL_Window;

namespace ui {

// rects in window coordinates; nullptr gives the whole rectangle back. False
// when the system cannot shape windows (the window stays rectangular).
bool SetSdlWindowShape(SDL_Window* window, const std::vector<TRect>* rects);

}  // namespace ui
