// The demo medium: the check finds nothing in it, and trying it installs what
// the end-to-end runs expect, with the billboards changing where the check
// says they will.

#include "tests/medium/medium_fixture.h"
#include "tools/vqm-medium/MediumTry.h"

namespace mediumtest {
namespace {

bool Holds(const std::vector<std::string>& lines, const std::string& utf8) {
  return std::find(lines.begin(), lines.end(), utf8) != lines.end();
}

class DemoMedium : public TMediumTest, public testing::WithParamInterface<bool> {
 protected:
  void WriteDemo() { medium::BuildDemoMedium(OnZ(Medium()), OnZ(Medium() + "-staging")); }
};

TEST_F(DemoMedium, TheCheckFindsNothing) {
  WriteDemo();
  const vqmmedium::TCheckResult result = Check();
  EXPECT_TRUE(result.Findings.empty()) << Findings(result);
  EXPECT_EQ(result.ExitCode(), 0);
}

// A server (false) and a terminal (true) installation.
TEST_P(DemoMedium, TryInstallsWhatTheCheckForetells) {
  const bool terminal = GetParam();
  WriteDemo();
  const vqmmedium::TCheckResult check = Check();
  vqmmedium::TTryOptions options;
  options.Terminal = terminal;
  const vqmmedium::TTryResult run = vqmmedium::TryMedium(Medium(), options);
  ASSERT_TRUE(run.Completed);
  EXPECT_TRUE(run.Problems.empty()) << run.Problems.front();
  EXPECT_EQ(run.ExitCode(), 0);
  const std::vector<std::string>& r = run.Report;

  struct {
    const char* Line;
    bool Server, Terminal;
  } const expected[] = {
      {"  C:\\VantorQ-Mira\\VantorQM.exe  655360", true, true},
      {"  C:\\VantorQ-Mira\\QMConexao.exe  81920", true, true},
      {"  C:\\VantorQ-Mira\\Desinstalar.exe  98304", true, false},
      {"  C:\\VantorQ-Mira\\Ajuda\\indice.htm  62", true, false},
      {"  C:\\VantorQ-Mira\\BDados\\vantorq.fdb  393216", true, false},
      {"  C:\\VantorQ-Mira\\Fotos\\mesa.jpg  5481", true, false},
      {"  C:\\VantorQ-Mira\\Utilitarios\\QMEtiquetas.exe  69632", true, true},
      {"    InstallDir = C:\\VantorQ-Mira", true, true},
      {"    Tipo de Instalação = Servidor", true, false},
      {"    Tipo de Instalação = Terminal", false, true},
      {"    Nome do Host = localhost", true, false},
      {"    Nome do Host = ", false, true},
      {"    Caminho do BD = C:\\VantorQ-Mira\\BDados", true, false},
      {"    DisplayName = Vantor Q-Mira", true, true},
      {"    UninstallString = C:\\VantorQ-Mira\\Desinstalar.exe", true, true},
  };
  for (const auto& e : expected) EXPECT_EQ(Holds(r, e.Line), terminal ? e.Terminal : e.Server) << e.Line;
  // The links, with their targets; a terminal gets none for the backup tool.
  const std::string backup = " -> C:\\VantorQ-Mira\\QMBackup.exe";
  EXPECT_EQ(std::any_of(r.begin(), r.end(), [&](const std::string& l) { return l.find(backup) != std::string::npos; }),
            !terminal);

  // The pauses of the run fall on the messages the check foretold.
  std::vector<std::string> foretold, seen;
  const std::string heading = terminal ? "A terminal installation:" : "A server installation:";
  bool mine = false;
  for (const AnsiString& line : check.Summary) {
    const std::string text = rtl::Utf8FromAnsi(line);
    if (text.back() == ':' && text[0] != ' ') mine = text == heading;
    const size_t quote = text.find('"');
    if (mine && text.rfind("    at message ", 0) == 0)
      foretold.push_back(text.substr(quote + 1, text.find('"', quote + 1) - quote - 1));
  }
  const auto from = std::find(r.begin(), r.end(), "== billboard changes (the strip's message at each pause)");
  for (auto it = from + 1; it != r.end() && it->rfind("==", 0) != 0; ++it) seen.push_back(it->substr(2));
  EXPECT_EQ(seen, foretold);
  EXPECT_EQ(seen.size(), terminal ? 2u : 4u);
}

INSTANTIATE_TEST_SUITE_P(ServerAndTerminal, DemoMedium, testing::Bool());

class TryMedium : public TMediumTest {};

TEST_F(TryMedium, ARunThatStopsTellsWhy) {
  WriteMedium();
  std::vector<std::string> lines(std::begin(kScript), std::end(kScript));
  for (std::string& l : lines)
    if (l.rfind("Grupo_2_Dir=", 0) == 0) l = "Grupo_2_Dir=<INSTALLDIR>\\Dados\\BD";
  File("VANTOR.STP", ScriptText(lines));
  const vqmmedium::TTryResult run = vqmmedium::TryMedium(Medium(), {});
  EXPECT_FALSE(run.Completed);
  EXPECT_EQ(run.ExitCode(), 2);
  ASSERT_FALSE(run.Problems.empty());
  EXPECT_NE(run.Problems.front().find("Não pude criar a pasta [C:\\VantorQ-Mira\\Dados\\BD]"), std::string::npos)
      << run.Problems.front();
}

}  // namespace
}  // namespace mediumtest
