#pragma once
// The installer's own pictures, embedded at build time: the side picture, the
// billboard placeholder, the wizard's three icons and the cancel window's
// warning icon; and loading embedded picture bytes into pictures.

#include <cstdint>
#include <span>
#include <string_view>

#include "ui/Picture.h"

namespace installer {

inline constexpr std::string_view kResLateral = "LATERAL";      // side picture, 146 x 344 JPEG
inline constexpr std::string_view kResBillboard = "BILLBOARD";  // billboard placeholder, 544 x 302 JPEG, dark
inline constexpr std::string_view kResServidor = "SERVIDOR";    // icon beside "Servidor", 32 x 32
inline constexpr std::string_view kResTerminal = "TERMINAL";    // icon beside "Terminal", 32 x 32
inline constexpr std::string_view kResContrato = "CONTRATO";    // licence page icon, 32 x 32
inline constexpr std::string_view kResAviso = "AVISO";          // cancel window's warning icon, 32 x 32

// The bytes of an installer resource (case-sensitive name); empty when there is none.
std::span<const uint8_t> FindInstallerResource(std::string_view name);

// Picture bytes (JPEG, icon or bitmap, told by their first bytes) into
// picture. EInvalidGraphic for bytes of no known kind or damaged bytes.
void LoadPictureBytes(ui::TPicture& picture, std::span<const uint8_t> bytes);
// The same into a bitmap; the bytes must be a bitmap file.
void LoadBitmapBytes(ui::TBitmap& bitmap, std::span<const uint8_t> bytes);
// An installer resource into picture.
inline void LoadResourcePicture(ui::TPicture& picture, std::string_view name) {
  LoadPictureBytes(picture, FindInstallerResource(name));
}

}  // namespace installer
