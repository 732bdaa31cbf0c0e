// Skins as the end-to-end drivers load them, and the pictures the painting core composes
// from them, to compare with what the program shows.
#pragma once

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

}  // namespace e2e
