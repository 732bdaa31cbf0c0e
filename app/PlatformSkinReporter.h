// Shows skin load warnings: through the engine's warning box while a skin is active, else
// in a platform message box with a warning icon over the active window.
#pragma once

#include "skin/data/acSkinReport.h"

class TPlatformSkinReporter : public TacSkinReporter {
public:
  void Warning(const String& caption, const String& text) override;
};

// Installs a reporter for the lifetime of the guard.
class TScopedSkinReporter {
public:
  explicit TScopedSkinReporter(TacSkinReporter* reporter) { SetSkinReporter(reporter); }
  ~TScopedSkinReporter() { SetSkinReporter(nullptr); }
  TScopedSkinReporter(const TScopedSkinReporter&) = delete;
  TScopedSkinReporter& operator=(const TScopedSkinReporter&) = delete;
};
