// DDE initialisation and the client conversation.

#include "platform/Dde.h"

#include "rtl/Format.h"

namespace platform {

namespace {
DWORD gInstance = 0;
}

AnsiString DdeErrorText(UINT code) {
  switch (code) {
    case DMLERR_LOW_MEMORY:
    case DMLERR_MEMORY_ERROR:
      return rtl::Format("Erro ocorreu quando DDE ran sem memória ($0%x)"_a, {code});
    case DMLERR_NO_CONV_ESTABLISHED:
      return rtl::Format("DDE Erro - conversação não estabelecida ($0%x)"_a, {code});
    default:
      return rtl::Format("Um erro retornou do DDE  ($0%x)", {code});
  }
}

void DdeInitialize() {
  if (gInstance != 0) return;
  DWORD instance = 0;
  const UINT result = Api().DdeInitializeA(instance, APPCLASS_STANDARD);
  if (result == DMLERR_NO_ERROR) {
    gInstance = instance;
    return;
  }
  // The library's last error names the cause; the call's own result stands in
  // when the library has none to give.
  UINT code = Api().DdeGetLastError(instance);
  if (code == DMLERR_NO_ERROR) code = result;
  throw EDdeError(DdeErrorText(code));
}

void DdeUninitialize() {
  if (gInstance == 0) return;
  Api().DdeUninitialize(gInstance);
  gInstance = 0;
}

DWORD DdeInstance() { return gInstance; }

HCONV TDdeClientConv::Connect() {
  CONVCONTEXT context;
  context.iCodePage = CP_WINANSI;
  return Api().DdeConnect(gInstance, FHszService, FHszTopic, &context);
}

bool TDdeClientConv::Open(const AnsiString& service, const AnsiString& topic) {
  Close();
  FService = service;
  FTopic = topic;
  FHszService = Api().DdeCreateStringHandleA(gInstance, service, CP_WINANSI);
  FHszTopic = Api().DdeCreateStringHandleA(gInstance, topic, CP_WINANSI);
  FConv = Connect();
  if (FConv == 0 && Api().WinExec(service + " " + topic, SW_SHOWMINNOACTIVE) > 31) FConv = Connect();
  if (FConv == 0) {
    FService.clear();
    FTopic.clear();
    return false;
  }
  CONVINFO info;
  FFormat = Api().DdeQueryConvInfo(FConv, info) && info.wFmt != 0 ? info.wFmt : CF_TEXT;
  return true;
}

bool TDdeClientConv::Execute(const AnsiString& command) {
  if (FConv == 0) return false;
  // The command goes with its terminating NUL.
  const HDDEDATA data =
      Api().DdeCreateDataHandle(gInstance, reinterpret_cast<const BYTE*>(command.c_str()),
                                static_cast<DWORD>(command.size() + 1), FFormat);
  if (data == 0) return false;
  return Api().DdeClientTransaction(data, FConv, XTYP_EXECUTE, TIMEOUT_ASYNC);
}

void TDdeClientConv::Close() {
  if (FConv != 0) Api().DdeDisconnect(FConv);
  FConv = 0;
  if (FHszService != 0) Api().DdeFreeStringHandle(gInstance, FHszService);
  if (FHszTopic != 0) Api().DdeFreeStringHandle(gInstance, FHszTopic);
  FHszService = FHszTopic = 0;
  FFormat = CF_TEXT;
}

}  // namespace platform
