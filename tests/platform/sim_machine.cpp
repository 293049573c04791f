// Making, opening and identifying a simulated machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/sim/VersionInfo.h"
#include "tests/platform/sim_fixture.h"

namespace simtest {
namespace {

using SimMachine = TSimTest;

TEST_F(SimMachine, FreshNtMachine) {
  for (const char* dir : {"WINDOWS", "WINDOWS/SYSTEM32", "WINDOWS/TEMP", "Program Files",
                          "Documents and Settings/Usuario/Desktop", "Documents and Settings/Usuario/Start Menu/Programs"})
    EXPECT_TRUE(std::filesystem::is_directory(FDir + "/drives/c/" + dir)) << dir;
  EXPECT_TRUE(M->IsWindowsNT());
  EXPECT_EQ(M->GetUserDefaultLangID(), 0x0416);
  EXPECT_EQ(M->GetWindowsDirectoryA(), "C:\\WINDOWS");
  EXPECT_EQ(M->GetSystemDirectoryA(), "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(M->ScreenWidth(), 1024);
  EXPECT_EQ(M->ScreenHeight(), 768);
  struct {
    int csidl;
    const char* path;
  } const folders[] = {{CSIDL_DESKTOPDIRECTORY, "C:\\Documents and Settings\\Usuario\\Desktop"},
                       {CSIDL_STARTMENU, "C:\\Documents and Settings\\Usuario\\Start Menu"},
                       {2, "C:\\Documents and Settings\\Usuario\\Start Menu\\Programs"}};
  for (const auto& f : folders) {
    AnsiString path;
    ASSERT_TRUE(M->SHGetSpecialFolderPathA(f.csidl, path));
    EXPECT_EQ(path, f.path);
  }
  AnsiString path = "unchanged";
  EXPECT_FALSE(M->SHGetSpecialFolderPathA(0x3F, path));
  EXPECT_EQ(path, "unchanged");
  EXPECT_THROW(CreateMachine(FDir, Options), EMachineError);  // never over an existing machine
}

class SimMachineOneRun : public TSimTest {
  void Prepare() override { Options.OneRun = true; }
};

TEST_F(SimMachineOneRun, HasOnlyWhatOneRunNeeds) {
  std::vector<std::string> entries;
  for (const auto& e : std::filesystem::recursive_directory_iterator(FDir))
    entries.push_back(e.path().string().substr(FDir.size()));
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"/drives", "/drives/c", "/drives/c/WINDOWS", "/drives/c/WINDOWS/TEMP",
                                               "/machine.ini"}));
  AnsiString temp;
  M->GetTempPathA(260, temp);
  EXPECT_EQ(temp, "C:\\WINDOWS\\TEMP\\");
  Put("C:\\WINDOWS\\TEMP\\x.tmp", "x");
  EXPECT_EQ(Get("C:\\WINDOWS\\TEMP\\x.tmp"), "x");
  // The journal is made with its first line.
  EXPECT_TRUE(M->Journal().empty());
  M->MessageBeep(0);
  EXPECT_EQ(M->Journal().size(), 1u);
}

class SimMachine9x : public TSimTest {
  void Prepare() override {
    Options.Family = wf9x;
    Options.Owner = "José"_a;
    Options.Company = "Tarquelia Ltda.";
  }
};

