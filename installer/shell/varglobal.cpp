// The installation state.

#include "installer/shell/varglobal.h"

namespace installer {

AnsiString PastaTemporaria() { return DirWindows + "\\temp\\tqsetup"; }

void LimpaVarGlobal() {
  for (AnsiString* value : {&DirWindows, &DirSistema, &DirDesktop, &DirMenuIniciar, &UsuarioRegistrado,
                            &EmpresaRegistrada, &DirInstalador, &ArquivoSTP, &PastaPadrao, &DirDestino,
                            &ImagemFundo, &ArquivoContrato, &NomeAplicacao})
    value->clear();
  TipoFundo = 0;
}

}  // namespace installer
