// vqm-machine: creates a simulated Windows machine, shows and edits its
// registry, reads its profile files, makes shortcuts and shows its journal.
// It works through the same services the programs use.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/SimMachine.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

using namespace platform;
using rtl::AnsiString;

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char kUsageText[] =
    "Usage: vqm-machine COMMAND [ARGUMENTS]\n"
    "\n"
    "Creates and inspects a simulated Windows machine. Every command but init\n"
    "works on the machine named by the environment variable VQM_MACHINE.\n"
    "\n"
    "Commands:\n"
    "  init DIR [--cdrom HOSTDIR] [--family 9x|nt]\n"
    "                       make a fresh machine in DIR; HOSTDIR becomes the CD-ROM D:\n"
    "  reg get KEY [VALUE]  show a key's values, or one value's text\n"
    "  reg set KEY VALUE TEXT\n"
    "                       write a text value (the key is made when missing)\n"
    "  reg delete KEY       delete a key with all its subkeys\n"
    "  reg export           both hives in the REGEDIT4 format\n"
    "  ini FILE SECTION KEY [--int|--flag]\n"
    "                       read a profile value as text, integer or flag (1 or 0)\n"
    "  shortcut LINK TARGET [--workdir DIR] [--description TEXT]\n"
    "                       save a shell link\n"
    "  path WINPATH         the host path of a Windows path (its folders need not exist)\n"
    "  disk add NAME [--label L] [--serial HEX] [--size BYTES]\n"
    "                       a new floppy disk for the removable drives\n"
    "  disk insert DRIVE [NAME]\n"
    "                       put the disk into drive DRIVE (A:), or take it out;\n"
    "                       running programs of the machine see the change\n"
    "  journal              the machine's journal\n"
    "\n"
    "KEY is a full key name such as HKEY_CURRENT_USER\\Software\\X (HKCU, HKLM\n"
    "also do); FILE, LINK, TARGET and WINPATH are Windows paths.\n"
    "Exit codes: 0 done, 1 failed, 2 wrong usage.\n";

struct TUsageError {
  std::string Message;
};

// Arguments arrive in UTF-8; inside, everything is Windows-1252.
AnsiString Arg(const char* text) { return rtl::AnsiFromUtf8(text); }

void Print(const AnsiString& text) { std::cout << rtl::Utf8FromAnsi(text) << '\n'; }

// "HKEY_CURRENT_USER\Software\X" -> root and path.
void SplitKey(const AnsiString& key, HKEY& root, AnsiString& path) {
  const auto slash = key.find('\\');
  root = RootKeyFromName(key.substr(0, slash));
  if (root == 0) throw TUsageError{"unknown root key in " + rtl::Utf8FromAnsi(key)};
  path = slash == AnsiString::npos ? AnsiString() : key.substr(slash + 1);
}

// A value in the REGEDIT4 notation.
AnsiString Quoted(const AnsiString& text) {
  AnsiString out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

AnsiString ValueText(const AnsiString& name, DWORD type, const std::vector<BYTE>& data) {
  const AnsiString label = name.empty() ? AnsiString("@") : Quoted(name);
  if (type == REG_SZ) {
    AnsiString text(data.begin(), data.end());
    if (const auto nul = text.find('\0'); nul != AnsiString::npos) text.resize(nul);
    return label + "=" + Quoted(text);
  }
  if (type == REG_DWORD && data.size() == 4) {
    const uint32_t v = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    return label + "=dword:" + rtl::LowerCase(rtl::IntToHex(v, 8));
  }
  AnsiString out = label + (type == REG_BINARY ? "=hex:" : "=hex(" + rtl::IntToHex(type, 1) + "):");
  for (size_t i = 0; i < data.size(); ++i)
    out += (i ? "," : "") + rtl::LowerCase(rtl::IntToHex(data[i], 2));
  return out;
}

void ExportKey(TRegistry& reg, const AnsiString& fullName) {
  Print("[" + fullName + "]");
  for (const auto& name : reg.GetValueNames()) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (reg.ReadRaw(name, type, data)) Print(ValueText(name, type, data));
  }
  Print("");
}

void ExportTree(HKEY root, const AnsiString& path) {
  TRegistry reg(KEY_READ);
  reg.SetRootKey(root);
  if (!reg.OpenKeyReadOnly(path)) return;
  const AnsiString fullName = RootKeyName(root) + (path.empty() ? "" : "\\" + path);
  ExportKey(reg, fullName);
  for (const auto& sub : reg.GetKeyNames()) ExportTree(root, path.empty() ? sub : path + "\\" + sub);
}

