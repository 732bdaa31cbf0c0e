// Colours, fonts, brushes, pens, canvases, DIB-section bitmaps and icons over GDI.
//
// `TColor` and the plain colours come from framework/Colors.h; here are the named system
// colours (`clBtnFace` ...) and `ColorToRGB`, which turns either kind into plain RGB. `TBitmap` keeps its pixels
// in a DIB section of 24 or 32 bits, reachable as a `TSurfaceView` and by row index, with
// a memory DC for GDI drawing; the same store backs `NewSurface` once
// `InstallDibSurfaceFactory` has run, so skin painters and GDI share one pixel store.
//
// Left out: palettes, metafiles, pixel formats other than 24 and 32 bits, image files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "framework/Colors.h"
#include "framework/Handles.h"
#include "framework/Surface.h"
#include "framework/SysUtils.h"

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);

// Plain 0x00BBGGRR for any colour; system colours are looked up now.
COLORREF ColorToRGB(TColor color);

// Seconds spent so far in text work done through this layer and the skin's text painters
// (making fonts, measuring and drawing text), for benchmarks that tell a picture's text
// from the rest of it. `TTextWork` adds its lifetime to the figure; nested ones count once.
double TextWorkSeconds();
class TTextWork {
public:
  TTextWork();
  ~TTextWork();
  TTextWork(const TTextWork&) = delete;
  TTextWork& operator=(const TTextWork&) = delete;

private:
  LONGLONG start_ = 0;
};

enum TFontStyle : uint32_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// Raised when something that drives a device fails (no DC, no bitmap memory).
class EInvalidGraphic : public Exception {
public:
  using Exception::Exception;
};

// A logical font; `Handle` makes (and caches) the GDI font. Every change fires OnChange.
class TFont {
public:
  TFont();
  ~TFont();
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const;

  const String& Name() const { return name_; }
  void SetName(const String& name);
  // Negative: character height in pixels; positive: cell height.
  int Height() const { return height_; }
  void SetHeight(int height);
  int Size() const;  // points at the screen's pixels per inch
  void SetSize(int points);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  uint32_t Style() const { return style_; }
  void SetStyle(uint32_t style);
  int Charset() const { return charset_; }
  void SetCharset(int charset);

  // The GDI font for the current attributes; owned by this object.
  HFONT Handle() const;

  std::function<void(TFont*)> OnChange;

private:
  void Changed();

  String name_ = L"MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  uint32_t style_ = 0;
  int charset_ = DEFAULT_CHARSET;
  mutable TFontHandle handle_;
};

// Name, height, charset and style (bold from FW_BOLD up, italic, underline, strike-out)
// of a platform font description.
void AssignLogFont(TFont& font, const LOGFONTW& lf);

enum class TBrushStyle { bsSolid, bsClear };

class TBrush {
public:
  TBrush() = default;
  ~TBrush();
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  // A solid brush of the colour (the null brush for bsClear); owned by this object.
  HBRUSH Handle() const;

private:
  TColor color_ = clWhite;
  TBrushStyle style_ = TBrushStyle::bsSolid;
  mutable TBrushHandle handle_;
};

class TPen {
public:
  TPen() = default;
  ~TPen();
  TPen(const TPen&) = delete;
  TPen& operator=(const TPen&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  HPEN Handle() const;

private:
  TColor color_ = clBlack;
  int width_ = 1;
  mutable TPenHandle handle_;
};

// Drawing on a borrowed device context with a font, a brush and a pen. The canvas selects
// its objects while it draws and puts the previous ones back before it returns.
class TCanvas {
public:
  TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() const { return dc_; }
  // Borrowed: the caller keeps the DC alive while the canvas uses it.
  void SetHandle(HDC dc) { dc_ = dc; }

  TFont& Font() { return font_; }
  TBrush& Brush() { return brush_; }
  TPen& Pen() { return pen_; }

  void FillRect(const RECT& rect);
  void FrameRect(const RECT& rect);
  void Rectangle(const RECT& rect);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  // Text in the canvas font; a bsClear brush draws it transparently.
  void TextOut(int x, int y, const String& text);
  // DrawTextW with `flags` (DT_*) in the canvas font; returns the text height.
  int DrawText(const String& text, RECT& rect, UINT flags);
  SIZE TextExtent(const String& text);
  int TextWidth(const String& text) { return TextExtent(text).cx; }
  int TextHeight(const String& text) { return TextExtent(text).cy; }
  // Copies `source` from `sourceRect` to `destRect` (stretching when the sizes differ).
  void CopyRect(const RECT& destRect, HDC source, const RECT& sourceRect);

private:
  HDC Required() const;
  // The canvas font, colours and background mode, for text; callers save the DC first.
  void SelectTextAttributes(HDC dc);

  HDC dc_ = nullptr;
  TFont font_;
  TBrush brush_;
  TPen pen_;
};

// A DIB section of 24 or 32 bits with its memory DC. Rows are bottom-up (negative row
// delta), as GDI makes them.
class TDibSurface : public TSurface {
public:
  // Raises EOutOfMemory when the DIB section cannot be made.
  TDibSurface(int width, int height, int bitsPerPixel);
  ~TDibSurface() override;

  HBITMAP Bitmap() const { return bitmap_.Get(); }
  // A memory DC with the bitmap selected; owned by the surface, made on first use.
  HDC DC();

private:
  // Destroyed in reverse: the bitmap is selected out before the DC goes, and the DC goes
  // before the bitmap.
  TBitmapHandle bitmap_;
  TMemoryDC dc_;
  std::optional<TSelectGuard> selection_;
};

// Points `NewSurface` at DIB sections. The application object does this at start.
void InstallDibSurfaceFactory();

enum class TPixelFormat { pf24bit, pf32bit };

class TBitmap {
public:
  TBitmap() = default;
  TBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const { return surface_ ? surface_->Width() : 0; }
  int Height() const { return surface_ ? surface_->Height() : 0; }
  TPixelFormat PixelFormat() const { return format_; }
  // Each of these keeps the pixels that still fit and zero-fills the rest.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  void SetPixelFormat(TPixelFormat format);

  bool Empty() const { return Width() == 0 || Height() == 0; }
  // Row `y` (0 = top) of the pixel store; no bounds check.
  uint8_t* ScanLine(int y) const { return surface_->View().Row(y); }
  // The pixel store; empty when the bitmap has no size.
  TSurfaceView View() const { return surface_ ? surface_->View() : TSurfaceView{}; }
  // The GDI bitmap, or null when empty. Owned by this object.
  HBITMAP Handle() const { return surface_ ? surface_->Bitmap() : nullptr; }
  // A canvas on the bitmap's memory DC; valid while the bitmap keeps its size.
  TCanvas& Canvas();

private:
  void Recreate(int width, int height, TPixelFormat format);

  std::unique_ptr<TDibSurface> surface_;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  TCanvas canvas_;
};

// An icon of several square 32-bit images (with alpha). `Handle(size)` gives the image
// nearest to `size` pixels, as a GDI icon owned by this object.
class TIcon {
public:
  TIcon() = default;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  // Adds an image of size × size pixels from 32-bit BGRA rows, top row first.
  void AddImage(int size, const std::vector<uint32_t>& pixels);
  int ImageCount() const { return static_cast<int>(images_.size()); }
  int ImageSize(int index) const { return images_.at(static_cast<size_t>(index)).size; }
  bool Empty() const { return images_.empty(); }
  HICON Handle(int size) const;

private:
  struct Image {
    int size;
    TIconHandle icon;
  };
  std::vector<Image> images_;
};
