// machine.ini reading and writing, and fresh machines.

#include "platform/sim/MachineConfig.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include <cstdio>

#include "platform/sim/HostFiles.h"
#include "platform/sim/IniText.h"
#include "platform/sim/WinPath.h"
#include "rtl/SysUtils.h"

namespace platform::sim {

namespace {

const char* const kKindNames[] = {"missing", "fixed", "removable", "cdrom", "network"};
const char* const kProgManNames[] = {"running", "startable", "absent"};
const char* const kFamilyNames[] = {"9x", "NT"};

std::string HexSerial(DWORD serial) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X-%04X", serial >> 16, serial & 0xFFFF);
  return text;
}

// Reads one section's keys with errors that name the file and the setting.
class TSectionReader {
 public:
  TSectionReader(const TIniText& ini, std::string name) : FName(std::move(name)) {
    if (const TIniText::TSection* s = ini.Section(FName)) FSection = s;
  }

  bool Has(std::string_view key) const { return Raw(key) != nullptr; }

  // Text as it stands in the file (UTF-8).
  std::string Utf8(std::string_view key, const std::string& def = {}) const {
    const AnsiString* v = Raw(key);
    return v ? *v : def;
  }
  // Windows text (Windows-1252).
  AnsiString Text(std::string_view key, const AnsiString& def = {}) const {
    const AnsiString* v = Raw(key);
    return v ? rtl::AnsiFromUtf8(*v) : def;
  }
  int64_t Number(std::string_view key, int64_t def) const {
    const AnsiString* v = Raw(key);
    if (!v || v->empty()) return def;
    int64_t value;
    if (!rtl::TryStrToInt64(*v, value)) Fail(key, "'" + *v + "' is not a number");
    return value;
  }
  int64_t Size(std::string_view key, int64_t def) const {
    const AnsiString* v = Raw(key);
    if (v && SameName(*v, "real")) return kRealSize;
    const int64_t value = Number(key, def);
    if (value < kRealSize) Fail(key, "a size cannot be negative");
    return value;
  }
  bool Flag(std::string_view key, bool def) const {
    const AnsiString* v = Raw(key);
    if (!v || v->empty()) return def;
    if (SameName(*v, "yes") || SameName(*v, "true") || *v == "1") return true;
    if (SameName(*v, "no") || SameName(*v, "false") || *v == "0") return false;
    Fail(key, "'" + *v + "' is not yes or no");
  }
  DWORD Serial(std::string_view key) const {
    std::string v = Utf8(key);
    if (v.empty()) return 0;
    if (v.size() == 9 && v[4] == '-') v.erase(4, 1);
    int64_t value;
    if (v.size() > 8 || !rtl::TryStrToInt64("$" + v, value)) Fail(key, "'" + Utf8(key) + "' is not a serial number XXXX-XXXX");
    return static_cast<DWORD>(value);
  }
  template <std::size_t N>
  int Choice(std::string_view key, const char* const (&names)[N], int def) const {
    const AnsiString* v = Raw(key);
    if (!v || v->empty()) return def;
    for (std::size_t i = 0; i < N; ++i)
      if (SameName(*v, names[i])) return static_cast<int>(i);
    Fail(key, "unknown value '" + *v + "'");
  }
  [[noreturn]] void Fail(std::string_view key, const std::string& what) const {
    throw EMachineError("machine.ini: [" + FName + "] " + std::string(key) + ": " + what);
  }

 private:
  const AnsiString* Raw(std::string_view key) const {
    if (!FSection) return nullptr;
    for (const auto& [k, v] : FSection->Keys)
      if (SameName(k, key)) return &v;
    return nullptr;
  }

