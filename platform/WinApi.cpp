// The backend in use.

#include "platform/WinApi.h"

#include "rtl/Exceptions.h"

namespace platform {

namespace {
TWinApi* gApi = nullptr;
}

TWinApi& Api() {
  // A program that forgot to install its backend gets an error, not a crash.
  if (!gApi) throw rtl::Exception("No Windows backend installed");
  return *gApi;
}

void SetApi(TWinApi* api) { gApi = api; }

}  // namespace platform
