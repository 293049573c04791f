#pragma once
// The launcher's own pictures, embedded at build time: the window's
// background, the step bullet and the no-entry sign.

#include <cstdint>
#include <span>
#include <string_view>

#include "ui/Picture.h"

namespace launcher {

inline constexpr std::string_view kResFundo = "FUNDO";        // background, 453 x 334 JPEG
inline constexpr std::string_view kResMarcador = "MARCADOR";  // step bullet, 11 x 17 icon
inline constexpr std::string_view kResProibido = "PROIBIDO";  // no-entry sign, 48 x 48 icon

// The bytes of a launcher resource (case-sensitive name); empty when there is none.
std::span<const uint8_t> FindLauncherResource(std::string_view name);

// A launcher resource into picture: JPEG or icon, told by the first bytes.
// EInvalidGraphic for an unknown name or bytes of no known kind.
void LoadLauncherPicture(ui::TPicture& picture, std::string_view name);

}  // namespace launcher
