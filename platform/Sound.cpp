// The media player over the MCI commands.

#include "platform/Sound.h"

namespace platform {

TMediaPlayer::~TMediaPlayer() {
  try {
    Close();
  } catch (...) {
    // A device that will not close is of no concern once the player is gone.
  }
}

void TMediaPlayer::RaiseError(DWORD code) { throw EMCIDeviceError(Api().MciGetErrorStringA(code)); }

void TMediaPlayer::Open() {
  Close();
  MCIDEVICEID device = 0;
  if (const DWORD error = Api().MciOpenElement(FFileName, FHandle, device)) RaiseError(error);
  FDevice = device;
}

void TMediaPlayer::Play() {
  if (FDevice == 0) throw EMCIDeviceError("Nenhum dispositivo de MCI aberto");
  if (const DWORD error = Api().MciPlay(FDevice, FHandle)) RaiseError(error);
}

void TMediaPlayer::Close() {
  if (FDevice == 0) return;
  const MCIDEVICEID device = FDevice;
  FDevice = 0;
  if (const DWORD error = Api().MciClose(device)) RaiseError(error);
}

}  // namespace platform
