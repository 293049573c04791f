// gallery --out DIR: pictures of every drawn dialog, of the standard controls
// in their states and of the visual components, as PNG files, to look at.
// The dialogs that show folders and files run on a scratch simulated machine.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <unistd.h>

#include "platform/FileStream.h"
#include "platform/Files.h"
#include "platform/MessageBoxes.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/SimMachine.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Picture.h"

#ifdef VQM_HAVE_COMPONENTS
void WriteComponentGallery(const std::string& outDir);
#endif

using namespace ui;

namespace {

std::string gOut;

void Save(const std::string& name, const TBitmap& image) {
  rtl::TMemoryStream stream;
  SavePngToStream(image, stream);
  std::ofstream out(gOut + "/" + name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::streamsize>(stream.Size()));
  if (!out) throw std::runtime_error("cannot write " + gOut + "/" + name);
}

// A window shown (active or not), painted, and gone.
TBitmap Snapshot(TCustomForm* form, bool active = true) {
  form->SetNoActivate(!active);
  form->Show();
  TBitmap image = form->PaintWindowImage();
  delete form;
  return image;
}

// One state of a control: a small borderless window holding it.
struct TCell {
  const char* Caption;
  std::function<void(TForm*)> Setup;
  bool Focused = false;
};

// The states side by side, each with its name under it.
void Sheet(const std::string& name, int cellWidth, int cellHeight, const std::vector<TCell>& cells) {
  constexpr int kGap = 8, kText = 18;
  TBitmap sheet(static_cast<int>(cells.size()) * (cellWidth + kGap) + kGap, cellHeight + kText + 2 * kGap);
  sheet.Fill(ColorToRGB(clBtnFace));
  TCanvas& c = sheet.Canvas();
  int x = kGap;
  for (const TCell& cell : cells) {
    auto* form = NewForm<TForm>(Application);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, cellWidth, cellHeight);
    cell.Setup(form);
    const TBitmap image = Snapshot(form, cell.Focused);
    c.Draw(x, kGap, image);
    c.Font.Assign(TFont());
    c.Font.SetColor(clGray);
    c.Brush.Style = bsClear;
    TRect r = Rect(x, kGap + cellHeight + 3, x + cellWidth, kGap + cellHeight + kText);
    c.DrawText(cell.Caption, r, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    x += cellWidth + kGap;
  }
  Save(name, sheet);
}

template <class T>
T* Put(TWinControl* parent, int left, int top, int width, int height) {
  T* c = new T(parent);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

void Buttons() {
  auto button = [](const char* caption, std::function<void(TButton*)> f) {
    return [caption, f](TForm* form) {
      auto* b = Put<TButton>(form, 10, 10, 75, 25);
      b->SetCaption(caption);
      f(b);
    };
  };
  Sheet("button-states.png", 95, 45,
        {{"normal", button("&Avançar >>"_a.c_str(), [](TButton*) {})},
         {"default", button("&Instalar", [](TButton* b) { b->SetDefault(true); })},
         {"focused", button("&Cancelar", [](TButton*) {}), true},
         {"pressed", button("&Sair",
                            [](TButton* b) {
                              b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
                            }),
          true},
         {"disabled", button("<< &Voltar", [](TButton* b) { b->SetEnabled(false); })}});
}

void Boxes() {
  auto check = [](TCheckBoxState state, bool enabled, bool press) {
    return [=](TForm* form) {
      auto* b = Put<TCheckBox>(form, 8, 8, 130, 17);
      b->SetCaption("&Aceito os termos");
      b->SetAllowGrayed(true);
      b->SetState(state);
      b->SetEnabled(enabled);
      if (press) b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3));
    };
  };
  Sheet("checkbox-states.png", 140, 32,
        {{"unchecked", check(cbUnchecked, true, false)},
         {"checked", check(cbChecked, true, false)},
         {"grayed", check(cbGrayed, true, false)},
         {"focused", check(cbChecked, true, false), true},
         {"pressed", check(cbUnchecked, true, true), true},
         {"disabled", check(cbChecked, false, false)}});
  auto radio = [](bool checked, bool enabled, bool press) {
    return [=](TForm* form) {
      auto* b = Put<TRadioButton>(form, 8, 8, 110, 17);
      b->SetCaption("&Servidor");
      b->SetChecked(checked);
      b->SetTabStop(true);
      b->SetEnabled(enabled);
      if (press) b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3));
    };
  };
  Sheet("radio-states.png", 120, 32,
        {{"unchecked", radio(false, true, false)},
         {"checked", radio(true, true, false)},
         {"focused", radio(true, true, false), true},
         {"pressed", radio(false, true, true), true},
         {"disabled", radio(true, false, false)}});
}