int Registry(const std::vector<AnsiString>& args) {
  if (args.empty()) throw TUsageError{"reg needs get, set, delete or export"};
  const AnsiString& verb = args[0];
  if (verb == "export") {
    if (args.size() != 1) throw TUsageError{"reg export takes no arguments"};
    Print("REGEDIT4");
    Print("");
    ExportTree(HKEY_LOCAL_MACHINE, "");
    ExportTree(HKEY_CURRENT_USER, "");
    return kOk;
  }
  if (args.size() < 2) throw TUsageError{"reg " + verb + " needs a KEY"};
  HKEY root = 0;
  AnsiString path;
  SplitKey(args[1], root, path);
  TRegistry reg;
  reg.SetRootKey(root);
  if (verb == "get" && args.size() <= 3) {
    reg.SetAccess(KEY_READ);
    if (!reg.OpenKey(path, false)) {
      std::cerr << "vqm-machine: no key " << rtl::Utf8FromAnsi(args[1]) << '\n';
      return kFailed;
    }
    if (args.size() == 2) {
      ExportKey(reg, RootKeyName(root) + (path.empty() ? "" : "\\" + path));
      return kOk;
    }
    if (!reg.ValueExists(args[2])) {
      std::cerr << "vqm-machine: no value " << rtl::Utf8FromAnsi(args[2]) << '\n';
      return kFailed;
    }
    Print(reg.ReadString(args[2]));
    return kOk;
  }
  if (verb == "set" && args.size() == 4) {
    reg.OpenKey(path, true);
    reg.WriteString(args[2], args[3]);
    return kOk;
  }
  if (verb == "delete" && args.size() == 2) {
    if (path.empty()) throw TUsageError{"reg delete will not delete a root key"};
    if (!reg.DeleteKey("\\" + path)) {
      std::cerr << "vqm-machine: cannot delete " << rtl::Utf8FromAnsi(args[1]) << '\n';
      return kFailed;
    }
    return kOk;
  }
  throw TUsageError{"wrong arguments for reg " + rtl::Utf8FromAnsi(verb)};
}

int Ini(const std::vector<AnsiString>& args) {
  if (args.size() < 3 || args.size() > 4) throw TUsageError{"ini needs FILE SECTION KEY"};
  const TIniFile ini(args[0]);
  if (args.size() == 3) {
    Print(ini.ReadString(args[1], args[2], ""));
  } else if (args[3] == "--int") {
    Print(rtl::IntToStr(ini.ReadInteger(args[1], args[2], 0)));
  } else if (args[3] == "--flag") {
    Print(ini.ReadBool(args[1], args[2], false) ? "1" : "0");
  } else {
    throw TUsageError{"ini takes --int or --flag"};
  }
  return kOk;
}

int Shortcut(const std::vector<AnsiString>& args) {
  if (args.size() < 2) throw TUsageError{"shortcut needs LINK TARGET"};
  AnsiString workDir = rtl::ExtractFileDir(args[1]);
  AnsiString description;
  for (size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) throw TUsageError{"missing value after " + rtl::Utf8FromAnsi(args[i])};
    if (args[i] == "--workdir") workDir = args[i + 1];
    else if (args[i] == "--description") description = args[i + 1];
    else throw TUsageError{"unknown option " + rtl::Utf8FromAnsi(args[i])};
  }
  TShellLink link;
  link.SetDescription(description);
  link.SetPath(args[1]);
  link.SetWorkingDirectory(workDir);
  if (!link.Save(args[0])) {
    std::cerr << "vqm-machine: cannot save " << rtl::Utf8FromAnsi(args[0]) << '\n';
    return kFailed;
  }
  return kOk;
}

int Init(const std::vector<std::string>& args) {
  if (args.empty()) throw TUsageError{"init needs DIR"};
  sim::TMachineOptions options;
  for (size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) throw TUsageError{"missing value after " + args[i]};
    if (args[i] == "--cdrom") {
      options.CdRomFolder = args[i + 1];
    } else if (args[i] == "--family") {
      if (args[i + 1] == "9x") options.Family = sim::wf9x;
      else if (args[i + 1] == "nt" || args[i + 1] == "NT") options.Family = sim::wfNT;
      else throw TUsageError{"--family is 9x or nt"};
    } else {
      throw TUsageError{"unknown option " + args[i]};
    }
  }
  sim::CreateMachine(args[0], options);
  return kOk;
}

