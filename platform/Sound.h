#pragma once
// The media player: plays one sound file in the background through the Media
// Control Interface. The completion notice is ignored.

#include "platform/WinApi.h"
#include "rtl/Exceptions.h"

namespace platform {

RTL_EXCEPTION(EMCIDeviceError, rtl::Exception);

class TMediaPlayer {
 public:
  TMediaPlayer() = default;
  ~TMediaPlayer();
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  // The window that receives the MCI notices.
  HWND Handle() const { return FHandle; }
  void SetHandle(HWND handle) { FHandle = handle; }
  const AnsiString& FileName() const { return FFileName; }
  void SetFileName(const AnsiString& fileName) { FFileName = fileName; }
  MCIDEVICEID DeviceID() const { return FDevice; }

  // Closes an open device, then opens FileName; the device follows the file's
  // extension. EMCIDeviceError with the system's text for the code.
  void Open();
  void Open(const AnsiString& fileName) {
    SetFileName(fileName);
    Open();
  }
  // Starts playing and returns at once. EMCIDeviceError "Nenhum dispositivo de
  // MCI aberto" when no device is open.
  void Play();
  void Close();

 private:
  [[noreturn]] void RaiseError(DWORD code);

  HWND FHandle = 0;
  AnsiString FFileName;
  MCIDEVICEID FDevice = 0;
};

}  // namespace platform