void Edits() {
  auto edit = [](const char* text, std::function<void(TEdit*)> f) {
    return [text, f](TForm* form) {
      auto* e = Put<TEdit>(form, 8, 8, 150, 21);
      e->SetText(text);
      f(e);
    };
  };
  Sheet("edit-states.png", 166, 37,
        {{"normal", edit("C:\\VantorQ-Mira", [](TEdit*) {})},
         {"focused, selected", edit("C:\\VantorQ-Mira", [](TEdit*) {}), true},
         {"caret", edit("Tarquelia", [](TEdit* e) { e->SetAutoSelect(false); }), true},
         {"password", edit("segredo", [](TEdit* e) { e->SetPasswordChar('*'); })},
         {"disabled", edit("C:\\VantorQ-Mira", [](TEdit* e) { e->SetEnabled(false); })}});
}

const char* kLicence =
    "CONTRATO DE LICENÇA DE USO\r\n\r\nEste contrato é celebrado entre a Tarquelia e o usuário do programa Vantor "
    "Q-Mira. Leia com atenção todos os termos antes de instalar o programa.\r\n\r\n1. O programa é licenciado, não "
    "vendido.\r\n2. É proibida a cópia do programa, no todo ou em parte.\r\n3. A Tarquelia não se responsabiliza por "
    "danos decorrentes do uso do programa.\r\n4. Este contrato é regido pelas leis brasileiras.\r\n5. Qualquer "
    "dúvida deve ser encaminhada ao suporte.";

void Lists() {
  const std::vector<AnsiString> items = {"C:\\",       "  WINDOWS", "    Desktop",  "    Fonts",   "    SYSTEM32",
                                         "    TEMP",   "  Arquivos de programas", "  VantorQ-Mira", "  Dados"};
  auto list = [&](int index, bool enabled) {
    return [=](TForm* form) {
      auto* l = Put<TListBox>(form, 8, 8, 160, 110);
      l->Items().Assign(items);
      l->SetItemIndex(index);
      l->SetEnabled(enabled);
    };
  };
  Sheet("listbox-states.png", 176, 126,
        {{"selected", list(2, true)}, {"focused", list(2, true), true}, {"disabled", list(-1, false)}});
  auto combo = [](TComboBoxStyle style, bool enabled) {
    return [=](TForm* form) {
      auto* c = Put<TComboBox>(form, 8, 8, 140, 21);
      c->SetStyle(style);
      c->Items().Assign({"A:", "C:", "D:"});
      c->SetItemIndex(1);
      c->SetEnabled(enabled);
    };
  };
  Sheet("combobox-states.png", 156, 37,
        {{"drop-down list", combo(csDropDownList, true)},
         {"focused", combo(csDropDownList, true), true},
         {"drop-down", combo(csDropDown, true)},
         {"disabled", combo(csDropDownList, false)}});
  // A combo box with its list down: the list is a window of its own.
  {
    auto* form = NewForm<TForm>(Application);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 156, 40);
    auto* c = Put<TComboBox>(form, 8, 8, 140, 21);
    c->SetStyle(csDropDownList);
    c->Items().Assign({"A:", "C:", "D:", "E:"});
    c->SetItemIndex(1);
    form->Show();
    c->SetFocus();
    c->SetDroppedDown(true);
    Application->ProcessMessages();
    TBitmap shot = Application->Display().Screenshot();
    TBitmap part(156, 110);
    part.Canvas().CopyRect(Rect(0, 0, 156, 110), shot.Canvas(), Rect(0, 0, 156, 110));
    Save("combobox-dropped.png", part);
    delete form;
  }
  auto memo = [](bool licence, bool enabled, bool selection = false) {
    return [=](TForm* form) {
      auto* m = Put<TMemo>(form, 8, 8, 240, 140);
      m->Lines().SetText(rtl::AnsiFromUtf8(kLicence));
      m->SetScrollBars(ssVertical);
      m->SetReadOnly(true);
      m->SetEnabled(enabled);
      if (selection) m->Select({5, 2}, {61, 2});
      if (licence) {
        // The wizard's licence text: black, borderless, white text.
        form->SetColor(clBlack);
        m->SetBorderStyle(bsNone);
        m->SetColor(clBlack);
        m->Font().SetColor(clWhite);
      }
    };
  };
  Sheet("memo-states.png", 256, 156,
        {{"read-only", memo(false, true)},
         {"focused", memo(false, true), true},
         {"selection", memo(false, true, true), true},
         {"licence", memo(true, true)},
         {"disabled", memo(false, false)}});
}

