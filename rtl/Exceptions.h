#pragma once
// The one exception hierarchy of the system. EAbort is the silent abort:
// a user's cancel or an honoured abort request; callers never report it.

#include <stdexcept>
#include <string>

#include "rtl/AnsiString.h"

namespace rtl {

class Exception : public std::exception {
 public:
  explicit Exception(AnsiString message) : FMessage(std::move(message)) {}
  const AnsiString& Message() const noexcept { return FMessage; }
  void SetMessage(AnsiString m) { FMessage = std::move(m); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  AnsiString FMessage;
};

// The base is named through an alias so that a qualified name such as
// rtl::Exception works as well.
#define RTL_EXCEPTION(Name, Base) \
  class Name : public Base {      \
    using TBase = Base;           \
                                  \
   public:                        \
    using TBase::TBase;           \
  }

RTL_EXCEPTION(EAbort, Exception);
RTL_EXCEPTION(EConvertError, Exception);
RTL_EXCEPTION(EStreamError, Exception);
RTL_EXCEPTION(EReadError, EStreamError);
RTL_EXCEPTION(EWriteError, EStreamError);
RTL_EXCEPTION(EFOpenError, EStreamError);
RTL_EXCEPTION(EFCreateError, EStreamError);
RTL_EXCEPTION(EInOutError, Exception);
RTL_EXCEPTION(EOSError, Exception);

// Raises the silent abort.
[[noreturn]] void Abort();

}  // namespace rtl
