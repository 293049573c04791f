#pragma once
// The installation state: values the whole installer reads. Start-up fills
// them once (and the background step fills ImagemFundo); afterwards only the
// wizard writes DirDestino.

#include <cstdint>

#include "rtl/AnsiString.h"

namespace installer {

using rtl::AnsiString;

inline AnsiString DirWindows;         // the Windows folder, no trailing backslash
inline AnsiString DirSistema;         // the system folder, no trailing backslash
inline AnsiString DirDesktop;         // the user's desktop folder
inline AnsiString DirMenuIniciar;     // the user's Start-menu folder
inline AnsiString UsuarioRegistrado;  // registered owner of Windows
inline AnsiString EmpresaRegistrada;  // registered organization
inline AnsiString DirInstalador;      // the installer's folder, with trailing backslash
inline AnsiString ArquivoSTP;         // full path of the setup script in use
inline AnsiString PastaPadrao;        // [Projeto] "PastaPadraoInstalacao" as written
inline AnsiString DirDestino;         // the target folder, set by the wizard
inline AnsiString ImagemFundo;        // file-name part of [Projeto] "Dir_Img_bkg"
inline AnsiString ArquivoContrato;    // file-name part of [Projeto] "Dir_Contrato"
inline AnsiString NomeAplicacao;      // [Projeto] "Aplicação"
inline int32_t TipoFundo = 0;         // [Projeto] "Tipo_Background": 1 picture, else gradient

// The product's per-user registry key: start-up deletes it, the wizard fills it.
inline const AnsiString kChaveProduto = "Software\\Tarquelia\\Vantor\\Q-Mira";

// The scratch folder: DirWindows followed by "\temp\tqsetup" (no trailing
// backslash). The installer never empties or removes it.
AnsiString PastaTemporaria();

// Every value back to empty, as in a process that has just started (an
// installer started again in the same process, as the tests do).
void LimpaVarGlobal();

}  // namespace installer
