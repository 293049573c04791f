#pragma once
// Segmented archives: the fixture of small blocks and segments.

#include "tests/archiver/component_fixture.h"

namespace archiver_test {

using archiver::TArchiveHeader;
using archiver::TFileEntry;

class SegmentTest : public TMachineTest {
 protected:
  // Small blocks and the smallest segments they allow, so a few kilobytes span.
  // (Blocks of 2048 bytes: a block of noise still fits the compressor's room.)
  static void Small(TArchiver& a) {
    a.SetBlockSize(2048);
    a.SetMaxSegmentSize(6144);
  }

  // English texts from the archive component.
  void ConfigureMachine(TMachineOptions& options) override { options.LanguageId = 0x0409; }

  // Extracts the whole archive into C:\out; the number of segment changes.
  int ExtractAll(const AnsiString& archive, archiver::TOptions extra = {}) {
    TArchiver a;
    a.SetErrorAction(archiver::eaAbort);
    a.SetFileName(archive);
    a.SetExtractPath("C:\\out");
    a.SetRestoreAction(archiver::raOverwrite);
    a.SetOptions(a.Options() + extra);
    int changes = 0;
    a.OnSegmentChanged = [&](archiver::TArchiverRoot*) { ++changes; };
    a.Open();
    a.ExtractFiles();
    a.Close();
    return changes;
  }
};

}  // namespace archiver_test
