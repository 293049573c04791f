// Draws the progress strip's pictures (its mask and the abort button's two
// looks) and writes them, as BMP files in C++ byte arrays, to
// ResourceData.cpp/.h in the folder given.

#include <algorithm>
#include <cmath>

#include "resources/generator/ResourceFiles.h"

namespace {

using resgen::Picture;
using resgen::Rgba;

constexpr Rgba kFuchsia{255, 0, 255};
constexpr Rgba kBlack{0, 0, 0};
constexpr Rgba kWhite{255, 255, 255};

// The strip's mask. The region scan leaves out the first pixel of every run,
// so each black piece starts one column left of the window part it makes:
// the pieces become (45, 2)-(262, 33), (275, 2)-(585, 33) and (7, 6)-(31, 30).
Picture StripMask() {
  Picture p(595, 35, kFuchsia);
  p.Fill(44, 2, 262, 33, kBlack);   // gauge panel
  p.Fill(274, 2, 585, 33, kBlack);  // text panel
  p.Fill(6, 6, 31, 30, kBlack);     // abort button square
  return p;
}

// Distance from (x, y) to the rounded square [0, size]^2 with corner radius r;
// negative inside.
double RoundedSquareDistance(double x, double y, double size, double r) {
  const double cx = std::clamp(x, r, size - r);
  const double cy = std::clamp(y, r, size - r);
  return std::hypot(x - cx, y - cy) - r;
}

// How much of the power symbol covers the point: a ring open at the top and
// a bar through the opening.
bool InPowerSymbol(double x, double y) {
  const double cx = 12.0, cy = 12.8;
  const double dx = x - cx, dy = y - cy;
  const double dist = std::hypot(dx, dy);
  const double angleFromUp = std::atan2(std::fabs(dx), -dy);  // 0 straight up
  const bool ring = dist >= 4.6 && dist <= 6.9 && angleFromUp > 0.62;
  const bool bar = std::fabs(dx) <= 1.15 && y >= 4.2 && y <= 12.6;
  return ring || bar;
}

// The abort button: a red rounded square with a white power symbol, shaded
// from top to bottom, on fuchsia (the see-through colour). The corners have
// hard edges so no pixel is a mix of fuchsia and red. The shade is taken to
// whole channel values before the symbol is blended over it.
Picture AbortButton(Rgba top, Rgba bottom, Rgba border) {
  constexpr int kSize = 24;
  auto whole = [](const Rgba& c) { return Rgba{std::round(c.R), std::round(c.G), std::round(c.B)}; };
  Picture p(kSize, kSize, kFuchsia);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double d = RoundedSquareDistance(x + 0.5, y + 0.5, kSize, 5.0);
      if (d > 0) continue;
      const Rgba c = d > -1.0 ? border : whole(resgen::Mix(top, bottom, y / (kSize - 1.0)));
      // 4 x 4 samples for a smooth symbol edge.
      int covered = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) covered += InPowerSymbol(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      p.At(x, y) = resgen::Mix(c, kWhite, covered / 16.0);
    }
  }
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  return resgen::RunGenerator(argc, argv, {"vqm-genresources", "resources", ""}, [] {
    using resgen::BmpFile;
    return std::vector<resgen::TResource>{
        {"STRIPMASK", "kStripMaskBmp", BmpFile(StripMask())},
        {"ABORTLEAVE", "kAbortLeaveBmp", BmpFile(AbortButton({196, 30, 30}, {128, 10, 10}, {96, 0, 0}))},
        {"ABORTENTER", "kAbortEnterBmp", BmpFile(AbortButton({255, 110, 100}, {222, 40, 36}, {150, 16, 16}))},
    };
  });
}