// disk add NAME [--label L] [--serial HEX] [--size BYTES] | disk insert DRIVE [NAME]
int Disk(const std::vector<std::string>& args) {
  if (args.size() >= 2 && args[0] == "add") {
    const char* dir = std::getenv("VQM_MACHINE");
    if (!dir) throw TUsageError{"VQM_MACHINE names no machine"};
    sim::TVolumeConfig volume;
    volume.Label = Arg(args[1].c_str());
    volume.Size = 1457664;  // a 1.44 MB floppy
    volume.ClusterSize = 512;
    for (size_t i = 2; i < args.size(); i += 2) {
      if (i + 1 >= args.size()) throw TUsageError{"missing value after " + args[i]};
      const std::string& value = args[i + 1];
      char* end = nullptr;
      if (args[i] == "--label") {
        volume.Label = Arg(value.c_str());
      } else if (args[i] == "--serial") {
        unsigned long serial = std::strtoul(value.c_str(), &end, 16);
        if (value.empty() || *end || serial > 0xFFFFFFFFul) throw TUsageError{"--serial is up to 8 hex digits"};
        volume.Serial = static_cast<platform::DWORD>(serial);
      } else if (args[i] == "--size") {
        long long size = std::strtoll(value.c_str(), &end, 10);
        if (value.empty() || *end || size <= 0) throw TUsageError{"--size is a number of bytes"};
        volume.Size = size;
      } else {
        throw TUsageError{"unknown option " + args[i]};
      }
    }
    sim::AddDisk(dir, args[1], volume);
    return kOk;
  }
  if ((args.size() == 2 || args.size() == 3) && args[0] == "insert") {
    const std::string& drive = args[1];
    if (drive.empty() || !std::isalpha(static_cast<unsigned char>(drive[0])) || drive.size() > 3 ||
        (drive.size() > 1 && drive[1] != ':'))
      throw TUsageError{"DRIVE is a letter such as A:"};
    sim::TSimMachine& machine = sim::InstallFromEnvironment();
    machine.InsertDisk(static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0]))),
                       args.size() == 3 ? args[2] : std::string());
    return kOk;
  }
  throw TUsageError{"disk needs add NAME or insert DRIVE [NAME]"};
}

int Run(const std::vector<std::string>& utf8) {
  const std::string& command = utf8[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsageText;
    return kOk;
  }
  std::vector<std::string> rest(utf8.begin() + 1, utf8.end());
  if (command == "init") return Init(rest);
  if (command == "disk") return Disk(rest);

  std::vector<AnsiString> args;
  for (const auto& a : rest) args.push_back(Arg(a.c_str()));
  const bool known = command == "reg" || command == "ini" || command == "shortcut" || command == "path" ||
                     command == "journal";
  if (!known) throw TUsageError{"unknown command " + command};

  sim::TSimMachine& machine = sim::InstallFromEnvironment();
  if (command == "reg") return Registry(args);
  if (command == "ini") return Ini(args);
  if (command == "shortcut") return Shortcut(args);
  if (command == "path") {
    if (args.size() != 1) throw TUsageError{"path needs WINPATH"};
    // Scripts ask where to put files, also below folders the machine does not have yet.
    const std::string host = machine.HostPath(args[0], true);
    if (host.empty()) {
      std::cerr << "vqm-machine: " << rtl::Utf8FromAnsi(args[0]) << " maps to no host path\n";
      return kFailed;
    }
    std::cout << host << '\n';
    return kOk;
  }
  if (!args.empty()) throw TUsageError{"journal takes no arguments"};
  for (const auto& line : machine.Journal()) std::cout << line << '\n';
  return kOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsageText;
    return kUsage;
  }
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const TUsageError& e) {
    std::cerr << "vqm-machine: " << e.Message << "\nTry 'vqm-machine --help'.\n";
    return kUsage;
  } catch (const rtl::Exception& e) {
    std::cerr << "vqm-machine: " << rtl::Utf8FromAnsi(e.Message()) << '\n';
    return kFailed;
  } catch (const std::exception& e) {
    std::cerr << "vqm-machine: " << e.what() << '\n';
    return kFailed;
  }
}
