// The program entry: the application object, the main window, the message loop.
#include <windows.h>

#include "app/umain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    Application->Initialize();
    Application->SetTitle(L"Equidiv");
    Application->CreateForm<Tfrmmain>();
    Application->Run();
  } catch (...) {
    Application->HandleException(Application);
    return 1;
  }
  return 0;
}
