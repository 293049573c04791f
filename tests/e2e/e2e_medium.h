#pragma once
// The small medium most end-to-end runs install: five groups ("Raiz", a data
// group, a photo group, utilities and a blank one), four icons, no billboards.

#include "tests/e2e/e2e_fixture.h"

namespace e2e {

inline const std::string kScriptPadrao =
    "[Projeto]\r\n"
    "Aplicação=Vantor Q-Mira\r\n"
    "Título=Instalação do Vantor Q-Mira\r\n"
    "PastaPadraoInstalacao=VantorQ-Mira\r\n"
    "Dir_Contrato=C:\\Autor\\Contrato.txt\r\n"
    "Tipo_Background=0\r\n"
    "Color_Topo_bkg=8388608\r\n"
    "Color_Rodape_bkg=0\r\n"
    "Estilo=3\r\n"
    "[Grupos]\r\n"
    "Grupos=3\r\n"
    "Grupo_1_Nome=Raiz\r\n"
    "Grupo_1_Dir=<INSTALLDIR>\r\n"
    "Grupo_2_Nome=BDados\r\n"
    "Grupo_2_Dir=<INSTALLDIR>\\BDados\r\n"
    "Grupo_3_Nome=Meus Fotos 2\r\n"
    "Grupo_3_Dir=<INSTALLDIR>\\Fotos\r\n"
    "Grupo_4_Nome=Utilitarios\r\n"
    "Grupo_4_Dir=<INSTALLDIR>\\Util\r\n"
    "Grupo_5_Nome=\"   \"\r\n"
    "Grupo_5_Dir=<INSTALLDIR>\\Vazio\r\n"
    "[Arquivos Comprimidos]\r\n"
    "Arquivos=5\r\n"
    "Arquivo_1=C:\\Autor\\programa.bak\r\n"
    "Arquivo_2=dados.bak\r\n"
    "Arquivo_3=fotos.bak\r\n"
    "Arquivo_4=util.bak\r\n"
    "Arquivo_5=vazio.bak\r\n"
    "[Pasta e Icones]\r\n"
    "Pasta_Padrão=Vantor Q-Mira\r\n"
    "Icones=4\r\n"
    "Icone_1_Diretorio=<INSTALLDIR>\r\n"
    "Icone_1_Arquivo=VantorQM.exe\r\n"
    "Icone_1_Descrição=Vantor Q-Mira\r\n"
    "Icone_1_Pasta_Desktop=1\r\n"
    "Icone_1_Pasta_Menu_Iniciar=1\r\n"
    "Icone_2_Diretorio=<INSTALLDIR>\r\n"
    "Icone_2_Arquivo=qmbackup.EXE\r\n"
    "Icone_2_Descrição=Cópia de Segurança\r\n"
    "Icone_2_Pasta_Desktop=1\r\n"
    "Icone_3_Diretorio=<INSTALLDIR>\\Util\r\n"
    "Icone_3_Arquivo=QMCalc.exe\r\n"
    "Icone_3_Descrição=Calculadora\r\n"
    "Icone_4_Diretorio=<INSTALLDIR>\r\n"
    "Icone_4_Arquivo=Desinstalar.exe\r\n"
    "Icone_4_Descrição=Desinstalar\r\n"
    "Icone_4_Pasta_Menu_Iniciar=1\r\n";

class TMidiaPadrao : public TInstalacao {
 protected:
  // The archive of the fifth group is not on the medium: a blank group is
  // never opened (a missing archive on a CD-ROM would be an error).
  void MidiaPadrao(const std::string& script = kScriptPadrao) {
    Script(script);
    ArquivosDeApoio();
    Arquivo("programa.bak", {{"VantorQM.exe", "programa principal"},
                             {"Desinstalar.exe", "desinstalador"},
                             {"QMBackup.exe", "copia de seguranca"},
                             {"Feriados.dat", "01/01 Ano Novo"},
                             {"Leiame.txt", "leia-me"},
                             {"Ajuda\\VantorQM.exe", "ajuda"}});
    Arquivo("dados.bak", {{"vantorq.fdb", "banco de dados"}});
    Arquivo("fotos.bak", {{"foto1.jpg", "foto"}});
    Arquivo("util.bak", {{"QMCalc.exe", "calculadora"}});
  }
};

}  // namespace e2e
