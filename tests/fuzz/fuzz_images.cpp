// Any bytes as a bitmap file and as a JPEG picture.
#include <cstddef>
#include <cstdint>

#include "skin/data/acImages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (auto bmp = DecodeBmp(data, size)) CopySurface(*bmp, 24);
  DecodeJpeg(data, size);
  return 0;
}
