// The check on a clean medium and on the same medium with one mistake each:
// the kind of mistake, the script line it names, and the exit code.

#include <functional>

#include "tests/medium/medium_fixture.h"

namespace mediumtest {
namespace {

using TLines = std::vector<std::string>;

// Replaces the line that starts with `start` (which must be there).
void Set(TLines& lines, const std::string& start, const std::string& line) {
  for (std::string& l : lines)
    if (l.rfind(start, 0) == 0) {
      l = line;
      return;
    }
  ADD_FAILURE() << "no line " << start;
}
void InsertAfter(TLines& lines, const std::string& start, const std::string& line) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind(start, 0) == 0) {
      lines.insert(lines.begin() + static_cast<long>(i) + 1, line);
      return;
    }
  ADD_FAILURE() << "no line " << start;
}
// The line number (from 1) of the line that starts with `start`.
int LineOf(const TLines& lines, const std::string& start) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind(start, 0) == 0) return static_cast<int>(i) + 1;
  return 0;
}

struct TCase {
  const char* Name;
  std::function<void(TLines&)> Script;                // the script's change
  std::function<void(TMediumTest&)> Files;            // the change of other files (after the clean medium)
  const char* Code;                                   // the finding expected
  const char* Line;                                   // the start of the line it names; "" for none
  int Exit;
  bool Utf8 = false;                                  // the script written in UTF-8
};

class CheckMistakes : public TMediumTest {
 public:
  // Lets a case's file change reach the fixture's helpers.
  using TMediumTest::Archive;
  using TMediumTest::Bmp;
  using TMediumTest::File;
  using TMediumTest::Medium;
};

TEST_F(CheckMistakes, TheCleanMediumHasNone) {
  WriteMedium();
  const vqmmedium::TCheckResult result = Check();
  EXPECT_EQ(result.ExitCode(), 0) << Findings(result);
  EXPECT_EQ(result.Script, "VANTOR.STP");
  ASSERT_FALSE(result.Summary.empty());
}