  std::string FName;
  const TIniText::TSection* FSection = nullptr;
};

std::string AbsoluteFolder(const std::string& machineDir, const std::string& folder) {
  return folder.empty() || folder[0] == '/' ? folder : JoinHost(machineDir, folder);
}

TVolumeConfig ReadVolume(const TSectionReader& r, const std::string& machineDir, DWORD cluster) {
  TVolumeConfig v;
  v.Folder = AbsoluteFolder(machineDir, r.Utf8("Folder"));
  v.Label = r.Text("Label");
  v.Serial = r.Serial("Serial");
  v.FileSystem = r.Text("FileSystem", "FAT");
  v.Size = r.Size("Size", kRealSize);
  v.Free = r.Size("Free", kRealSize);
  v.ClusterSize = static_cast<DWORD>(r.Number("ClusterSize", cluster));
  if (v.ClusterSize < 512 || v.ClusterSize % 512 != 0 || v.ClusterSize > 65536)
    r.Fail("ClusterSize", "must be a multiple of 512 up to 65536");
  return v;
}

TProgramConfig ReadProgram(const TSectionReader& r, const AnsiString& name, const std::string& value) {
  TProgramConfig p;
  p.Name = name;
  if (SameName(value, "journal") || value.empty()) {
    p.Action = paJournal;
  } else if (SameName(value, "missing")) {
    p.Action = paMissing;
  } else if (value.size() > 4 && SameName(value.substr(0, 4), "run ")) {
    p.Action = paRun;
    p.HostCommand = rtl::Trim(value.substr(4));
  } else {
    r.Fail(rtl::Utf8FromAnsi(name), "expected journal, missing or run COMMAND");
  }
  return p;
}

std::string ProgramValue(const TProgramConfig& p) {
  switch (p.Action) {
    case paMissing: return "missing";
    case paRun: return "run " + p.HostCommand;
    case paJournal: break;
  }
  return "journal";
}

void WriteVolume(std::string& out, const std::string& machineDir, const TVolumeConfig& v) {
  std::string folder = v.Folder;
  if (folder.starts_with(machineDir + "/")) folder = folder.substr(machineDir.size() + 1);
  out += "Folder=" + folder + "\n";
  out += "Label=" + rtl::Utf8FromAnsi(v.Label) + "\n";
  out += "Serial=" + HexSerial(v.Serial) + "\n";
  out += "FileSystem=" + rtl::Utf8FromAnsi(v.FileSystem) + "\n";
  out += "Size=" + (v.Size == kRealSize ? std::string("real") : std::to_string(v.Size)) + "\n";
  if (v.Free != kRealSize) out += "Free=" + std::to_string(v.Free) + "\n";
  out += "ClusterSize=" + std::to_string(v.ClusterSize) + "\n";
}

}  // namespace

const TDriveConfig* TMachineConfig::Drive(char letter) const {
  for (const TDriveConfig& d : Drives)
    if (d.Letter == letter) return &d;
  return nullptr;
}

const TDiskConfig* TMachineConfig::Disk(const std::string& name) const {
  for (const TDiskConfig& d : Disks)
    if (SameName(d.Name, name)) return &d;
  return nullptr;
}

TMachineConfig LoadMachineConfig(const std::string& machineDir) {
  const std::string path = JoinHost(machineDir, "machine.ini");
  const std::optional<std::string> text = ReadHostFile(path);
  if (!text) throw EMachineError("Cannot read " + path + ": " + HostError(errno));
  const TIniText ini(*text);

  TMachineConfig c;
  const TSectionReader m(ini, "Machine");
  c.Family = static_cast<TWindowsFamily>(m.Choice("Family", kFamilyNames, wfNT));
  c.LanguageId = static_cast<LANGID>(m.Number("LanguageId", 0x0416));
  c.ScreenWidth = static_cast<int>(m.Number("ScreenWidth", 1024));
  c.ScreenHeight = static_cast<int>(m.Number("ScreenHeight", 768));
  c.Owner = m.Text("Owner");
  c.Company = m.Text("Company");
  c.WindowsDir = m.Text("WindowsDir", "C:\\WINDOWS");
  c.SystemDir = m.Text("SystemDir", c.WindowsDir + (c.Family == wfNT ? "\\SYSTEM32" : "\\SYSTEM"));
  c.TempDir = m.Text("TempDir", c.WindowsDir + "\\TEMP");
  c.DesktopDir = m.Text("DesktopDir", c.WindowsDir + "\\Desktop");
  c.StartMenuDir = m.Text("StartMenuDir", c.WindowsDir + "\\Start Menu");
  c.ProgramsDir = m.Text("ProgramsDir", c.StartMenuDir + "\\Programs");
  c.CurrentDir = m.Text("CurrentDir", "C:\\");
  c.HasGetDiskFreeSpaceEx = m.Flag("GetDiskFreeSpaceEx", true);

  for (const TIniText::TSection& s : ini.Sections()) {
    const AnsiString upper = rtl::UpperCase(s.Name);
    if (upper.starts_with("DRIVE ")) {
      const TSectionReader r(ini, s.Name);
      const AnsiString letter = rtl::UpperCase(rtl::Trim(s.Name.substr(6)));
      if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z')
        r.Fail("", "a drive section is named [Drive X] with a letter");
      if (c.Drive(letter[0])) r.Fail("", "the drive is listed twice");
      TDriveConfig d;
      d.Letter = letter[0];
      d.Kind = static_cast<TDriveKind>(r.Choice("Kind", kKindNames, dkFixed));
      if (d.Kind == dkMissing) continue;
      d.InitialDisk = r.Utf8("Disk");
      const DWORD cluster = d.Kind == dkRemovable ? 512 : d.Kind == dkCdRom ? 2048 : 4096;
      d.Volume = ReadVolume(r, machineDir, cluster);
      if (d.Kind != dkRemovable && d.Volume.Folder.empty()) r.Fail("Folder", "missing");
      c.Drives.push_back(std::move(d));
    } else if (upper.starts_with("DISK ")) {
      const TSectionReader r(ini, s.Name);
      TDiskConfig disk;
      disk.Name = rtl::Trim(s.Name.substr(5));
      if (c.Disk(disk.Name)) r.Fail("", "the disk is listed twice");
      disk.Volume = ReadVolume(r, machineDir, 512);
      if (disk.Volume.Folder.empty()) r.Fail("Folder", "missing");
      c.Disks.push_back(std::move(disk));
    }
  }
  for (const TDriveConfig& d : c.Drives)
    if (!d.InitialDisk.empty() && !c.Disk(d.InitialDisk))
      throw EMachineError("machine.ini: [Drive " + std::string(1, d.Letter) + "] Disk: no disk named '" +
                          d.InitialDisk + "'");

  const TSectionReader pm(ini, "ProgramManager");
  c.ProgramManager = static_cast<TProgManState>(pm.Choice("State", kProgManNames, pmRunning));
  c.DdeInitializeError = static_cast<UINT>(TSectionReader(ini, "Dde").Number("InitializeError", 0));

  const TSectionReader shell(ini, "Shell");
  c.Print = ReadProgram(shell, "print", shell.Utf8("Print"));
  c.Open = ReadProgram(shell, "open", shell.Utf8("Open"));
  if (const TIniText::TSection* s = ini.Section("Programs")) {
    const TSectionReader r(ini, "Programs");
    for (const auto& [k, v] : s->Keys) c.Programs.push_back(ReadProgram(r, rtl::AnsiFromUtf8(k), v));
  }
  if (const TIniText::TSection* s = ini.Section("Registry"))
    for (const auto& [k, v] : s->Keys)
      if (SameName(k, "ReadOnlyKey")) c.ReadOnlyKeys.push_back(rtl::AnsiFromUtf8(v));
  return c;
}

