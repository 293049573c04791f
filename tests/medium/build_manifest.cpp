// Building media from manifests: what build writes passes the check without
// a word, and a wrong manifest is refused with its line before anything is
// written. The program itself: its help and its exit codes.

#include <sys/wait.h>

#include <cstdio>

#include "tests/medium/medium_fixture.h"
#include "tools/vqm-medium/MediumBuild.h"

namespace mediumtest {
namespace {

const char kManifest[] =
    "# a small product\n"
    "[medium]\n"
    "script = PRODUTO.STP\n"
    "sound = fontes/change.wav\n"
    "\n"
    "[project]\n"
    "name = Vantor Q-Mira\n"
    "folder = VantorQ-Mira\n"
    "licence = fontes/Licença.txt\n"
    "gradient = 0 16777215 2\n"
    "\n"
    "[billboards]\n"
    "picture = fontes/b1.bmp\n"
    "picture = fontes/b2.bmp\n"
    "\n"
    "[group Raiz]\n"
    "archive = programa.bak\n"
    "source = programa\n"
    "folder = <INSTALLDIR>\n"
    "\n"
    "[group Utilitarios]\n"
    "archive = util.bak\n"
    "source = util\n"
    "folder = <INSTALLDIR>\\Util\n"
    "\n"
    "[programs]\n"
    "group = Vantor Q-Mira\n"
    "\n"
    "[icon Vantor Q-Mira]\n"
    "folder = <INSTALLDIR>\n"
    "program = VantorQM.exe\n"
    "desktop = yes\n"
    "\n"
    "[icon Calculadora]\n"
    "folder = <INSTALLDIR>\\Util\n"
    "program = QMCalc.exe\n"
    "startmenu = yes\n";

class BuildManifest : public TMediumTest {
 protected:
  void SetUp() override {
    TMediumTest::SetUp();
    FSources = fs::path(Medium()).parent_path().string() + "/sources";
    Put("fontes/change.wav", medium::ChimeWave(40));
    Put("fontes/Licença.txt", rtl::AnsiFromUtf8("CONTRATO DE LICENÇA\r\n"));
    Put("fontes/b1.bmp", Bmp(ui::clRed));
    Put("fontes/b2.bmp", Bmp(ui::clGreen));
    Put("programa/VantorQM.exe", "programa");
    Put("programa/Desinstalar.exe", "desinstalador");
    Put("programa/Ajuda/indice.htm", "<html></html>");
    Put("util/QMCalc.exe", "calculadora");
    fs::remove_all(Medium());
  }
  void Put(const std::string& name, const std::string& bytes) {
    fs::create_directories(fs::path(FSources + "/" + name).parent_path());
    std::ofstream(FSources + "/" + name, std::ios::binary) << bytes;
  }
  vqmmedium::TBuildResult Build(const std::string& manifest) {
    Put("produto.manifest", manifest);
    return vqmmedium::BuildMedium(OnZ(FSources + "/produto.manifest"), OnZ(Medium()));
  }
  // Every file below the temporary folder with its size.
  std::map<std::string, uintmax_t> Tree() const {
    std::map<std::string, uintmax_t> files;
    for (const auto& e : fs::recursive_directory_iterator(fs::path(Medium()).parent_path()))
      if (e.is_regular_file() && e.path().string().find("/machine/") == std::string::npos)
        files[e.path().string()] = e.file_size();
    return files;
  }
  std::string FSources;
};

TEST_F(BuildManifest, WhatBuildWritesPassesTheCheck) {
  const vqmmedium::TBuildResult built = Build(kManifest);
  ASSERT_TRUE(built.Errors.empty()) << built.Errors.front();
  const vqmmedium::TCheckResult result = Check();
  EXPECT_TRUE(result.Findings.empty()) << Findings(result);
  EXPECT_EQ(result.Script, "PRODUTO.STP");

  std::ifstream in(Medium() + "/PRODUTO.STP", std::ios::binary);
  const std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Windows-1252 with CR LF.
  EXPECT_NE(script.find("Aplica\xE7\xE3o=Vantor Q-Mira\r\n"), std::string::npos) << script;
  EXPECT_NE(script.find("Dir_Contrato=Licen\xE7" "a.txt\r\n"), std::string::npos);
  for (size_t at = script.find('\n'); at != std::string::npos; at = script.find('\n', at + 1))
    ASSERT_EQ(script[at - 1], '\r') << "a line ends without CR at " << at;
  // The counts of the archives as written, one place on.
  EXPECT_NE(script.find("Grupos=2\r\nGrupo_2_Arquivos=3\r\nGrupo_3_Arquivos=1\r\n"), std::string::npos) << script;
  EXPECT_NE(script.find("Tipo_Background=0\r\nColor_Topo_bkg=0\r\nColor_Rodape_bkg=16777215\r\nEstilo=2\r\n"),
            std::string::npos);
  for (const char* name : {"winsysdlls.bak", "Contrato.bak", "BillBrds.bak", "programa.bak", "util.bak", "change.wav"})
    EXPECT_TRUE(fs::exists(Medium() + "/" + name)) << name;
  EXPECT_FALSE(fs::exists(Medium() + "/bckgrd.bak"));
}

TEST_F(BuildManifest, AWrongManifestIsRefusedAtItsLineAndNothingIsWritten) {
  const auto replace = [](std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const struct {
    const char* Name;
    std::string Manifest;
    const char* Expected;
  } cases[] = {
      {"an unknown key", replace(kManifest, "folder = VantorQ-Mira", "pasta = VantorQ-Mira"),
       "produto.manifest:8: unknown key \"pasta\""},
      {"an unknown section", replace(kManifest, "[programs]", "[programas]"), "produto.manifest:26: unknown section"},
      {"a missing source folder", replace(kManifest, "source = util\n", "source = utilidades\n"),
       "produto.manifest:23: the source folder \"utilidades\" is not there"},
      {"a missing licence", replace(kManifest, "Licença.txt", "Contrato.txt"),
       "produto.manifest:9: the licence \"fontes/Contrato.txt\" is not there"},
      {"billboards without a sound", replace(kManifest, "sound = fontes/change.wav\n", ""),
       "produto.manifest:12: billboards need [medium] sound"},
      {"a flag that is neither yes nor no", replace(kManifest, "desktop = yes", "desktop = 1"),
       "produto.manifest:32: \"desktop\" is yes or no"},
      {"a value in quotes", replace(kManifest, "name = Vantor Q-Mira", "name = \"Vantor Q-Mira\""),
       "produto.manifest:7: the setup script's reader drops quotation marks"},
      {"a text Windows-1252 cannot write", replace(kManifest, "name = Vantor Q-Mira", "name = Vantor Q-Mira \xE2\x82\xAC\xE2\x84\xA2\xC5\x81"),
       "produto.manifest:7: holds characters that Windows-1252 cannot write"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Put("produto.manifest", c.Manifest);
    const auto before = Tree();
    const vqmmedium::TBuildResult built = vqmmedium::BuildMedium(OnZ(FSources + "/produto.manifest"), OnZ(Medium()));
    ASSERT_FALSE(built.Errors.empty());
    EXPECT_EQ(built.Errors.front().rfind(c.Expected, 0), 0u) << built.Errors.front();
    EXPECT_EQ(Tree(), before);
    EXPECT_FALSE(fs::exists(Medium()));
  }
}

// ---- the program ----

struct TRun {
  int Exit = -1;
  std::string Output;
};

TRun Tool(const std::string& arguments) {
  TRun run;
  FILE* pipe = ::popen((std::string(VQM_MEDIUM_TOOL) + " " + arguments + " 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Output.append(buffer, n);
  const int status = ::pclose(pipe);
  run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST_F(BuildManifest, TheProgramTellsByItsExitCode) {
  const TRun help = Tool("--help");
  EXPECT_EQ(help.Exit, 0);
  for (const char* text : {"check MEDIUM", "try MEDIUM [--terminal] [--screens DIR]", "build MANIFEST OUT",
                           "[group Raiz]", "startmenu = yes"})
    EXPECT_NE(help.Output.find(text), std::string::npos) << text;
  EXPECT_EQ(Tool("").Exit, 2);
  EXPECT_EQ(Tool("check").Exit, 2);
  const TRun nowhere = Tool("check " + Medium() + "/nowhere");
  EXPECT_EQ(nowhere.Exit, 2);
  EXPECT_NE(nowhere.Output.find(Medium() + "/nowhere: error: no such folder"), std::string::npos) << nowhere.Output;

  Put("produto.manifest", kManifest);
  const TRun built = Tool("build " + FSources + "/produto.manifest " + Medium());
  EXPECT_EQ(built.Exit, 0) << built.Output;
  EXPECT_EQ(Tool("check " + Medium()).Exit, 0);
  // A warning: an icon for a program that is not installed.
  {
    std::string script;
    std::ifstream in(Medium() + "/PRODUTO.STP", std::ios::binary);
    script.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    script.replace(script.find("QMCalc.exe"), 10, "QMCalx.exe");
    std::ofstream(Medium() + "/PRODUTO.STP", std::ios::binary) << script;
  }
  const TRun warned = Tool("check " + Medium());
  EXPECT_EQ(warned.Exit, 1) << warned.Output;
  EXPECT_NE(warned.Output.find("PRODUTO.STP:40: warning: [Pasta e Icones] Icone_2_Arquivo: "), std::string::npos)
      << warned.Output;

  Put("produto.manifest", std::string(kManifest) + "[icon X]\nprogram = a.exe\nfolder = <INSTALLDIR>\ncolour = red\n");
  const TRun refused = Tool("build " + FSources + "/produto.manifest " + Medium() + "-2");
  EXPECT_EQ(refused.Exit, 2);
  EXPECT_NE(refused.Output.find("produto.manifest:41: unknown key \"colour\""), std::string::npos) << refused.Output;
  EXPECT_FALSE(fs::exists(Medium() + "-2"));
}

}  // namespace
}  // namespace mediumtest
