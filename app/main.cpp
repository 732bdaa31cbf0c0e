// The program entry: the application object, the main window, the message loop.
#include <windows.h>

#include "app/AppIcon.h"
#include "app/PlatformSkinReporter.h"
#include "app/umain.h"
#include "skin/dialogs/acDials.h"
#include "skin/window/acEditWnd.h"
#include "skin/window/sSkinMenus.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  TPlatformSkinReporter skinWarnings;
  const TScopedSkinReporter installed(&skinWarnings);
  try {
    FillApplicationIcon(Application->Icon());
    Application->Initialize();
    // Forms get their skinned frames from the thread hook as they are first activated, the
    // list box its frame and scroll bars from a window handler.
    UseDialogHook();
    UseWindowHandlers();
    // Pop-up menus are drawn from the skin.
    UseSkinableMenus();
    Application->SetTitle(L"Equidiv");
    Application->CreateForm<Tfrmmain>();
    Application->Run();
  } catch (...) {
    Application->HandleException(Application);
    return 1;
  }
  return 0;
}