namespace {

void WriteMachineConfig(const std::string& machineDir, const TMachineConfig& c, bool durable) {
  auto u = [](const AnsiString& s) { return rtl::Utf8FromAnsi(s); };
  std::string out = "; A simulated Windows machine. Texts are UTF-8.\n\n[Machine]\n";
  out += std::string("Family=") + (c.Family == wfNT ? "NT" : "9x") + "\n";
  char lang[16];
  std::snprintf(lang, sizeof lang, "0x%04X", c.LanguageId);
  out += std::string("LanguageId=") + lang + "\n";
  out += "ScreenWidth=" + std::to_string(c.ScreenWidth) + "\n";
  out += "ScreenHeight=" + std::to_string(c.ScreenHeight) + "\n";
  out += "Owner=" + u(c.Owner) + "\nCompany=" + u(c.Company) + "\n";
  out += "WindowsDir=" + u(c.WindowsDir) + "\nSystemDir=" + u(c.SystemDir) + "\n";
  out += "TempDir=" + u(c.TempDir) + "\nDesktopDir=" + u(c.DesktopDir) + "\n";
  out += "StartMenuDir=" + u(c.StartMenuDir) + "\nProgramsDir=" + u(c.ProgramsDir) + "\n";
  out += "CurrentDir=" + u(c.CurrentDir) + "\n";
  out += std::string("GetDiskFreeSpaceEx=") + (c.HasGetDiskFreeSpaceEx ? "yes" : "no") + "\n";
  for (const TDriveConfig& d : c.Drives) {
    out += "\n[Drive " + std::string(1, d.Letter) + "]\nKind=" + kKindNames[d.Kind] + "\n";
    if (d.Kind == dkRemovable)
      out += "Disk=" + d.InitialDisk + "\n";
    else
      WriteVolume(out, machineDir, d.Volume);
  }
  for (const TDiskConfig& disk : c.Disks) {
    out += "\n[Disk " + disk.Name + "]\n";
    WriteVolume(out, machineDir, disk.Volume);
  }
  out += std::string("\n[ProgramManager]\nState=") + kProgManNames[c.ProgramManager] + "\n";
  out += "\n[Dde]\nInitializeError=" + std::to_string(c.DdeInitializeError) + "\n";
  out += "\n[Shell]\nPrint=" + ProgramValue(c.Print) + "\nOpen=" + ProgramValue(c.Open) + "\n";
  out += "\n[Programs]\n";
  for (const TProgramConfig& p : c.Programs) out += u(p.Name) + "=" + ProgramValue(p) + "\n";
  out += "\n[Registry]\n";
  for (const AnsiString& k : c.ReadOnlyKeys) out += "ReadOnlyKey=" + u(k) + "\n";
  const std::string path = JoinHost(machineDir, "machine.ini");
  if (!WriteHostFileAtomic(path, out, durable)) throw EMachineError("Cannot write " + path + ": " + HostError(errno));
}

}  // namespace

