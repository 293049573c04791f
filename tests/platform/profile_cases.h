#pragma once
// Profile reads as Windows does them: one script, a table of cases and the
// buffer rules, run against any backend (the simulated machine's and the
// real Windows API).

#include <gtest/gtest.h>

#include <string>

#include "platform/WinApi.h"
#include "rtl/SysUtils.h"

namespace profile_cases {

using platform::DWORD;
using rtl::AnsiString;

// The script, Windows-1252 as on a medium.
inline std::string Script() {
  return rtl::AnsiFromUtf8(
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
      "\tK\t=\tv\t\r\n");
}

// The text of the profile with a bare name, put in the Windows folder.
inline constexpr const char* kBareText = "[Windows]\nBeep=yes\n";

// Every case against `api`: the script lies at `path` (any case of its
// name), kBareText in the Windows folder under `bareName`.
// `underWine`: the rows Wine reads otherwise expect Wine's value (todo_wine).
inline void ExpectReadsAsWindows(platform::TWinApi& api, const AnsiString& path, const AnsiString& bareName,
                                 bool underWine = false) {
  struct {
    const char* section;
    const char* key;
    const char* def;
    const char* value;
    const char* wine = nullptr;  // todo_wine: what Wine gives instead
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
      {"pasta e icones", "PASTA_PADRÃO", "", "Grupo", ""},  // todo_wine: Wine keeps the blanks of "[ name ]"
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
    const DWORD n = api.GetPrivateProfileStringA(rtl::AnsiFromUtf8(c.section), rtl::AnsiFromUtf8(c.key),
                                                rtl::AnsiFromUtf8(c.def), result, 2048, rtl::LowerCase(path));
    EXPECT_EQ(result, rtl::AnsiFromUtf8(underWine && c.wine ? c.wine : c.value)) << c.section << "/" << c.key;
    EXPECT_EQ(n, result.size());
  }
  // A buffer of 2048 holds 2047 characters; a short one cuts the value.
  AnsiString result;
  EXPECT_EQ(api.GetPrivateProfileStringA("Longo", "Texto", "", result, 2048, path), 2047u);
  EXPECT_EQ(result, std::string(2047, 'z'));
  EXPECT_EQ(api.GetPrivateProfileStringA("Geral", "Nome", "", result, 7, path), 6u);
  EXPECT_EQ(result, "Vantor");
  EXPECT_EQ(api.GetPrivateProfileStringA("Geral", "Nome", "", result, 0, path), 0u);
  // A missing file gives the default; a bare name is looked for in the Windows folder.
  EXPECT_EQ(api.GetPrivateProfileStringA("Geral", "Nome", "def", result, 2048, "C:\\none.ini"), 3u);
  EXPECT_EQ(result, "def");
  EXPECT_EQ(api.GetLastError(), platform::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(api.GetPrivateProfileStringA("windows", "BEEP", "", result, 2048, bareName), 3u);
  EXPECT_EQ(result, "yes");
}

}  // namespace profile_cases
