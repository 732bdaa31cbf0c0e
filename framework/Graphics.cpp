#include "framework/Graphics.h"

#include <algorithm>
#include <cstring>

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(static_cast<int>(static_cast<uint32_t>(color) & 0xFF));
  return static_cast<COLORREF>(color) & 0x00FFFFFFu;
}

namespace {
LONGLONG gTextWorkTicks = 0;
int gTextWorkDepth = 0;

LONGLONG Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}
}  // namespace

double TextWorkSeconds() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(gTextWorkTicks) / static_cast<double>(frequency.QuadPart);
}

TTextWork::TTextWork() {
  if (gTextWorkDepth++ == 0) start_ = Ticks();
}

TTextWork::~TTextWork() {
  if (--gTextWorkDepth == 0) gTextWorkTicks += Ticks() - start_;
}

namespace {
int ScreenPixelsPerInch() {
  const TClientDC screen = TClientDC::Screen();
  const int ppi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return ppi > 0 ? ppi : 96;
}
}  // namespace

// ---- TFont

TFont::TFont() = default;
TFont::~TFont() = default;

void TFont::Changed() {
  handle_.Reset();
  if (OnChange) OnChange(this);
}

void TFont::Assign(const TFont& other) {
  if (SameAs(other)) return;
  // The colour is drawn with the text colour, not with the platform font: a font that
  // differs in colour only keeps its handle.
  const bool sameFace =
      name_ == other.name_ && height_ == other.height_ && style_ == other.style_ && charset_ == other.charset_;
  name_ = other.name_;
  height_ = other.height_;
  color_ = other.color_;
  style_ = other.style_;
  charset_ = other.charset_;
  if (sameFace) {
    if (OnChange) OnChange(this);
    return;
  }
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ &&
         style_ == other.style_ && charset_ == other.charset_;
}

void TFont::SetName(const String& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}
void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}
int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch()); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72)); }
void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  if (OnChange) OnChange(this);  // the platform font stays: see Assign
}
void TFont::SetStyle(uint32_t style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}
void TFont::SetCharset(int charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void AssignLogFont(TFont& font, const LOGFONTW& lf) {
  font.SetName(lf.lfFaceName);
  font.SetHeight(lf.lfHeight);
  font.SetCharset(lf.lfCharSet);
  font.SetStyle((lf.lfWeight >= FW_BOLD ? fsBold : 0u) | (lf.lfItalic ? fsItalic : 0u) |
                (lf.lfUnderline ? fsUnderline : 0u) | (lf.lfStrikeOut ? fsStrikeOut : 0u));
}

HFONT TFont::Handle() const {
  if (!handle_) {
    const TTextWork work;
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(charset_);
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    wcsncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
    handle_ = NewFont(lf);
  }
  return handle_.Get();
}

// ---- TBrush, TPen

TBrush::~TBrush() = default;
void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ == TBrushStyle::bsSolid) return;
  color_ = color;
  style_ = TBrushStyle::bsSolid;
  handle_.Reset();
}
void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  handle_.Reset();
}
HBRUSH TBrush::Handle() const {
  if (style_ == TBrushStyle::bsClear) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  if (!handle_) handle_ = NewSolidBrush(ColorToRGB(color_));
  return handle_.Get();
}

TPen::~TPen() = default;
void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  handle_.Reset();
}
void TPen::SetWidth(int width) {
  if (width == width_) return;
  width_ = width;
  handle_.Reset();
}
HPEN TPen::Handle() const {
  if (!handle_) handle_ = NewPen(PS_SOLID, width_, ColorToRGB(color_));
  return handle_.Get();
}

// ---- TCanvas

HDC TCanvas::Required() const {
  if (!dc_) throw EInvalidGraphic(L"Canvas does not allow drawing");
  return dc_;
}

void TCanvas::SelectTextAttributes(HDC dc) {
  SelectObject(dc, font_.Handle());
  SetBkMode(dc, brush_.Style() == TBrushStyle::bsClear ? TRANSPARENT : OPAQUE);
  SetTextColor(dc, ColorToRGB(font_.Color()));
  SetBkColor(dc, ColorToRGB(brush_.Color()));
}

void TCanvas::FillRect(const RECT& rect) { ::FillRect(Required(), &rect, brush_.Handle()); }

void TCanvas::FrameRect(const RECT& rect) { ::FrameRect(Required(), &rect, brush_.Handle()); }

