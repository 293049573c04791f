#include "resources/generator/Drawing.h"

#include <algorithm>
#include <cmath>

namespace resgen {

Rgba Mix(const Rgba& a, const Rgba& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t, a.A + (b.A - a.A) * t};
}

uint8_t Byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

void Picture::Fill(int left, int top, int right, int bottom, const Rgba& c) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) At(x, y) = c;
}

void Paint(Picture& p, const std::function<Rgba(double x, double y)>& color, const Shape& inside) {
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      int covered = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) covered += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      if (covered == 0) continue;
      const Rgba c = color(x + 0.5, y + 0.5);
      const double t = covered / 16.0;
      Rgba& d = p.At(x, y);
      const double sa = c.A / 255.0 * t, da = d.A / 255.0;
      const double oa = sa + da * (1 - sa);
      auto ch = [&](double s, double dc) { return oa > 0 ? (s * sa + dc * da * (1 - sa)) / oa : 0; };
      d = {ch(c.R, d.R), ch(c.G, d.G), ch(c.B, d.B), oa * 255};
    }
}

void Paint(Picture& p, const Rgba& color, const Shape& inside) {
  Paint(p, [&](double, double) { return color; }, inside);
}

bool InRect(double x, double y, double l, double t, double r, double b) { return x >= l && x < r && y >= t && y < b; }

bool InRoundRect(double x, double y, double l, double t, double r, double b, double radius) {
  const double cx = std::clamp(x, l + radius, r - radius), cy = std::clamp(y, t + radius, b - radius);
  return InRect(x, y, l, t, r, b) && std::hypot(x - cx, y - cy) <= radius;
}

bool InRing(double x, double y, double cx, double cy, double inner, double outer) {
  const double d = std::hypot(x - cx, y - cy);
  return d >= inner && d <= outer;
}

bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx, double cy) {
  auto side = [&](double px, double py, double qx, double qy) { return (qx - px) * (y - py) - (qy - py) * (x - px); };
  const double d1 = side(ax, ay, bx, by), d2 = side(bx, by, cx, cy), d3 = side(cx, cy, ax, ay);
  return !((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0));
}

bool NearSegment(double x, double y, double ax, double ay, double bx, double by, double halfWidth) {
  const double dx = bx - ax, dy = by - ay;
  const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(x - (ax + t * dx), y - (ay + t * dy)) <= halfWidth;
}

}  // namespace resgen
