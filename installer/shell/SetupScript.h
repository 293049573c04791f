#pragma once
// The setup script (*.STP): typed reads of every section and key the installer
// uses, and the two folder-macro rules. Reads never fail: a missing text is
// empty, a missing or non-numeric number 0, a missing flag false. Nothing is
// cached: every read goes to the file.

#include <cstdint>

#include "platform/IniFile.h"

namespace installer {

using rtl::AnsiString;

class TSetupScript {
 public:
  explicit TSetupScript(AnsiString fileName) : FIni(std::move(fileName)) {}
  const AnsiString& FileName() const { return FIni.FileName(); }

  // [Projeto]
  AnsiString Aplicacao() const;
  AnsiString Titulo() const;
  AnsiString PastaPadraoInstalacao() const;
  AnsiString DirContrato() const;  // file-name part
  int32_t TipoBackground() const;
  AnsiString DirImgBkg() const;  // file-name part
  int32_t ColorTopoBkg() const;
  int32_t ColorRodapeBkg() const;
  int32_t Estilo() const;

  // [BillBoards]
  int32_t Imagens() const;
  AnsiString Imagem(int n) const;  // file-name part

  // [Grupos]
  int32_t Grupos() const;
  int32_t GrupoArquivos(int n) const;
  AnsiString GrupoDir(int n) const;
  AnsiString GrupoNome(int n) const;
  // The sum of "Grupo_<n>_Arquivos" for n = 2 ... Grupos + 1 (group 1's count is never read).
  int64_t SomaArquivosGrupos() const;

  // [Arquivos Comprimidos]
  int32_t Arquivos() const;
  AnsiString Arquivo(int n) const;  // file-name part

  // [Pasta e Icones]
  AnsiString PastaPadrao() const;  // the Program Manager group ("Pasta_Padrão")
  int32_t Icones() const;
  AnsiString IconeDiretorio(int n) const;
  AnsiString IconeArquivo(int n) const;
  AnsiString IconeDescricao(int n) const;
  bool IconePastaDesktop(int n) const;
  bool IconePastaMenuIniciar(int n) const;

  // Raw typed reads, for keys named by the caller.
  AnsiString ReadText(const AnsiString& section, const AnsiString& key) const;
  int32_t ReadInteger(const AnsiString& section, const AnsiString& key) const;
  bool ReadBool(const AnsiString& section, const AnsiString& key) const;

 private:
  platform::TIniFile FIni;
};

// The text after the last backslash or colon.
AnsiString FileNamePart(const AnsiString& value);
// prefix, n in decimal without leading zeros, suffix: IndexedKey("Grupo_", 2, "_Dir").
AnsiString IndexedKey(const AnsiString& prefix, int n, const AnsiString& suffix = "");

// Rule A (the "_Dir" keys of [Grupos]): the text up to and including the first
// ">" is replaced when it is exactly "<INSTALLDIR>", then when it is (now)
// "<WINDIR>", then "<WINSYSDIR>"; anything else is used unchanged.
AnsiString ApplyFolderMacroA(const AnsiString& value, const AnsiString& dirDestino,
                             const AnsiString& dirWindows, const AnsiString& dirSistema);
// Rule B (the "_Diretorio" keys of [Pasta e Icones]): in the order
// "<INSTALLDIR>", "<WINDIR>", "<WINSYSDIR>", a macro found anywhere makes the
// value that folder followed by the text after its first occurrence (text in
// front is dropped); each macro at most once, later ones in the result.
AnsiString ApplyFolderMacroB(const AnsiString& value, const AnsiString& dirDestino,
                             const AnsiString& dirWindows, const AnsiString& dirSistema);

}  // namespace installer
