// Profile files read as Windows reads them, through the machine's files.

#include <gtest/gtest.h>

#include "tests/platform/sim_fixture.h"

namespace simtest {
namespace {

using SimProfile = TSimTest;

TEST_F(SimProfile, ReadsAsWindows) {
  // The script is Windows-1252 on the medium.
  Put("C:\\SETUP.STP", rtl::AnsiFromUtf8(
      "; comment line\r\n"
      "[Geral]\r\n"
      "Nome =  Vantor Q-Mira  \r\n"
      "Aspas=\"  com brancos  \"\r\n"
      "Simples='x'\r\n"
      "Meia=\"sem fim\r\n"
      "Misto=\"a'\r\n"
      "Duas=\"\"b\"\"\r\n"
      "Vazio=\r\n"
      "Igual=a=b\r\n"
      "Nome=segunda\r\n"
      "  ;Nome=comentario\r\n"
      "SemIgual\r\n"
      "Cauda=valor ; nao e comentario\r\n"
      "[ Pasta e Icones ]\r\n"
      "Pasta_Padrão=Grupo\r\n"
      "[geral]\r\n"
      "Outra=da segunda secao\n"
      "[Longo]\r\n"
      "Texto=" + std::string(3000, 'z') + "\r\n"
      "[X]Y] resto\r\n"
      "Chave=de X]Y\r\n"
      "[X]\r\n"
      "Chave=de X\r\n"
      ";Nota=ponto e virgula\r\n"
      "[\tTab\t]\r\n"
      "\tK\t=\tv\t\r\n"));
  struct {
    const char* section;
    const char* key;
    const char* def;
    const char* value;
  } const cases[] = {
      {"Geral", "Nome", "", "Vantor Q-Mira"},
      {"GERAL", "nome", "", "Vantor Q-Mira"},       // the first key of that name wins
      {"Geral", "Aspas", "", "  com brancos  "},     // one pair of quotes goes, the blanks inside stay
      {"Geral", "Simples", "", "x"},
      {"Geral", "Meia", "", "\"sem fim"},
      {"Geral", "Misto", "", "\"a'"},
      {"Geral", "Duas", "", "\"b\""},
      {"Geral", "Vazio", "def", ""},
      {"Geral", "Igual", "", "a=b"},
      {"Geral", "SemIgual", "def", "def"},
      {"Geral", "Cauda", "", "valor ; nao e comentario"},
      {"Geral", ";Nome", "def", "comentario"},      // a line beginning with ';' is a key
      {"Geral", "Outra", "def", "def"},              // only the first section of a name is read
      {"pasta e icones", "PASTA_PADRÃO", "", "Grupo"},
      {"Geral", "Falta", "padrão  ", "padrão"},    // the default loses its trailing blanks
      {"Falta", "Nome", "", ""},
      {" \tGeral\t ", "\t Nome ", "", "Vantor Q-Mira"},  // blanks and tabs around asked names go
      {"Geral", " ", "def", "def"},
      {"X]Y", "Chave", "", "de X]Y"},               // a header runs to the last ']' of its line
      {"x]y", "chave", "", "de X]Y"},
      {"X", "Chave", "", "de X"},                    // "[X]Y]" is no section X: the later [X] is the first
      {"X", ";Nota", "", "ponto e virgula"},
      {"X", "Nota", "def", "def"},
      {"Tab", "K", "", "v"},
      {"\tTab", "K\t", "", "v"},
  };
  for (const auto& c : cases) {
    AnsiString result = "canary";
    const DWORD n = M->GetPrivateProfileStringA(rtl::AnsiFromUtf8(c.section), rtl::AnsiFromUtf8(c.key),
                                                rtl::AnsiFromUtf8(c.def), result, 2048, "C:\\setup.stp");
    EXPECT_EQ(result, rtl::AnsiFromUtf8(c.value)) << c.section << "/" << c.key;
    EXPECT_EQ(n, result.size());
  }
  // A buffer of 2048 holds 2047 characters; a short one cuts the value.
  AnsiString result;
  EXPECT_EQ(M->GetPrivateProfileStringA("Longo", "Texto", "", result, 2048, "C:\\SETUP.STP"), 2047u);
  EXPECT_EQ(result, std::string(2047, 'z'));
  EXPECT_EQ(M->GetPrivateProfileStringA("Geral", "Nome", "", result, 7, "C:\\SETUP.STP"), 6u);
  EXPECT_EQ(result, "Vantor");
  EXPECT_EQ(M->GetPrivateProfileStringA("Geral", "Nome", "", result, 0, "C:\\SETUP.STP"), 0u);
  // A missing file gives the default; a bare name is looked for in the Windows folder.
  EXPECT_EQ(M->GetPrivateProfileStringA("Geral", "Nome", "def", result, 2048, "C:\\none.ini"), 3u);
  EXPECT_EQ(result, "def");
  EXPECT_EQ(M->GetLastError(), ERROR_FILE_NOT_FOUND);
  Put("C:\\WINDOWS\\win.ini", "[Windows]\nBeep=yes\n");
  EXPECT_EQ(M->GetPrivateProfileStringA("windows", "BEEP", "", result, 2048, "WIN.INI"), 3u);
  EXPECT_EQ(result, "yes");
}

}  // namespace
}  // namespace simtest
