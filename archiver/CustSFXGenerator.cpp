// The base executable-prefix generator.

#include "archiver/CustSFXGenerator.h"

namespace archiver {

void TCustomSFXGenerator::SetLanguage(TLanguage value) {
  FLanguage = value;
  LanguageChanged();
}

}  // namespace archiver
