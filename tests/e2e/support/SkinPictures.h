// Skins as the end-to-end drivers load them, and the pictures the painting core composes
// from them, to compare with what the program shows.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "skin/data/sSkinOptions.h"
#include "skin/paint/PaintTypes.h"
#include "tests/e2e/support/Screenshot.h"

namespace e2e {

// A loaded skin, or null when it cannot be loaded (the reason is printed).
std::unique_ptr<TsSkinTables> LoadPackageTables(const std::wstring& path);
std::unique_ptr<TsSkinTables> LoadFolderTables(const std::wstring& folder);

Picture PictureOf(const TSurfaceView& view);

// A skinned form's frame as its frame provider paints it, less its icon, caption text and
// caption buttons: the "FORM" section over the whole window (`width` x `height`) and
// "FORMTITLE" over the top `band` rows on top of it, in `state` (1 active, 0 inactive).
Picture ComposeFrame(const TsSkinTables& skin, int width, int height, int band, int state);

// The main window's background as its frame provider composes it: the "FORM" section
// over the whole window (`width` x `height`) in the active look.
std::unique_ptr<TSurface> ComposeFormBackground(const TsSkinTables& skin, int width, int height);

// The panel's picture as TsPanel shows it: the skin's "PANEL" section composed at the
// panel's size and position, state 0, over a parent whose colour is `formColour` (RGB);
// then, as every painter does before it shows its picture, the key pixels of the border
// mask's corners take the parent's background: `formPicture` at the panel's place
// (`panelInWindow`) when the parent has one, else the parent's colour.
Picture ComposePanel(const TsSkinTables& skin, const RECT& panelInForm, COLORREF formColour,
                     const TSurfaceView* formPicture = nullptr, POINT panelInWindow = {});

}  // namespace e2e
