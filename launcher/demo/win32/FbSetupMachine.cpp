// The stand-in's machine on Windows: the real system.

#include "launcher/demo/FbSetupMachine.h"

#include "platform/win32/Win32Api.h"

namespace launcher::demo {

struct TMachine::TImpl {
  platform::win32::TWin32Api Api;
};

TMachine::TMachine() : FImpl(std::make_unique<TImpl>()) { platform::SetApi(&FImpl->Api); }
TMachine::~TMachine() { platform::SetApi(nullptr); }

}  // namespace launcher::demo
