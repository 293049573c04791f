#pragma once
// The attachable generator of a self-extracting archive's executable prefix.
// It knows the prefix sizes and writes and updates the prefix; this base
// writes nothing and has prefix sizes of 0.

#include <cstdint>

#include "archiver/ArchiverMisc.h"
#include "rtl/Classes.h"
#include "rtl/Component.h"

namespace archiver {

class TCustomSFXGenerator : public rtl::TComponent {
 public:
  explicit TCustomSFXGenerator(rtl::TComponent* owner = nullptr) : rtl::TComponent(owner) {}

  TLanguage Language() const { return FLanguage; }
  void SetLanguage(TLanguage value);

  // Prefix sizes used while the archive file does not exist yet.
  virtual int32_t DefaultSFXCodeSize() const { return 0; }
  virtual int32_t DefaultTagInfoSize() const { return 0; }

  virtual void LanguageChanged() {}
  // Writes the prefix at the stream's position.
  virtual void WriteCode(rtl::TStream& stream) {}
  // Brings the prefix up to date after the header changed.
  virtual void UpdateTag(rtl::TStream& stream) {}

 private:
  TLanguage FLanguage = lgAutomatic;
};

}  // namespace archiver
