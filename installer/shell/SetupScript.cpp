// Setup-script reads and folder macros.

#include "installer/shell/SetupScript.h"

#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "rtl/SysUtils.h"

namespace installer {

namespace {

const AnsiString kProjeto = "Projeto";
const AnsiString kBillBoards = "BillBoards";
const AnsiString kGrupos = "Grupos";
const AnsiString kArquivosComprimidos = "Arquivos Comprimidos";
const AnsiString kPastaEIcones = "Pasta e Icones";

const AnsiString kInstallDir = "<INSTALLDIR>";
const AnsiString kWinDir = "<WINDIR>";
const AnsiString kWinSysDir = "<WINSYSDIR>";

}  // namespace

AnsiString FileNamePart(const AnsiString& value) { return rtl::ExtractFileName(value); }

AnsiString IndexedKey(const AnsiString& prefix, int n, const AnsiString& suffix) {
  return prefix + rtl::IntToStr(n) + suffix;
}

AnsiString TSetupScript::ReadText(const AnsiString& section, const AnsiString& key) const {
  return FIni.ReadString(section, key, "");
}

int32_t TSetupScript::ReadInteger(const AnsiString& section, const AnsiString& key) const {
  return FIni.ReadInteger(section, key, 0);
}

bool TSetupScript::ReadBool(const AnsiString& section, const AnsiString& key) const {
  return FIni.ReadBool(section, key, false);
}

AnsiString TSetupScript::Aplicacao() const { return ReadText(kProjeto, "Aplicação"_a); }
AnsiString TSetupScript::Titulo() const { return ReadText(kProjeto, "Título"_a); }
AnsiString TSetupScript::PastaPadraoInstalacao() const { return ReadText(kProjeto, "PastaPadraoInstalacao"); }
AnsiString TSetupScript::DirContrato() const { return FileNamePart(ReadText(kProjeto, "Dir_Contrato")); }
int32_t TSetupScript::TipoBackground() const { return ReadInteger(kProjeto, "Tipo_Background"); }
AnsiString TSetupScript::DirImgBkg() const { return FileNamePart(ReadText(kProjeto, "Dir_Img_bkg")); }
int32_t TSetupScript::ColorTopoBkg() const { return ReadInteger(kProjeto, "Color_Topo_bkg"); }
int32_t TSetupScript::ColorRodapeBkg() const { return ReadInteger(kProjeto, "Color_Rodape_bkg"); }
int32_t TSetupScript::Estilo() const { return ReadInteger(kProjeto, "Estilo"); }

int32_t TSetupScript::Imagens() const { return ReadInteger(kBillBoards, "Imagens"); }
AnsiString TSetupScript::Imagem(int n) const {
  return FileNamePart(ReadText(kBillBoards, IndexedKey("Imagem_", n)));
}

int32_t TSetupScript::Grupos() const { return ReadInteger(kGrupos, "Grupos"); }
int32_t TSetupScript::GrupoArquivos(int n) const {
  return ReadInteger(kGrupos, IndexedKey("Grupo_", n, "_Arquivos"));
}
AnsiString TSetupScript::GrupoDir(int n) const { return ReadText(kGrupos, IndexedKey("Grupo_", n, "_Dir")); }
AnsiString TSetupScript::GrupoNome(int n) const { return ReadText(kGrupos, IndexedKey("Grupo_", n, "_Nome")); }

int64_t TSetupScript::SomaArquivosGrupos() const {
  // The count keys are numbered from 2: the count of group "Grupos" + 1 is read.
  // A key the script does not hold counts 0, so only the numbers written in a
  // "Grupo_<n>_Arquivos" name of the text are asked for: a huge "Grupos" costs
  // no more than the script is long.
  const int64_t last = int64_t{Grupos()} + 1;
  std::vector<AnsiString> lines;
  try {
    lines = platform::ReadTextLines(FileName());
  } catch (const rtl::Exception&) {
    return 0;  // no script: every count is the default
  }
  const AnsiString prefix = "GRUPO_", suffix = "_ARQUIVOS";
  std::set<int64_t> numbers;
  for (const AnsiString& line : lines) {
    const AnsiString upper = rtl::UpperCase(line);
    for (size_t at = upper.find(prefix); at != AnsiString::npos; at = upper.find(prefix, at + 1)) {
      const size_t first = at + prefix.size();
      size_t end = first;
      while (end < upper.size() && end - first < 11 && upper[end] >= '0' && upper[end] <= '9') ++end;
      if (end == first || upper[first] == '0' || upper.compare(end, suffix.size(), suffix) != 0) continue;
      const int64_t n = std::stoll(upper.substr(first, end - first));
      if (n >= 2 && n <= last) numbers.insert(n);
    }
  }
  int64_t sum = 0;
  for (int64_t n : numbers) sum += ReadInteger(kGrupos, "Grupo_" + std::to_string(n) + "_Arquivos");
  return sum;
}

int32_t TSetupScript::Arquivos() const { return ReadInteger(kArquivosComprimidos, "Arquivos"); }
AnsiString TSetupScript::Arquivo(int n) const {
  return FileNamePart(ReadText(kArquivosComprimidos, IndexedKey("Arquivo_", n)));
}

AnsiString TSetupScript::PastaPadrao() const { return ReadText(kPastaEIcones, "Pasta_Padrão"_a); }
int32_t TSetupScript::Icones() const { return ReadInteger(kPastaEIcones, "Icones"); }
AnsiString TSetupScript::IconeDiretorio(int n) const {
  return ReadText(kPastaEIcones, IndexedKey("Icone_", n, "_Diretorio"));
}
AnsiString TSetupScript::IconeArquivo(int n) const {
  return ReadText(kPastaEIcones, IndexedKey("Icone_", n, "_Arquivo"));
}
AnsiString TSetupScript::IconeDescricao(int n) const {
  return ReadText(kPastaEIcones, IndexedKey("Icone_", n, "_Descrição"_a));
}
bool TSetupScript::IconePastaDesktop(int n) const {
  return ReadBool(kPastaEIcones, IndexedKey("Icone_", n, "_Pasta_Desktop"));
}
bool TSetupScript::IconePastaMenuIniciar(int n) const {
  return ReadBool(kPastaEIcones, IndexedKey("Icone_", n, "_Pasta_Menu_Iniciar"));
}

AnsiString ApplyFolderMacroA(const AnsiString& value, const AnsiString& dirDestino,
                             const AnsiString& dirWindows, const AnsiString& dirSistema) {
  const auto close = value.find('>');
  if (close == AnsiString::npos) return value;
  // Each test sees the head as the one before left it.
  AnsiString head = value.substr(0, close + 1);
  if (head == kInstallDir) head = dirDestino;
  if (head == kWinDir) head = dirWindows;
  if (head == kWinSysDir) head = dirSistema;
  return head + value.substr(close + 1);
}

AnsiString ApplyFolderMacroB(const AnsiString& value, const AnsiString& dirDestino,
                             const AnsiString& dirWindows, const AnsiString& dirSistema) {
  AnsiString result = value;
  const std::pair<const AnsiString&, const AnsiString&> macros[] = {
      {kInstallDir, dirDestino}, {kWinDir, dirWindows}, {kWinSysDir, dirSistema}};
  for (const auto& [macro, folder] : macros) {
    const auto at = result.find(macro);
    if (at != AnsiString::npos) result = folder + result.substr(at + macro.size());
  }
  return result;
}

}  // namespace installer
