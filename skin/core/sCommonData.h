// The skin binding every skinned control owns: which section of which skin manager it is
// painted from, its cached picture, the flags that say when that picture must be rebuilt
// (background changed, updating, partly hidden, mouse over, focused), the common skin
// commands it answers for its control, and the helpers that copy the cached picture to
// the screen around child controls.
//
// The binding does not own its control; the control owns the binding. Nothing here
// raises: faults while asking the manager or the control are swallowed and read as
// "not skinned".
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/ComponentLink.h"
#include "framework/Handles.h"
#include "framework/WinControls.h"
#include "skin/core/sNumbers.h"
#include "skin/paint/Compose.h"
#include "skin/paint/PaintTypes.h"

class TsSkinManager;

class TsCommonData {
public:
  // `owner` is the control (or, for a frame provider, another component) the binding
  // works for; borrowed. `withCache` gives it a cached picture.
  TsCommonData(TComponent* owner, bool withCache);
  ~TsCommonData();
  TsCommonData(const TsCommonData&) = delete;
  TsCommonData& operator=(const TsCommonData&) = delete;

  // Published settings.
  const std::string& SkinSection() const { return skinSection_; }
  void SetSkinSection(const std::string& name);
  // The effective manager: the explicit one or the default manager.
  TsSkinManager* SkinManager() const;
  // The explicit manager only (null means "the default").
  TsSkinManager* ExplicitManager() const { return explicitManager_.Get(); }
  void SetSkinManager(TsSkinManager* manager);
  bool CustomColor() const { return customColor_; }
  void SetCustomColor(bool on);
  bool CustomFont() const { return customFont_; }
  void SetCustomFont(bool on);

  // Resolved indexes (-1: none).
  int SectionIndex = -1;
  int BorderMaskIndex = -1;
  int PatternIndex = -1;
  int HotPatternIndex = -1;
  int ControlKind = 0;
  // Flags.
  bool UpdatingFlag = false;
  bool CacheHeldFlag = false;
  bool BackgroundChangedFlag = true;
  bool PartlyHiddenFlag = true;
  bool FocusedFlag = false;
  bool MouseOverFlag = false;
  // The non-windowed child that is repainting itself now (CMD_PAINTINGCHILD); borrowed.
  TControl* PaintingChild = nullptr;

  TControl* OwnerControl() const { return ownerControl_; }
  TComponent* OwnerObject() const { return ownerObject_; }
  // The cached picture (24 bits), or null when the binding keeps none.
  TBitmap* Cache() const { return cache_.get(); }

  // Called by the control once it is loaded or constructed: resolves the section.
  void Loaded();
  void UpdateIndexes();
  bool Skinned(bool needActive = false) const;
  // Whether the picture must not be drawn now; stored in UpdatingFlag by the caller.
  bool RefreshUpdating();
  // The control should show its hot look.
  bool IsActive() const;
  bool DependsOnParent() const;
  bool IsTransparentSection() const;
  // The cache as a 24-bit surface of the control's size.
  void PrepareCache();
  void Invalidate();
  void BeginUpdate();
  void EndUpdate();
  // The parent's cached picture (CMD_GETBGINFO); not ready without a parent or an answer.
  BgInfo GetParentBgInfo() const;
  static BgInfo GetWindowParentBgInfo(HWND window);
  // The common message handler; true when the message was a skin command it answered.
  bool CommonWndProc(TMessage& message);
  // The section record, or null when not resolved.
  const struct TsGeneralData* Section() const;

  // A control that is windowed has a window, is neither being created nor destroyed, is
  // not loading and has a parent.
  bool ControlReady() const;

private:
  bool HandleSkinCommand(TMessage& message);
  bool ManagerMatches(LPARAM manager) const;
  void ApplyEditColors();
  TColor ColorAnswer() const;
  bool BackgroundVariable() const;
  void PositionChanged(WORD low);
  bool IsContainerKind() const;
  bool IsEditControl() const;
  void PerformOnControl(WORD command, LPARAM value);
  static void PerformOn(TControl* control, WORD command, LPARAM value, WORD low);

  std::string skinSection_;
  // Null once that manager is freed, whether this binding heard of it or not.
  TComponentLink<TsSkinManager> explicitManager_;
  bool customColor_ = false;
  bool customFont_ = false;
  TControl* ownerControl_ = nullptr;
  TComponent* ownerObject_ = nullptr;
  std::unique_ptr<TBitmap> cache_;
  HWND hotHandle_ = nullptr;
};

// Runs a painter; whatever it raises is dropped, so nothing raises out of painting or a
// window procedure (what was drawn stays).
template <class F>
void GuardedPaint(F&& paint) noexcept {
  try {
    paint();
  } catch (...) {
  }
}

// The one way a paint or print message reaches a painter: `paint(dc)` runs with the DC the
// message brings (WM_PRINT, WM_PRINTCLIENT, a WM_PAINT with a DC) or, for a plain WM_PAINT,
// with the window's BeginPaint DC, which validates the window and is ended afterwards. The
// DC's state is restored and whatever the painter raises is dropped; without a DC nothing
// runs.
template <class F>
void PaintWithMessageDC(HWND window, const TMessage& message, F&& paint) {
  auto dc = reinterpret_cast<HDC>(message.WParam);
  TPaintDC own;
  if (!dc && message.Msg == WM_PAINT) {
    own = TPaintDC::Begin(window);
    dc = own.Get();
  }
  if (!dc) return;
  const TSavedDC state(dc);
  GuardedPaint([&] { paint(dc); });
}

// The painting core's view of the binding's section: the manager's tables, the section,
// its border mask and its textures.
TPaintItemSource SectionPaintSource(const TsCommonData& binding, const TsSkinManager& manager);
// The same for the framework control the binding skins: with its custom colour, its own
// colour and its parent's (asked through the skin commands when the section needs it).
TPaintItemSource ControlPaintSource(const TsCommonData& binding, const TsSkinManager& manager, const TControl& control);

// The section a skin editor is changing now (CMD_SECTIONCHANGED repaints the bindings of it).
void SetEditedSection(const std::string& name);

// Repaints the transparent corner pixels of the binding's cache (border mask frame of
// `state`) from the parent's background or colour. `corners`: 1 top-left, 2 bottom-left,
// 4 top-right, 8 bottom-right.
void UpdateCorners(TsCommonData& binding, int state, int corners = 15);
// The same for the cache of a plain window of `size` whose parent window is `parent`, at
// `parentOffset` in the parent's picture: the parent's colour (CMD_GETCOLOR) fills the
// corners unless the parent's background is variable (CMD_ISBGVARIABLE), else its picture does.
// Nothing for a window not wider and higher than 1 pixel.
void UpdateWindowCorners(TsCommonData& binding, int state, SIZE size, HWND parent, POINT parentOffset);

// Copies the binding's cache to `dc` (target rectangle, from `source` in the cache),
// leaving out opaque children moved by (dx, dy).
void PaintToDCExcludingChildren(TWinControl* control, TsCommonData& binding, POINT source, int dy, int dx,
                                bool refreshCorners, HDC dc, const RECT& target);
// The same for a plain window: every visible child window is left out.
void PaintWindowToDCExcludingChildren(HWND window, TsCommonData& binding, POINT source, HDC dc,
                                      const RECT& target);
// Paints the visible non-windowed children of `container` over its background into `dc`
// (at their positions plus `offset`), double-buffered. `buffer`, when given, is the
// container's own buffer, kept between paints (sized here) so no bitmap is made per paint.
void PaintGraphicChildren(HDC dc, TWinControl* container, POINT offset, TBitmap* buffer = nullptr);