void SaveMachineConfig(const std::string& machineDir, const TMachineConfig& c) {
  WriteMachineConfig(machineDir, c, true);
}

void CreateMachine(const std::string& hostDir, const TMachineOptions& o) {
  if (!MakeHostDirs(hostDir)) throw EMachineError("Cannot make the folder " + hostDir + ": " + HostError(errno));
  struct stat st;
  if (::stat(JoinHost(hostDir, "machine.ini").c_str(), &st) == 0)
    throw EMachineError(hostDir + " holds a machine already");

  TMachineConfig c;
  c.Family = o.Family;
  c.LanguageId = o.LanguageId;
  c.ScreenWidth = o.ScreenWidth;
  c.ScreenHeight = o.ScreenHeight;
  c.Owner = o.Owner;
  c.Company = o.Company;
  c.WindowsDir = "C:\\WINDOWS";
  c.TempDir = "C:\\WINDOWS\\TEMP";
  if (o.Family == wfNT) {
    const AnsiString profile = "C:\\Documents and Settings\\" + o.UserName;
    c.SystemDir = "C:\\WINDOWS\\SYSTEM32";
    c.DesktopDir = profile + "\\Desktop";
    c.StartMenuDir = profile + "\\Start Menu";
  } else {
    c.SystemDir = "C:\\WINDOWS\\SYSTEM";
    c.DesktopDir = "C:\\WINDOWS\\Desktop";
    c.StartMenuDir = "C:\\WINDOWS\\Start Menu";
  }
  c.ProgramsDir = c.StartMenuDir + "\\Programs";
  c.HasGetDiskFreeSpaceEx = o.HasGetDiskFreeSpaceEx;
  c.ProgramManager = o.ProgramManager;

  if (o.FloppyDrive) {
    TDriveConfig a;
    a.Letter = 'A';
    a.Kind = dkRemovable;
    c.Drives.push_back(a);
  }
  TDriveConfig drive;
  drive.Letter = 'C';
  drive.Kind = dkFixed;
  drive.Volume.Folder = JoinHost(hostDir, "drives/c");
  drive.Volume.Serial = 0x2237E3AC;
  drive.Volume.FileSystem = o.Family == wfNT ? "NTFS" : "FAT32";
  c.Drives.push_back(drive);
  if (!o.CdRomFolder.empty()) {
    TDriveConfig d;
    d.Letter = 'D';
    d.Kind = dkCdRom;
    // Kept absolute: machine.ini reads relative folders against the machine folder.
    char resolved[PATH_MAX];
    d.Volume.Folder = ::realpath(o.CdRomFolder.c_str(), resolved) ? resolved : o.CdRomFolder;
    d.Volume.Label = "VANTOR";
    d.Volume.Serial = 0x3CB6F965;
    d.Volume.FileSystem = "CDFS";
    d.Volume.ClusterSize = 2048;
    c.Drives.push_back(d);
  }
  if (o.HostRoot) {
    TDriveConfig z;
    z.Letter = 'Z';
    z.Kind = dkNetwork;
    z.Volume.Folder = "/";
    z.Volume.FileSystem = "NFS";
    c.Drives.push_back(z);
  }

  // The folders a fresh Windows has on C: (a machine for one run needs only the temporary one).
  std::vector<AnsiString> folders{c.TempDir};
  if (!o.OneRun)
    folders = {c.WindowsDir, c.SystemDir, c.TempDir, c.DesktopDir, c.StartMenuDir, c.ProgramsDir, "C:\\Program Files"};
  for (const AnsiString& dir : folders) {
    std::string host = JoinHost(hostDir, "drives/c/" + rtl::Utf8FromAnsi(dir.substr(3)));
    for (char& ch : host)
      if (ch == '\\') ch = '/';
    if (!MakeHostDirs(host)) throw EMachineError("Cannot make the folder " + host + ": " + HostError(errno));
  }
  WriteMachineConfig(hostDir, c, !o.OneRun);
  // The journal of a machine for one run is made with its first line.
  if (!o.OneRun && !WriteHostFileAtomic(JoinHost(hostDir, "journal.log"), ""))
    throw EMachineError("Cannot write the journal in " + hostDir);
}

}  // namespace platform::sim
