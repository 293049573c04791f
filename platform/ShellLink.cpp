// The shell link object over the system's COM object.

#include "platform/ShellLink.h"

namespace platform {

TShellLink::TShellLink() : FLink(Api().CreateShellLink()) {
  if (!FLink) throw EShellLinkError("Não foi possível criar o objeto de atalho do Windows (ShellLink)"_a);
}

}  // namespace platform
