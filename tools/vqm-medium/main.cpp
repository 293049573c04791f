// vqm-medium: checks an installation medium as the installer reads it, tries
// it with the installer on a throwaway machine, and builds one from a manifest.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tools/vqm-medium/MediumBuild.h"
#include "tools/vqm-medium/MediumCheck.h"
#include "tools/vqm-medium/MediumTry.h"
#include "tools/vqm-medium/PrivateMachine.h"

namespace fs = std::filesystem;

namespace {

constexpr int kUsage = 2;

const char kHelp[] =
    "Usage: vqm-medium COMMAND ARGUMENTS\n"
    "\n"
    "The release engineer's tool for an installation medium (a host folder with\n"
    "the setup script *.STP, the support archives and the product archives).\n"
    "\n"
    "Commands:\n"
    "  check MEDIUM     read the medium as the installer would and report every\n"
    "                   mistake with the script's line, section and key; then\n"
    "                   what a server and a terminal installation will do\n"
    "  try MEDIUM [--terminal] [--screens DIR]\n"
    "                   run the installer on the medium over a throwaway\n"
    "                   simulated machine, unattended (welcome, licence\n"
    "                   accepted, install, no restart), and report the files,\n"
    "                   registry values, links, Program Manager commands,\n"
    "                   failures and journal it left; --screens saves a PNG of\n"
    "                   each screen in DIR\n"
    "  build MANIFEST OUT\n"
    "                   make a medium in the folder OUT from a manifest, then\n"
    "                   check it\n"
    "\n"
    "Exit codes: 0 clean, 1 warnings (or failures the installer listed),\n"
    "2 errors or wrong usage.\n"
    "\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "vqm-medium: %s\nTry 'vqm-medium --help'.\n", message.c_str());
  return kUsage;
}

// A finding as the user reads it: a Windows path on Z: is shown as the host path it stands for.
std::string Shown(vqmmedium::TFinding f) {
  if (f.File.rfind("Z:\\", 0) == 0) {
    f.File.erase(0, 2);
    std::replace(f.File.begin(), f.File.end(), '\\', '/');
  }
  return vqmmedium::FormatFinding(f);
}

int Check(const std::string& medium) {
  if (!fs::is_directory(medium)) {
    std::fprintf(stderr, "%s: error: no such folder\n", medium.c_str());
    return kUsage;
  }
  platform::sim::TMachineOptions options;
  options.HostRoot = true;
  options.FloppyDrive = false;
  vqmmedium::TPrivateMachine machine(options);
  const vqmmedium::TCheckResult result = vqmmedium::CheckMedium(vqmmedium::OnDriveZ(medium));
  for (const vqmmedium::TFinding& f : result.Findings) std::cout << Shown(f) << '\n';
  if (result.Findings.empty()) std::cout << rtl::Utf8FromAnsi(result.Script) << ": no mistakes found\n";
  for (const rtl::AnsiString& line : result.Summary) std::cout << rtl::Utf8FromAnsi(line) << '\n';
  return result.ExitCode();
}

int Try(const std::vector<std::string>& args) {
  vqmmedium::TTryOptions options;
  std::string medium;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--terminal") options.Terminal = true;
    else if (args[i] == "--screens" && i + 1 < args.size()) options.Screens = args[++i];
    else if (args[i].rfind("--", 0) == 0) return Usage("unknown option " + args[i]);
    else if (medium.empty()) medium = args[i];
    else return Usage("try takes one medium");
  }
  if (medium.empty()) return Usage("try needs a medium folder");
  if (!fs::is_directory(medium)) {
    std::fprintf(stderr, "%s: error: no such folder\n", medium.c_str());
    return kUsage;
  }
  const vqmmedium::TTryResult result = vqmmedium::TryMedium(medium, options);
  for (const std::string& line : result.Report) std::cout << line << '\n';
  return result.ExitCode();
}

int Build(const std::string& manifest, const std::string& out) {
  platform::sim::TMachineOptions options;
  options.HostRoot = true;
  options.FloppyDrive = false;
  vqmmedium::TPrivateMachine machine(options);
  const vqmmedium::TBuildResult built = vqmmedium::BuildMedium(vqmmedium::OnDriveZ(manifest), vqmmedium::OnDriveZ(out));
  for (const std::string& e : built.Errors) std::cerr << e << '\n';
  if (!built.Errors.empty()) return kUsage;
  for (const std::string& line : built.Written) std::cout << line << '\n';
  const vqmmedium::TCheckResult result = vqmmedium::CheckMedium(vqmmedium::OnDriveZ(out));
  for (const vqmmedium::TFinding& f : result.Findings) std::cout << Shown(f) << '\n';
  if (result.Findings.empty()) std::cout << rtl::Utf8FromAnsi(result.Script) << ": checked, no mistakes found\n";
  return result.ExitCode();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("no command given");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::cout << kHelp << vqmmedium::ManifestHelp();
    return 0;
  }
  try {
    if (args[0] == "check") {
      if (args.size() != 2) return Usage("check takes one medium folder");
      return Check(args[1]);
    }
    if (args[0] == "try") return Try({args.begin() + 1, args.end()});
    if (args[0] == "build") {
      if (args.size() != 3) return Usage("build takes a manifest and an output folder");
      return Build(args[1], args[2]);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vqm-medium: %s\n", e.what());
    return kUsage;
  }
  return Usage("unknown command " + args[0]);
}
