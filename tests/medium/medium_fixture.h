#pragma once
// A small medium in a host folder, written through a private machine whose
// drive Z: is the host's root: the script, the support archives, three
// product archives and the change sound. As written, the check finds nothing
// in it; each test spoils one thing.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"
#include "tools/demo-medium/DemoMedium.h"
#include "tools/vqm-medium/MediumCheck.h"
#include "tools/vqm-medium/PrivateMachine.h"

namespace mediumtest {

namespace fs = std::filesystem;
using rtl::AnsiString;

// The clean script, UTF-8 here, written in Windows-1252 with CR LF.
inline const char* const kScript[] = {
    "[Projeto]",
    "Aplicação=Vantor Q-Mira",
    "Título=Instalação do Vantor Q-Mira",
    "PastaPadraoInstalacao=VantorQ-Mira",
    "Dir_Contrato=C:\\Autor\\Contrato.txt",
    "Tipo_Background=1",
    "Dir_Img_bkg=fundo.bmp",
    "[BillBoards]",
    "Imagens=2",
    "Imagem_1=b1.bmp",
    "Imagem_2=b2.bmp",
    "[Grupos]",
    "Grupos=3",
    "Grupo_2_Arquivos=3",
    "Grupo_3_Arquivos=1",
    "Grupo_4_Arquivos=1",
    "Grupo_1_Nome=Raiz",
    "Grupo_1_Dir=<INSTALLDIR>",
    "Grupo_2_Nome=BDados",
    "Grupo_2_Dir=<INSTALLDIR>\\BDados",
    "Grupo_3_Nome=Utilitarios",
    "Grupo_3_Dir=<INSTALLDIR>\\Util",
    "[Arquivos Comprimidos]",
    "Arquivos=3",
    "Arquivo_1=programa.bak",
    "Arquivo_2=dados.bak",
    "Arquivo_3=util.bak",
    "[Pasta e Icones]",
    "Pasta_Padrão=Vantor Q-Mira",
    "Icones=2",
    "Icone_1_Diretorio=<INSTALLDIR>",
    "Icone_1_Arquivo=VantorQM.exe",
    "Icone_1_Descrição=Vantor Q-Mira",
    "Icone_1_Pasta_Desktop=1",
    "Icone_2_Diretorio=<INSTALLDIR>\\Util",
    "Icone_2_Arquivo=QMCalc.exe",
    "Icone_2_Descrição=Calculadora",
};

class TMediumTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::sim::TMachineOptions options;
    options.HostRoot = true;
    options.FloppyDrive = false;
    FMachine = std::make_unique<vqmmedium::TPrivateMachine>(options);
    FMedium = FMachine->Root() + "/medium";
    fs::create_directories(FMedium);
  }
  void TearDown() override { FMachine.reset(); }

  const std::string& Medium() const { return FMedium; }
  AnsiString OnZ(const std::string& host) const { return vqmmedium::OnDriveZ(host); }

  // The script lines joined with CR LF, in Windows-1252 (or as UTF-8 when asked).
  static std::string ScriptText(const std::vector<std::string>& lines, bool utf8 = false) {
    std::string text;
    for (const std::string& line : lines) text += (utf8 ? line : rtl::AnsiFromUtf8(line)) + "\r\n";
    return text;
  }
  void File(const std::string& name, const std::string& bytes) {
    std::ofstream(FMedium + "/" + name, std::ios::binary) << bytes;
  }
  void Archive(const std::string& name, const std::vector<medium::TMediumFile>& files) {
    medium::WriteArchive(OnZ(FMedium + "/" + name), files, OnZ(FMachine->Root() + "/staging/" + name));
  }
  std::string Bmp(ui::TColor color) {
    ui::TBitmap picture(4, 4);
    picture.Fill(color);
    return medium::BmpBytes(picture);
  }

  // The clean medium.
  void WriteMedium() {
    File("VANTOR.STP", ScriptText(std::vector<std::string>(std::begin(kScript), std::end(kScript))));
    File("change.wav", medium::ChimeWave(50));
    Archive("bckgrd.bak", {{"fundo.bmp", Bmp(ui::clBlue)}});
    Archive("winsysdlls.bak", {{"QMRTL32.DLL", "biblioteca"}});
    Archive("Contrato.bak", {{"Contrato.txt", rtl::AnsiFromUtf8("CONTRATO DE LICENÇA\r\n")}});
    Archive("BillBrds.bak", {{"b1.bmp", Bmp(ui::clRed)}, {"b2.bmp", Bmp(ui::clGreen)}});
    Archive("programa.bak", {{"VantorQM.exe", "programa"}, {"Desinstalar.exe", "desinstalador"},
                             {"Ajuda\\indice.htm", "<html></html>"}});
    Archive("dados.bak", {{"vantorq.fdb", std::string(5000, 'd')}});
    Archive("util.bak", {{"QMCalc.exe", "calculadora"}});
  }

  // Every file of the medium with its bytes.
  std::map<std::string, std::string> MediumFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(FMedium)) {
      std::ifstream in(entry.path(), std::ios::binary);
      files[entry.path().filename().string()] =
          std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    return files;
  }

  vqmmedium::TCheckResult Check() { return vqmmedium::CheckMedium(OnZ(FMedium)); }

 private:
  std::unique_ptr<vqmmedium::TPrivateMachine> FMachine;
  std::string FMedium;
};

// Every finding, one a line, for a failure's message.
inline std::string Findings(const vqmmedium::TCheckResult& result) {
  std::string text;
  for (const vqmmedium::TFinding& f : result.Findings) text += vqmmedium::FormatFinding(f) + "\n";
  return text;
}

}  // namespace mediumtest
