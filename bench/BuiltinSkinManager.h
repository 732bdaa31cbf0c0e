// The benchmarks' skin: the package embedded in the program, stored in `manager` and made
// its current skin.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "app/BuiltinSkin.h"
#include "skin/core/sSkinManager.h"

// False (with a line on standard output) when the skin did not load.
inline bool UseBuiltinSkin(TsSkinManager& manager) {
  TsStoredSkins stored;
  TsStoredSkin& frost = stored.Add();
  frost.Name = kBuiltinSkinName;
  if (auto package = LoadBuiltinSkinPackage()) {
    const auto* bytes = static_cast<const uint8_t*>(package->Memory());
    frost.Data.assign(bytes, bytes + package->Size());
  }
  manager.SetInternalSkins(stored);
  manager.SetSkinName(kBuiltinSkinName);
  if (manager.SkinActive()) return true;
  std::printf("the built-in skin did not load\n");
  return false;
}
