#include "app/BuiltinSkin.h"

std::unique_ptr<TMemoryStream> LoadBuiltinSkinPackage(HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, kBuiltinSkinResource, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!info) return nullptr;
  HGLOBAL resource = LoadResource(module, info);
  const DWORD size = SizeofResource(module, info);
  const void* bytes = resource ? LockResource(resource) : nullptr;
  if (!bytes || size == 0) return nullptr;
  auto stream = std::make_unique<TMemoryStream>();
  stream->WriteBuffer(bytes, size);
  stream->SetPosition(0);
  return stream;
}
