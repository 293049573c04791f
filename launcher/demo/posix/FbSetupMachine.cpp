// The stand-in's machine on Linux: the simulated one.

#include "launcher/demo/FbSetupMachine.h"

#include "platform/sim/SimMachine.h"

namespace launcher::demo {

struct TMachine::TImpl {};

TMachine::TMachine() { platform::sim::InstallFromEnvironment(); }
TMachine::~TMachine() = default;

}  // namespace launcher::demo
