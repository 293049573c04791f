// The silent abort.

#include "rtl/Exceptions.h"

namespace rtl {

void Abort() { throw EAbort("Operation aborted"); }

}  // namespace rtl
