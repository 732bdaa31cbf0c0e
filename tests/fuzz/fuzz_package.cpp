// Any bytes as a skin package: unpacked, then loaded into skin tables.
#include <cstddef>
#include <cstdint>

#include "skin/data/sSkinOptions.h"

namespace {
class Quiet : public TacSkinReporter {
public:
  void Warning(const String&, const String&) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream package;
  if (size) package.WriteBuffer(data, static_cast<int64_t>(size));
  Quiet quiet;
  TsSkinTables tables;
  try {
    LoadSkinPackage(package, tables, &quiet);
  } catch (const Exception&) {
  }
  return 0;
}
