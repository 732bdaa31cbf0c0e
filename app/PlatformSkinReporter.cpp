#include "app/PlatformSkinReporter.h"

#include <windows.h>

void TPlatformSkinReporter::Warning(const String& caption, const String& text) {
  MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
}
