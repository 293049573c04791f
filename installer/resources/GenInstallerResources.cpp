// Draws the installer's own pictures (the side picture, the billboard
// placeholder, the wizard's and the cancel window's icons) and writes them as
// C++ byte arrays to InstallerResourceData.cpp/.h in the folder given.

#include <algorithm>
#include <cmath>

#include "resources/generator/ResourceFiles.h"

namespace {

using namespace resgen;

// ---- the pictures ------------------------------------------------------------

// The side picture beside the wizard's pages and the completion texts: a deep
// blue band with the product's ring mark and a few thin light lines.
Picture SidePicture() {
  Picture p(146, 344, {});
  const Rgba top{12, 28, 74}, bottom{0, 104, 122};
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      // A soft light from the upper left.
      const double glow = std::max(0.0, 1 - std::hypot(x - 20.0, y - 40.0) / 260.0) * 28;
      Rgba c = Mix(top, bottom, y / (p.Height - 1.0));
      p.At(x, y) = {c.R + glow, c.G + glow, c.B + glow};
    }
  const Rgba light{210, 232, 245}, accent{255, 190, 60};
  // The ring mark with its tail: a "Q" of light.
  Paint(p, light, [](double x, double y) { return InRing(x, y, 73, 118, 30, 38); });
  Paint(p, light, [](double x, double y) {
    const double u = (x - 88) + (y - 140), v = (x - 88) - (y - 140);
    return std::fabs(v) <= 5 && u >= 0 && u <= 44;
  });
  Paint(p, accent, [](double x, double y) { return std::hypot(x - 73, y - 118) <= 9; });
  // Thin lines under the mark, shorter each time.
  for (int i = 0; i < 4; ++i) {
    const double yTop = 214 + i * 14, half = 50 - i * 10;
    Paint(p, {light.R, light.G, light.B, 150.0 - i * 25},
          [=](double x, double y) { return InRect(x, y, 73 - half, yTop, 73 + half, yTop + 3); });
  }
  return p;
}

// The billboard's picture before the first billboard is loaded: dark, with a
// faint ring in the middle.
Picture BillboardPlaceholder() {
  Picture p(544, 302, {});
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x) {
      const double d = std::hypot((x - 272) / 272.0, (y - 151) / 151.0);
      p.At(x, y) = Mix({30, 34, 46}, {8, 9, 13}, d / 1.3);
    }
  Paint(p, {70, 80, 104}, [](double x, double y) { return InRing(x, y, 272, 151, 46, 50); });
  return p;
}

Picture EmptyIcon() { return Picture(32, 32, {0, 0, 0, 0}); }

// A server cabinet with two drive bays and a green light.
Picture ServerIcon() {
  Picture p = EmptyIcon();
  Paint(p, {40, 40, 40}, [](double x, double y) { return InRoundRect(x, y, 7, 1, 25, 31, 2); });
  Paint(p, {176, 176, 176}, [](double x, double y) { return InRoundRect(x, y, 8, 2, 24, 30, 1.5); });
  for (double bay : {6.0, 12.0})
    Paint(p, {80, 80, 80}, [bay](double x, double y) { return InRect(x, y, 10, bay, 22, bay + 4); });
  Paint(p, {228, 228, 228}, [](double x, double y) { return InRect(x, y, 10, 19, 22, 20); });
  Paint(p, {0, 200, 60}, [](double x, double y) { return std::hypot(x - 20, y - 25.5) <= 1.6; });
  return p;
}

// A monitor with a blue screen on its stand.
Picture TerminalIcon() {
  Picture p = EmptyIcon();
  Paint(p, {40, 40, 40}, [](double x, double y) { return InRoundRect(x, y, 2, 3, 30, 24, 2); });
  Paint(p, {192, 192, 192}, [](double x, double y) { return InRoundRect(x, y, 3, 4, 29, 23, 1.5); });
  Paint(p, {0, 60, 150}, [](double x, double y) { return InRect(x, y, 6, 7, 26, 20); });
  Paint(p, {90, 160, 230}, [](double x, double y) { return InRect(x, y, 8, 9, 18, 11); });
  Paint(p, {120, 120, 120}, [](double x, double y) { return InRect(x, y, 13, 24, 19, 27); });
  Paint(p, {40, 40, 40}, [](double x, double y) { return InRoundRect(x, y, 8, 27, 24, 30, 1); });
  return p;
}

// A page with a folded corner, lines of text and a red seal.
Picture ContractIcon() {
  Picture p = EmptyIcon();
  auto page = [](double x, double y) {
    return InRect(x, y, 5, 1, 27, 31) && !InTriangle(x, y, 20, 0.5, 27.5, 0.5, 27.5, 8);
  };
  Paint(p, {40, 40, 40}, page);
  Paint(p, {255, 255, 255}, [&](double x, double y) { return InRect(x, y, 6, 2, 26, 30) && page(x - 0.7, y + 0.7); });
  Paint(p, {150, 150, 150}, [](double x, double y) { return InTriangle(x, y, 20, 1, 20, 8, 27, 8); });
  for (int i = 0; i < 5; ++i) {
    const double y0 = 9 + i * 3.5, right = i == 4 ? 16 : 23;
    Paint(p, {110, 110, 130}, [=](double x, double y) { return InRect(x, y, 9, y0, right, y0 + 1.2); });
  }
  Paint(p, {200, 20, 20}, [](double x, double y) { return std::hypot(x - 21, y - 25) <= 4; });
  Paint(p, {255, 200, 200}, [](double x, double y) { return InRing(x, y, 21, 25, 2, 2.7); });
  return p;
}

// The warning sign: a yellow triangle with a black edge and an exclamation mark.
Picture WarningIcon() {
  Picture p = EmptyIcon();
  Paint(p, {0, 0, 0}, [](double x, double y) { return InTriangle(x, y, 16, 1, 31, 29, 1, 29); });
  Paint(p, {255, 220, 0}, [](double x, double y) { return InTriangle(x, y, 16, 4, 28.4, 27.3, 3.6, 27.3); });
  Paint(p, {0, 0, 0}, [](double x, double y) { return InRoundRect(x, y, 14.4, 10, 17.6, 21, 1.5); });
  Paint(p, {0, 0, 0}, [](double x, double y) { return std::hypot(x - 16, y - 24) <= 1.8; });
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  return RunGenerator(argc, argv, {"vqm-geninstallerresources", "installer", "Installer"}, [] {
    return std::vector<TResource>{
        {"LATERAL", "kLateralJpg", JpegFile(SidePicture(), 90)},
        {"BILLBOARD", "kBillboardJpg", JpegFile(BillboardPlaceholder(), 85)},
        {"SERVIDOR", "kServidorIco", IconFile(ServerIcon())},
        {"TERMINAL", "kTerminalIco", IconFile(TerminalIcon())},
        {"CONTRATO", "kContratoIco", IconFile(ContractIcon())},
        {"AVISO", "kAvisoIco", IconFile(WarningIcon())},
    };
  });
}
