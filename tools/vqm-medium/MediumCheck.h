#pragma once
// The check of an installation medium: its setup script read as the installer
// reads it, its archives opened and read through as the installer would, and
// every mistake that would make an installation fail or differ from what the
// author meant, each with the script's line, section and key. Then what a
// server and a terminal installation will do with it.
//
// Everything goes through the installed Windows backend: the medium folder is
// a Windows path (a host folder on the drive that maps the host), and the
// archives are unpacked for reading into the machine's temporary folder.

#include <string>
#include <vector>

#include "rtl/AnsiString.h"

namespace vqmmedium {

using rtl::AnsiString;

enum TSeverity { svWarning, svError };

struct TFinding {
  TSeverity Severity = svWarning;
  std::string Code;  // a short name of the kind of mistake ("missing-archive")
  AnsiString File;   // the file at fault (the script, an archive)
  int Line = 0;      // its line in the script; 0 when it has none
  AnsiString Section, Key;
  AnsiString Text;
};

struct TCheckResult {
  AnsiString Script;  // the script's file name; empty when there is none
  std::vector<TFinding> Findings;
  std::vector<AnsiString> Summary;  // what the two installations do, one line each
  // 0 clean, 1 warnings, 2 errors.
  int ExitCode() const;
  bool Has(const std::string& code) const;
};

// Checks the medium in `folder` (a Windows path). An error of its own (the
// folder does not exist) comes back as a finding too.
TCheckResult CheckMedium(const AnsiString& folder);

// "VANTOR.STP:12: warning: [Grupos] Grupo_1_Arquivos: ..." in UTF-8.
std::string FormatFinding(const TFinding& finding);

}  // namespace vqmmedium
