// Where the skin data layer reports a rejected skin.
//
// The skin data layer shows nothing itself: it hands the caption and text to a reporter.
// The GUI layer installs one that shows the skinned warning box (a platform message box
// with a warning icon until that exists); the tools install one that prints to stderr.
// Without an installed reporter, reports go to stderr.
#pragma once

#include "framework/SysUtils.h"

inline constexpr wchar_t kNotPackedSkinText[] = L"Loaded data is not a packed skin file";
inline constexpr wchar_t kWarningCaption[] = L"Warning";

class TacSkinReporter {
public:
  virtual ~TacSkinReporter() = default;
  // A warning with an OK button: `caption` is the box's caption, `text` its message.
  virtual void Warning(const String& caption, const String& text) = 0;
};

// Prints "caption: text" on stderr.
class TacStderrReporter : public TacSkinReporter {
public:
  void Warning(const String& caption, const String& text) override;
};

// The process-wide reporter; never null (stderr when none was installed).
TacSkinReporter& SkinReporter();
// Installs `reporter` (not owned; it must outlive its installation); null restores stderr.
void SetSkinReporter(TacSkinReporter* reporter);