void TCanvas::Rectangle(const RECT& rect) {
  HDC dc = Required();
  TSelectGuard pen(dc, pen_.Handle());
  TSelectGuard brush(dc, brush_.Handle());
  ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Required(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  HDC dc = Required();
  TSelectGuard pen(dc, pen_.Handle());
  ::LineTo(dc, x, y);
}

void TCanvas::TextOut(int x, int y, const String& text) {
  HDC dc = Required();
  const TTextWork work;
  const TSavedDC saved(dc);
  SelectTextAttributes(dc);
  ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

int TCanvas::DrawText(const String& text, RECT& rect, UINT flags) {
  HDC dc = Required();
  const TTextWork work;
  const TSavedDC saved(dc);
  SelectTextAttributes(dc);
  return ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

SIZE TCanvas::TextExtent(const String& text) {
  HDC dc = Required();
  const TTextWork work;
  TSelectGuard font(dc, font_.Handle());
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void TCanvas::CopyRect(const RECT& destRect, HDC source, const RECT& sourceRect) {
  HDC dc = Required();
  const int dw = destRect.right - destRect.left, dh = destRect.bottom - destRect.top;
  const int sw = sourceRect.right - sourceRect.left, sh = sourceRect.bottom - sourceRect.top;
  if (dw == sw && dh == sh)
    BitBlt(dc, destRect.left, destRect.top, dw, dh, source, sourceRect.left, sourceRect.top, SRCCOPY);
  else
    StretchBlt(dc, destRect.left, destRect.top, dw, dh, source, sourceRect.left, sourceRect.top, sw, sh,
               SRCCOPY);
}

// ---- TDibSurface

TDibSurface::TDibSurface(int width, int height, int bitsPerPixel) {
  view_.bitsPerPixel = bitsPerPixel == 32 ? 32 : 24;
  width = std::max(width, 0);
  height = std::max(height, 0);
  view_.width = width;
  view_.height = height;
  if (width == 0 || height == 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(view_.bitsPerPixel);
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = NewDibSection(info, &bits);
  if (!bitmap_) throw EOutOfMemory(L"Out of system resources");
  const std::ptrdiff_t stride = SurfaceStride(width, view_.bitsPerPixel);
  std::memset(bits, 0, static_cast<size_t>(stride * height));
  view_.row0 = static_cast<uint8_t*>(bits) + stride * (height - 1);
  view_.rowDelta = -stride;
}

TDibSurface::~TDibSurface() = default;

HDC TDibSurface::DC() {
  if (!dc_) {
    dc_ = TMemoryDC::CompatibleWith(nullptr);
    if (!dc_) throw EInvalidGraphic(L"Out of system resources");
    if (bitmap_) selection_.emplace(dc_.Get(), bitmap_.Get());
  }
  if (bitmap_) GdiFlush();
  return dc_.Get();
}

void InstallDibSurfaceFactory() {
  SetSurfaceFactory([](int width, int height, int bitsPerPixel) -> std::unique_ptr<TSurface> {
    return std::make_unique<TDibSurface>(width, height, bitsPerPixel);
  });
}

// ---- TBitmap

TBitmap::TBitmap(int width, int height, TPixelFormat format) : format_(format) {
  Recreate(width, height, format);
}

void TBitmap::Recreate(int width, int height, TPixelFormat format) {
  auto fresh = std::make_unique<TDibSurface>(width, height, format == TPixelFormat::pf32bit ? 32 : 24);
  if (surface_ && !fresh->View().Empty() && !surface_->View().Empty()) {
    GdiFlush();
    const TSurfaceView from = surface_->View(), to = fresh->View();
    const int w = std::min(from.width, to.width), h = std::min(from.height, to.height);
    if (from.bitsPerPixel == to.bitsPerPixel) {
      for (int y = 0; y < h; ++y)
        std::memcpy(to.Row(y), from.Row(y), static_cast<size_t>(w) * static_cast<size_t>(to.BytesPerPixel()));
    } else {
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          std::memcpy(to.Pixel(x, y), from.Pixel(x, y), 3);
          if (to.bitsPerPixel == 32) to.Pixel(x, y)[3] = 0;
        }
    }
  }
  canvas_.SetHandle(nullptr);
  surface_ = std::move(fresh);
  format_ = format;
}

void TBitmap::SetSize(int width, int height) {
  if (surface_ && width == Width() && height == Height()) return;
  Recreate(width, height, format_);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_ && surface_) return;
  Recreate(Width(), Height(), format);
}

TCanvas& TBitmap::Canvas() {
  if (!surface_) Recreate(0, 0, format_);
  canvas_.SetHandle(surface_->DC());
  return canvas_;
}

// ---- TIcon

void TIcon::AddImage(int size, const std::vector<uint32_t>& pixels) {
  if (size <= 0 || pixels.size() != static_cast<size_t>(size) * static_cast<size_t>(size))
    throw EInvalidGraphic(L"Invalid icon image");
  TDibSurface colour(size, size, 32);
  const TSurfaceView view = colour.View();
  for (int y = 0; y < size; ++y)
    std::memcpy(view.Row(y), &pixels[static_cast<size_t>(y) * static_cast<size_t>(size)],
                static_cast<size_t>(size) * 4);
  // The AND mask is ignored for 32-bit images with alpha but must exist.
  std::vector<uint8_t> maskBits(static_cast<size_t>(SurfaceStride(size, 1) * size), 0);
  const TBitmapHandle mask = NewBitmap(size, size, 1, 1, maskBits.data());
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour.Bitmap();
  info.hbmMask = mask.Get();
  TIconHandle icon = NewIcon(info);
  if (!icon) throw EInvalidGraphic(L"Invalid icon image");
  images_.push_back({size, std::move(icon)});
}

HICON TIcon::Handle(int size) const {
  const Image* best = nullptr;
  for (const auto& image : images_)
    if (!best || std::abs(image.size - size) < std::abs(best->size - size)) best = &image;
  return best ? best->icon.Get() : nullptr;
}
