// Fuzz target: any bytes as a setup script (an INI file), read key by key
// through the installer's typed reads, as start-up and the wizard read it.
// The file is the memory machine's. Reads never fail; crashes, leaks and
// hangs are findings.

#include <cstdint>

#include "installer/shell/SetupScript.h"
#include "tests/fuzz/FuzzMachine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::TFuzzMachine machine;
  machine.Write("C:\\setup.stp", data, size);
  const installer::TSetupScript script("C:\\setup.stp");
  volatile int64_t sink = 0;
  auto use = [&](const rtl::AnsiString& text) {
    sink = sink + static_cast<int64_t>(text.size()) +
           static_cast<int64_t>(installer::ApplyFolderMacroA(text, "C:\\Dest", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM").size()) +
           static_cast<int64_t>(installer::ApplyFolderMacroB(text, "C:\\Dest", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM").size());
  };
  use(script.Aplicacao());
  use(script.Titulo());
  use(script.PastaPadraoInstalacao());
  use(script.DirContrato());
  use(script.DirImgBkg());
  use(script.PastaPadrao());
  sink = sink + script.TipoBackground() + script.ColorTopoBkg() + script.ColorRodapeBkg() + script.Estilo();
  // The indexed keys, as far as the counts go (a few of each: the reads are the same).
  for (int n = 1; n <= std::min(script.Imagens(), 4); ++n) use(script.Imagem(n));
  for (int n = 1; n <= std::min(script.Grupos(), 4); ++n) {
    use(script.GrupoDir(n));
    use(script.GrupoNome(n));
    sink = sink + script.GrupoArquivos(n);
  }
  sink = sink + script.SomaArquivosGrupos();
  for (int n = 1; n <= std::min(script.Arquivos(), 4); ++n) use(script.Arquivo(n));
  for (int n = 1; n <= std::min(script.Icones(), 4); ++n) {
    use(script.IconeDiretorio(n));
    use(script.IconeArquivo(n));
    use(script.IconeDescricao(n));
    sink = sink + script.IconePastaDesktop(n) + script.IconePastaMenuIniciar(n);
  }
  return 0;
}