void Statics() {
  Sheet("label-states.png", 180, 60,
        {{"left", [](TForm* f) { Put<TLabel>(f, 8, 8, 0, 0)->SetCaption("Pasta Destino"); }},
         {"word wrap",
          [](TForm* f) {
            auto* l = Put<TLabel>(f, 8, 8, 164, 40);
            l->SetAutoSize(false);
            l->SetWordWrap(true);
            l->SetCaption("Escolha abaixo o tipo de instalação a ser executada:"_a);
          }},
         {"centred, bold",
          [](TForm* f) {
            auto* l = Put<TLabel>(f, 8, 8, 164, 20);
            l->SetAutoSize(false);
            l->SetAlignment(taCenter);
            l->Font().SetStyle(fsBold);
            l->SetCaption("Passo II");
          }},
         {"transparent",
          [](TForm* f) {
            f->SetColor(clBlack);
            auto* l = Put<TLabel>(f, 8, 8, 0, 0);
            l->SetTransparent(true);
            l->Font().SetColor(clWhite);
            l->SetCaption("Configurações:"_a);
          }},
         {"disabled",
          [](TForm* f) {
            auto* l = Put<TLabel>(f, 8, 8, 0, 0);
            l->SetCaption("&Nome");
            l->SetEnabled(false);
          }}});
  Sheet("statictext-groupbox.png", 220, 110,
        {{"sunken field",
          [](TForm* f) {
            auto* s = Put<TStaticText>(f, 8, 8, 200, 17);
            s->SetAutoSize(false);
            s->SetBorderStyle(sbsSunken);
            s->SetColor(clWindow);
            s->SetCaption("C:\\Arquivos de programas\\Vantor");
          }},
         {"group box",
          [](TForm* f) {
            auto* g = Put<TGroupBox>(f, 8, 4, 200, 96);
            g->SetCaption("Falhas encontradas");
            auto* l = Put<TListBox>(g, 10, 20, 180, 66);
            l->Items().Assign({"Falha ao copiar ARQ.DLL", "Falha no registro"});
          }}});
  auto bevel = [](TBevelShape shape, TBevelStyle style) {
    return [=](TForm* f) {
      auto* b = Put<TBevel>(f, 8, 8, 64, 40);
      b->SetShape(shape);
      b->SetStyle(style);
    };
  };
  Sheet("bevel-shapes.png", 80, 56,
        {{"box", bevel(bsBox, bsLowered)},
         {"frame", bevel(bsFrame, bsLowered)},
         {"top line", bevel(bsTopLine, bsLowered)},
         {"bottom line", bevel(bsBottomLine, bsLowered)},
         {"left line", bevel(bsLeftLine, bsLowered)},
         {"raised box", bevel(bsBox, bsRaised)}});
  Sheet("image-modes.png", 100, 100,
        {{"centre",
          [](TForm* f) {
            auto* i = Put<TImage>(f, 0, 0, 100, 100);
            i->SetCenter(true);
            TBitmap icon = MessageIconBitmap(mtWarning, clFuchsia);
            i->Picture().SetGraphic(&icon);
          }},
         {"stretch",
          [](TForm* f) {
            auto* i = Put<TImage>(f, 0, 0, 100, 100);
            i->SetStretch(true);
            TBitmap icon = MessageIconBitmap(mtError, clFuchsia);
            i->Picture().SetGraphic(&icon);
          }},
         {"transparent",
          [](TForm* f) {
            f->SetColor(clTeal);
            auto* i = Put<TImage>(f, 0, 0, 100, 100);
            i->SetCenter(true);
            TBitmap icon = MessageIconBitmap(mtInformation, clFuchsia);
            icon.SetTransparentColor(clFuchsia);
            i->Picture().SetGraphic(&icon);
            i->SetTransparent(true);
          }}});
  TBitmap icons(4 * 40 + 8, 48);
  icons.Fill(ColorToRGB(clBtnFace));
  for (int i = 0; i < 4; ++i) DrawMessageIcon(icons.Canvas(), 8 + 40 * i, 8, static_cast<TMsgDlgType>(i));
  Save("icons.png", icons);
}

