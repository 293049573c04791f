// etapix: the setup launcher, on the simulated Windows machine the environment
// names. When the machine's folder holds "operator-etapix.txt", its steps drive
// the launcher as a person would (an unattended run); "operator.txt" stays the
// installer's, which the launcher may start on the same machine.

#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "launcher/UntMain.h"
#include "platform/sim/SimMachine.h"
#include "ui/Application.h"
#include "ui/Operator.h"

namespace {

std::vector<std::string> OperatorScript(const std::string& machineFolder) {
  std::vector<std::string> lines;
  std::ifstream in(machineFolder + "/operator-etapix.txt");
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The headless screen with its time kept to the wall clock's. The launcher
// waits for other processes (the database server's installer, the installer),
// which take real time; on virtual time its watches would spin through an
// operator's waits before those programs are done.
class TWallClockDisplay : public ui::TDisplay {
 public:
  explicit TWallClockDisplay(std::unique_ptr<ui::TDisplay> inner) : FInner(std::move(inner)) {}

  const char* Name() const override { return FInner->Name(); }
  ui::TSize ScreenSize() const override { return FInner->ScreenSize(); }
  void SetApplicationTitle(const rtl::AnsiString& title) override { FInner->SetApplicationTitle(title); }
  bool DrawsFrame(ui::TWindowFrame frame) const override { return FInner->DrawsFrame(frame); }
  void SetWindowFrame(ui::HWND window, ui::TWindowFrame frame, bool closeBox) override {
    FInner->SetWindowFrame(window, frame, closeBox);
  }
  void CreateWindow(ui::HWND window, const ui::TRect& bounds, const rtl::AnsiString& caption) override {
    FInner->CreateWindow(window, bounds, caption);
  }
  void DestroyWindow(ui::HWND window) override { FInner->DestroyWindow(window); }
  void SetWindowBounds(ui::HWND window, const ui::TRect& bounds) override { FInner->SetWindowBounds(window, bounds); }
  void SetWindowCaption(ui::HWND window, const rtl::AnsiString& caption) override {
    FInner->SetWindowCaption(window, caption);
  }
  void ShowWindow(ui::HWND window, bool visible) override { FInner->ShowWindow(window, visible); }
  void SetWindowRegion(ui::HWND window, const std::optional<ui::TRegion>& region) override {
    FInner->SetWindowRegion(window, region);
  }
  void SetZOrder(const std::vector<ui::HWND>& bottomToTop) override { FInner->SetZOrder(bottomToTop); }
  void Present(ui::HWND window, const ui::TBitmap& image, const ui::TRect& dirty) override {
    FInner->Present(window, image, dirty);
  }
  void SetCursor(ui::TCursor cursor) override { FInner->SetCursor(cursor); }
  void WaitEvents(uint32_t timeoutMs) override {
    FInner->SetSink(FSink);
    if (timeoutMs != ui::kInfinite) std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    FInner->WaitEvents(timeoutMs);
  }
  void PollEvents() override {
    FInner->SetSink(FSink);
    FInner->PollEvents();
  }
  ui::TBitmap Screenshot() const override { return FInner->Screenshot(); }

 private:
  std::unique_ptr<ui::TDisplay> FInner;
};

}  // namespace

int main() {
  try {
    platform::sim::TSimMachine& machine = platform::sim::InstallFromEnvironment();
    std::unique_ptr<ui::TDisplay> display = ui::CreateDisplay(machine.ScreenWidth(), machine.ScreenHeight());
    if (std::string(display->Name()) == "headless") display = std::make_unique<TWallClockDisplay>(std::move(display));
    ui::TApplication application(std::move(display));
    std::unique_ptr<ui::TOperator> op;
    if (const std::vector<std::string> steps = OperatorScript(machine.Folder()); !steps.empty())
      op = ui::RunOperatorScript(steps);
    launcher::IniciaLauncher(application);
    application.Run();
    if (op && !op->Errors().empty()) return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "etapix: %s\n", e.what());
    return 1;
  }
  return 0;
}
