#pragma once
// Installation media for the installer, written with our own archive writer:
// archives of the installer's format, the setup script, the change sound and
// pictures. The demo medium of the main job is one; the end-to-end tests make
// small ones with the same pieces. Everything goes through the installed
// Windows backend, so paths are Windows paths.

#include <string>
#include <vector>

#include "rtl/AnsiString.h"
#include "ui/Graphics.h"

namespace medium {

using rtl::AnsiString;

// One file of an archive: the name it is stored under (a folder part is
// allowed: "Ajuda\indice.htm") and its bytes.
struct TMediumFile {
  AnsiString Name;
  std::string Bytes;
};

// Writes a new archive at archivePath (an older file of that name is replaced)
// holding files, in order. Each file is first written under staging (made
// when missing), and names are stored relative to it.
void WriteArchive(const AnsiString& archivePath, const std::vector<TMediumFile>& files, const AnsiString& staging);

// Writes bytes to a file, replacing it.
void WriteMachineFile(const AnsiString& path, const std::string& bytes);

// A wave file (PCM, 11025 Hz, mono, 8 bits) of a short two-note chime.
std::string ChimeWave(int milliseconds);

// A picture as the bytes of a JPEG file, or of a 24-bit BMP file.
std::string JpegBytes(const ui::TBitmap& bitmap, int quality = 88);
std::string BmpBytes(const ui::TBitmap& bitmap);

// Bytes that stand in for a program or library of the product: a recognisable
// head with the name, then `size` bytes in all that compress poorly, so the
// progress gauges have something to show.
std::string ProgramBytes(const AnsiString& name, size_t size);

// The demo medium of Vantor Q-Mira into folder: the setup script VANTOR.STP,
// the support archives "bckgrd.bak", "winsysdlls.bak", "Contrato.bak",
// "BillBrds.bak", four product archives, "change.wav". The sources and their
// manifest "demo.manifest" are written under staging, and vqm-medium's build
// makes the medium from them. Returns the names written.
std::vector<AnsiString> BuildDemoMedium(const AnsiString& folder, const AnsiString& staging);

}  // namespace medium
