#pragma once
// The real Windows backend's tests: the platform services over the Windows
// API (under Wine, in the test run's prefix), in a scratch folder of drive C:
// that is removed after each test.

#include <gtest/gtest.h>

#include <string>

#include "platform/FileStream.h"
#include "platform/Files.h"
#include "platform/win32/Win32Api.h"
#include "tests/win32/win32_support.h"

namespace win32_test {

using platform::DWORD;
using rtl::AnsiString;

inline constexpr const char* kScratch = "C:\\vqm-test";

class TWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetApi(&Api);
    RemoveTree(kScratch);
    ASSERT_TRUE(platform::ForceDirectories(kScratch));
  }
  void TearDown() override {
    RemoveTree(kScratch);
    platform::SetApi(nullptr);
  }

  static AnsiString Scratch(const AnsiString& name) { return AnsiString(kScratch) + "\\" + name; }

  static void Put(const AnsiString& path, const std::string& bytes) {
    platform::TFileStream f(path, platform::fmCreate);
    if (!bytes.empty()) f.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }

  static std::string Get(const AnsiString& path) {
    platform::TFileStream f(path, platform::fmOpenRead | platform::fmShareDenyNone);
    std::string bytes(static_cast<size_t>(f.Size()), '\0');
    if (!bytes.empty()) f.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
  }

  void RemoveTree(const AnsiString& path) { win32_test::RemoveTree(Api, path); }

  platform::win32::TWin32Api Api;
};

}  // namespace win32_test
