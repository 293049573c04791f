// Draws the launcher's pictures (the window's background, the bullet in front
// of each step and the no-entry sign over a step that is done) and writes them
// as C++ byte arrays to LauncherResourceData.cpp/.h in the folder given.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "resources/generator/ResourceFiles.h"

namespace {

using namespace resgen;

// A colour of the given hue (0..1) at low saturation: the sheen of a disc.
Rgba Sheen(double hue, double light) {
  auto channel = [&](double shift) {
    const double v = 0.5 + 0.5 * std::cos(2 * std::numbers::pi * (hue - shift));
    return 255 * light * (0.82 + 0.18 * v);
  };
  return {channel(0), channel(1.0 / 3), channel(2.0 / 3)};
}

// ---- the pictures ------------------------------------------------------------

constexpr Rgba kAmber{255, 168, 40};

// The window's background, 453 x 334. The window's texts are white and red and
// sit on its right part (from x 208), and its buttons cross the right edge
// into the window's black: a dark blue field that turns black towards the
// right edge, a thin amber rule under the title, and on the left the
// installation disc with the product's ring mark on it.
Picture Background() {
  Picture p(453, 334, {});
  const Rgba navy{16, 30, 68}, night{3, 5, 12};
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      const double along = (x * 0.6 + y) / (p.Width * 0.6 + p.Height);
      Rgba c = Mix(navy, night, along);
      // The last 70 columns fade into the window's black.
      c = Mix(c, {0, 0, 0}, (x - (p.Width - 70.0)) / 70.0);
      p.At(x, y) = c;
    }

  // The rule under the title, fading out to the right.
  Paint(
      p, [](double x, double) { return Rgba{kAmber.R, kAmber.G, kAmber.B, 230 * std::clamp(1 - (x - 3) / 437, 0.0, 1.0)}; },
      [](double x, double y) { return InRect(x, y, 3, 27, 440, 29); });
  // A faint divider between the picture and the steps.
  Paint(p, {90, 120, 170, 90}, [](double x, double y) { return InRect(x, y, 196, 48, 197, 296); });

  // The disc: a soft shadow, the silver face with its sheen, the hub and the hole.
  const double cx = 98, cy = 176;
  Paint(p, {0, 0, 0, 110}, [&](double x, double y) { return std::hypot(x - cx - 4, y - cy - 5) <= 80; });
  Paint(
      p,
      [&](double x, double y) {
        const double angle = std::atan2(y - cy, x - cx) / (2 * std::numbers::pi);
        const double light = 0.78 + 0.12 * std::cos(4 * std::numbers::pi * angle + 0.6);
        return Sheen(angle * 2, light);
      },
      [&](double x, double y) { return InRing(x, y, cx, cy, 14, 78); });
  Paint(p, {255, 255, 255, 70}, [&](double x, double y) { return InRing(x, y, cx, cy, 14, 30); });
  Paint(p, {120, 130, 150, 160}, [&](double x, double y) { return InRing(x, y, cx, cy, 29, 30.5); });
  Paint(p, {70, 78, 96}, [&](double x, double y) { return InRing(x, y, cx, cy, 77, 78.5); });
  // The product's mark on the face: a blue ring with its tail, a "Q".
  const Rgba mark{20, 70, 150};
  Paint(p, mark, [&](double x, double y) { return InRing(x, y, cx, cy - 44, 11, 15); });
  Paint(p, mark, [&](double x, double y) { return NearSegment(x, y, cx + 8, cy - 36, cx + 17, cy - 27, 2.2); });
  Paint(p, kAmber, [&](double x, double y) { return std::hypot(x - cx, y - (cy - 44)) <= 4; });
  // A glint across the face.
  Paint(
      p, [&](double x, double y) { return Rgba{255, 255, 255, 60 * (1 - std::fabs((x - cx) + (y - cy)) / 26)}; },
      [&](double x, double y) { return InRing(x, y, cx, cy, 31, 76) && std::fabs((x - cx) + (y - cy)) < 26 && x < cx; });
  return p;
}

// The bullet in front of each step title, 11 x 17: an amber arrow head.
Picture Bullet() {
  Picture p(11, 17, {0, 0, 0, 0});
  Paint(p, {90, 40, 0}, [](double x, double y) { return InTriangle(x, y, 1, 2, 10.5, 8.5, 1, 15); });
  Paint(
      p, [](double, double y) { return Mix({255, 214, 120}, {230, 120, 10}, (y - 3) / 11); },
      [](double x, double y) { return InTriangle(x, y, 2, 3.8, 8.8, 8.5, 2, 13.2); });
  return p;
}

// The no-entry sign, 48 x 48: a red ring with a bar from top left to bottom
// right; the middle stays see-through, so the step's title shows crossed out.
Picture NoEntry() {
  Picture p(48, 48, {0, 0, 0, 0});
  const double c = 24;
  const double k = std::sqrt(0.5);
  auto sign = [&](double grow) {
    return [=](double x, double y) {
      return InRing(x, y, c, c, 17.5 - grow, 22.5 + grow) ||
             (std::hypot(x - c, y - c) <= 18 && NearSegment(x, y, c - 18 * k, c - 18 * k, c + 18 * k, c + 18 * k, 3 + grow));
    };
  };
  Paint(p, {110, 0, 0}, sign(1));
  Paint(
      p, [&](double x, double y) { return Mix({255, 70, 60}, {200, 0, 0}, (x + y) / 96); }, sign(0));
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  return RunGenerator(argc, argv, {"vqm-genlauncherresources", "launcher", "Launcher"}, [] {
    return std::vector<TResource>{
        {"FUNDO", "kFundoJpg", JpegFile(Background(), 90)},
        {"MARCADOR", "kMarcadorIco", IconFile(Bullet())},
        {"PROIBIDO", "kProibidoIco", IconFile(NoEntry())},
    };
  });
}
