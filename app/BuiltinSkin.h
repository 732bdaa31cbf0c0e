// The built-in skin package, embedded in the program as an RCDATA resource.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Streams.h"

inline constexpr wchar_t kBuiltinSkinName[] = L"Frost (internal)";
inline constexpr wchar_t kBuiltinSkinResource[] = L"FROST_INTERNAL";

// A copy of the package bytes stored in `module` (the program itself when null), or null
// when the module holds none. The caller owns the stream.
std::unique_ptr<TMemoryStream> LoadBuiltinSkinPackage(HMODULE module = nullptr);
