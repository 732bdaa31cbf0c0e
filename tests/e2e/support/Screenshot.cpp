#include "tests/e2e/support/Screenshot.h"

#include <cstdio>
#include <cstring>

#include "tests/e2e/support/Wait.h"

namespace e2e {

COLORREF Picture::Pixel(int x, int y) const {
  const uint8_t* p = &bgr[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
  return RGB(p[2], p[1], p[0]);
}

Picture CaptureScreen(const RECT& rect) {
  Picture picture;
  picture.width = rect.right - rect.left;
  picture.height = rect.bottom - rect.top;
  if (picture.Empty()) return {};

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (memory && bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    size_t rowBytes = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t{3};
    picture.bgr.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3);
    for (int y = 0; y < picture.height; ++y)
      memcpy(&picture.bgr[static_cast<size_t>(y) * static_cast<size_t>(picture.width) * 3],
             static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * rowBytes, static_cast<size_t>(picture.width) * 3);
    SelectObject(memory, old);
  } else {
    picture = {};
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

Picture CaptureSettled(const RECT& rect, DWORD ms) {
  Picture last = CaptureScreen(rect);
  WaitFor([&] {
    Picture now = CaptureScreen(rect);
    bool same = now == last;
    last = std::move(now);
    return same;
  }, ms, 60);
  return last;
}

RECT UnionOf(const RECT& a, const RECT& b) {
  RECT out{};
  UnionRect(&out, &a, &b);
  return out;
}

bool SaveBmp(const Picture& picture, const std::wstring& path) {
  if (picture.Empty()) return false;
  size_t rowBytes = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t{3};
  size_t imageBytes = rowBytes * static_cast<size_t>(picture.height);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + imageBytes);
  header.biSize = sizeof header;
  header.biWidth = picture.width;
  header.biHeight = picture.height;  // bottom-up, the form every reader takes
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(imageBytes);

  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return false;
  bool ok = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1;
  std::vector<uint8_t> row(rowBytes, 0);
  for (int y = picture.height - 1; ok && y >= 0; --y) {
    memcpy(row.data(), &picture.bgr[static_cast<size_t>(y) * static_cast<size_t>(picture.width) * 3],
           static_cast<size_t>(picture.width) * 3);
    ok = fwrite(row.data(), 1, rowBytes, out) == rowBytes;
  }
  return fclose(out) == 0 && ok;
}

}  // namespace e2e
