#pragma once
// The archive tests' machine on Windows: the real Windows API over drive C:
// (under Wine, the test run's own prefix). What a test leaves in the root of
// C: is removed after it, so every test starts from the same drive.

#include <functional>
#include <set>
#include <string>

#include "platform/Files.h"
#include "platform/win32/Win32Api.h"
#include "tests/win32/win32_support.h"

namespace archiver_test {

// The few facts of a machine the archive tests choose.
struct TMachineOptions {
  platform::LANGID LanguageId = 0x0416;  // the language the component's texts follow
  bool FloppyDrive = false;              // drives are the system's own here
};

using win32_test::UnderWine;

class TTestMachine {
 public:
  TTestMachine(const std::function<void(TMachineOptions&)>& configure,
               const std::function<void(const std::string&)>&) {
    configure(FApi.Options);
    FApi.SetMessageBoxesThroughDialogs(true);  // a test's script answers them
    platform::SetApi(&FApi);
    FApi.SetCurrentDirectoryA("C:\\");
    FBefore = RootNames();
  }

  ~TTestMachine() {
    for (const rtl::AnsiString& name : RootNames())
      if (!FBefore.count(name)) win32_test::RemoveTree(FApi, "C:\\" + name);
    platform::SetApi(nullptr);
  }

  TTestMachine(const TTestMachine&) = delete;
  TTestMachine& operator=(const TTestMachine&) = delete;

  // Where a Windows path lies for the host's own file calls: right there.
  std::string HostPath(const rtl::AnsiString& path) { return path; }

  // An entry of C:'s root that was there before the test (the system's own).
  bool IsSystemEntry(const rtl::AnsiString& name) const { return FBefore.count(rtl::UpperCase(name)) > 0; }

 private:
  // The language is the test's choice, not the system's.
  struct TTestApi : platform::win32::TWin32Api {
    TMachineOptions Options;
    platform::LANGID GetUserDefaultLangID() override { return Options.LanguageId; }
  };

  std::set<rtl::AnsiString> RootNames() {
    std::set<rtl::AnsiString> names;
    platform::WIN32_FIND_DATAA data;
    platform::HANDLE h = FApi.FindFirstFileA("C:\\*", data);
    if (h == platform::INVALID_HANDLE_VALUE) return names;
    do {
      if (data.cFileName != "." && data.cFileName != "..") names.insert(rtl::UpperCase(data.cFileName));
    } while (FApi.FindNextFileA(h, data));
    FApi.FindClose(h);
    return names;
  }

  TTestApi FApi;
  std::set<rtl::AnsiString> FBefore;
};

}  // namespace archiver_test
