#include "app/PlatformSkinReporter.h"

#include <windows.h>

#include "skin/core/sSkinManager.h"
#include "skin/dialogs/acDials.h"

void TPlatformSkinReporter::Warning(const String& caption, const String& text) {
  // With a skin active the engine's box shows it (skinned like every platform dialog);
  // before that there is nothing to skin it with.
  if (TsSkinManager* manager = DefaultManager(); manager && manager->SkinActive()) {
    SkinWarning(text, caption);
    return;
  }
  MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
}
