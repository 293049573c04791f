// DDE initialisation errors and the Program Manager conversation.

#include "platform/Dde.h"

#include <gtest/gtest.h>

#include "tests/platform/FakeApi.h"

using namespace platform;

namespace {

TEST(Dde, InitialisationErrorsNameTheCode) {
  struct {
    UINT code;
    AnsiString text;
  } const rows[] = {
      {DMLERR_LOW_MEMORY, "Erro ocorreu quando DDE ran sem memória ($04007)"_a},
      {DMLERR_MEMORY_ERROR, "Erro ocorreu quando DDE ran sem memória ($04008)"_a},
      {DMLERR_NO_CONV_ESTABLISHED, "DDE Erro - conversação não estabelecida ($0400A)"_a},
      {DMLERR_DLL_NOT_INITIALIZED, "Um erro retornou do DDE  ($04003)"},
  };
  for (const auto& row : rows) {
    fake::TFakeApi api;
    DdeUninitialize();
    api.DdeInitResult = DMLERR_INVALIDPARAMETER;
    api.DdeLastError = row.code;
    try {
      DdeInitialize();
      ADD_FAILURE() << "no error for " << row.code;
    } catch (const EDdeError& e) {
      EXPECT_EQ(e.Message(), row.text);
    }
    EXPECT_EQ(DdeInstance(), 0u);
  }
}

class DdeConversation : public testing::Test {
 protected:
  void SetUp() override { DdeInitialize(); }
  void TearDown() override { DdeUninitialize(); }
  std::vector<std::string> CallsStarting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& c : api.Calls)
      if (c.rfind(prefix, 0) == 0) found.push_back(c);
    return found;
  }
  fake::TFakeApi api;
};

TEST_F(DdeConversation, OpensWithAnAnsiContextAndExecutesAsynchronously) {
  TDdeClientConv conv;
  ASSERT_TRUE(conv.Open("PROGMAN", "PROGMAN"));
  EXPECT_EQ(CallsStarting("DdeConnect"),
            std::vector<std::string>{"DdeConnect PROGMAN PROGMAN cb=36 cp=1004 flags=0"});
  EXPECT_EQ(CallsStarting("DdeCreateStringHandleA"),
            (std::vector<std::string>{"DdeCreateStringHandleA PROGMAN 1004", "DdeCreateStringHandleA PROGMAN 1004"}));
  EXPECT_FALSE(api.Called("WinExec"));
  EXPECT_EQ(conv.DataFormat(), CF_TEXT);  // the server named no format
  EXPECT_TRUE(conv.Execute("[CreateGroup(Vantor Q-Mira)]"));
  EXPECT_EQ(CallsStarting("DdeCreateDataHandle"),
            std::vector<std::string>{std::string("DdeCreateDataHandle [CreateGroup(Vantor Q-Mira)]") + '\0' +
                                     "|29 fmt=1"});
  EXPECT_EQ(CallsStarting("DdeClientTransaction"),
            std::vector<std::string>{"DdeClientTransaction 99 16464 4294967295"});
  conv.Close();
  EXPECT_TRUE(api.Called("DdeDisconnect 99"));
  EXPECT_EQ(CallsStarting("DdeFreeStringHandle").size(), 2u);
  EXPECT_FALSE(conv.Execute("[AddItem(x)]"));
}

TEST_F(DdeConversation, StartsProgramManagerWhenNoServerAnswers) {
  api.ServerRunning = false;
  api.WinExecResult = 33;  // the fake server runs once started
  api.ConvFormat = 7;
  TDdeClientConv conv;
  ASSERT_TRUE(conv.Open("PROGMAN", "PROGMAN"));
  EXPECT_EQ(CallsStarting("WinExec"), std::vector<std::string>{"WinExec PROGMAN PROGMAN 7"});
  EXPECT_EQ(CallsStarting("DdeConnect").size(), 2u);
  EXPECT_EQ(conv.DataFormat(), 7u);
}

TEST_F(DdeConversation, FailsWithoutServerOrProgram) {
  for (UINT result : {0u, 2u, 31u}) {  // only a result above 31 is a start
    SCOPED_TRACE(result);
    api.Calls.clear();
    api.ServerRunning = false;
    api.WinExecResult = result;
    TDdeClientConv conv;
    EXPECT_FALSE(conv.Open("PROGMAN", "PROGMAN"));
    EXPECT_EQ(CallsStarting("DdeConnect").size(), 1u);
    EXPECT_EQ(conv.Service(), "");
    EXPECT_EQ(conv.Topic(), "");
    EXPECT_FALSE(conv.Execute("[CreateGroup(G)]"));
    EXPECT_FALSE(api.Called("DdeClientTransaction"));
  }
}

TEST_F(DdeConversation, ReopeningClosesThePreviousConversation) {
  TDdeClientConv conv;
  ASSERT_TRUE(conv.Open("PROGMAN", "PROGMAN"));
  ASSERT_TRUE(conv.Open("PROGMAN", "PROGMAN"));
  EXPECT_EQ(CallsStarting("DdeDisconnect").size(), 1u);
  EXPECT_EQ(CallsStarting("DdeFreeStringHandle").size(), 2u);
}

}  // namespace
