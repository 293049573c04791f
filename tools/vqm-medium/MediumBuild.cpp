// Building a medium from a manifest.

#include "tools/vqm-medium/MediumBuild.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "archiver/Archiver.h"
#include "platform/FileStream.h"
#include "platform/Files.h"
#include "rtl/SysUtils.h"

namespace vqmmedium {

using rtl::AnsiString;

const char* ManifestHelp() {
  return "The manifest of build (UTF-8 text; '#' starts a comment line; paths are\n"
         "relative to the manifest's folder):\n"
         "\n"
         "  [medium]\n"
         "  script = VANTOR.STP        the setup script's name (default SETUP.STP)\n"
         "  sound = change.wav         copied as change.wav (needed with billboards)\n"
         "  installer = instalar.exe   copied as instalar.exe (optional)\n"
         "\n"
         "  [project]\n"
         "  name = Vantor Q-Mira       the application's name\n"
         "  title = ...                the title line (optional)\n"
         "  folder = VantorQ-Mira      the default folder below C:\\\n"
         "  licence = Contrato.txt     the licence text, packed into Contrato.bak\n"
         "  background = fundo.jpg     a background picture, packed into bckgrd.bak, or\n"
         "  gradient = 0 16777215 3    a gradient: top colour, bottom colour, style 0-3\n"
         "  system = winsys            a folder packed into winsysdlls.bak (optional)\n"
         "\n"
         "  [billboards]\n"
         "  picture = billboard1.jpg   one line a picture, in order, packed into BillBrds.bak\n"
         "\n"
         "  [group Raiz]               one section a group, in order; its name follows \"group\"\n"
         "  archive = programa.bak     the product archive written for it\n"
         "  source = programa          the folder whose files it holds, under their relative names\n"
         "  folder = <INSTALLDIR>      the target folder (a macro only at the start)\n"
         "\n"
         "  [programs]\n"
         "  group = Vantor Q-Mira      the Program Manager group\n"
         "\n"
         "  [icon Vantor Q-Mira]       one section an item; its title follows \"icon\"\n"
         "  folder = <INSTALLDIR>      the program's folder\n"
         "  program = VantorQM.exe     the program\n"
         "  desktop = yes              a link on the desktop (yes or no, default no)\n"
         "  startmenu = yes            a link in the Start menu (yes or no, default no)\n"
         "\n"
         "The script's file counts are those of the archives written; a medium that\n"
         "build makes passes check without a warning when its icons point at\n"
         "programs of its groups.\n";
}

namespace {

struct TValue {
  AnsiString Text;  // Windows-1252
  int Line = 0;
};

struct TGroup {
  AnsiString Name;
  int Line = 0;
  TValue Archive, Source, Folder;
  std::vector<AnsiString> Files;  // relative names below the source folder
  int Entries = 0;
};

struct TIcon {
  AnsiString Title;
  int Line = 0;
  TValue Folder, Program;
  bool Desktop = false, StartMenu = false;
};

struct TManifest {
  TValue Script, Sound, Installer;
  TValue Name, Title, Folder, Licence, Background, Gradient, System;
  std::vector<TValue> Pictures;
  std::vector<TGroup> Groups;
  TValue ProgramGroup;
  std::vector<TIcon> Icons;
  std::vector<AnsiString> SystemFiles;
};

// The blank-separated words of a text.
std::vector<AnsiString> Words(const AnsiString& text) {
  std::vector<AnsiString> words;
  for (size_t p = 0; p < text.size();) {
    const size_t b = text.find(' ', p);
    const AnsiString word = text.substr(p, b == AnsiString::npos ? AnsiString::npos : b - p);
    if (!word.empty()) words.push_back(word);
    p = b == AnsiString::npos ? text.size() : b + 1;
  }
  return words;
}

bool IsFolder(const AnsiString& path) { return platform::DirectoryExists(path); }

// The files below a folder, relative names, sorted; sub-folders walked.
void ListFiles(const AnsiString& folder, const AnsiString& relative, std::vector<AnsiString>& out) {
  for (const platform::TFolderEntry& e : platform::ListFolder(rtl::IncludeTrailingBackslash(folder) + relative)) {
    if (e.IsFolder) ListFiles(folder, relative + e.Name + "\\", out);
    else out.push_back(relative + e.Name);
  }
}

std::string ReadWhole(const AnsiString& path) {
  platform::TFileStream in(path, platform::fmOpenRead | platform::fmShareDenyWrite);
  std::string bytes(static_cast<size_t>(in.Size()), '\0');
  if (!bytes.empty()) in.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

void WriteWhole(const AnsiString& path, const std::string& bytes) {
  platform::TFileStream out(path, platform::fmCreate);
  if (!bytes.empty()) out.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

class TBuilder {
 public:
  TBuilder(const AnsiString& manifest, const AnsiString& out)
      : FManifest(manifest), FBase(rtl::IncludeTrailingBackslash(rtl::ExtractFileDir(manifest))),
        FOut(rtl::IncludeTrailingBackslash(out)), FShown(rtl::Utf8FromAnsi(rtl::ExtractFileName(manifest))) {}
  TBuildResult Run();

 private:
  void Error(int line, const std::string& text) {
    FResult.Errors.push_back(FShown + (line ? ":" + std::to_string(line) : std::string()) + ": " + text);
  }
  void Parse(const std::string& text);
  void Validate();
  // A path of the manifest as a full Windows path.
  AnsiString Path(const TValue& v) const {
    AnsiString path = IsFullPath(v.Text) ? v.Text : FBase + v.Text;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }
  static bool IsFullPath(const AnsiString& p) { return p.size() >= 2 && (p[1] == ':' || p[0] == '\\'); }
  void NeedFile(const TValue& v, const char* what);
  void NeedFolder(const TValue& v, const char* what);
  // The archive `name` in the output holding files of `folder` (relative names); returns its entry count.
  int WriteArchive(const AnsiString& name, const AnsiString& folder, const std::vector<AnsiString>& files);
  std::string Script() const;
  void Note(const AnsiString& name);

  AnsiString FManifest, FBase, FOut;
  std::string FShown;
  TManifest M;
  TBuildResult FResult;
};

void TBuilder::Parse(const std::string& utf8) {
  enum { sNone, sMedium, sProject, sBillboards, sGroup, sPrograms, sIcon } section = sNone;
  size_t pos = 0;
  for (int line = 1; pos < utf8.size(); ++line) {
    size_t end = utf8.find('\n', pos);
    if (end == std::string::npos) end = utf8.size();
    std::string raw = utf8.substr(pos, end - pos);
    pos = end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    const AnsiString text = rtl::Trim(raw);
    if (text.empty() || text[0] == '#' || text[0] == ';') continue;
    const AnsiString ansi = rtl::AnsiFromUtf8(text);
    if (rtl::Utf8FromAnsi(ansi) != text) {
      Error(line, "holds characters that Windows-1252 cannot write");
      continue;
    }
    if (ansi[0] == '[') {
      if (ansi.back() != ']') {
        Error(line, "a section header ends in ']'");
        section = sNone;
        continue;
      }
      const AnsiString head = rtl::Trim(ansi.substr(1, ansi.size() - 2));
      const size_t blank = head.find(' ');
      const AnsiString kind = head.substr(0, blank);
      const AnsiString arg = blank == AnsiString::npos ? AnsiString() : rtl::Trim(head.substr(blank + 1));
      if (kind == "medium" && arg.empty()) section = sMedium;
      else if (kind == "project" && arg.empty()) section = sProject;
      else if (kind == "billboards" && arg.empty()) section = sBillboards;
      else if (kind == "programs" && arg.empty()) section = sPrograms;
      else if (kind == "group" && !arg.empty()) {
        section = sGroup;
        M.Groups.push_back({arg, line, {}, {}, {}, {}, 0});
      } else if (kind == "icon" && !arg.empty()) {
        section = sIcon;
        M.Icons.push_back({arg, line, {}, {}, false, false});
      } else {
        Error(line, "unknown section [" + rtl::Utf8FromAnsi(head) +
                        "] (medium, project, billboards, group NAME, programs, icon TITLE)");
        section = sNone;
      }
      continue;
    }
    const size_t eq = ansi.find('=');
    if (eq == AnsiString::npos) {
      Error(line, "neither a section nor key = value");
      continue;
    }
    const AnsiString key = rtl::Trim(ansi.substr(0, eq));
    const TValue value{rtl::Trim(ansi.substr(eq + 1)), line};
    if (value.Text.size() > 1 && (value.Text[0] == '"' || value.Text[0] == '\'') && value.Text.back() == value.Text[0])
      Error(line, "the setup script's reader drops quotation marks around a value: write it without them");
    const std::string k = rtl::Utf8FromAnsi(key);
    auto unknown = [&](const char* keys) { Error(line, "unknown key \"" + k + "\" here (" + keys + ")"); };
    auto flag = [&](bool& into) {
      if (value.Text == "yes") into = true;
      else if (value.Text == "no") into = false;
      else Error(line, "\"" + k + "\" is yes or no");
    };
    switch (section) {
      case sNone: Error(line, "a key before any section"); break;
      case sMedium:
        if (key == "script") M.Script = value;
        else if (key == "sound") M.Sound = value;
        else if (key == "installer") M.Installer = value;
        else unknown("script, sound, installer");
        break;
      case sProject:
        if (key == "name") M.Name = value;
        else if (key == "title") M.Title = value;
        else if (key == "folder") M.Folder = value;
        else if (key == "licence") M.Licence = value;
        else if (key == "background") M.Background = value;
        else if (key == "gradient") M.Gradient = value;
        else if (key == "system") M.System = value;
        else unknown("name, title, folder, licence, background, gradient, system");
        break;
      case sBillboards:
        if (key == "picture") M.Pictures.push_back(value);
        else unknown("picture");
        break;
      case sGroup:
        if (key == "archive") M.Groups.back().Archive = value;
        else if (key == "source") M.Groups.back().Source = value;
        else if (key == "folder") M.Groups.back().Folder = value;
        else unknown("archive, source, folder");
        break;
      case sPrograms:
        if (key == "group") M.ProgramGroup = value;
        else unknown("group");
        break;
      case sIcon:
        if (key == "folder") M.Icons.back().Folder = value;
        else if (key == "program") M.Icons.back().Program = value;
        else if (key == "desktop") flag(M.Icons.back().Desktop);
        else if (key == "startmenu") flag(M.Icons.back().StartMenu);
        else unknown("folder, program, desktop, startmenu");
        break;
    }
  }
}

void TBuilder::NeedFile(const TValue& v, const char* what) {
  if (!platform::FileExists(Path(v)))
    Error(v.Line, std::string(what) + " \"" + rtl::Utf8FromAnsi(v.Text) + "\" is not there");
}

void TBuilder::NeedFolder(const TValue& v, const char* what) {
  if (!IsFolder(Path(v)))
    Error(v.Line, std::string(what) + " folder \"" + rtl::Utf8FromAnsi(v.Text) + "\" is not there");
}

void TBuilder::Validate() {
  if (M.Name.Text.empty()) Error(0, "[project] needs a name");
  if (M.Folder.Text.empty()) Error(0, "[project] needs a folder");
  if (M.Licence.Text.empty()) Error(0, "[project] needs a licence");
  else NeedFile(M.Licence, "the licence");
  if (!M.Background.Text.empty() && !M.Gradient.Text.empty())
    Error(M.Gradient.Line, "a background picture or a gradient, not both");
  if (!M.Background.Text.empty()) NeedFile(M.Background, "the background picture");
  if (!M.Gradient.Text.empty()) {
    const std::vector<AnsiString> parts = Words(M.Gradient.Text);
    const bool numbers = std::all_of(parts.begin(), parts.end(), [](const AnsiString& s) {
      return rtl::IniStrToIntDef(s, 0) == rtl::IniStrToIntDef(s, 1);
    });
    if (parts.size() != 3 || !numbers || rtl::IniStrToIntDef(parts[2], 0) < 0 || rtl::IniStrToIntDef(parts[2], 0) > 3)
      Error(M.Gradient.Line, "a gradient is three numbers: top colour, bottom colour, style 0 to 3");
  }
  if (!M.System.Text.empty()) {
    NeedFolder(M.System, "the system");
    ListFiles(Path(M.System), "", M.SystemFiles);
  }
  if (!M.Sound.Text.empty()) NeedFile(M.Sound, "the sound");
  if (!M.Installer.Text.empty()) NeedFile(M.Installer, "the installer");
  if (!M.Pictures.empty() && M.Sound.Text.empty())
    Error(M.Pictures.front().Line, "billboards need [medium] sound: without change.wav they change without a morph");
  std::set<AnsiString> pictures;
  for (const TValue& p : M.Pictures) {
    NeedFile(p, "the billboard");
    if (!pictures.insert(rtl::AnsiUpperCase(rtl::ExtractFileName(Path(p)))).second)
      Error(p.Line, "two billboards of the same file name");
  }
  std::set<AnsiString> archives = {"BCKGRD.BAK", "WINSYSDLLS.BAK", "CONTRATO.BAK", "BILLBRDS.BAK"};
  for (TGroup& g : M.Groups) {
    if (g.Archive.Text.empty() || g.Source.Text.empty() || g.Folder.Text.empty()) {
      Error(g.Line, "a group needs archive, source and folder");
      continue;
    }
    if (g.Archive.Text.find_first_of("\\/:") != AnsiString::npos)
      Error(g.Archive.Line, "an archive is named without a folder");
    else if (!archives.insert(rtl::AnsiUpperCase(g.Archive.Text)).second)
      Error(g.Archive.Line, "that archive name is taken already");
    NeedFolder(g.Source, "the source");
    if (IsFolder(Path(g.Source))) ListFiles(Path(g.Source), "", g.Files);
  }
  if (M.Groups.empty()) Error(0, "no [group NAME]: the medium would install nothing");
  for (const TIcon& i : M.Icons)
    if (i.Folder.Text.empty() || i.Program.Text.empty()) Error(i.Line, "an icon needs folder and program");
  const AnsiString script = M.Script.Text.empty() ? AnsiString("SETUP.STP") : M.Script.Text;
  if (rtl::AnsiUpperCase(rtl::ExtractFileExt(script)) != ".STP" || script.find_first_of("\\/:") != AnsiString::npos)
    Error(M.Script.Line, "the script is a file name ending in .STP");
}

int TBuilder::WriteArchive(const AnsiString& name, const AnsiString& folder, const std::vector<AnsiString>& files) {
  const AnsiString path = FOut + name;
  PackFiles(path, folder, files);
  int entries = 0;
  // The counts come from the archive as written.
  archiver::TArchiver check;
  check.SetFileName(path);
  check.SetOptions(check.Options() + archiver::TOptions{archiver::oShowEmptyFolders});
  check.OnEnumeration = [&](archiver::TArchiverRoot*, const archiver::TFileEntry&) { ++entries; };
  check.Open();
  check.EnumerateFiles();
  check.Close();
  Note(name);
  return entries;
}

void TBuilder::Note(const AnsiString& name) {
  const int64_t size = [&] {
    try {
      platform::TFileStream f(FOut + name, platform::fmOpenRead | platform::fmShareDenyNone);
      return f.Size();
    } catch (const std::exception&) {
      return int64_t{-1};
    }
  }();
  FResult.Written.push_back(std::to_string(size) + "  " + rtl::Utf8FromAnsi(name));
  FResult.Names.push_back(name);
}

std::string TBuilder::Script() const {
  std::vector<AnsiString> l;
  auto key = [&](const AnsiString& k, const AnsiString& v) { l.push_back(k + "=" + v); };
  auto num = [](size_t n) { return rtl::IntToStr(static_cast<int>(n)); };
  l.push_back("; " + M.Name.Text + ": written by vqm-medium build");
  l.push_back("[Projeto]");
  key("Aplicação"_a, M.Name.Text);
  if (!M.Title.Text.empty()) key("Título"_a, M.Title.Text);
  key("PastaPadraoInstalacao", M.Folder.Text);
  key("Dir_Contrato", rtl::ExtractFileName(Path(M.Licence)));
  if (!M.Background.Text.empty()) {
    key("Tipo_Background", "1");
    key("Dir_Img_bkg", rtl::ExtractFileName(Path(M.Background)));
  } else {
    const std::vector<AnsiString> parts = Words(M.Gradient.Text.empty() ? AnsiString("0 16777215 3") : M.Gradient.Text);
    key("Tipo_Background", "0");
    key("Color_Topo_bkg", parts[0]);
    key("Color_Rodape_bkg", parts[1]);
    key("Estilo", parts[2]);
  }
  l.push_back("");
  l.push_back("[BillBoards]");
  key("Imagens", num(M.Pictures.size()));
  for (size_t i = 0; i < M.Pictures.size(); ++i)
    key("Imagem_" + num(i + 1), rtl::ExtractFileName(Path(M.Pictures[i])));
  l.push_back("");
  l.push_back("; The installer adds up Grupo_2_Arquivos to Grupo_<Grupos + 1>_Arquivos: the count of");
  l.push_back("; archive n stands one place on, under n + 1.");
  l.push_back("[Grupos]");
  key("Grupos", num(M.Groups.size()));
  for (size_t i = 0; i < M.Groups.size(); ++i) key("Grupo_" + num(i + 2) + "_Arquivos", num(M.Groups[i].Entries));
  for (size_t i = 0; i < M.Groups.size(); ++i) {
    key("Grupo_" + num(i + 1) + "_Nome", M.Groups[i].Name);
    key("Grupo_" + num(i + 1) + "_Dir", M.Groups[i].Folder.Text);
  }
  l.push_back("");
  l.push_back("[Arquivos Comprimidos]");
  key("Arquivos", num(M.Groups.size()));
  for (size_t i = 0; i < M.Groups.size(); ++i) key("Arquivo_" + num(i + 1), M.Groups[i].Archive.Text);
  l.push_back("");
  l.push_back("[Pasta e Icones]");
  key("Pasta_Padrão"_a, M.ProgramGroup.Text);
  key("Icones", num(M.Icons.size()));
  for (size_t i = 0; i < M.Icons.size(); ++i) {
    const AnsiString p = "Icone_" + num(i + 1);
    key(p + "_Diretorio", M.Icons[i].Folder.Text);
    key(p + "_Arquivo", M.Icons[i].Program.Text);
    key(p + "_Descrição"_a, M.Icons[i].Title);
    if (M.Icons[i].Desktop) key(p + "_Pasta_Desktop", "1");
    if (M.Icons[i].StartMenu) key(p + "_Pasta_Menu_Iniciar", "1");
  }
  std::string text;
  for (const AnsiString& line : l) text += line + "\r\n";
  return text;
}

TBuildResult TBuilder::Run() {
  std::string manifest;
  try {
    manifest = ReadWhole(FManifest);
  } catch (const std::exception& e) {
    Error(0, "cannot be read: " + rtl::Utf8FromAnsi(e.what()));
    return FResult;
  }
  Parse(manifest);
  Validate();
  if (platform::FileExists(rtl::ExcludeTrailingBackslash(FOut)))
    Error(0, "the output " + rtl::Utf8FromAnsi(rtl::ExcludeTrailingBackslash(FOut)) + " is a file");
  if (!FResult.Errors.empty()) return FResult;

  try {
    if (!platform::ForceDirectories(rtl::ExcludeTrailingBackslash(FOut)))
      throw rtl::Exception("cannot make the folder " + FOut);
    auto single = [&](const AnsiString& archive, const TValue& file) {
      const AnsiString path = Path(file);
      WriteArchive(archive, rtl::ExtractFileDir(path), {rtl::ExtractFileName(path)});
    };
    if (!M.Background.Text.empty()) single("bckgrd.bak", M.Background);
    WriteArchive("winsysdlls.bak", M.System.Text.empty() ? FBase : Path(M.System), M.SystemFiles);
    single("Contrato.bak", M.Licence);
    if (!M.Pictures.empty()) {
      // One archive of pictures from several folders: each added from its own.
      const AnsiString path = FOut + "BillBrds.bak";
      if (platform::FileExists(path) && !platform::DeleteFile(path)) throw rtl::Exception("cannot replace " + path);
      archiver::TArchiver archive;
      archive.SetFileName(path);
      archive.SetPathStorage(archiver::psNone);
      archive.Open();
      for (const TValue& p : M.Pictures)
        if (!archive.AddFile(Path(p))) throw rtl::Exception("cannot add " + p.Text);
      archive.Close();
      Note("BillBrds.bak");
    }
    for (TGroup& g : M.Groups) g.Entries = WriteArchive(g.Archive.Text, Path(g.Source), g.Files);
    const AnsiString script = M.Script.Text.empty() ? AnsiString("SETUP.STP") : M.Script.Text;
    WriteWhole(FOut + script, Script());
    Note(script);
    if (!M.Sound.Text.empty()) {
      WriteWhole(FOut + "change.wav", ReadWhole(Path(M.Sound)));
      Note("change.wav");
    }
    if (!M.Installer.Text.empty()) {
      WriteWhole(FOut + "instalar.exe", ReadWhole(Path(M.Installer)));
      Note("instalar.exe");
    }
  } catch (const std::exception& e) {
    Error(0, "writing the medium: " + rtl::Utf8FromAnsi(e.what()));
  }
  return FResult;
}

}  // namespace

void PackFiles(const AnsiString& archivePath, const AnsiString& folder, const std::vector<AnsiString>& files) {
  // The engine adds to an archive that is there: start from nothing.
  if (platform::FileExists(archivePath) && !platform::DeleteFile(archivePath))
    throw rtl::Exception("Cannot replace \"" + archivePath + "\"");
  archiver::TArchiver archive;
  archive.SetFileName(archivePath);
  archive.SetPathStorage(archiver::psRelative);
  archive.SetStartingFolder(rtl::IncludeTrailingBackslash(folder));
  archive.Open();
  for (const AnsiString& f : files)
    if (!archive.AddFile(rtl::IncludeTrailingBackslash(folder) + f)) throw rtl::Exception("Cannot add \"" + f + "\"");
  archive.Close();
}

TBuildResult BuildMedium(const AnsiString& manifest, const AnsiString& out) { return TBuilder(manifest, out).Run(); }

}  // namespace vqmmedium
