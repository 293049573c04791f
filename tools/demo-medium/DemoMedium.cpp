// Installation media: archives, the setup script, sound and pictures.

#include "tools/demo-medium/DemoMedium.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/FileStream.h"
#include "platform/Files.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "tools/vqm-medium/MediumBuild.h"
#include "ui/Picture.h"

namespace medium {

namespace {

std::string StreamBytes(rtl::TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// ---- pictures ------------------------------------------------------------------------------

ui::TColor Mix(ui::TColor a, ui::TColor b, int i, int n) {
  auto channel = [&](int shift) {
    const int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    return static_cast<ui::TColor>((ca + (cb - ca) * i / std::max(n, 1)) << shift);
  };
  return channel(0) | channel(8) | channel(16);
}

void VerticalGradient(ui::TBitmap& bitmap, ui::TColor top, ui::TColor bottom) {
  ui::TCanvas& canvas = bitmap.Canvas();
  for (int y = 0; y < bitmap.Height(); ++y) {
    canvas.Pen.Color = Mix(top, bottom, y, bitmap.Height() - 1);
    canvas.MoveTo(0, y);
    canvas.LineTo(bitmap.Width(), y);
  }
}

void Text(ui::TCanvas& canvas, int x, int y, int height, ui::TColor color, bool bold, const AnsiString& text) {
  canvas.Font.SetName("Arial");
  canvas.Font.SetHeight(-height);
  canvas.Font.SetStyle(bold ? ui::fsBold : 0);
  canvas.Font.SetColor(color);
  canvas.Brush.Style = ui::bsClear;
  canvas.TextOut(x, y, text);
}

// The product's mark: a ring with a bar, the "Q" of Q-Mira.
void Mark(ui::TCanvas& canvas, int x, int y, int size, ui::TColor color) {
  canvas.Brush.Style = ui::bsClear;
  canvas.Pen.Color = color;
  canvas.Pen.Width = std::max(2, size / 10);
  canvas.Ellipse(x, y, x + size, y + size);
  canvas.MoveTo(x + size * 6 / 10, y + size * 6 / 10);
  canvas.LineTo(x + size, y + size);
  canvas.Pen.Width = 1;
}

ui::TBitmap Background() {
  ui::TBitmap bitmap(1024, 768);
  VerticalGradient(bitmap, ui::RGB(12, 36, 84), ui::RGB(8, 120, 132));
  ui::TCanvas& canvas = bitmap.Canvas();
  Mark(canvas, 60, 52, 72, ui::RGB(250, 200, 60));
  Text(canvas, 150, 56, 44, ui::clWhite, true, "Vantor Q-Mira");
  Text(canvas, 154, 108, 18, ui::RGB(200, 225, 240), false, "Gestão comercial para a sua empresa"_a);
  Text(canvas, 60, 726, 12, ui::RGB(170, 200, 215), false, "Tarquelia Sistemas"_a);
  return bitmap;
}

struct TSlide {
  ui::TColor Top, Bottom;
  const char* Title;
  const char* Lines[3];
};

ui::TBitmap Billboard(const TSlide& slide, int number) {
  ui::TBitmap bitmap(549, 305);
  VerticalGradient(bitmap, slide.Top, slide.Bottom);
  ui::TCanvas& canvas = bitmap.Canvas();
  Mark(canvas, 24, 24, 40, ui::RGB(250, 200, 60));
  Text(canvas, 78, 28, 26, ui::clWhite, true, rtl::AnsiFromUtf8(slide.Title));
  for (int i = 0; i < 3; ++i) {
    canvas.Brush.Style = ui::bsSolid;
    canvas.Brush.Color = ui::RGB(250, 200, 60);
    canvas.Pen.Color = ui::RGB(250, 200, 60);
    canvas.Ellipse(34, 112 + i * 44, 44, 122 + i * 44);
    Text(canvas, 56, 106 + i * 44, 17, ui::clWhite, false, rtl::AnsiFromUtf8(slide.Lines[i]));
  }
  Text(canvas, 24, 272, 12, ui::RGB(210, 225, 235), false,
       "Vantor Q-Mira  -  " + rtl::IntToStr(number) + " / 4");
  return bitmap;
}

ui::TBitmap Photo(ui::TColor sky, ui::TColor ground, const AnsiString& caption) {
  ui::TBitmap bitmap(320, 240);
  VerticalGradient(bitmap, sky, ground);
  ui::TCanvas& canvas = bitmap.Canvas();
  canvas.Brush.Style = ui::bsSolid;
  canvas.Brush.Color = ui::RGB(240, 240, 230);
  canvas.Pen.Color = ui::RGB(60, 60, 60);
  canvas.RoundRect(ui::Rect(90, 70, 230, 190), 16, 16);
  Text(canvas, 100, 200, 14, ui::clWhite, true, caption);
  return bitmap;
}

// ---- texts ---------------------------------------------------------------------------------

// Lines joined with CR LF, as a Windows text file; UTF-8 in, Windows-1252 out.
std::string WindowsText(const std::vector<const char*>& lines) {
  std::string text;
  for (const char* line : lines) text += rtl::AnsiFromUtf8(line) + "\r\n";
  return text;
}

// One line a paragraph: the licence box wraps the words itself.
std::string Contrato() {
  return WindowsText({
      "CONTRATO DE LICENÇA DE USO DO PROGRAMA VANTOR Q-MIRA",
      "",
      "Este é um contrato entre você, usuário final, e a Tarquelia Sistemas Ltda. Ao instalar o programa você "
      "declara que leu e aceita as condições abaixo.",
      "",
      "1. LICENÇA. A Tarquelia concede ao usuário uma licença de uso não exclusiva do Vantor Q-Mira, para um "
      "servidor e para as estações de trabalho contratadas.",
      "",
      "2. RESTRIÇÕES. É proibido copiar, alugar, ceder ou modificar o programa, bem como fazer engenharia "
      "reversa de qualquer parte dele.",
      "",
      "3. DADOS. Os dados gravados no banco de dados pertencem ao usuário. Recomenda-se fazer cópias de "
      "segurança diárias com o utilitário que acompanha o programa.",
      "",
      "4. GARANTIA. O programa é fornecido no estado em que se encontra. A Tarquelia corrige os defeitos "
      "comunicados durante o período de suporte contratado.",
      "",
      "5. SUPORTE. O suporte técnico é prestado por telefone e por correio eletrônico em dias úteis, das 8h "
      "às 18h.",
      "",
      "6. FORO. Fica eleito o foro da comarca da sede da Tarquelia para dirimir quaisquer dúvidas oriundas "
      "deste contrato.",
      "",
      "Tarquelia Sistemas Ltda.",
  });
}

// The manifest of the demo medium, for vqm-medium build: the sources lie
// beside it, in the folders WriteSources makes.
const char kManifest[] = R"(# Vantor Q-Mira: the demonstration medium.
[medium]
script = VANTOR.STP
sound = change.wav

[project]
name = Vantor Q-Mira
title = Instalação do Vantor Q-Mira
folder = VantorQ-Mira
licence = apoio/Contrato.txt
background = apoio/fundo.jpg
system = winsys

[billboards]
picture = billboards/billboard1.jpg
picture = billboards/billboard2.jpg
picture = billboards/billboard3.jpg
picture = billboards/billboard4.jpg

[group Raiz]
archive = programa.bak
source = programa
folder = <INSTALLDIR>

[group BDados]
archive = dados.bak
source = dados
folder = <INSTALLDIR>\BDados

[group Fotos dos Produtos]
archive = fotos.bak
source = fotos
folder = <INSTALLDIR>\Fotos

[group Utilitarios]
archive = utilitarios.bak
source = utilitarios
folder = <INSTALLDIR>\Utilitarios

[programs]
group = Vantor Q-Mira

[icon Vantor Q-Mira]
folder = <INSTALLDIR>
program = VantorQM.exe
desktop = yes
startmenu = yes

[icon Configurar Conexão]
folder = <INSTALLDIR>
program = QMConexao.exe
startmenu = yes

[icon Cópia de Segurança]
folder = <INSTALLDIR>
program = QMBackup.exe
desktop = yes

[icon Administrar o Banco de Dados]
folder = <INSTALLDIR>
program = QMAdmBD.exe

[icon Etiquetas de Preço]
folder = <INSTALLDIR>\Utilitarios
program = QMEtiquetas.exe

[icon Desinstalar o Vantor Q-Mira]
folder = <INSTALLDIR>
program = Desinstalar.exe
)";

}  // namespace

// ---- building blocks -------------------------------------------------------------------------

void WriteMachineFile(const AnsiString& path, const std::string& bytes) {
  platform::TFileStream file(path, platform::fmCreate);
  file.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void WriteArchive(const AnsiString& archivePath, const std::vector<TMediumFile>& files, const AnsiString& staging) {
  for (const TMediumFile& f : files) {
    const AnsiString path = staging + "\\" + f.Name;
    if (!platform::ForceDirectories(rtl::ExtractFileDir(path)))
      throw rtl::Exception("Cannot make the folder of \"" + path + "\"");
    WriteMachineFile(path, f.Bytes);
  }
  std::vector<AnsiString> names;
  for (const TMediumFile& f : files) names.push_back(f.Name);
  vqmmedium::PackFiles(archivePath, staging, names);
}

std::string ChimeWave(int milliseconds) {
  constexpr uint32_t rate = 11025;
  const uint32_t count = rate * static_cast<uint32_t>(std::max(milliseconds, 1)) / 1000;
  std::string samples;
  samples.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / rate;
    // E6 then A6, each fading out.
    const bool second = i >= count / 2;
    const double start = second ? static_cast<double>(count / 2) / rate : 0;
    const double frequency = second ? 1760.0 : 1318.5;
    const double fade = std::exp(-(t - start) * 9.0);
    const double value = std::sin(2 * std::numbers::pi * frequency * (t - start)) * fade * 0.6;
    samples += static_cast<char>(static_cast<uint8_t>(std::lround(128 + 127 * value)));
  }
  std::string wave = "RIFF";
  PutLe(wave, 36 + count, 4);
  wave += "WAVEfmt ";
  PutLe(wave, 16, 4);    // format chunk size
  PutLe(wave, 1, 2);     // PCM
  PutLe(wave, 1, 2);     // mono
  PutLe(wave, rate, 4);  // samples per second
  PutLe(wave, rate, 4);  // bytes per second
  PutLe(wave, 1, 2);     // block align
  PutLe(wave, 8, 2);     // bits per sample
  wave += "data";
  PutLe(wave, count, 4);
  return wave + samples;
}

std::string JpegBytes(const ui::TBitmap& bitmap, int quality) {
  rtl::TMemoryStream stream;
  ui::SaveJpegToStream(bitmap, stream, quality);
  return StreamBytes(stream);
}

std::string BmpBytes(const ui::TBitmap& bitmap) {
  rtl::TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return StreamBytes(stream);
}

std::string ProgramBytes(const AnsiString& name, size_t size) {
  std::string bytes = "MZ" + std::string(62, '\0') + "Vantor Q-Mira - " + name + " (demonstration)\r\n";
  uint32_t state = 2166136261u;
  for (unsigned char c : name) state = (state ^ c) * 16777619u;
  while (bytes.size() < size) {
    state = state * 1664525u + 1013904223u;
    bytes += static_cast<char>(state >> 24);
  }
  return bytes;
}

// ---- the demo medium -----------------------------------------------------------------------------

std::vector<AnsiString> BuildDemoMedium(const AnsiString& folder, const AnsiString& staging) {
  // The sources of the medium, each group's files in a folder of its own.
  auto archive = [&](const AnsiString& name, const std::vector<TMediumFile>& files) {
    for (const TMediumFile& f : files) {
      const AnsiString path = staging + "\\" + name + "\\" + f.Name;
      if (!platform::ForceDirectories(rtl::ExtractFileDir(path)))
        throw rtl::Exception("Cannot make the folder of \"" + path + "\"");
      WriteMachineFile(path, f.Bytes);
    }
  };
  if (!platform::ForceDirectories(staging)) throw rtl::Exception("Cannot make the folder \"" + staging + "\"");
  WriteMachineFile(staging + "\\demo.manifest", kManifest);
  WriteMachineFile(staging + "\\change.wav", ChimeWave(600));

  archive("apoio", {{"fundo.jpg", JpegBytes(Background())}, {"Contrato.txt", Contrato()}});
  archive("winsys",
          {{"QMRTL32.DLL", ProgramBytes("QMRTL32.DLL", 48 * 1024)},
           {"TQZIP32.DLL", ProgramBytes("TQZIP32.DLL", 24 * 1024)}});
  const TSlide slides[4] = {
      {ui::RGB(20, 60, 130), ui::RGB(10, 20, 60), "Bem-vindo ao Vantor Q-Mira",
       {"Vendas, estoque e financeiro juntos", "Um banco de dados para toda a loja", "Pronto para a rede local"}},
      {ui::RGB(120, 40, 20), ui::RGB(50, 12, 8), "Estoque em tempo real",
       {"Entradas e saídas no mesmo instante", "Etiquetas de preço com um clique", "Fotos de cada produto"}},
      {ui::RGB(20, 100, 60), ui::RGB(6, 40, 22), "Relatórios gerenciais",
       {"Vendas por vendedor e por período", "Contas a pagar e a receber", "Exportação para planilhas"}},
      {ui::RGB(90, 40, 120), ui::RGB(30, 10, 50), "Suporte Tarquelia",
       {"Atendimento em dias úteis", "Atualizações pela internet", "Cópias de segurança diárias"}},
  };
  std::vector<TMediumFile> billboards;
  for (int i = 0; i < 4; ++i)
    billboards.push_back({"billboard" + rtl::IntToStr(i + 1) + ".jpg", JpegBytes(Billboard(slides[i], i + 1))});
  archive("billboards", billboards);

  // The main group: the product, its server-side tools, and the files a
  // terminal takes from it.
  std::vector<TMediumFile> programa = {
      {"VantorQM.exe", ProgramBytes("VantorQM.exe", 640 * 1024)},
      {"Desinstalar.exe", ProgramBytes("Desinstalar.exe", 96 * 1024)},
      {"QMImagens.dll", ProgramBytes("QMImagens.dll", 160 * 1024)},
      {"QMSkin.dll", ProgramBytes("QMSkin.dll", 120 * 1024)},
      {"Atualiza.ini", WindowsText({"[Atualizacao]", "Servidor=atualiza.tarquelia.local", "Intervalo=7"})},
      {"QMFundo.jpg", JpegBytes(Background(), 70)},
      {"QMConexao.exe", ProgramBytes("QMConexao.exe", 80 * 1024)},
      {"QMEmail.exe", ProgramBytes("QMEmail.exe", 72 * 1024)},
      {"Licenca.txt", Contrato()},
      {"Feriados.dat", WindowsText({"01/01 Confraternização Universal", "21/04 Tiradentes", "01/05 Dia do Trabalho",
                                    "07/09 Independência", "12/10 Nossa Senhora Aparecida", "02/11 Finados",
                                    "15/11 Proclamação da República", "25/12 Natal"})},
      {"aliases.conf", WindowsText({"vantorq = C:\\VantorQ-Mira\\BDados\\vantorq.fdb"})},
      {"firebird.conf", WindowsText({"# Cliente do banco de dados", "RemoteServicePort = 3050"})},
      {"firebird.msg", ProgramBytes("firebird.msg", 24 * 1024)},
      {"QMMigra.exe", ProgramBytes("QMMigra.exe", 88 * 1024)},
      {"QMBackup.exe", ProgramBytes("QMBackup.exe", 92 * 1024)},
      {"QMAdmBD.exe", ProgramBytes("QMAdmBD.exe", 110 * 1024)},
      {"Atualizador.exe", ProgramBytes("Atualizador.exe", 64 * 1024)},
      {"QMAtualizaBD.exe", ProgramBytes("QMAtualizaBD.exe", 70 * 1024)},
      {"QMVersao.exe", ProgramBytes("QMVersao.exe", 40 * 1024)},
      {"QMEnvia.exe", ProgramBytes("QMEnvia.exe", 56 * 1024)},
      {"Leiame.txt", WindowsText({"Vantor Q-Mira", "", "Consulte a ajuda do programa para começar."})},
      {"Ajuda\\indice.htm", "<html><body><h1>Vantor Q-Mira</h1><p>Ajuda</p></body></html>\r\n"},
      {"Ajuda\\vendas.htm", "<html><body><h1>Vendas</h1></body></html>\r\n"},
  };
  archive("programa", programa);
  archive("dados", {{"vantorq.fdb", ProgramBytes("vantorq.fdb", 384 * 1024)},
                        {"LeiameBD.txt", WindowsText({"Banco de dados do Vantor Q-Mira (Firebird 2.0)."})}});
  archive("fotos", {{"cadeira.jpg", JpegBytes(Photo(ui::RGB(120, 170, 220), ui::RGB(90, 60, 30), "Cadeira"))},
                        {"mesa.jpg", JpegBytes(Photo(ui::RGB(200, 160, 90), ui::RGB(60, 40, 20), "Mesa"))},
                        {"estante.jpg", JpegBytes(Photo(ui::RGB(90, 140, 110), ui::RGB(30, 50, 40), "Estante"))}});
  archive("utilitarios", {{"QMEtiquetas.exe", ProgramBytes("QMEtiquetas.exe", 68 * 1024)},
                              {"QMCalc.exe", ProgramBytes("QMCalc.exe", 44 * 1024)}});

  const vqmmedium::TBuildResult built = vqmmedium::BuildMedium(staging + "\\demo.manifest", folder);
  if (!built.Errors.empty()) throw rtl::Exception(rtl::AnsiFromUtf8(built.Errors.front()));
  return built.Names;
}

}  // namespace medium