TEST_F(CheckMistakes, EachMistakeIsFoundAtItsLine) {
  const TCase cases[] = {
      {"a flag written true", [](TLines& l) { Set(l, "Icone_1_Pasta_Desktop=", "Icone_1_Pasta_Desktop=true"); }, {},
       "not-a-number", "Icone_1_Pasta_Desktop=", 1},
      {"a number that is not one", [](TLines& l) { Set(l, "Imagens=", "Imagens=2x"); }, {}, "not-a-number",
       "Imagens=", 1},
      {"the counts written for their own group",
       [](TLines& l) {
         Set(l, "Grupo_2_Arquivos=", "Grupo_1_Arquivos=3");
         Set(l, "Grupo_3_Arquivos=", "Grupo_2_Arquivos=1");
         Set(l, "Grupo_4_Arquivos=", "Grupo_3_Arquivos=1");
       },
       {}, "unread-key", "Grupo_1_Arquivos=", 1},
      {"a count that does not match its archive", [](TLines& l) { Set(l, "Grupo_3_Arquivos=", "Grupo_3_Arquivos=7"); },
       {}, "count", "Grupo_3_Arquivos=", 1},
      {"a macro after the first character",
       [](TLines& l) { Set(l, "Grupo_3_Dir=", "Grupo_3_Dir=X<INSTALLDIR>\\Util"); }, {}, "folder-macro",
       "Grupo_3_Dir=", 2},
      {"a macro in small letters", [](TLines& l) { Set(l, "Grupo_3_Dir=", "Grupo_3_Dir=<installdir>\\Util"); }, {},
       "folder-macro", "Grupo_3_Dir=", 2},
      {"a key numbered with a leading zero", [](TLines& l) { Set(l, "Arquivo_1=", "Arquivo_01=programa.bak"); }, {},
       "unread-key", "Arquivo_01=", 2},
      {"a script in UTF-8", [](TLines&) {}, {}, "not-cp1252", "Aplicação=", 1, true},
      {"a billboard missing from its archive", [](TLines& l) { Set(l, "Imagem_2=", "Imagem_2=b3.bmp"); }, {},
       "picture-missing", "Imagem_2=", 1},
      {"a billboard the loader refuses", [](TLines& l) { Set(l, "Imagem_2=", "Imagem_2=b2.gif"); },
       [](TMediumTest& t) {
         auto& c = static_cast<CheckMistakes&>(t);
         c.Archive("BillBrds.bak", {{"b1.bmp", c.Bmp(ui::clRed)}, {"b2.gif", "GIF89a"}});
       },
       "picture-extension", "Imagem_2=", 1},
      {"a billboard that does not decode", [](TLines&) {},
       [](TMediumTest& t) {
         auto& c = static_cast<CheckMistakes&>(t);
         c.Archive("BillBrds.bak", {{"b1.bmp", c.Bmp(ui::clRed)}, {"b2.bmp", "BM no picture"}});
       },
       "picture-undecodable", "Imagem_2=", 1},
      {"an icon for a program no archive installs",
       [](TLines& l) { Set(l, "Icone_2_Arquivo=", "Icone_2_Arquivo=QMCalculadora.exe"); }, {}, "icon",
       "Icone_2_Arquivo=", 1},
      {"a product archive missing", [](TLines&) {},
       [](TMediumTest& t) { fs::remove(static_cast<CheckMistakes&>(t).Medium() + "/util.bak"); }, "missing-archive",
       "Arquivo_3=", 2},
      {"a damaged block", [](TLines&) {},
       [](TMediumTest& t) {
         const std::string path = static_cast<CheckMistakes&>(t).Medium() + "/dados.bak";
         std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
         f.seekp(static_cast<long>(fs::file_size(path)) - 3);
         f.put('\x55');
       },
       "damaged-archive", "Arquivo_2=", 2},
      {"an archive that is no archive", [](TLines&) {},
       [](TMediumTest& t) { static_cast<CheckMistakes&>(t).File("dados.bak", "not an archive at all"); },
       "damaged-archive", "Arquivo_2=", 2},
      {"a folder two levels below the last one made",
       [](TLines& l) { Set(l, "Grupo_2_Dir=", "Grupo_2_Dir=<INSTALLDIR>\\Dados\\BD"); }, {}, "folder", "Grupo_2_Dir=",
       2},
      {"a folder made only by a group a terminal skips",
       [](TLines& l) { Set(l, "Grupo_3_Dir=", "Grupo_3_Dir=<INSTALLDIR>\\BDados\\Util"); }, {}, "folder",
       "Grupo_3_Dir=", 2},
      {"a terminal exclusion in other letters", [](TLines& l) { Set(l, "Grupo_2_Nome=", "Grupo_2_Nome=bdados"); }, {},
       "group-name-case", "Grupo_2_Nome=", 1},
      {"the main group in other letters", [](TLines& l) { Set(l, "Grupo_1_Nome=", "Grupo_1_Nome=RAIZ"); }, {},
       "group-name-case", "Grupo_1_Nome=", 1},
      {"a blank group name", [](TLines& l) { Set(l, "Grupo_3_Nome=", "Grupo_3_Nome=\"  \""); }, {}, "blank-group",
       "Grupo_3_Nome=", 1},
      {"a licence missing from its archive", [](TLines& l) { Set(l, "Dir_Contrato=", "Dir_Contrato=Licenca.txt"); }, {},
       "licence", "Dir_Contrato=", 2},
      {"no licence named", [](TLines& l) { Set(l, "Dir_Contrato=", "Dir_Contrato="); }, {}, "licence", "Dir_Contrato=",
       2},
      {"a licence text in UTF-8", [](TLines&) {},
       [](TMediumTest& t) {
         static_cast<CheckMistakes&>(t).Archive("Contrato.bak", {{"Contrato.txt", "CONTRATO DE LICENÇA\r\n"}});
       },
       "not-cp1252", "Dir_Contrato=", 1},
      {"a background picture missing from its archive", [](TLines& l) { Set(l, "Dir_Img_bkg=", "Dir_Img_bkg=x.bmp"); },
       {}, "picture-missing", "Dir_Img_bkg=", 2},
      {"a section the installer does not read", [](TLines& l) { l.push_back("[Projecto]"); l.push_back("Estilo=2"); },
       {}, "unread-section", "[Projecto]", 1},
      {"a repeated section", [](TLines& l) { l.push_back("[projeto]"); l.push_back("Estilo=2"); }, {},
       "unread-section", "[projeto]", 1},
      {"a byte-order mark", [](TLines&) {},
       [](TMediumTest& t) {
         const std::string path = static_cast<CheckMistakes&>(t).Medium() + "/VANTOR.STP";
         std::ifstream in(path, std::ios::binary);
         const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
         in.close();
         std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF" << text;
       },
       "not-cp1252", "[Projeto]", 2},
      {"a key before any section", [](TLines& l) { l.insert(l.begin(), "Imagens=2"); }, {}, "unread-key", "Imagens=",
       1},
      {"a repeated key", [](TLines& l) { InsertAfter(l, "Arquivos=", "Arquivos=4"); }, {}, "unread-key", "Arquivos=4",
       1},
      {"a value in quotes", [](TLines& l) { Set(l, "Aplicação=", "Aplicação=\"Vantor Q-Mira\""); }, {}, "stripped",
       "Aplicação=", 1},
      {"a value with blanks around it", [](TLines& l) { Set(l, "Título=", "Título=  Instalação  "); }, {}, "stripped",
       "Título=", 1},
      {"two scripts", [](TLines&) {},
       [](TMediumTest& t) { static_cast<CheckMistakes&>(t).File("ZANTIGO.STP", "[Projeto]\r\n"); }, "several-scripts",
       "", 1},
      {"no script", [](TLines&) {}, [](TMediumTest& t) { fs::remove(static_cast<CheckMistakes&>(t).Medium() + "/VANTOR.STP"); },
       "no-script", "", 2},
      {"more groups than archives", [](TLines& l) { Set(l, "Grupos=", "Grupos=2"); }, {}, "groups-vs-archives",
       "Grupos=", 1},
      {"a support archive missing", [](TLines&) {},
       [](TMediumTest& t) { fs::remove(static_cast<CheckMistakes&>(t).Medium() + "/winsysdlls.bak"); },
       "missing-archive", "", 2},
      {"no change sound", [](TLines&) {},
       [](TMediumTest& t) { fs::remove(static_cast<CheckMistakes&>(t).Medium() + "/change.wav"); }, "no-sound",
       "Imagens=", 1},
      {"fewer files than pictures",
       [](TLines& l) {
         Set(l, "Imagens=", "Imagens=9");
         for (int n = 3; n <= 9; ++n) InsertAfter(l, "Imagem_" + std::to_string(n - 1) + "=", "Imagem_" + std::to_string(n) + "=b2.bmp");
       },
       {}, "pace", "Imagens=", 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::remove_all(Medium());
    fs::create_directories(Medium());
    WriteMedium();
    TLines lines(std::begin(kScript), std::end(kScript));
    c.Script(lines);
    File("VANTOR.STP", ScriptText(lines, c.Utf8));
    if (c.Files) c.Files(*this);
    const auto before = MediumFiles();

    const vqmmedium::TCheckResult result = Check();
    const int line = *c.Line ? LineOf(lines, c.Line) : 0;
    const bool found = std::any_of(result.Findings.begin(), result.Findings.end(), [&](const vqmmedium::TFinding& f) {
      return f.Code == c.Code && (line == 0 || f.Line == line);
    });
    EXPECT_TRUE(found) << "no " << c.Code << " at line " << line << " in:\n" << Findings(result);
    EXPECT_EQ(result.ExitCode(), c.Exit) << Findings(result);
    // Reading the medium writes nothing on it (a missing archive is not made).
    EXPECT_EQ(MediumFiles(), before);
  }
}

TEST_F(CheckMistakes, AMissingFolderIsAnError) {
  const vqmmedium::TCheckResult result = vqmmedium::CheckMedium(OnZ(Medium() + "/nowhere"));
  ASSERT_TRUE(result.Has("no-medium")) << Findings(result);
  EXPECT_EQ(result.ExitCode(), 2);
}

}  // namespace
}  // namespace mediumtest
