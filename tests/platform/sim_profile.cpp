// Profile files read as Windows reads them, through the machine's files.

#include <gtest/gtest.h>

#include "tests/platform/profile_cases.h"
#include "tests/platform/sim_fixture.h"

namespace simtest {
namespace {

using SimProfile = TSimTest;

TEST_F(SimProfile, ReadsAsWindows) {
  // The script is Windows-1252 on the medium.
  Put("C:\\SETUP.STP", profile_cases::Script());
  Put("C:\\WINDOWS\\win.ini", profile_cases::kBareText);
  profile_cases::ExpectReadsAsWindows(*M, "C:\\SETUP.STP", "WIN.INI");
}

}  // namespace
}  // namespace simtest
