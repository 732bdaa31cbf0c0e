#include "HandlerFixture.h"

#include <cstdio>

#include "framework/Handles.h"

namespace {

const wchar_t kHostClass[] = L"EquidivHandlerHost";

void RegisterHost() {
  static bool done = false;
  if (done) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kHostClass;
  RegisterClassW(&wc);
  done = true;
}

std::unique_ptr<TBitmap> Grab(HWND window, bool whole) {
  RECT r{};
  if (whole)
    GetWindowRect(window, &r);
  else
    GetClientRect(window, &r);
  auto shot = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top);
  HDC dc = whole ? GetWindowDC(window) : GetDC(window);
  BitBlt(shot->Canvas().Handle(), 0, 0, shot->Width(), shot->Height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(window, dc);
  GdiFlush();
  return shot;
}

}  // namespace

uint32_t PixelOf(const TSurfaceView& view, int x, int y) {
  const uint8_t* p = view.Pixel(x, y);
  return p[0] | (p[1] << 8) | (p[2] << 16);
}

void SaveBmp(const TSurfaceView& view, const std::wstring& path) {
  const int stride = (view.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = view.width;
  info.biHeight = view.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * view.height);
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return;
  fwrite(&file, sizeof(file), 1, out);
  fwrite(&info, sizeof(info), 1, out);
  std::string row(static_cast<size_t>(stride), '\0');
  for (int y = view.height - 1; y >= 0; --y) {
    for (int x = 0; x < view.width; ++x) {
      const uint8_t* p = view.Pixel(x, y);
      row[static_cast<size_t>(x * 3)] = static_cast<char>(p[0]);
      row[static_cast<size_t>(x * 3 + 1)] = static_cast<char>(p[1]);
      row[static_cast<size_t>(x * 3 + 2)] = static_cast<char>(p[2]);
    }
    fwrite(row.data(), 1, row.size(), out);
  }
  fclose(out);
}

void HandlerTest::SetUp() {
  EnsureApplication();
  ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
  manager = std::make_unique<TsSkinManager>(nullptr);
  manager->SetSkinDirectory(skins.Resolved());
  TsStoredSkins stored;
  stored.Add(PackagedSkin(L"Frost"));
  manager->SetInternalSkins(stored);
  manager->SetSkinName(L"Frost");
  ASSERT_TRUE(manager->SkinActive());
  RegisterHost();
  host = CreateWindowExW(0, kHostClass, L"host", WS_POPUP | WS_CLIPCHILDREN, 40, 40, 400, 300, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  ShowWindow(host, SW_SHOWNOACTIVATE);
  UpdateWindow(host);
}

void HandlerTest::TearDown() {
  if (host) DestroyWindow(host);
  manager.reset();
}

HWND HandlerTest::Child(const wchar_t* className, const wchar_t* text, DWORD style, RECT b, DWORD exStyle) {
  HWND w = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, b.left, b.top, b.right - b.left,
                           b.bottom - b.top, host, nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(w, nullptr);
  return w;
}

void HandlerTest::Settle(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Application->ProcessMessages();
}

std::unique_ptr<TBitmap> HandlerTest::ClientPixels(HWND window) {
  Settle(window);
  return Grab(window, false);
}

std::unique_ptr<TBitmap> HandlerTest::ScreenPixels(HWND window) { return Grab(window, false); }

std::unique_ptr<TBitmap> HandlerTest::WindowPixels(HWND window) {
  Settle(window);
  return Grab(window, true);
}
