#pragma once
// The DDE conversation with Program Manager: the management library is
// initialised once per program, a conversation object belongs to a window.

#include "platform/WinApi.h"
#include "rtl/Exceptions.h"

namespace platform {

RTL_EXCEPTION(EDdeError, rtl::Exception);

// Initialises the DDE management library as a standard application. Raises
// EDdeError with the library's last error: "Erro ocorreu quando DDE ran sem
// memória ($0%x)", "DDE Erro - conversação não estabelecida ($0%x)" or
// "Um erro retornou do DDE  ($0%x)". A second call does nothing.
void DdeInitialize();
void DdeUninitialize();
DWORD DdeInstance();  // 0 before DdeInitialize
// The error text for a DDE library code.
AnsiString DdeErrorText(UINT code);

class TDdeClientConv {
 public:
  TDdeClientConv() = default;
  ~TDdeClientConv() { Close(); }
  TDdeClientConv(const TDdeClientConv&) = delete;
  TDdeClientConv& operator=(const TDdeClientConv&) = delete;

  // Connects to the server; when none answers, starts the program
  // "<service> <topic>" minimised and tries once more. Returns whether a
  // conversation exists; after a failure Service and Topic are cleared.
  bool Open(const AnsiString& service, const AnsiString& topic);
  // Starts an asynchronous execute transaction; true when it was started.
  // Program Manager's outcome is never observed.
  bool Execute(const AnsiString& command);
  void Close();

  bool Connected() const { return FConv != 0; }
  const AnsiString& Service() const { return FService; }
  const AnsiString& Topic() const { return FTopic; }
  UINT DataFormat() const { return FFormat; }

 private:
  HCONV Connect();

  AnsiString FService, FTopic;
  HSZ FHszService = 0;
  HSZ FHszTopic = 0;
  HCONV FConv = 0;
  UINT FFormat = CF_TEXT;
};

}  // namespace platform