TEST_F(SimMachine9x, FoldersAndOwnerOfThe9xFamily) {
  EXPECT_FALSE(M->IsWindowsNT());
  EXPECT_EQ(M->GetSystemDirectoryA(), "C:\\WINDOWS\\SYSTEM");
  AnsiString desktop;
  ASSERT_TRUE(M->SHGetSpecialFolderPathA(CSIDL_DESKTOPDIRECTORY, desktop));
  EXPECT_EQ(desktop, "C:\\WINDOWS\\Desktop");
  EXPECT_TRUE(std::filesystem::is_directory(FDir + "/drives/c/WINDOWS/Start Menu/Programs"));
  HKEY key = 0;
  ASSERT_EQ(M->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", KEY_READ, key),
            ERROR_SUCCESS);
  BYTE data[64];
  DWORD size = sizeof data;
  ASSERT_EQ(M->RegQueryValueExA(key, "RegisteredOwner", nullptr, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(AnsiString(reinterpret_cast<char*>(data), size - 1), "José"_a);
  size = sizeof data;
  ASSERT_EQ(M->RegQueryValueExA(key, "RegisteredOrganization", nullptr, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(AnsiString(reinterpret_cast<char*>(data), size - 1), "Tarquelia Ltda.");
  // machine.ini is UTF-8; the registry file too.
  EXPECT_NE(HostText(FDir + "/machine.ini").find("Owner=José"), std::string::npos);
  EXPECT_NE(HostText(FDir + "/registry.reg").find("\"RegisteredOwner\"=\"José\""), std::string::npos);
  // The 9x registry ignores access rights and deletes whole trees.
  M->RegCloseKey(key);
  ASSERT_EQ(M->RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\A\\B", 0, KEY_READ, key, nullptr), ERROR_SUCCESS);
  const BYTE v = 1;
  EXPECT_EQ(M->RegSetValueExA(key, "v", REG_BINARY, &v, 1), ERROR_SUCCESS);
  M->RegCloseKey(key);
  EXPECT_EQ(M->RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\A"), ERROR_SUCCESS);
}

TEST_F(SimMachine, BadSettingsNameTheFileAndTheSetting) {
  struct {
    const char* ini;
    const char* message;
  } const cases[] = {
      {"[Machine]\nFamily=XP\n", "machine.ini: [Machine] Family: unknown value 'XP'"},
      {"[Drive C]\nKind=floppy\nFolder=x\n", "machine.ini: [Drive C] Kind: unknown value 'floppy'"},
      {"[Drive C]\nFolder=x\nSize=big\n", "machine.ini: [Drive C] Size: 'big' is not a number"},
      {"[Drive C]\nFolder=x\nSerial=12-34\n", "machine.ini: [Drive C] Serial: '12-34' is not a serial number XXXX-XXXX"},
      {"[Drive C]\nKind=fixed\n", "machine.ini: [Drive C] Folder: missing"},
      {"[Drive CC]\nFolder=x\n", "machine.ini: [Drive CC] : a drive section is named [Drive X] with a letter"},
      {"[Drive A]\nKind=removable\nDisk=nada\n", "machine.ini: [Drive A] Disk: no disk named 'nada'"},
      {"[Drive C]\nFolder=x\nClusterSize=100\n", "machine.ini: [Drive C] ClusterSize: must be a multiple of 512 up to 65536"},
      {"[Programs]\nx.exe=launch\n", "machine.ini: [Programs] x.exe: expected journal, missing or run COMMAND"},
  };
  for (const auto& c : cases) {
    HostWrite(FDir + "/machine.ini", c.ini);
    try {
      TSimMachine machine(FDir);
      ADD_FAILURE() << c.ini;
    } catch (const EMachineError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  std::filesystem::remove(FDir + "/machine.ini");
  EXPECT_THROW(TSimMachine{FDir}, EMachineError);
  EXPECT_THROW(TSimMachine{FRoot + "/nowhere"}, EMachineError);
}

TEST_F(SimMachine, SettingsSurviveASaveAndLoad) {
  EditConfig([](TMachineConfig& c) {
    c.Programs.push_back({"D:\\instalar.exe", paRun, "/usr/bin/true --x"});
    c.Print = {"print", paMissing, ""};
    c.ReadOnlyKeys.push_back("HKEY_LOCAL_MACHINE\\Software\\X");
    c.DdeInitializeError = DMLERR_NO_CONV_ESTABLISHED;
  });
  const std::string once = HostText(FDir + "/machine.ini");
  SaveMachineConfig(FDir, LoadMachineConfig(FDir));
  EXPECT_EQ(HostText(FDir + "/machine.ini"), once);
  const TMachineConfig c = LoadMachineConfig(FDir);
  ASSERT_EQ(c.Programs.size(), 1u);
  EXPECT_EQ(c.Programs[0].HostCommand, "/usr/bin/true --x");
  EXPECT_EQ(c.Print.Action, paMissing);
  EXPECT_EQ(c.Drive('C')->Volume.Folder, FDir + "/drives/c");
  EXPECT_NE(once.find("Folder=drives/c\n"), std::string::npos);  // kept relative to the machine
}

TEST_F(SimMachine, InstalledFromTheEnvironment) {
  ::setenv("VQM_MACHINE", FDir.c_str(), 1);
  ::setenv("VQM_MODULE", "D:\\instalar.exe", 1);
  ::setenv("VQM_CURDIR", "C:\\WINDOWS", 1);
  TSimMachine& machine = InstallFromEnvironment();
  EXPECT_EQ(&Api(), &machine);
  EXPECT_EQ(Api().GetModuleFileNameA(), "D:\\instalar.exe");
  EXPECT_EQ(Api().GetCurrentDirectoryA(), "C:\\WINDOWS");
  EXPECT_EQ(machine.Folder(), std::filesystem::canonical(FDir).string());
  ::unsetenv("VQM_MACHINE");
  EXPECT_THROW(InstallFromEnvironment(), EMachineError);
  EXPECT_EQ(&Api(), &machine);  // a failure leaves the machine in use
  ::unsetenv("VQM_MODULE");
  ::unsetenv("VQM_CURDIR");
  SetApi(nullptr);
}

// A minimal PE image with one version resource, laid out by hand.
class TPeBuilder {
 public:
  static std::string Image(const std::u16string& name, const std::u16string& value, uint32_t translation,
                           const char* table) {
    std::string version = Block(u"VS_VERSION_INFO", std::string(52, '\0'), false,
                                Block(u"StringFileInfo", "", true,
                                      Block(Utf16(table), "", true, Block(name, Text(value), true, ""))) +
                                    Block(u"VarFileInfo", "", true,
                                          Block(u"Translation", U32(translation), false, "")));
    // .rsrc at RVA 0x1000, file offset 0x200: root -> RT_VERSION -> id 1 -> language -> data entry.
    std::string rsrc;
    auto directory = [&](uint32_t id, uint32_t target) {
      rsrc += std::string(12, '\0') + U16(0) + U16(1) + U32(id) + U32(target);
    };
    directory(16, 0x80000000u | 24);
    directory(1, 0x80000000u | 48);
    directory(0x0416, 72);
    rsrc += U32(0x1000 + 88) + U32(static_cast<uint32_t>(version.size())) + U32(0) + U32(0);
    rsrc += version;

    std::string image(0x200, '\0');
    image.replace(0, 2, "MZ");
    image.replace(0x3C, 4, U32(0x40));
    std::string pe = std::string("PE\0\0", 4) + U16(0x14C) + U16(1) + std::string(12, '\0') + U16(224) + U16(0x102);
    std::string optional = U16(0x10B) + std::string(90, '\0') + U32(16);  // NumberOfRvaAndSizes at 92
    std::string directories(16 * 8, '\0');
    directories.replace(2 * 8, 8, U32(0x1000) + U32(static_cast<uint32_t>(rsrc.size())));
    optional += directories;
    std::string section = std::string(".rsrc\0\0\0", 8) + U32(static_cast<uint32_t>(rsrc.size())) + U32(0x1000) +
                          U32(static_cast<uint32_t>(rsrc.size())) + U32(0x200) + std::string(16, '\0');
    const std::string headers = pe + optional + section;
    image.replace(0x40, headers.size(), headers);
    return image + rsrc;
  }

 private:
  static std::string U16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
  static std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
  static std::u16string Utf16(const char* s) { return std::u16string(s, s + std::strlen(s)); }
  static std::string Text(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += U16(c);
    return out + U16(0);
  }
  static void Pad(std::string& s) { s.resize((s.size() + 3) & ~std::size_t{3}, '\0'); }
  static std::string Block(const std::u16string& key, const std::string& value, bool text, const std::string& children) {
    std::string body = Text(key);
    std::string block = "000000" + body;
    Pad(block);
    block += value;
    Pad(block);
    block += children;
    const uint32_t valueLength = static_cast<uint32_t>(text ? value.size() / 2 : value.size());
    block.replace(0, 6, U16(static_cast<uint32_t>(block.size())) + U16(valueLength) + U16(text ? 1 : 0));
    return block;
  }
};

TEST(SimVersionInfo, ReadsTheFirstTranslationsString) {
  const std::string image = TPeBuilder::Image(u"SFXCodeSize", u"123456", 0x04E40416, "041604e4");
  EXPECT_EQ(VersionString(image, "SFXCodeSize"), "123456");
  EXPECT_EQ(VersionString(image, "sfxcodesize"), "123456");
  EXPECT_EQ(VersionString(image, "TagInfoSize"), "");
  // Another translation listed first: its table is missing.
  EXPECT_EQ(VersionString(TPeBuilder::Image(u"SFXCodeSize", u"1", 0x04B00409, "041604e4"), "SFXCodeSize"), "");
  // Damaged or foreign bytes give "", whatever is cut off.
  for (std::size_t size = 0; size < image.size(); size += 7)
    EXPECT_EQ(VersionString(image.substr(0, size), "SFXCodeSize"), "") << size;
  EXPECT_EQ(VersionString("not an image", "x"), "");
}

TEST_F(SimMachine, FileVersionStringsOfMachineFiles) {
  Put("C:\\setup.exe", TPeBuilder::Image(u"TagInfoSize", u"Ação", 0x04E40416, "041604E4"));
  EXPECT_EQ(M->GetFileVersionString("C:\\SETUP.EXE", "TagInfoSize"), "Ação"_a);
  EXPECT_EQ(M->GetFileVersionString("C:\\none.exe", "TagInfoSize"), "");
}

}  // namespace
}  // namespace simtest
