#pragma once
// Pictures drawn by arithmetic for the programs' embedded resources: a
// picture of colour channels kept as doubles, painting with smooth edges and
// the shapes the drawings are made of. Plain arithmetic, so every build draws
// the same pixels.

#include <cstdint>
#include <functional>
#include <vector>

namespace resgen {

// A colour with its alpha; channels 0..255, rounded only when written out.
struct Rgba {
  double R = 0, G = 0, B = 0, A = 255;
};

// a to b by t, t held to 0..1; alpha too.
Rgba Mix(const Rgba& a, const Rgba& b, double t);

// A channel as a byte: rounded and held to 0..255.
uint8_t Byte(double v);

struct Picture {
  int Width;
  int Height;
  std::vector<Rgba> Pixels;
  Picture(int w, int h, Rgba fill) : Width(w), Height(h), Pixels(static_cast<size_t>(w) * h, fill) {}
  Rgba& At(int x, int y) { return Pixels[static_cast<size_t>(y) * Width + x]; }
  const Rgba& At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
  // Sets the pixels of [left, right) x [top, bottom), hard edges.
  void Fill(int left, int top, int right, int bottom, const Rgba& c);
};

using Shape = std::function<bool(double x, double y)>;

// Paints over the picture where `inside` holds, weighted by the share of 4 x 4
// samples of each pixel that fall inside (smooth edges), source over
// destination with alpha (icons start see-through). The colour may vary over
// the picture: `color` is asked at the pixel's centre.
void Paint(Picture& p, const std::function<Rgba(double x, double y)>& color, const Shape& inside);
void Paint(Picture& p, const Rgba& color, const Shape& inside);

// ---- shapes: is the point (x, y) inside? ----

bool InRect(double x, double y, double l, double t, double r, double b);
bool InRoundRect(double x, double y, double l, double t, double r, double b, double radius);
bool InRing(double x, double y, double cx, double cy, double inner, double outer);
// Inside the triangle a-b-c (any winding).
bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx, double cy);
// Within halfWidth of the segment a-b.
bool NearSegment(double x, double y, double ax, double ay, double bx, double by, double halfWidth);

}  // namespace resgen
