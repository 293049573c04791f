// The launcher's files of the demo medium and the demo machine's outside programs.

#include "launcher/DemoFiles.h"

#include <filesystem>
#include <fstream>

#include "launcher/UntMain.h"
#include "platform/sim/MachineConfig.h"
#include "rtl/SysUtils.h"
#include "tools/demo-medium/DemoMedium.h"

namespace launcher {

namespace fs = std::filesystem;

namespace {

// The installation manual the first step prints, in Windows-1252 as the
// shell's browser reads it.
std::string Manual() {
  const char* const lines[] = {
      "<!DOCTYPE html>",
      "<html lang=\"pt-BR\">",
      "<head>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">",
      "<title>Vantor Q-Mira - Manual de Instalação</title>",
      "<style>",
      "body { font-family: Arial, sans-serif; margin: 2em 3em; color: #111; }",
      "h1 { border-bottom: 2px solid #f0a020; padding-bottom: .2em; }",
      "h2 { margin-top: 1.6em; }",
      ".nota { border-left: 4px solid #c00; padding: .4em .8em; background: #fbeaea; }",
      "</style>",
      "</head>",
      "<body>",
      "<h1>Vantor Q-Mira &mdash; Manual de Instalação</h1>",
      "<p>Este manual acompanha o CD de instalação do Vantor Q-Mira. Ao colocar o CD no computador, execute o "
      "programa <b>etapix.exe</b> da raiz do CD: o Assistente de Instalação mostra os três passos abaixo, na ordem "
      "em que devem ser feitos, com um botão para cada passo.</p>",
      "<p>Os dados do Vantor Q-Mira ficam em um servidor de banco de dados Firebird 2.0. Faça primeiro a instalação "
      "do <b>servidor</b>, no computador que guardará o banco de dados; depois a instalação de <b>terminal</b> em "
      "cada computador da rede que usará o programa.</p>",
      "<h2>Passo I &mdash; Imprimir o manual de instalação</h2>",
      "<p>O botão <b>Manual</b> imprime este documento na impressora padrão do Windows. Guarde a cópia impressa: "
      "ela é útil durante os passos seguintes e numa re-instalação.</p>",
      "<h2>Passo II &mdash; Instalar o Firebird</h2>",
      "<p>O botão <b>Firebird</b> inicia o instalador do Firebird 2.0.1 que está no CD.</p>",
      "<ul>",
      "<li>No <b>servidor</b>, escolha a instalação completa do servidor (<i>Super Server</i>) e deixe-o rodar "
      "como serviço, iniciado automaticamente com o Windows.</li>",
      "<li>Nos <b>terminais</b>, escolha apenas os componentes do cliente.</li>",
      "</ul>",
      "<p>Quando o Firebird estiver registrado no computador, o Assistente marca o passo como feito e desabilita o "
      "botão.</p>",
      "<h2>Passo III &mdash; Instalar o Vantor Q-Mira</h2>",
      "<p>O botão <b>Vantor</b> inicia o instalador do Vantor Q-Mira:</p>",
      "<ol>",
      "<li>na página de boas-vindas, escolha <b>Servidor</b> ou <b>Terminal</b>;</li>",
      "<li>leia o contrato de licença e marque a opção que declara aceitá-lo;</li>",
      "<li>confira o resumo (pasta de destino, usuário e empresa) e clique em <b>Instalar</b>;</li>",
      "<li>ao final, reinicie o computador antes de usar o programa.</li>",
      "</ol>",
      "<p>O programa é instalado em <b>C:\\VantorQ-Mira</b>. Quando o programa principal estiver nessa pasta, o "
      "Assistente marca o passo como feito e desabilita o botão.</p>",
      "<h2>Re-instalação</h2>",
      "<p class=\"nota\">Um passo marcado com o sinal vermelho já foi feito neste computador. Para instalar de "
      "novo, remova antes o Vantor Q-Mira (Painel de Controle, <i>Adicionar ou remover programas</i>) e, se for o "
      "caso, o Firebird; faça uma cópia de segurança do banco de dados antes de remover o servidor. Depois execute "
      "o Assistente outra vez.</p>",
      "<p>Clique em <b>Sair</b> para fechar o Assistente.</p>",
      "<hr>",
      "<p><small>tarquelia &mdash; Vantor Q-Mira</small></p>",
      "</body>",
      "</html>",
  };
  std::string text;
  for (const char* line : lines) text += rtl::AnsiFromUtf8(line) + "\r\n";
  return text;
}

void WriteHostFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw rtl::EFCreateError("Cannot create file \"" + path.string() + "\"");
}

// A host command line: the program quoted, so a path with blanks stays one word.
std::string Run(const std::string& hostProgram) { return "\"" + fs::absolute(hostProgram).string() + "\""; }

}  // namespace

std::vector<AnsiString> AddLauncherFiles(const std::string& mediumFolder) {
  const fs::path folder(mediumFolder);
  const std::pair<AnsiString, std::string> files[] = {
      {"etapix.exe", medium::ProgramBytes("etapix.exe", 96 * 1024)},
      {kManual, Manual()},
      {kInstaladorFirebird, medium::ProgramBytes(kInstaladorFirebird, 256 * 1024)},
  };
  std::vector<AnsiString> written;
  for (const auto& [name, bytes] : files) {
    WriteHostFile(folder / rtl::Utf8FromAnsi(name), bytes);
    written.push_back(name);
  }
  return written;
}

AnsiString ConfigureLauncherMachine(const std::string& machineDir, const std::string& mediumFolder,
                                    const TDemoPrograms& programs) {
  using namespace platform::sim;
  TMachineConfig config = LoadMachineConfig(machineDir);
  std::error_code error;
  const fs::path medium = fs::canonical(mediumFolder, error);
  AnsiString root;
  for (const TDriveConfig& drive : config.Drives) {
    if (drive.Kind == dkMissing || drive.Kind == dkRemovable || drive.Volume.Folder.empty()) continue;
    std::error_code e;
    if (!error && fs::equivalent(drive.Volume.Folder, medium, e)) root = AnsiString(1, drive.Letter) + ":\\";
  }
  if (root.empty()) throw EMachineError("No drive of the machine in " + machineDir + " shows " + mediumFolder);

  auto set = [&](const AnsiString& name, TProgramAction action, const std::string& hostCommand) {
    std::erase_if(config.Programs, [&](const TProgramConfig& p) { return rtl::SameText(p.Name, name); });
    config.Programs.push_back({name, action, hostCommand});
  };
  config.Print = {"print", paJournal, {}};
  set(kInstaladorFirebird, paRun, Run(programs.DatabaseSetup));
  set(root + kInstalador, paRun, Run(programs.Installer));
  SaveMachineConfig(machineDir, config);
  return root;
}

}  // namespace launcher
