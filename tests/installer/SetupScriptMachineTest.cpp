// A setup script read from a file of the simulated machine, as the installer reads it.

#include <gtest/gtest.h>

#include "installer/shell/SetupScript.h"
#include "tests/platform/MachineFixture.h"

using namespace installer;

namespace {

class SetupScriptFile : public machinetest::TMachineTest {};

TEST_F(SetupScriptFile, TheProfileConventionsApply) {
  Open();
  WriteFile("C:\\SETUP.STP",
            "; the author's notes\r\n"
            "[PROJETO]\r\n"
            "Aplica\xE7\xE3o = Vantor Q-Mira \r\n"
            "T\xEDtulo=  'Bem-vindo ao Vantor'  \r\n"
            "Dir_Contrato=\"C:\\Autor\\Contrato.txt\"\r\n"
            "[arquivos comprimidos]\r\n"
            "ARQUIVOS=3\r\n"
            "Arquivo_1=programa.bak\r\n"
            "Arquivo_2=dados.bak\r\n"
            "[Grupos]\r\n"
            "Grupos=2\r\n"
            "Grupo_1_Arquivos=1000\r\n"
            "Grupo_2_Arquivos=$1F\r\n"
            "Grupo_3_Arquivos=0x0B\r\n"
            "Grupo_1_Dir=<WINDIR>\\Fonts\r\n"
            "[Pasta e Icones]\r\n"
            "Icones=1\r\n"
            "Icone_1_Diretorio=X<INSTALLDIR>\\bin\r\n"
            "Icone_1_Descri\xE7\xE3o=Vantor Q-Mira\r\n"
            "Icone_1_Pasta_Desktop=true\r\n"
            "Icone_1_Pasta_Menu_Iniciar=2\r\n");
  const TSetupScript script("C:\\SETUP.STP");
  EXPECT_EQ(script.Aplicacao(), "Vantor Q-Mira");
  EXPECT_EQ(script.Titulo(), "Bem-vindo ao Vantor");
  EXPECT_EQ(script.DirContrato(), "Contrato.txt");
  EXPECT_EQ(script.Arquivos(), 3);
  EXPECT_EQ(script.Arquivo(2), "dados.bak");
  EXPECT_EQ(script.Arquivo(3), "");
  EXPECT_EQ(script.SomaArquivosGrupos(), 42);
  EXPECT_EQ(ApplyFolderMacroA(script.GrupoDir(1), "C:\\Vantor", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM32"),
            "C:\\WINDOWS\\Fonts");
  EXPECT_EQ(ApplyFolderMacroB(script.IconeDiretorio(1), "C:\\Vantor", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM32"),
            "C:\\Vantor\\bin");
  EXPECT_EQ(script.IconeDescricao(1), "Vantor Q-Mira");
  EXPECT_FALSE(script.IconePastaDesktop(1));
  EXPECT_TRUE(script.IconePastaMenuIniciar(1));
}

TEST_F(SetupScriptFile, AMissingScriptGivesDefaults) {
  Open();
  const TSetupScript script("C:\\FALTA.STP");
  EXPECT_EQ(script.Aplicacao(), "");
  EXPECT_EQ(script.Imagens(), 0);
  EXPECT_EQ(script.SomaArquivosGrupos(), 0);
}

}  // namespace