void Frames() {
  auto frame = [](const char* name, TFormBorderStyle style, bool active, bool notebook) {
    auto* form = NewForm<TForm>(Application);
    form->SetBorderStyle(style);
    form->SetCaption("Encerrando a Instalação"_a);
    form->SetClientSize(260, 90);
    if (notebook) {
      auto* book = Put<TNotebook>(form, 8, 8, 244, 74);
      book->SetPages({"Bem-vindo", "Contrato"});
      auto* label = Put<TLabel>(book->Page(1), 0, 0, 0, 0);
      label->SetCaption("Página 2 de um caderno"_a);
      book->SetPageIndex(1);
    } else {
      auto* ok = Put<TButton>(form, 177, 57, 75, 25);
      ok->SetCaption("OK");
      ok->SetDefault(true);
    }
    Save(name, Snapshot(form, active));
  };
  frame("form-dialog-active.png", bsDialog, true, false);
  frame("form-dialog-inactive.png", bsDialog, false, false);
  frame("form-single-notebook.png", bsSingle, true, true);
  auto* hint = NewForm<THintWindow>(Application);
  hint->ActivateHint({0, 0}, "Sair da Instalação"_a);
  Save("hint.png", hint->PaintWindowImage());
  delete hint;
}

void Dialogs() {
  using namespace platform;
  const AnsiString title = "Instalação do Vantor Q-Mira"_a;
  struct TBox {
    const char* Name;
    AnsiString Text, Caption;
    UINT Type;
  };
  const TBox boxes[] = {
      {"msgbox-information-ok.png", "A operação terminou.", "Information", MB_OK | MB_ICONINFORMATION},
      {"msgbox-warning-okcancel.png", "Insira o disco 2 na unidade A:", "Warning", MB_OKCANCEL | MB_ICONWARNING},
      {"msgbox-error-abortretryignore.png", "Erro ao ler o arquivo.", "Error", MB_ABORTRETRYIGNORE | MB_ICONSTOP},
      {"msgbox-question-yesnocancel.png", "Deseja continuar?", "Confirmation", MB_YESNOCANCEL | MB_ICONQUESTION},
      {"msgbox-question-yesno-default2.png", "Substituir o arquivo?", "Confirmation",
       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2},
      {"msgbox-retrycancel.png", "O disco não está pronto."_a, "Warning", MB_RETRYCANCEL},
      {"uncaught-error.png", ExceptionText("Cannot open file \"C:\\WINDOWS\\temp\\tqsetup\\contrato.txt\". "
                                           "O sistema não pode encontrar o arquivo especificado"_a),
       title, MB_OK | MB_ICONSTOP},
  };
  for (const TBox& b : boxes) Save(b.Name, Snapshot(new TMessageForm(Application, b.Text, b.Caption, b.Type)));
  Save("warning-abort.png", Snapshot(new TWarningAbortForm(
                                Application, "O arquivo de configuração [*.STP] não foi encontrado !!!.\r\n"
                                             " A Instalação será cancelada !!!"_a)));

  TInputQuery input{"Senha", "Digite a senha do arquivo\r\n\"DADOS.ARQ\":", "OK", "&Cancelar", false, 511};
  Save("input.png", Snapshot(new TInputQueryForm(Application, input, "A:\\")));
  input.Masked = true;
  input.Prompt = "Digite a chave:";
  Save("input-masked.png", Snapshot(new TInputQueryForm(Application, input, "segredo")));

  TOverwriteQuery over{"Confirmar substituição"_a, "Substituir o arquivo :",
                       "C:\\VantorQ-Mira\\Dados\\...\\CLIENTES.DB", "1.234.567 bytes  01/02/2007 10:11:12",
                       "Pelo arquivo :", "Dados\\CLIENTES.DB", "1.300.000 bytes  05/03/2007 08:00:00",
                       "&Sim", "Sim para &todos", "&Não"_a, "&Cancelar"};
  Save("overwrite.png", Snapshot(new TOverwriteForm(Application, over)));
  TContinueQuery cont{"Confirmação"_a, "Erro :", "Erro de CRC no bloco 12 do arquivo", "Arquivo :",
                      "Dados\\CLIENTES.DB", "1.300.000 bytes  05/03/2007 08:00:00", "Deseja continuar ?",
                      "&Sim", "Sim para &todos", "&Não"_a};
  Save("continue.png", Snapshot(new TContinueForm(Application, cont)));

  Save("select-folder.png",
       Snapshot(new TSelectFolderForm(Application, "Escolha uma pasta", "C:\\Arquivos de programas\\Vantor")));
  Save("open-file.png", Snapshot(new TOpenFileForm(Application, "Localize o segmento 2", "C:\\Instalacao\\DADOS.002")));
}

