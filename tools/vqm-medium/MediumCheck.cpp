// The check of an installation medium.

#include "tools/vqm-medium/MediumCheck.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "archiver/Archiver.h"
#include "installer/shell/SetupScript.h"
#include "installer/shell/untmain.h"
#include "installer/wizard/UntProgresso.h"
#include "platform/FileStream.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/ScriptedDialogs.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"
#include "tools/vqm-medium/ScriptLines.h"
#include "ui/Picture.h"

namespace vqmmedium {

int TCheckResult::ExitCode() const {
  int code = 0;
  for (const TFinding& f : Findings) code = std::max(code, f.Severity == svError ? 2 : 1);
  return code;
}

bool TCheckResult::Has(const std::string& code) const {
  return std::any_of(Findings.begin(), Findings.end(), [&](const TFinding& f) { return f.Code == code; });
}

std::string FormatFinding(const TFinding& f) {
  AnsiString text = f.File;
  if (f.Line > 0) text += ":" + rtl::IntToStr(f.Line);
  text += f.Severity == svError ? ": error: " : ": warning: ";
  if (!f.Section.empty()) text += "[" + f.Section + "] ";
  if (!f.Key.empty()) text += f.Key + ": ";
  return rtl::Utf8FromAnsi(text + f.Text);
}

namespace {

using installer::IndexedKey;

const AnsiString kProjeto = "Projeto";
const AnsiString kBillBoards = "BillBoards";
const AnsiString kGrupos = "Grupos";
const AnsiString kArquivos = "Arquivos Comprimidos";
const AnsiString kIcones = "Pasta e Icones";
const AnsiString kSections[] = {kProjeto, kBillBoards, kGrupos, kArquivos, kIcones};

bool InList(const char* const* list, size_t count, const AnsiString& upper) {
  return std::find_if(list, list + count, [&](const char* row) { return upper == row; }) != list + count;
}

bool TakenByTerminal(const AnsiString& storedName) {
  return InList(installer::kArquivosTerminal, std::size(installer::kArquivosTerminal), rtl::AnsiUpperCase(storedName));
}

bool LinkedOnTerminal(const AnsiString& program) {
  return !InList(installer::kSemIconeNoTerminal, std::size(installer::kSemIconeNoTerminal),
                 rtl::AnsiUpperCase(program));
}

AnsiString Quote(const AnsiString& text) { return "\"" + text + "\""; }

bool IsFullPath(const AnsiString& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\';
}

// A line that is valid UTF-8 with at least one character of several bytes.
bool LooksUtf8(std::string_view text) {
  bool multi = false;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (more < 0 || (more == 1 && c < 0xC2)) return false;
    for (int k = 1; k <= more; ++k)
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    multi |= more > 0;
    i += more + 1;
  }
  return multi;
}

// Bytes that Windows-1252 gives no character.
bool HasUndefinedByte(std::string_view text) {
  return text.find_first_of("\x81\x8D\x8F\x90\x9D") != std::string_view::npos;
}

std::string ReadWhole(const AnsiString& path) {
  platform::TFileStream in(path, platform::fmOpenRead | platform::fmShareDenyWrite);
  std::string bytes(static_cast<size_t>(in.Size()), '\0');
  if (!bytes.empty()) in.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

// One archive of the medium, read through by unpacking it as the installer would.
struct TArchiveRead {
  AnsiString Name;
  bool Present = false;
  bool Readable = false;
  std::vector<archiver::TFileEntry> Entries;
};

// What one installation type does with the medium.
struct TGroupRun {
  int N = 0;
  AnsiString Archive, Name, Folder;
  enum { grExtracted, grBlank, grTerminal, grStopped } State = grExtracted;
  int Files = 0, Folders = 0;
};

struct TBillboardChange {
  int Picture = 0;
  int Message = 0;
  AnsiString Text;
};

struct TRun {
  bool Terminal = false;
  std::vector<TGroupRun> Groups;
  std::vector<AnsiString> Messages;
  std::set<AnsiString> Installed;  // full paths, upper case
  bool Stopped = false;            // at a folder it cannot make
};

class TChecker {
 public:
  explicit TChecker(const AnsiString& folder) : FFolder(rtl::IncludeTrailingBackslash(folder)) {}
  TCheckResult Run();

 private:
  void Add(TSeverity severity, const std::string& code, int line, const AnsiString& section, const AnsiString& key,
           const AnsiString& text, const AnsiString& file = "");
  bool FindScript();
  void CheckEncoding();
  // Reads a key the installer reads: its line is noted as read and its value checked for what the reader strips.
  enum TType { tText, tInteger, tFlag };
  int Ask(const AnsiString& section, const AnsiString& key, TType type);
  AnsiString Text(const AnsiString& section, const AnsiString& key) const { return FIni->ReadString(section, key, ""); }
  int32_t Integer(const AnsiString& section, const AnsiString& key) const { return FIni->ReadInteger(section, key, 0); }
  int Line(const AnsiString& section, const AnsiString& key) const { return FLines->KeyLine(section, key); }
  // The line to name for a key that is missing: the section's header.
  int Near(const AnsiString& section) const { return FLines->SectionLine(section); }
  // The key's line, else its section's.
  int At(const AnsiString& section, const AnsiString& key) const {
    const int line = Line(section, key);
    return line ? line : Near(section);
  }

  void ReadKeys();
  void CheckUnread();
  TArchiveRead Unpack(const AnsiString& name, const AnsiString& target, int line, const AnsiString& section,
                      const AnsiString& key, TSeverity missing);
  void CheckSupport();
  void CheckPicture(const AnsiString& name, const AnsiString& support, int line, const AnsiString& section,
                    const AnsiString& key, TSeverity severity);
  TRun Simulate(bool terminal);
  void CheckGroups(const TRun& server, const TRun& terminal);
  void CheckCounts(const TRun& server);
  void CheckIcons(const TRun& server);
  std::vector<TBillboardChange> Billboards(const TRun& run) const;
  void Summarise(const TRun& run);

  AnsiString FFolder;
  TCheckResult FResult;
  AnsiString FScriptPath;
  std::unique_ptr<TScriptLines> FLines;
  std::unique_ptr<platform::TIniFile> FIni;
  std::set<int> FReadLines;  // lines of keys and headers the installer reads
  std::map<AnsiString, int> FCounts;  // "Arquivos", "Grupos", "Imagens", "Icones"

  AnsiString FDirWindows, FDirSistema, FDirDestino;
  AnsiString FScratch;       // the installer's scratch folder, here
  std::set<AnsiString> FScratchFiles;  // what the support archives put there (upper case)
  std::set<AnsiString> FSystemFiles;   // what winsysdlls.bak puts in the system folder
  std::vector<TArchiveRead> FProduct;  // archive n at n - 1
  int64_t FPace = 0;
  std::vector<AnsiString> FPictures;   // file-name parts of the billboards
};

void TChecker::Add(TSeverity severity, const std::string& code, int line, const AnsiString& section,
                   const AnsiString& key, const AnsiString& text, const AnsiString& file) {
  TFinding f;
  f.Severity = severity;
  f.Code = code;
  f.File = file.empty() ? FResult.Script : file;
  f.Line = file.empty() ? line : 0;
  f.Section = section;
  f.Key = key;
  f.Text = text;
  FResult.Findings.push_back(std::move(f));
}

TCheckResult TChecker::Run() {
  if (!platform::DirectoryExists(FFolder)) {
    Add(svError, "no-medium", 0, "", "", "no such folder", FFolder);
    return FResult;
  }
  if (!FindScript()) return FResult;
  try {
    FLines = std::make_unique<TScriptLines>(ReadWhole(FScriptPath));
  } catch (const std::exception& e) {
    Add(svError, "unreadable-script", 0, "", "", AnsiString(e.what()), FScriptPath);
    return FResult;
  }
  FIni = std::make_unique<platform::TIniFile>(FScriptPath);
  FDirWindows = platform::Api().GetWindowsDirectoryA();
  FDirSistema = platform::Api().GetSystemDirectoryA();
  // A scratch folder of its own for each check: nothing left by an earlier one is taken for this medium's.
  static int checks = 0;
  FScratch = platform::GetTempFolder() + "vqm-medium-check-" + rtl::IntToStr(++checks);
  platform::ForceDirectories(FScratch + "\\tqsetup");

  platform::TScriptedDialogs dialogs;  // the archive engine asks nothing of anyone here
  CheckEncoding();
  ReadKeys();
  CheckSupport();
  for (int n = 1; n <= FCounts["Arquivos"]; ++n) {
    const AnsiString key = IndexedKey("Arquivo_", n);
    const AnsiString name = installer::FileNamePart(Text(kArquivos, key));
    const int line = Line(kArquivos, key);
    if (name.empty()) {
      Add(svError, "no-archive-name", line ? line : Near(kArquivos), kArquivos, key,
          "no archive named: the installer opens its own folder as archive " + rtl::IntToStr(n));
      FProduct.push_back({});
      continue;
    }
    if (rtl::Trim(Text(kGrupos, IndexedKey("Grupo_", n, "_Nome"))).empty()) {
      // Never opened by the installer; still read for the counts.
      TArchiveRead read;
      read.Name = name;
      read.Present = platform::FileExists(FFolder + name);
      FProduct.push_back(read);
      continue;
    }
    FProduct.push_back(Unpack(name, FScratch + "\\produto\\" + rtl::IntToStr(n), line, kArquivos, key, svError));
  }
  const TRun server = Simulate(false), terminal = Simulate(true);
  CheckGroups(server, terminal);
  CheckCounts(server);
  CheckIcons(server);
  CheckUnread();
  for (const platform::TAskedDialog& d : dialogs.Asked())
    Add(svError, "question", 0, "", "", "the installer would stop to ask: " + d.Caption + " " + d.Text);

  // In the script's order; what belongs to no line of it first.
  std::stable_sort(FResult.Findings.begin(), FResult.Findings.end(), [](const TFinding& a, const TFinding& b) {
    return a.Line < b.Line;
  });
  Summarise(server);
  Summarise(terminal);
  return FResult;
}

bool TChecker::FindScript() {
  std::vector<AnsiString> scripts;
  platform::WIN32_FIND_DATAA data;
  platform::HANDLE h = platform::Api().FindFirstFileA(FFolder + "*.STP", data);
  if (h != platform::INVALID_HANDLE_VALUE) {
    constexpr platform::DWORD kLeftOut =
        platform::FILE_ATTRIBUTE_DIRECTORY | platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM;
    do {
      if ((data.dwFileAttributes & kLeftOut) == 0) scripts.push_back(data.cFileName);
    } while (platform::Api().FindNextFileA(h, data));
    platform::Api().FindClose(h);
  }
  const AnsiString chosen = platform::FindFirstMatch(FFolder, "*.STP");
  if (chosen.empty()) {
    Add(svError, "no-script", 0, "", "",
        "no setup script (*.STP): the installer stops with \"O arquivo de configuração [*.STP] não foi encontrado\""_a,
        FFolder);
    return false;
  }
  FResult.Script = chosen;
  FScriptPath = FFolder + chosen;
  if (scripts.size() > 1) {
    AnsiString others;
    for (const AnsiString& s : scripts)
      if (s != chosen) others += (others.empty() ? "" : ", ") + s;
    Add(svWarning, "several-scripts", 0, "", "",
        rtl::IntToStr(static_cast<int>(scripts.size())) + " setup scripts: the installer takes " + chosen +
            " (the first in alphabetical order, letter case aside) and ignores " + others);
  }
  return true;
}

void TChecker::CheckEncoding() {
  const std::string& bytes = FLines->Bytes();
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
    Add(svError, "not-cp1252", 1, "", "",
        "the script starts with a UTF-8 byte-order mark: its first line is not read as written");
  int reported = 0;
  for (int n = 1; n <= FLines->Count() && reported < 5; ++n) {
    const std::string_view line = FLines->Text(n);
    if (LooksUtf8(line)) {
      Add(svWarning, "not-cp1252", n, "", "",
          "written in UTF-8, not Windows-1252: its accented letters are read as two or three other characters");
      ++reported;
    } else if (HasUndefinedByte(line)) {
      Add(svWarning, "not-cp1252", n, "", "", "holds a byte that is no character of Windows-1252");
      ++reported;
    }
  }
}

int TChecker::Ask(const AnsiString& section, const AnsiString& key, TType type) {
  const int line = Line(section, key);
  if (!line) return 0;
  FReadLines.insert(line);
  const std::string_view raw = FLines->Text(line);
  const size_t eq = raw.find('=');
  const AnsiString written(eq == std::string_view::npos ? std::string_view() : raw.substr(eq + 1));
  const AnsiString read = Text(section, key);
  if (written.size() > 2047) {
    Add(svWarning, "stripped", line, section, key, "longer than 2047 characters: the rest is not read");
  } else if (written != read) {
    if (rtl::Trim(written) == read)
      Add(svWarning, "stripped", line, section, key, "the blanks around the value are dropped: read as " + Quote(read));
    else
      Add(svWarning, "stripped", line, section, key, "the quotation marks are dropped: read as " + Quote(read));
  }
  if (type != tText && FIni->ReadInteger(section, key, 0) != FIni->ReadInteger(section, key, 1)) {
    if (type == tFlag)
      Add(svWarning, "not-a-number", line, section, key,
          Quote(read) + " is no number: the flag reads as false (write 1 for yes, 0 for no)");
    else
      Add(svWarning, "not-a-number", line, section, key, Quote(read) + " is no number: it reads as 0");
  }
  return line;
}

void TChecker::ReadKeys() {
  for (const AnsiString& s : kSections)
    if (const int line = FLines->SectionLine(s)) FReadLines.insert(line);

  for (const char* key : {"Aplicação", "Título", "PastaPadraoInstalacao", "Dir_Contrato", "Dir_Img_bkg"})
    Ask(kProjeto, rtl::AnsiFromUtf8(key), tText);
  for (const char* key : {"Tipo_Background", "Color_Topo_bkg", "Color_Rodape_bkg", "Estilo"})
    Ask(kProjeto, key, tInteger);
  const struct {
    const AnsiString& Section;
    const char* Key;
  } counts[] = {{kBillBoards, "Imagens"}, {kGrupos, "Grupos"}, {kArquivos, "Arquivos"}, {kIcones, "Icones"}};
  for (const auto& c : counts) {
    Ask(c.Section, c.Key, tInteger);
    FCounts[c.Key] = Integer(c.Section, c.Key);
  }
  Ask(kIcones, "Pasta_Padrão"_a, tText);

  if (Text(kProjeto, "Aplicação"_a).empty())
    Add(svWarning, "no-name", At(kProjeto, "Aplicação"_a), kProjeto, "Aplicação"_a,
        "no application name: the uninstall entry is written on the uninstall key itself, without a name");
  const AnsiString pasta = Text(kProjeto, "PastaPadraoInstalacao");
  if (pasta.empty())
    Add(svWarning, "target-folder", At(kProjeto, "PastaPadraoInstalacao"), kProjeto, "PastaPadraoInstalacao",
        "no default folder: the product goes straight into C:\\");
  else if (pasta[0] == '\\' || pasta.find(':') != AnsiString::npos)
    Add(svWarning, "target-folder", Line(kProjeto, "PastaPadraoInstalacao"), kProjeto, "PastaPadraoInstalacao",
        "the folder is written after \"C:\\\" as it stands: give it without drive and without a leading backslash");
  FDirDestino = "C:\\" + pasta;

  if (FCounts["Arquivos"] <= 0)
    Add(svWarning, "no-archives", At(kArquivos, "Arquivos"), kArquivos, "Arquivos", "no product archives: nothing of the product is installed");
  if (FCounts["Grupos"] != FCounts["Arquivos"])
    Add(svWarning, "groups-vs-archives", At(kGrupos, "Grupos"), kGrupos, "Grupos",
        "Grupos is " + rtl::IntToStr(FCounts["Grupos"]) + " but Arquivos is " + rtl::IntToStr(FCounts["Arquivos"]) +
            ": the installer visits as many groups as there are archives and adds up " +
            rtl::IntToStr(std::max(FCounts["Grupos"], 0)) + " file counts for the billboards");

  for (int n = 1; n <= FCounts["Imagens"]; ++n) {
    const AnsiString key = IndexedKey("Imagem_", n);
    Ask(kBillBoards, key, tText);
    FPictures.push_back(installer::FileNamePart(Text(kBillBoards, key)));
  }
  for (int n = 2; n <= FCounts["Grupos"] + 1; ++n) Ask(kGrupos, IndexedKey("Grupo_", n, "_Arquivos"), tInteger);
  for (int n = 1; n <= FCounts["Arquivos"]; ++n) {
    Ask(kArquivos, IndexedKey("Arquivo_", n), tText);
    Ask(kGrupos, IndexedKey("Grupo_", n, "_Dir"), tText);
    Ask(kGrupos, IndexedKey("Grupo_", n, "_Nome"), tText);
  }
  for (int n = 1; n <= FCounts["Icones"]; ++n) {
    for (const char* suffix : {"_Diretorio", "_Arquivo", "_Descrição"})
      Ask(kIcones, IndexedKey("Icone_", n, rtl::AnsiFromUtf8(suffix)), tText);
    for (const char* suffix : {"_Pasta_Desktop", "_Pasta_Menu_Iniciar"})
      Ask(kIcones, IndexedKey("Icone_", n, suffix), tFlag);
  }
}

// Every line the reader takes for a key or a section that no read of the installer reaches.
void TChecker::CheckUnread() {
  const auto& sections = FLines->Ini().Sections();
  std::set<int> readSections;
  for (const AnsiString& s : kSections)
    if (const int line = FLines->SectionLine(s)) readSections.insert(FLines->Info(line).Section);

  for (int n = 1; n <= FLines->Count(); ++n) {
    const TScriptLines::TLine& info = FLines->Info(n);
    if (info.Kind == TScriptLines::lkOther || FReadLines.count(n)) continue;
    const auto& section = sections[info.Section];
    if (info.Kind == TScriptLines::lkSection) {
      if (readSections.count(info.Section))
        continue;
      const bool known = std::any_of(std::begin(kSections), std::end(kSections),
                                     [&](const AnsiString& s) { return FLines->SectionLine(s) && rtl::AnsiSameText(s, section.Name); });
      Add(svWarning, "unread-section", n, section.Name, "",
          known ? AnsiString("the section is repeated: only its first header is read")
                : AnsiString("the installer reads no section of this name"));
      continue;
    }
    const AnsiString& key = section.Keys[info.Key].first;
    if (!key.empty() && key[0] == ';') continue;  // a comment
    if (info.Section == 0 && section.Name.empty()) {
      Add(svWarning, "unread-key", n, "", key, "before any section: the installer never reads it");
      continue;
    }
    if (!readSections.count(info.Section)) continue;  // reported with its header
    // Why it is not read: repeated, numbered with leading zeros, beyond its count, or no key of this section.
    AnsiString why = "the installer never reads this key";
    if (FLines->KeyLine(section.Name, key) != n && FLines->KeyLine(section.Name, key) != 0) {
      why = "repeated: only the one on line " + rtl::IntToStr(FLines->KeyLine(section.Name, key)) + " is read";
    } else {
      const size_t digit = key.find_first_of("0123456789");
      if (digit != AnsiString::npos) {
        const size_t end = key.find_first_not_of("0123456789", digit);
        const AnsiString number = key.substr(digit, end == AnsiString::npos ? AnsiString::npos : end - digit);
        if (number.size() > 1 && number[0] == '0')
          why = "numbers are written without leading zeros: the installer reads " + key.substr(0, digit) +
                rtl::IntToStr(rtl::StrToIntDef(number, 0)) + (end == AnsiString::npos ? "" : key.substr(end));
        else if (rtl::AnsiSameText(key, "Grupo_1_Arquivos"))
          why = "the count of group 1 is never read: the installer adds up Grupo_2_Arquivos to Grupo_<Grupos + 1>_Arquivos";
        else
          why = "beyond the count of its kind: the installer never reads it";
      }
    }
    Add(svWarning, "unread-key", n, section.Name, key, why);
  }
}

TArchiveRead TChecker::Unpack(const AnsiString& name, const AnsiString& target, int line, const AnsiString& section,
                              const AnsiString& key, TSeverity missing) {
  TArchiveRead read;
  read.Name = name;
  // A missing archive is never opened: opening would make an empty one.
  read.Present = platform::FileExists(FFolder + name);
  if (!read.Present) {
    Add(missing, "missing-archive", line, section, key,
        name + " is not on the medium" +
            (missing == svError ? AnsiString(": on a CD-ROM the installer fails with an error box")
                                : AnsiString()));
    return read;
  }
  platform::ForceDirectories(target);
  archiver::TArchiver a;
  installer::ConfiguraArchiver(a);
  a.OnError = [&](archiver::TArchiverRoot*, const rtl::Exception& e, const archiver::TFileEntry& entry,
                  archiver::TErrorAction& action) {
    Add(svError, "damaged-archive", line, section, key, name + ", " + entry.Name + ": " + e.Message());
    action = archiver::eaContinue;
  };
  a.OnExtractFile = [&](archiver::TArchiverRoot*, const archiver::TFileEntry& entry, AnsiString&, bool&) {
    read.Entries.push_back(entry);
  };
  try {
    a.SetFileName(FFolder + name);
    a.SetExtractPath(target);
    a.Open();
    a.ExtractFiles();
    a.Close();
    read.Readable = true;
  } catch (const std::exception& e) {
    Add(svError, "damaged-archive", line, section, key, name + " cannot be read: " + AnsiString(e.what()));
  }
  return read;
}

void TChecker::CheckPicture(const AnsiString& name, const AnsiString& support, int line, const AnsiString& section,
                            const AnsiString& key, TSeverity severity) {
  const AnsiString path = FScratch + "\\tqsetup\\" + name;
  if (!FScratchFiles.count(rtl::AnsiUpperCase(name))) {
    Add(severity, "picture-missing", line, section, key, name + " is not in " + support);
    return;
  }
  try {
    platform::PictureKindFromFileName(name);
  } catch (const std::exception&) {
    Add(severity, "picture-extension", line, section, key,
        name + ": the picture loader takes only .bmp, .jpg, .jpeg, .ico, .wmf and .emf");
    return;
  }
  try {
    ui::TPicture picture;
    picture.LoadFromFile(path);
  } catch (const std::exception& e) {
    Add(severity, "picture-undecodable", line, section, key, name + " does not load: " + AnsiString(e.what()));
  }
}

void TChecker::CheckSupport() {
  const AnsiString tq = FScratch + "\\tqsetup";
  auto unpackTo = [&](const AnsiString& archive, const AnsiString& target, std::set<AnsiString>& into, int line,
                      const AnsiString& section, const AnsiString& key) {
    const TArchiveRead read = Unpack(archive, target, line, section, key, svError);
    for (const archiver::TFileEntry& e : read.Entries)
      if (!e.Has(archiver::ffFolder)) into.insert(rtl::AnsiUpperCase(e.Name));
    return read.Present;
  };

  // The background: a picture, or a gradient.
  const int tipo = Integer(kProjeto, "Tipo_Background");
  const AnsiString fundo = installer::FileNamePart(Text(kProjeto, "Dir_Img_bkg"));
  const int tipoLine = Line(kProjeto, "Tipo_Background");
  if (tipo == 1) {
    if (fundo.empty())
      Add(svWarning, "background", tipoLine, kProjeto, "Dir_Img_bkg",
          "a picture background with no picture named: the screen shows the black-to-white gradient");
    else if (unpackTo("bckgrd.bak", tq, FScratchFiles, Line(kProjeto, "Dir_Img_bkg"), kProjeto, "Dir_Img_bkg"))
      CheckPicture(fundo, "bckgrd.bak", Line(kProjeto, "Dir_Img_bkg"), kProjeto, "Dir_Img_bkg", svError);
  } else {
    if (!fundo.empty())
      Add(svWarning, "background", Line(kProjeto, "Dir_Img_bkg"), kProjeto, "Dir_Img_bkg",
          "Tipo_Background is not 1: the picture is never shown, the gradient is");
    const int estilo = Integer(kProjeto, "Estilo") & 0xFF;
    if (estilo > 3)
      Add(svWarning, "background", Line(kProjeto, "Estilo"), kProjeto, "Estilo",
          "gradient styles are 0 to 3: " + rtl::IntToStr(estilo) + " gives the top-to-bottom one");
  }

  unpackTo("winsysdlls.bak", FScratch + "\\system", FSystemFiles, 0, "", "");

  const AnsiString contrato = installer::FileNamePart(Text(kProjeto, "Dir_Contrato"));
  const int contratoLine = Line(kProjeto, "Dir_Contrato");
  if (contrato.empty()) {
    Add(svError, "licence", contratoLine ? contratoLine : Near(kProjeto), kProjeto, "Dir_Contrato",
        "no licence text named: the wizard opens with an error box, an empty licence and no billboards");
  } else if (unpackTo("Contrato.bak", tq, FScratchFiles, contratoLine, kProjeto, "Dir_Contrato")) {
    if (!FScratchFiles.count(rtl::AnsiUpperCase(contrato))) {
      Add(svError, "licence", contratoLine, kProjeto, "Dir_Contrato",
          contrato + " is not in Contrato.bak: the wizard opens with an error box, an empty licence and no billboards");
    } else {
      const std::string text = ReadWhole(tq + "\\" + contrato);
      if (LooksUtf8(text))
        Add(svWarning, "not-cp1252", contratoLine, kProjeto, "Dir_Contrato",
            contrato + " is written in UTF-8, not Windows-1252: its accented letters show garbled");
    }
  }

  if (FCounts["Imagens"] > 0 &&
      unpackTo("BillBrds.bak", tq, FScratchFiles, Line(kBillBoards, "Imagens"), kBillBoards, "Imagens")) {
    for (int n = 1; n <= static_cast<int>(FPictures.size()); ++n) {
      const AnsiString key = IndexedKey("Imagem_", n);
      const int line = Line(kBillBoards, key);
      if (FPictures[n - 1].empty())
        Add(svWarning, "picture-missing", line ? line : Near(kBillBoards), kBillBoards, key,
            "no picture named: that billboard is never shown");
      else
        CheckPicture(FPictures[n - 1], "BillBrds.bak", line, kBillBoards, key, svWarning);
    }
  }
}

TRun TChecker::Simulate(bool terminal) {
  TRun run;
  run.Terminal = terminal;
  std::set<AnsiString> made;  // folders the run has made, upper case
  auto exists = [&](const AnsiString& folder) {
    return made.count(rtl::AnsiUpperCase(rtl::ExcludeTrailingBackslash(folder))) ||
           (IsFullPath(folder) && platform::DirectoryExists(folder));
  };
  archiver::TArchiver messages;
  installer::ConfiguraArchiver(messages);
  for (const AnsiString& f : FSystemFiles) run.Installed.insert(rtl::AnsiUpperCase(FDirSistema + "\\" + f));

  bool stopped = false;
  for (int n = 1; n <= static_cast<int>(FProduct.size()); ++n) {
    TGroupRun g;
    g.N = n;
    g.Archive = FProduct[n - 1].Name;
    g.Name = Text(kGrupos, IndexedKey("Grupo_", n, "_Nome"));
    g.Folder = installer::ApplyFolderMacroA(Text(kGrupos, IndexedKey("Grupo_", n, "_Dir")), FDirDestino, FDirWindows,
                                             FDirSistema);
    if (stopped) g.State = TGroupRun::grStopped;
    else if (rtl::Trim(g.Name).empty()) g.State = TGroupRun::grBlank;
    else if (terminal && installer::GrupoSoDoServidor(g.Name)) g.State = TGroupRun::grTerminal;
    if (g.State != TGroupRun::grExtracted) {
      run.Groups.push_back(g);
      continue;
    }
    if (!exists(g.Folder)) {
      if (IsFullPath(g.Folder) && exists(rtl::ExtractFileDir(g.Folder))) {
        made.insert(rtl::AnsiUpperCase(rtl::ExcludeTrailingBackslash(g.Folder)));
      } else {
        g.State = TGroupRun::grStopped;
        stopped = run.Stopped = true;
        run.Groups.push_back(g);
        continue;
      }
    }
    for (const archiver::TFileEntry& e : FProduct[n - 1].Entries) {
      if (terminal && g.Name == "Raiz" && !TakenByTerminal(e.Name)) continue;
      const AnsiString target = rtl::IncludeTrailingBackslash(g.Folder) + e.Name;
      run.Messages.push_back(rtl::Format(messages.ExtrMessages().ExtractingFile(),
                                         {rtl::ExtractFileName(target), e.Size}));
      if (e.Has(archiver::ffFolder)) {
        ++g.Folders;
      } else {
        ++g.Files;
        run.Installed.insert(rtl::AnsiUpperCase(target));
      }
      for (AnsiString dir = rtl::ExtractFileDir(target); dir.size() > g.Folder.size(); dir = rtl::ExtractFileDir(dir))
        made.insert(rtl::AnsiUpperCase(dir));
    }
    run.Groups.push_back(g);
  }
  return run;
}

void TChecker::CheckGroups(const TRun& server, const TRun& terminal) {
  for (int n = 1; n <= static_cast<int>(FProduct.size()); ++n) {
    const AnsiString nomeKey = IndexedKey("Grupo_", n, "_Nome"), dirKey = IndexedKey("Grupo_", n, "_Dir");
    const AnsiString nome = Text(kGrupos, nomeKey), dir = Text(kGrupos, dirKey);
    const int nomeLine = Line(kGrupos, nomeKey), dirLine = Line(kGrupos, dirKey);
    if (rtl::Trim(nome).empty()) {
      Add(svWarning, "blank-group", nomeLine ? nomeLine : Near(kGrupos), kGrupos, nomeKey,
          "no group name: archive " + rtl::IntToStr(n) + " (" + FProduct[n - 1].Name +
              ") is skipped by both installations");
      continue;
    }
    for (const char* skip : installer::kGruposSoServidor)
      if (nome != skip && rtl::AnsiSameText(nome, skip))
        Add(svWarning, "group-name-case", nomeLine, kGrupos, nomeKey,
            Quote(nome) + " is not " + Quote(skip) + ": names are compared with their letter case, so a terminal "
            "installation does not skip this group");
    if (nome != "Raiz" && rtl::AnsiSameText(nome, "Raiz"))
      Add(svWarning, "group-name-case", nomeLine, kGrupos, nomeKey,
          Quote(nome) + " is not \"Raiz\": a terminal installation takes every file of this group, not only its own");
    if (nome.find("Fotos") == AnsiString::npos && rtl::AnsiUpperCase(nome).find("FOTOS") != AnsiString::npos)
      Add(svWarning, "group-name-case", nomeLine, kGrupos, nomeKey,
          Quote(nome) + " does not hold \"Fotos\" with that letter case: a terminal installation does not skip it");

    if (dir.find('>') != AnsiString::npos && installer::ApplyFolderMacroA(dir, "", "", "") == dir) {
      Add(svError, "folder-macro", dirLine, kGrupos, dirKey,
          "no folder macro at the very start (\"<INSTALLDIR>\", \"<WINDIR>\" or \"<WINSYSDIR>\", in capitals): the "
          "folder is used as written and cannot be made");
      continue;
    }
    const TGroupRun& s = server.Groups[n - 1];
    const TGroupRun& t = terminal.Groups[n - 1];
    const bool sStops = s.State == TGroupRun::grStopped &&
                        (n == 1 || server.Groups[n - 2].State != TGroupRun::grStopped);
    const bool tStops = t.State == TGroupRun::grStopped &&
                        (n == 1 || terminal.Groups[n - 2].State != TGroupRun::grStopped);
    if (sStops || tStops) {
      AnsiString why = dir.empty()                ? AnsiString("no folder given")
                       : !IsFullPath(s.Folder)     ? AnsiString("not a full path: it would be made in the medium's folder")
                                                   : "its parent folder " + rtl::ExtractFileDir(s.Folder) +
                                                         " does not exist at that point";
      Add(svError, "folder", dirLine ? dirLine : nomeLine, kGrupos, dirKey,
          "the folder " + Quote(s.Folder) + " cannot be made in one step" +
              (sStops && tStops ? AnsiString() : sStops ? AnsiString(" in a server installation")
                                                        : AnsiString(" in a terminal installation")) +
              " (" + why + "): the installer stops with \"Não pude criar a pasta\""_a);
    }
  }
}

void TChecker::CheckCounts(const TRun& server) {
  if (FCounts["Imagens"] <= 0) return;
  for (int k = 2; k <= FCounts["Arquivos"] + 1; ++k) {
    const AnsiString key = IndexedKey("Grupo_", k, "_Arquivos");
    // A server installation takes every entry of every named group's archive.
    const bool named = !rtl::Trim(Text(kGrupos, IndexedKey("Grupo_", k - 1, "_Nome"))).empty();
    const int64_t expected = named ? static_cast<int64_t>(FProduct[k - 2].Entries.size()) : 0;
    const int32_t written = Integer(kGrupos, key);
    if (written == expected) continue;
    const int line = Line(kGrupos, key);
    Add(svWarning, "count", line ? line : Near(kGrupos), kGrupos, key,
        (line ? "is " + rtl::IntToStr(written) : AnsiString("is missing")) + ", but archive " + rtl::IntToStr(k - 1) +
            " (" + (FProduct[k - 2].Name.empty() ? AnsiString("no name") : FProduct[k - 2].Name) + ") unpacks " + rtl::IntToStr(static_cast<int>(expected)) +
            " entries: the count of archive n goes in Grupo_<n + 1>_Arquivos, and a wrong one shifts every billboard");
  }
  installer::TSetupScript stp(FScriptPath);
  FPace = stp.SomaArquivosGrupos() / FCounts["Imagens"];
  if (FPace == 0)
    Add(svWarning, "pace", Line(kBillBoards, "Imagens"), kBillBoards, "Imagens",
        "the file counts add up to fewer than the " + rtl::IntToStr(FCounts["Imagens"]) +
            " pictures: only the first picture is ever shown");
  if (!platform::FileExists(FFolder + "change.wav"))
    Add(svWarning, "no-sound", Line(kBillBoards, "Imagens"), kBillBoards, "Imagens",
        "no change.wav on the medium: the billboards change without their morph");
}

void TChecker::CheckIcons(const TRun& server) {
  for (int i = 1; i <= FCounts["Icones"]; ++i) {
    const AnsiString arquivoKey = IndexedKey("Icone_", i, "_Arquivo");
    const AnsiString tituloKey = IndexedKey("Icone_", i, "_Descrição"_a);
    const AnsiString pastaKey = IndexedKey("Icone_", i, "_Diretorio");
    const AnsiString arquivo = Text(kIcones, arquivoKey), titulo = Text(kIcones, tituloKey);
    const AnsiString raw = Text(kIcones, pastaKey);
    const AnsiString pasta = installer::ApplyFolderMacroB(raw, FDirDestino, FDirWindows, FDirSistema);
    const AnsiString alvo = pasta + "\\" + arquivo;
    const int line = At(kIcones, arquivoKey);
    if (arquivo.empty()) {
      Add(svWarning, "icon", line, kIcones, arquivoKey, "no program named: the item points at the folder " + pasta);
      continue;
    }
    if (!IsFullPath(pasta)) {
      Add(svWarning, "icon", Line(kIcones, pastaKey) ? Line(kIcones, pastaKey) : line, kIcones, pastaKey,
          Quote(raw) + " holds no folder macro and is no full path: the item points at " + Quote(alvo));
      continue;
    }
    // A run that stops before the icons makes none: what it would have installed is not known.
    if (!server.Stopped && !server.Installed.count(rtl::AnsiUpperCase(alvo)))
      Add(svWarning, "icon", line, kIcones, arquivoKey, alvo + ": no archive of the medium installs this program");
    const bool links = FIni->ReadBool(kIcones, IndexedKey("Icone_", i, "_Pasta_Desktop"), false) ||
                       FIni->ReadBool(kIcones, IndexedKey("Icone_", i, "_Pasta_Menu_Iniciar"), false);
    if (links && titulo.find_first_of("\\/:*?\"<>|") != AnsiString::npos)
      Add(svWarning, "icon", Line(kIcones, tituloKey), kIcones, tituloKey,
          Quote(titulo) + " cannot name a link file: its links are not saved");
    else if (links && titulo.empty())
      Add(svWarning, "icon", line, kIcones, tituloKey, "no title: its links are saved as \".lnk\"");
  }
}

std::vector<TBillboardChange> TChecker::Billboards(const TRun& run) const {
  std::vector<TBillboardChange> changes;
  const int pictures = static_cast<int>(FPictures.size());
  if (FPace <= 0 || pictures == 0) return changes;
  int64_t counter = 0;
  int k = 0;
  for (size_t m = 0; m < run.Messages.size(); ++m) {
    if (++counter != FPace) continue;
    ++k;
    if (k > pictures) continue;  // the counter runs on and never meets the pace again
    counter = 0;
    changes.push_back({k, static_cast<int>(m + 1), run.Messages[m]});
  }
  return changes;
}

void TChecker::Summarise(const TRun& run) {
  std::vector<AnsiString>& out = FResult.Summary;
  out.push_back(run.Terminal ? "A terminal installation:" : "A server installation:");
  out.push_back("  target folder " + FDirDestino);
  for (const TGroupRun& g : run.Groups) {
    AnsiString line = "  archive " + rtl::IntToStr(g.N) + " " + g.Archive + ", group " + Quote(g.Name) + ": ";
    switch (g.State) {
      case TGroupRun::grBlank: line += "skipped (no group name)"; break;
      case TGroupRun::grTerminal: line += "skipped (a terminal leaves this group out)"; break;
      case TGroupRun::grStopped: line += "not reached (the installation stops before it)"; break;
      case TGroupRun::grExtracted:
        line += "to " + g.Folder + ", " + rtl::IntToStr(g.Files) + " files, " + rtl::IntToStr(g.Folders) + " folders";
        if (run.Terminal && g.Name == "Raiz") line += " (only the terminal's own files)";
        break;
    }
    out.push_back(line);
  }
  const int pictures = static_cast<int>(FPictures.size());
  if (pictures == 0) {
    out.push_back("  billboards: none");
  } else {
    out.push_back("  billboards: " + rtl::IntToStr(pictures) + " pictures, a change every " +
                  rtl::IntToStr(static_cast<int>(FPace)) + " messages of " +
                  rtl::IntToStr(static_cast<int>(run.Messages.size())) + "; picture 1 (" + FPictures[0] +
                  ") from the start");
    for (const TBillboardChange& c : Billboards(run)) {
      const AnsiString to = c.Picture < pictures ? rtl::IntToStr(c.Picture + 1) + " (" + FPictures[c.Picture] + ")"
                                                 : rtl::IntToStr(c.Picture) + " again";
      out.push_back("    at message " + rtl::IntToStr(c.Message) + " " + Quote(c.Text) + ": picture " + to);
    }
  }
  out.push_back("  Program Manager group " + Quote(Text(kIcones, "Pasta_Padrão"_a)));
  for (int i = 1; i <= FCounts["Icones"]; ++i) {
    const AnsiString arquivo = Text(kIcones, IndexedKey("Icone_", i, "_Arquivo"));
    const AnsiString pasta = installer::ApplyFolderMacroB(Text(kIcones, IndexedKey("Icone_", i, "_Diretorio")),
                                                          FDirDestino, FDirWindows, FDirSistema);
    const AnsiString titulo = Text(kIcones, IndexedKey("Icone_", i, "_Descrição"_a));
    AnsiString line = "    item " + Quote(titulo) + " -> " + pasta + "\\" + arquivo;
    if (run.Terminal && !LinkedOnTerminal(arquivo)) {
      out.push_back(line + ": left out on a terminal");
      continue;
    }
    AnsiString links;
    if (FIni->ReadBool(kIcones, IndexedKey("Icone_", i, "_Pasta_Desktop"), false)) links = "desktop";
    if (FIni->ReadBool(kIcones, IndexedKey("Icone_", i, "_Pasta_Menu_Iniciar"), false))
      links += links.empty() ? "Start menu" : ", Start menu";
    if (!links.empty()) line += "; links: " + links;
    if (!run.Installed.count(rtl::AnsiUpperCase(pasta + "\\" + arquivo))) line += " (not installed)";
    out.push_back(line);
  }
  const AnsiString nome = Text(kProjeto, "Aplicação"_a);
  out.push_back("  registry: HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira InstallDir=" + FDirDestino +
                ", Tipo de Instalação="_a + (run.Terminal ? "Terminal" : "Servidor"));
  AnsiString conexao = "  registry: HKCU\\Software\\Tarquelia\\Vantor\\Q-Mira\\PgConexao";
  const char* separator = " ";
  for (const auto& [nome, valor] : installer::ParametrosConexao(!run.Terminal)) {
    conexao += separator + nome + "=" + valor;
    separator = ", ";
  }
  out.push_back(conexao);
  out.push_back("  registry: HKLM\\Software\\MicroSoft\\Windows\\CurrentVersion\\Uninstall\\" + nome + " DisplayName=" +
                nome + ", DisplayIcon=" + FDirDestino + "\\VantorQM.exe, UninstallString=" + FDirDestino +
                "\\Desinstalar.exe");
}

}  // namespace

TCheckResult CheckMedium(const AnsiString& folder) { return TChecker(folder).Run(); }

}  // namespace vqmmedium
