// The setup script's typed reads and folder macros.

#include "installer/shell/SetupScript.h"

#include <gtest/gtest.h>

#include "tests/platform/FakeApi.h"

using namespace installer;

namespace {

const AnsiString kScript = "D:\\SETUP.STP";

class SetupScript : public testing::Test {
 protected:
  // The profile reader's value, and the line in the script's text.
  void Set(const AnsiString& section, const AnsiString& key, const AnsiString& value) {
    api.SetProfile(kScript, section, key, value);
    text += "[" + section + "]\r\n" + key + "=" + value + "\r\n";
    api.AddFile(kScript, text);
  }
  fake::TFakeApi api;
  std::string text;
  TSetupScript script{kScript};
};

TEST_F(SetupScript, ProjectKeysWithAccentedNamesAndFileNameParts) {
  Set("Projeto", "Aplicação"_a, "Vantor Q-Mira");
  Set("Projeto", "Título"_a, "Bem-vindo");
  Set("Projeto", "PastaPadraoInstalacao", "VantorQ-Mira");
  Set("Projeto", "Dir_Contrato", "C:\\Autor\\Textos\\Contrato.txt");
  Set("Projeto", "Dir_Img_bkg", "E:fundo.jpg");
  Set("Projeto", "Tipo_Background", "1");
  Set("Projeto", "Color_Topo_bkg", "$FF");
  Set("Projeto", "Color_Rodape_bkg", "16777215");
  Set("Projeto", "Estilo", "3");
  EXPECT_EQ(script.Aplicacao(), "Vantor Q-Mira");
  EXPECT_EQ(script.Titulo(), "Bem-vindo");
  EXPECT_EQ(script.PastaPadraoInstalacao(), "VantorQ-Mira");
  EXPECT_EQ(script.DirContrato(), "Contrato.txt");
  EXPECT_EQ(script.DirImgBkg(), "fundo.jpg");
  EXPECT_EQ(script.TipoBackground(), 1);
  EXPECT_EQ(script.ColorTopoBkg(), 255);
  EXPECT_EQ(script.ColorRodapeBkg(), 16777215);
  EXPECT_EQ(script.Estilo(), 3);
}

TEST_F(SetupScript, MissingKeysGiveDefaults) {
  EXPECT_EQ(script.Aplicacao(), "");
  EXPECT_EQ(script.DirContrato(), "");
  EXPECT_EQ(script.Arquivos(), 0);
  EXPECT_FALSE(script.IconePastaDesktop(1));
}

TEST_F(SetupScript, TypedValues) {
  Set("Arquivos Comprimidos", "Arquivos", "0x1F");
  Set("BillBoards", "Imagens", "12abc");
  Set("Pasta e Icones", "Icone_1_Pasta_Desktop", "true");
  Set("Pasta e Icones", "Icone_1_Pasta_Menu_Iniciar", "2");
  EXPECT_EQ(script.Arquivos(), 31);
  EXPECT_EQ(script.Imagens(), 0);
  EXPECT_FALSE(script.IconePastaDesktop(1));
  EXPECT_TRUE(script.IconePastaMenuIniciar(1));
}

TEST_F(SetupScript, IndexedKeysHaveNoLeadingZeros) {
  EXPECT_EQ(IndexedKey("Arquivo_", 10), "Arquivo_10");
  EXPECT_EQ(IndexedKey("Grupo_", 2, "_Arquivos"), "Grupo_2_Arquivos");
  Set("Arquivos Comprimidos", "Arquivos", "3");
  Set("Arquivos Comprimidos", "Arquivo_1", "C:\\Build\\programa.bak");
  Set("Arquivos Comprimidos", "Arquivo_2", "dados.bak");
  Set("Arquivos Comprimidos", "Arquivo_10", "dez.bak");
  Set("Arquivos Comprimidos", "Arquivo_01", "zero.bak");
  EXPECT_EQ(script.Arquivo(1), "programa.bak");
  EXPECT_EQ(script.Arquivo(2), "dados.bak");
  EXPECT_EQ(script.Arquivo(3), "");  // listed but missing
  EXPECT_EQ(script.Arquivo(10), "dez.bak");
  Set("Pasta e Icones", "Pasta_Padrão"_a, "Vantor Q-Mira");
  Set("Pasta e Icones", "Icone_1_Descrição"_a, "Vantor");
  Set("Pasta e Icones", "Icone_1_Diretorio", "<INSTALLDIR>");
  Set("Pasta e Icones", "Icone_1_Arquivo", "VantorQM.exe");
  EXPECT_EQ(script.PastaPadrao(), "Vantor Q-Mira");
  EXPECT_EQ(script.IconeDescricao(1), "Vantor");
  EXPECT_EQ(script.IconeDiretorio(1), "<INSTALLDIR>");
  EXPECT_EQ(script.IconeArquivo(1), "VantorQM.exe");
  Set("Grupos", "Grupo_1_Nome", "Raiz");
  Set("Grupos", "Grupo_1_Dir", "<INSTALLDIR>\\x");
  EXPECT_EQ(script.GrupoNome(1), "Raiz");
  EXPECT_EQ(script.GrupoDir(1), "<INSTALLDIR>\\x");
}

TEST_F(SetupScript, GroupFileCountsAreNumberedFromTwo) {
  Set("Grupos", "Grupos", "2");
  Set("Grupos", "Grupo_1_Arquivos", "1000");
  Set("Grupos", "Grupo_2_Arquivos", "30");
  Set("Grupos", "Grupo_3_Arquivos", "12");
  Set("Grupos", "Grupo_4_Arquivos", "500");
  EXPECT_EQ(script.SomaArquivosGrupos(), 42);
  Set("Grupos", "Grupos", "0");
  EXPECT_EQ(script.SomaArquivosGrupos(), 0);
}

TEST_F(SetupScript, AHugeGroupCountReadsOnlyTheCountsWritten) {
  // Only the counts the script names are read: a count of two thousand
  // million groups takes no longer than the script is long.
  Set("Grupos", "Grupos", "2147483647");
  Set("Grupos", "Grupo_2_Arquivos", "30");
  Set("Grupos", "grupo_2147483648_arquivos", "12");  // group "Grupos" + 1
  Set("Grupos", "Grupo_02_Arquivos", "500");  // another key: not group 2
  Set("Grupos", "Grupo_1_Arquivos", "1000");
  EXPECT_EQ(script.SomaArquivosGrupos(), 42);
  size_t reads = 0;
  for (const std::string& call : api.Calls) reads += call.starts_with("GetPrivateProfileStringA");
  EXPECT_LE(reads, 3u);
}

TEST(FolderMacros, RuleAOnlyAtTheStartAndExact) {
  struct {
    AnsiString value, result;
  } const rows[] = {
      {"<WINDIR>\\Fonts", "C:\\WINDOWS\\Fonts"},
      {"X<WINDIR>\\Fonts", "X<WINDIR>\\Fonts"},
      {"<INSTALLDIR>", "C:\\VantorQ-Mira"},
      {"<INSTALLDIR>\\BDados", "C:\\VantorQ-Mira\\BDados"},
      {"<WINSYSDIR>\\a>b", "C:\\WINDOWS\\SYSTEM32\\a>b"},
      {"<windir>\\Fonts", "<windir>\\Fonts"},  // letter case matters
      {"C:\\Dados", "C:\\Dados"},
      {"<OUTRO>\\x", "<OUTRO>\\x"},
      {"", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ApplyFolderMacroA(row.value, "C:\\VantorQ-Mira", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM32"), row.result)
        << row.value;
}

TEST(FolderMacros, RuleBAnywhereDroppingWhatStandsBefore) {
  struct {
    AnsiString value, result;
  } const rows[] = {
      {"<INSTALLDIR>\\bin", "C:\\VantorQ-Mira\\bin"},
      {"X<INSTALLDIR>\\bin", "C:\\VantorQ-Mira\\bin"},
      {"abc<WINDIR>\\x", "C:\\WINDOWS\\x"},
      {"<WINSYSDIR>", "C:\\WINDOWS\\SYSTEM32"},
      // Each macro once, in order, later ones in the result of the earlier.
      {"<INSTALLDIR>\\<WINDIR>\\y", "C:\\WINDOWS\\y"},
      {"<WINDIR>\\<INSTALLDIR>", "C:\\VantorQ-Mira"},
      {"<INSTALLDIR>\\<INSTALLDIR>", "C:\\VantorQ-Mira\\<INSTALLDIR>"},
      {"<installdir>", "<installdir>"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ApplyFolderMacroB(row.value, "C:\\VantorQ-Mira", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM32"), row.result)
        << row.value;
}

}  // namespace
