// instalar: the installer, on the simulated Windows machine the environment
// names. When the machine's folder holds "operator.txt", its steps drive the
// installer as a person would (an unattended run).

#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "installer/shell/untmain.h"
#include "platform/sim/SimMachine.h"
#include "ui/Application.h"
#include "ui/Operator.h"

namespace {

std::vector<std::string> OperatorScript(const std::string& machineFolder) {
  std::vector<std::string> lines;
  std::ifstream in(machineFolder + "/operator.txt");
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

int main() {
  try {
    platform::sim::TSimMachine& machine = platform::sim::InstallFromEnvironment();
    ui::TApplication application(ui::CreateDisplay(machine.ScreenWidth(), machine.ScreenHeight()));
    std::unique_ptr<ui::TOperator> op;
    if (const std::vector<std::string> steps = OperatorScript(machine.Folder()); !steps.empty())
      op = ui::RunOperatorScript(steps);
    installer::IniciaInstalador(application);
    application.Run();
    if (op && !op->Errors().empty()) return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "instalar: %s\n", e.what());
    return 1;
  }
  return 0;
}
