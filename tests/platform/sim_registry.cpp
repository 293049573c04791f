// The simulated registry: values kept byte for byte in registry.reg, shared
// by the processes of a machine, a damaged file reported and left alone,
// keys closed to all-access rights.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/sim/SimRegistry.h"
#include "rtl/SysUtils.h"
#include "tests/platform/sim_fixture.h"

namespace simtest {
namespace {

using SimRegistry = TSimTest;

std::vector<BYTE> Bytes(std::string_view s) { return {s.begin(), s.end()}; }
// A text with its terminating NUL.
std::vector<BYTE> TextZ(const AnsiString& s) { return Bytes(std::string_view(s.c_str(), s.size() + 1)); }

HKEY Create(TSimMachine& m, HKEY root, const AnsiString& path) {
  HKEY key = 0;
  EXPECT_EQ(m.RegCreateKeyExA(root, path, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, key, nullptr), ERROR_SUCCESS);
  return key;
}

TEST_F(SimRegistry, ValuesKeepTheirBytesInTheFileAndAcrossProcesses) {
  struct {
    AnsiString name;
    DWORD type;
    std::vector<BYTE> data;
  } const values[] = {
      {"Texto", REG_SZ, TextZ("Instalação \"Q\" C:\\x"_a)},
      {"", REG_SZ, TextZ("padrão"_a)},
      {"Vazio", REG_SZ, {0}},
      {"SemNul", REG_SZ, Bytes("abc")},
      {"Linhas", REG_SZ, Bytes(std::string_view("a\r\nb\0", 5))},
      {"Raro", REG_SZ, {0x81, 0x8D, 0x9D, 0}},
      {"Numero", REG_DWORD, {0x1F, 0, 0, 0x80}},
      {"Curto", REG_DWORD, {1, 2}},
      {"Bin", REG_BINARY, std::vector<BYTE>(100, 0xAB)},
      {"Multi", REG_MULTI_SZ, Bytes(std::string_view("a\0b\0\0", 5))},
      {"Expand", REG_EXPAND_SZ, Bytes(std::string_view("%WINDIR%\0", 9))},
      {"Nada", REG_NONE, {}},
  };
  const HKEY key = Create(*M, HKEY_CURRENT_USER, "Software\\Tarquelia\\Vantor\\Q-Mira");
  for (const auto& v : values)
    ASSERT_EQ(M->RegSetValueExA(key, v.name, v.type, v.data.data(), static_cast<DWORD>(v.data.size())), ERROR_SUCCESS);
  M->RegCloseKey(key);

  const std::string text = HostText(FDir + "/registry.reg");
  EXPECT_TRUE(text.starts_with("REGEDIT4\n\n")) << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Tarquelia\\Vantor\\Q-Mira]\n"
                      "\"Texto\"=\"Instalação \\\"Q\\\" C:\\\\x\"\n"
                      "@=\"padrão\"\n\"Vazio\"=\"\"\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"Numero\"=dword:8000001f\n"), std::string::npos);
  EXPECT_NE(text.find("\"Multi\"=hex(7):61,00,62,00,00\n"), std::string::npos);
  EXPECT_NE(text.find("\"Bin\"=hex:ab,ab,"), std::string::npos);
  EXPECT_NE(text.find(",\\\n  ab,ab,"), std::string::npos);  // long data wraps as regedit does

  TSimMachine other(FDir);
  HKEY read = 0;
  ASSERT_EQ(other.RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\tarquelia\\VANTOR\\q-mira", KEY_READ, read),
            ERROR_SUCCESS);
  for (const auto& v : values) {
    DWORD type = 0xDEADBEEF, size = 0;
    ASSERT_EQ(other.RegQueryValueExA(read, rtl::UpperCase(v.name), &type, nullptr, &size), ERROR_SUCCESS) << v.name;
    EXPECT_EQ(type, v.type) << v.name;
    std::vector<BYTE> data(size + 1, 0xCC);
    DWORD exact = size;
    ASSERT_EQ(other.RegQueryValueExA(read, v.name, nullptr, data.data(), &exact), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<BYTE>(data.begin(), data.begin() + exact), v.data) << v.name;
    EXPECT_EQ(data[size], 0xCC) << v.name;  // nothing past the value
    if (size > 0) {
      DWORD small = size - 1;
      EXPECT_EQ(other.RegQueryValueExA(read, v.name, nullptr, data.data(), &small), ERROR_MORE_DATA);
      EXPECT_EQ(small, size);
    }
  }
  DWORD keys = 0, values_ = 0, longest = 0;
  ASSERT_EQ(other.RegQueryInfoKeyA(read, &keys, &longest, &values_), ERROR_SUCCESS);
  EXPECT_EQ(values_, std::size(values));
  AnsiString name;
  EXPECT_EQ(other.RegEnumValueA(read, 0, name, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(name, "Texto");  // values in the order they were made
  EXPECT_EQ(other.RegEnumValueA(read, static_cast<DWORD>(std::size(values)), name, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);

  // A change in one process shows in the other at its next call.
  const HKEY write = Create(*M, HKEY_CURRENT_USER, "Software\\Tarquelia\\Vantor\\Q-Mira");
  ASSERT_EQ(M->RegDeleteValueA(write, "texto"), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(other.RegQueryValueExA(read, "Texto", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(M->RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tarquelia\\Vantor\\Q-Mira"), ERROR_SUCCESS);
  EXPECT_EQ(other.RegQueryValueExA(read, "Numero", nullptr, nullptr, &size), ERROR_KEY_DELETED);
  M->RegCloseKey(write);
  other.RegCloseKey(read);
}

TEST_F(SimRegistry, ConcurrentWritersLoseNothing) {
  // Two processes write at once; each change is made on the latest file under the lock.
  constexpr int kValues = 40;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  const char* who = child == 0 ? "child" : "parent";
  {
    TSimMachine machine(FDir);
    HKEY key = 0;
    machine.RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_ALL_ACCESS, key, nullptr);
    for (int i = 0; i < kValues; ++i) {
      const std::string name = std::string(who) + std::to_string(i);
      if (machine.RegSetValueExA(key, name, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                                 static_cast<DWORD>(name.size() + 1)) != ERROR_SUCCESS && child == 0)
        ::_exit(1);
    }
    machine.RegCloseKey(key);
  }
  if (child == 0) ::_exit(0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  HKEY key = 0;
  ASSERT_EQ(M->RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Race", KEY_READ, key), ERROR_SUCCESS);
  DWORD values = 0;
  ASSERT_EQ(M->RegQueryInfoKeyA(key, nullptr, nullptr, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, 2u * kValues);
}

TEST_F(SimRegistry, NamesWithALineBreakOrANulAreRefused) {
  const HKEY key = Create(*M, HKEY_CURRENT_USER, "Software\\Nomes");
  const std::string nul("a\0b", 3);
  for (const std::string& bad : {std::string("linha\nnova"), std::string("fim\r"), nul}) {
    SCOPED_TRACE(testing::PrintToString(bad));
    HKEY sub = 0;
    EXPECT_EQ(M->RegCreateKeyExA(key, "Ok\\" + bad, 0, KEY_ALL_ACCESS, sub, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(sub, 0u);
    const std::vector<BYTE> v = TextZ("x");
    EXPECT_EQ(M->RegSetValueExA(key, bad, REG_SZ, v.data(), static_cast<DWORD>(v.size())), ERROR_INVALID_PARAMETER);
  }
  M->RegCloseKey(key);
  // The file stayed whole: another process reads it, and nothing of the refused names is in it.
  TSimMachine other(FDir);
  EXPECT_EQ(other.RegistryProblem(), "");
  HKEY read = 0;
  ASSERT_EQ(other.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nomes", KEY_READ, read), ERROR_SUCCESS);
  DWORD subKeys = 9, values = 9;
  ASSERT_EQ(other.RegQueryInfoKeyA(read, &subKeys, nullptr, &values), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);
}

TEST_F(SimRegistry, KeysAreFoundWithoutRegardToCaseAndListedInOrder) {
  for (const char* k : {"Software\\Zeta", "Software\\alpha", "Software\\Beta", "SOFTWARE\\ALPHA\\Sub"})
    M->RegCloseKey(Create(*M, HKEY_LOCAL_MACHINE, k));
  HKEY key = 0;
  DWORD disposition = 0;
  ASSERT_EQ(M->RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\BETA", 0, KEY_ALL_ACCESS, key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  M->RegCloseKey(key);
  ASSERT_EQ(M->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ, key), ERROR_SUCCESS);
  std::vector<AnsiString> names;
  AnsiString name;
  for (DWORD i = 0; M->RegEnumKeyExA(key, i, name) == ERROR_SUCCESS; ++i) names.push_back(name);
  EXPECT_EQ(names, (std::vector<AnsiString>{"alpha", "Beta", "Classes", "Microsoft", "Zeta"}));
  DWORD longest = 0;
  ASSERT_EQ(M->RegQueryInfoKeyA(key, nullptr, &longest, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(longest, 9u);
  // NT deletes only a key without subkeys.
  EXPECT_EQ(M->RegDeleteKeyA(key, "Alpha"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(M->RegDeleteKeyA(key, "Alpha\\sub"), ERROR_SUCCESS);
  EXPECT_EQ(M->RegDeleteKeyA(key, "Alpha"), ERROR_SUCCESS);
  EXPECT_EQ(M->RegDeleteKeyA(key, "Alpha"), ERROR_FILE_NOT_FOUND);
  M->RegCloseKey(key);

  HKEY missing = 0;
  EXPECT_EQ(M->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Nada", KEY_READ, missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(M->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", KEY_READ, missing), ERROR_BAD_PATHNAME);
  EXPECT_EQ(M->RegCloseKey(0x12345678), ERROR_INVALID_HANDLE);
  // The registered owner of a fresh NT machine.
  ASSERT_EQ(M->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", KEY_READ, key),
            ERROR_SUCCESS);
  BYTE owner[64];
  DWORD size = sizeof owner;
  ASSERT_EQ(M->RegQueryValueExA(key, "RegisteredOwner", nullptr, owner, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(owner), size), std::string("Usuario", 8));
}

TEST_F(SimRegistry, DamagedFileIsReportedAndNeverOverwritten) {
  const HKEY key = Create(*M, HKEY_CURRENT_USER, "Software\\X");
  M->RegCloseKey(key);
  struct {
    const char* text;
    const char* problem;
  } const damaged[] = {
      {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"a\"=hex:zz\n", ":4: bad hex byte 'zz'"},
      {"Hello\n", ":1: not a registry file (REGEDIT4 expected)"},
      {"REGEDIT4\n\"a\"=\"b\"\n", ":2: a value before the first key"},
      {"REGEDIT4\n[HKEY_NOWHERE\\x]\n", ":2: unknown root key 'HKEY_NOWHERE'"},
      {"REGEDIT4\n[HKEY_USERS\\x]\n\"a\"=\"unclosed\n", ":3: a quoted text is not closed"},
      {"REGEDIT4\n[HKEY_USERS\\x]\n\"a\"=dword:123456789\n", ":3: bad dword '123456789'"},
      {"REGEDIT4\n[HKEY_USERS\\x]\n\"a\"=hex(7):00,\\\n  0g\n", ":3: bad hex byte '0g'"},
  };
  testing::internal::CaptureStderr();
  for (const auto& d : damaged) {
    HostWrite(FDir + "/registry.reg", d.text);
    HKEY k = 0;
    EXPECT_EQ(M->RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Y", 0, KEY_ALL_ACCESS, k, nullptr), ERROR_BADDB);
    EXPECT_EQ(M->RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\X", KEY_READ, k), ERROR_BADDB);
    const BYTE v = 0;
    EXPECT_EQ(M->RegSetValueExA(HKEY_CURRENT_USER, "v", REG_BINARY, &v, 1), ERROR_BADDB);
    EXPECT_EQ(M->RegistryProblem(), FDir + "/registry.reg" + d.problem);
    EXPECT_EQ(HostText(FDir + "/registry.reg"), d.text);
  }
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("registry.reg:4: bad hex byte 'zz'"), std::string::npos) << err;

  // Repaired, the registry is back.
  HostWrite(FDir + "/registry.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"b\"\n");
  HKEY k = 0;
  ASSERT_EQ(M->RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\X", KEY_READ, k), ERROR_SUCCESS);
  EXPECT_EQ(M->RegistryProblem(), "");
  // A registry.reg that is gone is made afresh.
  std::filesystem::remove(FDir + "/registry.reg");
  EXPECT_EQ(M->RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\X", KEY_READ, k), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(HostText(FDir + "/registry.reg").starts_with("REGEDIT4"));
}

class SimRegistryReadOnly : public TSimTest {
  void Configure() override {
    EditConfig([](TMachineConfig& c) { c.ReadOnlyKeys.push_back("HKEY_LOCAL_MACHINE\\Software\\Firebird Project"); });
  }
};

TEST_F(SimRegistryReadOnly, AllAccessIsRefusedOnMarkedKeys) {
  HKEY key = 0;
  // Made before through a 9x-style back door: edit the file as an installer of another account would.
  HostWrite(FDir + "/registry.reg",
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Firebird Project\\Firebird Server\\Instances]\n"
            "\"DefaultInstance\"=\"C:\\\\Firebird\\\\Firebird_2_0\\\\\"\n");
  const AnsiString instances = "Software\\Firebird Project\\Firebird Server\\Instances";
  EXPECT_EQ(M->RegOpenKeyExA(HKEY_LOCAL_MACHINE, instances, KEY_ALL_ACCESS, key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(M->RegCreateKeyExA(HKEY_LOCAL_MACHINE, instances + "\\New", 0, KEY_READ, key, nullptr),
            ERROR_ACCESS_DENIED);
  ASSERT_EQ(M->RegOpenKeyExA(HKEY_LOCAL_MACHINE, instances, KEY_READ, key), ERROR_SUCCESS);
  BYTE data[64];
  DWORD size = sizeof data;
  EXPECT_EQ(M->RegQueryValueExA(key, "DefaultInstance", nullptr, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(M->RegSetValueExA(key, "x", REG_SZ, data, 1), ERROR_ACCESS_DENIED);
  M->RegCloseKey(key);
  EXPECT_EQ(M->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
  M->RegCloseKey(key);
}

TEST(SimRegText, ParsesWhatRegeditWrites) {
  TRegHives hives;
  std::string error;
  ASSERT_TRUE(ParseRegText("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                           "; comment\r\n[HKEY_CLASSES_ROOT\\.txt]\r\n@=\"txtfile\"\r\n"
                           "[HKEY_USERS\\.DEFAULT]\r\n\"Bin\"=hex:01,02,\\\r\n  03\r\n",
                           hives, error))
      << error;
  const TRegKey* txt = hives.Roots[rrLocalMachine].Find("SOFTWARE")->Find("CLASSES")->Find(".TXT");
  ASSERT_NE(txt, nullptr);
  EXPECT_EQ(txt->Values[0].Data, Bytes(std::string_view("txtfile\0", 8)));
  EXPECT_EQ(hives.Roots[rrUsers].Find(".default")->Values[0].Data, (std::vector<BYTE>{1, 2, 3}));
  // And what it writes reads back the same.
  TRegHives again;
  ASSERT_TRUE(ParseRegText(RegText(hives), again, error)) << error;
  EXPECT_EQ(RegText(again), RegText(hives));
}

}  // namespace
}  // namespace simtest