// A scratch machine with a few folders and files for the folder and file dialogs.
void PrepareMachine() {
  using namespace platform;
  for (const char* folder : {"C:\\Arquivos de programas\\Vantor\\Bin", "C:\\Arquivos de programas\\Vantor\\Dados",
                             "C:\\Arquivos de programas\\Firebird", "C:\\Instalacao\\Extras", "C:\\VantorQ-Mira"})
    ForceDirectories(folder);
  for (const char* file : {"C:\\Instalacao\\DADOS.001", "C:\\Instalacao\\DADOS.002", "C:\\Instalacao\\instalar.exe",
                           "C:\\Instalacao\\SETUP.STP", "C:\\Instalacao\\manual.htm"}) {
    TFileStream f(file, fmCreate);
    f.WriteBuffer("x", 1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) gOut = argv[++i];
    else if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("gallery --out DIR\n  Writes PNG pictures of the drawn dialogs, the standard controls in their\n"
                  "  states and the visual components into DIR.\n");
      return 0;
    }
  }
  if (gOut.empty()) {
    std::fprintf(stderr, "gallery: the output folder is missing (gallery --out DIR)\n");
    return 2;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(gOut, ec);
  const fs::path machineDir = fs::temp_directory_path() / ("vqm-gallery-" + std::to_string(::getpid()));
  try {
    platform::sim::TMachineOptions options;
    platform::sim::CreateMachine(machineDir.string(), options);
    platform::sim::TSimMachine machine(machineDir.string());
    platform::SetApi(&machine);
    TApplication app;
    PrepareMachine();
    Buttons();
    Boxes();
    Edits();
    Lists();
    Statics();
    Frames();
    Dialogs();
#ifdef VQM_HAVE_COMPONENTS
    WriteComponentGallery(gOut);
#endif
    platform::SetApi(nullptr);
  } catch (const std::exception& e) {
    platform::SetApi(nullptr);
    fs::remove_all(machineDir, ec);
    std::fprintf(stderr, "gallery: %s\n", rtl::Utf8FromAnsi(e.what()).c_str());
    return 1;
  }
  fs::remove_all(machineDir, ec);
  std::printf("gallery: pictures written to %s\n", gOut.c_str());
  return 0;
}
