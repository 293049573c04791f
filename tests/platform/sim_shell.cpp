// Outward effects of the simulated machine: Program Manager over DDE, shell
// links, programs and shell verbs, sound, message boxes; all in the journal.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/ScriptedDialogs.h"
#include "platform/sim/ProgManCommands.h"
#include "tests/platform/sim_fixture.h"

namespace simtest {
namespace {

TEST(SimProgMan, CommandSyntax) {
  struct {
    const char* text;
    bool ok;
    const char* parsed;  // name(args|...) per command
  } const cases[] = {
      {"[CreateGroup(Vantor Q-Mira)]", true, "CreateGroup(Vantor Q-Mira)"},
      {"[AddItem(\"C:\\a b\\x.exe\",\"T, (x)\",\"C:\\a b\\x.exe\")]", true, "AddItem(C:\\a b\\x.exe|T, (x)|C:\\a b\\x.exe)"},
      {" [Reload] [ShowGroup( G , 1 )]", true, "Reload()ShowGroup(G|1)"},
      {"[AddItem(x,,y)]", true, "AddItem(x||y)"},
      {"[CreateGroup(a)b)]", false, ""},
      {"[CreateGroup(a\"b)]", true, "CreateGroup(a\"b)"},
      {"CreateGroup(a)", false, ""},
      {"[CreateGroup(a)", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    std::vector<TProgManCommand> commands;
    EXPECT_EQ(ParseProgManCommands(c.text, commands), c.ok) << c.text;
    if (!c.ok) continue;
    std::string parsed;
    for (const auto& command : commands) {
      parsed += command.Name + "(";
      for (std::size_t i = 0; i < command.Args.size(); ++i) parsed += (i ? "|" : "") + command.Args[i];
      parsed += ")";
    }
    EXPECT_EQ(parsed, c.parsed) << c.text;
  }
}

class SimShell : public TSimTest {
 protected:
  // One execute transaction over a fresh conversation with Program Manager.
  bool Execute(const AnsiString& command) {
    DWORD instance = 0;
    if (M->DdeInitializeA(instance, APPCLASS_STANDARD) != DMLERR_NO_ERROR) return false;
    const HSZ progman = M->DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    CONVCONTEXT context;
    context.iCodePage = CP_WINANSI;
    const HCONV conv = M->DdeConnect(instance, progman, progman, &context);
    bool sent = false;
    if (conv) {
      const HDDEDATA data = M->DdeCreateDataHandle(instance, reinterpret_cast<const BYTE*>(command.c_str()),
                                                   static_cast<DWORD>(command.size() + 1), CF_TEXT);
      sent = M->DdeClientTransaction(data, conv, XTYP_EXECUTE, TIMEOUT_ASYNC);
      M->DdeDisconnect(conv);
    }
    M->DdeFreeStringHandle(instance, progman);
    M->DdeUninitialize(instance);
    return sent;
  }
  std::string Programs() { return FDir + "/drives/c/Documents and Settings/Usuario/Start Menu/Programs"; }
  static std::string Lnkinfo(const std::string& file) {
    std::string output;
    if (FILE* pipe = ::popen(("lnkinfo '" + file + "' 2>&1").c_str(), "r")) {
      char buffer[4096];
      std::size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
      ::pclose(pipe);
    }
    return output;
  }
  static bool HaveLnkinfo() { return ::system("command -v lnkinfo >/dev/null 2>&1") == 0; }
};

TEST_F(SimShell, ProgramManagerMakesGroupsAndItems) {
  ASSERT_TRUE(M->CreateDirectoryA("C:\\VantorQ-Mira"));
  Put("C:\\VantorQ-Mira\\VantorQM.exe", "MZ program");
  ASSERT_TRUE(Execute("[CreateGroup(Vantor Q-Mira)]"));
  ASSERT_TRUE(Execute("[AddItem(\"C:\\VantorQ-Mira\\VantorQM.exe\",\"Vantor Q-Mira\",\"C:\\VantorQ-Mira\\VantorQM.exe\")]"));
  // Program Manager's own failures are not the sender's: the transaction was started.
  ASSERT_TRUE(Execute("[AddItem(\"C:\\x.exe\",\"a:b\",\"\")]"));
  ASSERT_TRUE(Execute("[Bogus(1)]"));

  EXPECT_TRUE(std::filesystem::is_directory(Programs() + "/Vantor Q-Mira"));
  const std::string link = Programs() + "/Vantor Q-Mira/Vantor Q-Mira.lnk";
  ASSERT_TRUE(std::filesystem::exists(link));
  const std::vector<std::string> expected = {
      "dde: service=\"PROGMAN\" topic=\"PROGMAN\" command=\"[CreateGroup(Vantor Q-Mira)]\" result=\"ok\"",
      "dde: service=\"PROGMAN\" topic=\"PROGMAN\" command=\"[AddItem(\"\"C:\\VantorQ-Mira\\VantorQM.exe\"\",\"\"Vantor "
      "Q-Mira\"\",\"\"C:\\VantorQ-Mira\\VantorQM.exe\"\")]\" result=\"ok\"",
      "dde: service=\"PROGMAN\" topic=\"PROGMAN\" command=\"[AddItem(\"\"C:\\x.exe\"\",\"\"a:b\"\",\"\"\"\")]\" "
      "result=\"error: cannot save the item\"",
      "dde: service=\"PROGMAN\" topic=\"PROGMAN\" command=\"[Bogus(1)]\" result=\"error: unknown command Bogus\"",
  };
  EXPECT_EQ(M->Journal(), expected);
  if (!HaveLnkinfo()) GTEST_SKIP() << "lnkinfo is not installed";
  const std::string info = Lnkinfo(link);
  EXPECT_NE(info.find("C:\\VantorQ-Mira\\VantorQM.exe"), std::string::npos) << info;
  EXPECT_NE(info.find("Working directory\t\t: C:\\VantorQ-Mira"), std::string::npos) << info;
}

TEST_F(SimShell, ShellLinksAreRealLinkFiles) {
  ASSERT_TRUE(M->CreateDirectoryA("C:\\VantorQ-Mira"));
  Put("C:\\VantorQ-Mira\\VantorQM.exe", std::string(1234, 'x'));
  auto link = M->CreateShellLink();
  link->SetDescription("Vantor Q-Mira Ação"_a);
  link->SetPath("C:\\VantorQ-Mira\\VantorQM.exe");
  link->SetWorkingDirectory("C:\\VantorQ-Mira");
  const AnsiString desktop = "C:\\Documents and Settings\\Usuario\\Desktop\\";
  ASSERT_TRUE(link->Save(desktop + "Vantor Q-Mira Ação.lnk"_a, false));
  // The object keeps what was set; only the description changes here.
  link->SetDescription("Outro");
  ASSERT_TRUE(link->Save(desktop + "Outro.lnk", false));
  EXPECT_FALSE(link->Save("C:\\Nada\\x.lnk", false));

  const std::string file = FDir + "/drives/c/Documents and Settings/Usuario/Desktop/Vantor Q-Mira Ação.lnk";
  const std::string bytes = HostText(file);
  ASSERT_GE(bytes.size(), 76u);
  EXPECT_EQ(bytes.substr(0, 20), std::string("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20));
  EXPECT_EQ(static_cast<uint8_t>(bytes[20]), 0x1E);  // HasLinkInfo, HasName, HasRelativePath, HasWorkingDir
  EXPECT_EQ(static_cast<uint8_t>(bytes[52]) | static_cast<uint8_t>(bytes[53]) << 8, 1234);  // target size
  EXPECT_NE(bytes.find("..\\..\\..\\VantorQ-Mira\\VantorQM.exe"), std::string::npos);
  EXPECT_NE(bytes.find("Vantor Q-Mira A\xE7\xE3o"), std::string::npos);  // ANSI strings
  if (!HaveLnkinfo()) GTEST_SKIP() << "lnkinfo is not installed";
  const std::string info = Lnkinfo(file);
  EXPECT_NE(info.find("Description\t\t\t: Vantor Q-Mira Ação"), std::string::npos) << info;
  EXPECT_NE(info.find("Local path\t\t\t: C:\\VantorQ-Mira\\VantorQM.exe"), std::string::npos) << info;
  EXPECT_NE(info.find("Working directory\t\t: C:\\VantorQ-Mira"), std::string::npos) << info;
  EXPECT_NE(info.find("Drive serial number\t\t: 0x2237e3ac"), std::string::npos) << info;
  const std::string other = Lnkinfo(FDir + "/drives/c/Documents and Settings/Usuario/Desktop/Outro.lnk");
  EXPECT_NE(other.find("Description\t\t\t: Outro"), std::string::npos) << other;
  EXPECT_NE(other.find("Local path\t\t\t: C:\\VantorQ-Mira\\VantorQM.exe"), std::string::npos) << other;
}

class SimShellStartable : public SimShell {
  void Configure() override {
    EditConfig([](TMachineConfig& c) { c.ProgramManager = pmStartable; });
  }
};

TEST_F(SimShellStartable, ProgramManagerAnswersOnceStarted) {
  EXPECT_FALSE(Execute("[CreateGroup(G)]"));
  DWORD instance = 0;
  ASSERT_EQ(M->DdeInitializeA(instance, APPCLASS_STANDARD), DMLERR_NO_ERROR);
  const HSZ progman = M->DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
  EXPECT_EQ(M->DdeConnect(instance, progman, progman, nullptr), 0);
  EXPECT_EQ(M->DdeGetLastError(instance), DMLERR_NO_CONV_ESTABLISHED);
  EXPECT_EQ(M->DdeGetLastError(instance), DMLERR_NO_ERROR);  // reading it clears it
  EXPECT_EQ(M->WinExec("PROGMAN PROGMAN", SW_SHOWMINNOACTIVE), 33u);
  const HCONV conv = M->DdeConnect(instance, progman, progman, nullptr);
  ASSERT_NE(conv, 0);
  CONVINFO info;
  ASSERT_TRUE(M->DdeQueryConvInfo(conv, info));
  EXPECT_EQ(info.wFmt, 0u);
  EXPECT_EQ(info.service, "PROGMAN");
  M->DdeUninitialize(instance);
  EXPECT_FALSE(M->DdeQueryConvInfo(conv, info));  // gone with its instance
  // Started, it runs for every process of the machine.
  M = std::make_unique<TSimMachine>(FDir);
  EXPECT_TRUE(Execute("[CreateGroup(G)]"));
  EXPECT_EQ(M->Journal()[0],
            "winexec: command=\"PROGMAN PROGMAN\" dir=\"C:\\\" show=7 path=\"C:\\WINDOWS\\PROGMAN.EXE\" result=33");
}

class SimShellNoProgMan : public SimShell {
  void Configure() override {
    EditConfig([](TMachineConfig& c) {
      c.ProgramManager = pmAbsent;
      c.DdeInitializeError = DMLERR_LOW_MEMORY;
    });
  }
};

TEST_F(SimShellNoProgMan, NothingAnswers) {
  DWORD instance = 99;
  EXPECT_EQ(M->DdeInitializeA(instance, APPCLASS_STANDARD), DMLERR_LOW_MEMORY);
  EXPECT_EQ(instance, 0u);
  EXPECT_EQ(M->DdeGetLastError(instance), DMLERR_LOW_MEMORY);
  EXPECT_EQ(M->WinExec("PROGMAN PROGMAN", SW_SHOWMINNOACTIVE), ERROR_FILE_NOT_FOUND);
}

class SimPrograms : public SimShell {
 protected:
  void Prepare() override {
    HostWrite(FRoot + "/cd/manual.htm", "<html>");
    HostWrite(FRoot + "/cd/Firebird-2.0.1.12855-1-Win32.exe", "MZ");
    Options.CdRomFolder = FRoot + "/cd";
  }
  void Configure() override {
    EditConfig([&](TMachineConfig& c) {
      c.Programs.push_back({"tool.exe", paRun, "/bin/sh -c \"printf %s+%s+%s $VQM_MODULE $VQM_CURDIR $# > out.txt\" sh"});
      c.Programs.push_back({"D:\\instalar.exe", paRun, "/bin/sh -c \"printf %s+%s $VQM_MODULE $VQM_CURDIR > inst.txt\""});
      c.Programs.push_back({"gone.exe", paMissing, ""});
    });
  }
  // Programs run on their own: wait a little for what they leave.
  static std::string WaitFor(const std::string& path) {
    for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return HostText(path);
  }
};

TEST_F(SimPrograms, ProgramsAndVerbsStartAsMapped) {
  ASSERT_TRUE(M->CreateDirectoryA("C:\\Work"));
  ASSERT_TRUE(M->SetCurrentDirectoryA("C:\\Work"));
  M->SetModuleFileName("D:\\etapix.exe");
  EXPECT_EQ(M->GetModuleFileNameA(), "D:\\etapix.exe");

  // A mapped program runs on the host in the working folder, with the machine's environment.
  EXPECT_EQ(M->WinExec("tool.exe \"um dois\"", SW_SHOWNORMAL), 33u);
  // "um dois" is one argument.
  EXPECT_EQ(WaitFor(FDir + "/drives/c/Work/out.txt"), "C:\\Work\\tool.exe+C:\\Work+1");
  // The launcher's way: found beside it, only journalled; the default verb on instalar.exe.
  EXPECT_EQ(M->WinExec("Firebird-2.0.1.12855-1-Win32.exe", SW_SHOWNORMAL), 33u);
  EXPECT_EQ(M->ShellExecuteA(0, "", "instalar.exe", "", "D:\\", SW_SHOWNORMAL), 42);
  // It works in the host folder of its working folder, here the CD-ROM's.
  EXPECT_EQ(WaitFor(FRoot + "/cd/inst.txt"), "D:\\instalar.exe+D:\\");
  EXPECT_EQ(M->ShellExecuteA(0, "print", "manual.htm", "", "D:\\", SW_SHOWNORMAL), 42);
  EXPECT_EQ(M->ShellExecuteA(0, "print", "none.htm", "", "D:\\", SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(M->ShellExecuteA(0, "explore", "manual.htm", "", "D:\\", SW_SHOWNORMAL), 31);
  EXPECT_EQ(M->WinExec("gone.exe", SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(M->WinExec("nothing", SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(M->WinExec("C:\\Nada\\x.exe", SW_SHOWNORMAL), ERROR_PATH_NOT_FOUND);
  M->MessageBeep(MB_ICONEXCLAMATION);
  EXPECT_TRUE(M->ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));

  const auto journal = M->Journal();
  ASSERT_EQ(journal.size(), 11u);
  EXPECT_EQ(journal[0],
            "winexec: command=\"tool.exe \"\"um dois\"\"\" dir=\"C:\\Work\" show=1 path=\"C:\\Work\\tool.exe\" "
            "host=\"/bin/sh -c \"\"printf %s+%s+%s $VQM_MODULE $VQM_CURDIR $# > out.txt\"\" sh\" result=33");
  EXPECT_EQ(journal[1],
            "winexec: command=\"Firebird-2.0.1.12855-1-Win32.exe\" dir=\"C:\\Work\" show=1 "
            "path=\"D:\\Firebird-2.0.1.12855-1-Win32.exe\" result=33");
  EXPECT_TRUE(journal[2].starts_with("shellexecute: verb=\"\" file=\"instalar.exe\" parameters=\"\" dir=\"D:\\\" "
                                     "show=1 path=\"D:\\instalar.exe\" host="))
      << journal[2];
  EXPECT_EQ(journal[3],
            "shellexecute: verb=\"print\" file=\"manual.htm\" parameters=\"\" dir=\"D:\\\" show=1 "
            "path=\"D:\\manual.htm\" result=42");
  EXPECT_TRUE(journal[4].ends_with("result=2"));
  EXPECT_TRUE(journal[5].ends_with("result=31"));
  EXPECT_EQ(journal[9], "beep: type=0x00000030");
  EXPECT_EQ(journal[10], "exitwindows: flags=0x00000006 reason=0x00000000");
}

TEST_F(SimShell, SoundAndMessageBoxes) {
  Put("C:\\change.wav", std::string("RIFF\x24\0\0\0WAVEfmt ", 16));
  Put("C:\\bad.wav", "not a wave");
  struct {
    const char* file;
    DWORD error;
  } const opens[] = {{"C:\\none.wav", 275}, {"C:\\x.mp3", 281}, {"C:\\bad.wav", 296}, {"C:\\CHANGE.WAV", 0}};
  MCIDEVICEID device = 0;
  for (const auto& o : opens) EXPECT_EQ(M->MciOpenElement(o.file, 0, device), o.error) << o.file;
  EXPECT_EQ(device, 1u);
  EXPECT_EQ(M->MciPlay(device, 0), 0u);
  EXPECT_EQ(M->MciPlay(7, 0), 257u);
  EXPECT_EQ(M->MciClose(device), 0u);
  EXPECT_EQ(M->MciClose(device), 257u);
  EXPECT_EQ(M->MciGetErrorStringA(275),
            "Cannot find the specified file. Make sure the path and filename are correct.");

  TScriptedDialogs dialogs;
  dialogs.AnswerMessageBox(IDNO);
  EXPECT_EQ(M->MessageBoxA(0, "Deseja continuar ?\r\nSim", "Atenção"_a, MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_EQ(dialogs.Asked()[0].Caption, "Atenção"_a);

  const auto journal = M->Journal();
  ASSERT_EQ(journal.size(), 9u);
  EXPECT_EQ(journal[0], "sound: open file=\"C:\\none.wav\" device=0 result=275");
  EXPECT_EQ(journal[3], "sound: open file=\"C:\\CHANGE.WAV\" device=1 result=0");
  EXPECT_EQ(journal[4], "sound: play device=1 file=\"C:\\CHANGE.WAV\" result=0");
  EXPECT_EQ(journal[5], "sound: play device=7 result=257");
  EXPECT_EQ(journal[6], "sound: close device=1 result=0");
  EXPECT_EQ(journal[8],
            "msgbox: type=0x00000024 caption=\"Atenção\" text=\"Deseja continuar ?\\x0D\\x0ASim\" answer=7");
}

}  // namespace
}  // namespace simtest
