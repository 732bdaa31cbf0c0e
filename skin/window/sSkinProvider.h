// The frame provider: `TsSkinProvider` takes over one framework form's window procedure
// (through the framework's handler chain) and paints the whole frame from the skin: the
// form section's background and border over the whole window, the caption band from the
// title section ("FORMTITLE"), the caption icon and text, the window region that cuts out
// the key-coloured corners, and the client background from the same cached picture. It
// keeps the platform's caption from ever drawing itself over the skinned one, answers the
// skin commands a form answers (CMD_FINDPROVIDER gives the provider, CMD_GETBGINFO the cached
// picture with the client's offset in it), and registers its form with the skin command
// broadcast.
//
// Geometry: the client rectangle stays where the platform puts it (no WM_NCCALCSIZE), and
// the border widths and the caption height are read from the window and client rectangles
// rather than from system metrics (which under-count padded borders); a minimised window,
// whose client rectangle is empty, falls back to the metrics. The framework's form
// `BorderWidth` lies inside the client area, so it is client background here.
//
// The caption buttons (`TacCaptionButtons`, shared with other skinned frames), the system
// menu that stands in for the platform's (`TsSystemMenu`), and the frame's placement on its
// monitor (maximising, snapping to the work area's edges with `ScreenSnap`, moving or sizing
// by an inverted outline with `ResizeMode` = rmBorder) live in units of their own; the
// frame's painting is in sFramePainter.cpp. The provider owns one of each and a size grip
// (`GripMode`).
//
// Left out so far: the title cache of RESERVEDBOOLEAN sections, main menus, MDI and the show
// animation. The child-control adapter, the skinned scroll bars and the skinned menus join
// the frame through `FrameHooks()`, empty until those pieces exist; the system menu is a
// platform pop-up menu until then (the menu hook may switch it to owner-drawn items, whose
// requests reach the menu through the form).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "skin/core/sCommonData.h"
#include "skin/window/acCaptionButtons.h"
#include "skin/window/acFramePlacement.h"
#include "skin/window/sSystemMenu.h"

// The control kind code of a frame binding.
constexpr int COC_TsSkinProvider = 224;

// A picture replacing the form's icon in the caption, and a forced icon size (0 = automatic).
struct TsTitleIcon {
  TBitmap Glyph;
  int Width = 0;
  int Height = 0;
};

enum class TsGripMode { gmNone, gmRightBottom };
using enum TsGripMode;
enum class TsResizeMode { rmStandard, rmBorder };
using enum TsResizeMode;

// Where pieces of the engine built elsewhere join a skinned frame. Each hook is empty until
// that piece exists; an empty hook means there is nothing to do.
struct TsFrameHooks {
  // The form's child controls that have no binding of their own should be skinned now
  // (first skinning, a repaint command, a child created or added).
  std::function<void(TsSkinProvider& provider)> ScanControls;
  // The form's own scroll bars follow the skinned state `on`.
  std::function<void(TsSkinProvider& provider, bool on)> ScrollBars;
  // The form's menus follow the skinned state `on` (activation re-hooks them as well).
  std::function<void(TsSkinProvider& provider, bool on)> Menus;
  // A pop-up menu of the frame (the system menu) is about to open while the manager skins
  // pop-up menus.
  std::function<void(TsSkinProvider& provider, TPopupMenu& menu)> PopupMenu;
};
TsFrameHooks& FrameHooks();

class TsSkinProvider : public TComponent {
public:
  // `owner`: a component on the form (usually the form); the form served is the first
  // form in the owner chain. A provider on a form that already has one stays inert.
  explicit TsSkinProvider(TComponent* owner);
  ~TsSkinProvider() override;
  const wchar_t* ClassName() const override { return L"TsSkinProvider"; }

  // The form served (borrowed), or null for an inert provider.
  TCustomForm* Form() const { return form_; }
  TsCommonData& SkinData() { return *skinData_; }

  TAlignment CaptionAlignment() const { return captionAlignment_; }
  void SetCaptionAlignment(TAlignment alignment);
  bool ShowAppIcon() const { return showAppIcon_; }
  void SetShowAppIcon(bool on);
  // The caption band's section; empty means "FORMTITLE".
  const std::string& TitleSkin() const { return titleSkin_; }
  void SetTitleSkin(const std::string& name);
  bool UseGlobalColor() const { return useGlobalColor_; }
  void SetUseGlobalColor(bool on);
  // Whether the system menu gets the skins submenu (message forms have none).
  bool MakeSkinMenu() const { return makeSkinMenu_; }
  void SetMakeSkinMenu(bool on) { makeSkinMenu_ = on; }
  TsGripMode GripMode() const { return gripMode_; }
  void SetGripMode(TsGripMode mode);
  TsResizeMode ResizeMode() const { return resizeMode_; }
  void SetResizeMode(TsResizeMode mode) { resizeMode_ = mode; }
  bool ScreenSnap() const { return screenSnap_; }
  void SetScreenSnap(bool on) { screenSnap_ = on; }
  int SnapBuffer() const { return snapBuffer_; }
  void SetSnapBuffer(int pixels) { snapBuffer_ = pixels; }
  TsTitleButtons& TitleButtons() { return titleButtons_; }
  TsTitleIcon& TitleIcon() { return titleIcon_; }
  // The system menu (made when the frame is first skinned), or null.
  TsSystemMenu* SystemMenu() const { return systemMenu_; }
  // Opens the system menu at the screen point (x, y); returns once it is closed.
  void PopupSystemMenu(int x, int y);

  // The button answering hit-test code `code` (HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP,
  // or kFirstTitleButton + index) as last laid out; a hidden empty record for any other code.
  const TCaptionButton& Button(int code) const { return buttons_->Button(code); }
  // The button under the pointer or pressed (a hit-test code, kHotIcon, or 0).
  int HotCode() const { return buttons_->HotCode(); }
  // The button held down now (the mouse is captured meanwhile), or 0.
  int PressedCode() const { return buttons_->PressedCode(); }
  // Room the caption buttons take at the right of the caption, spacing included.
  int ButtonsWidth() const { return form_ ? buttons_->Width() : 0; }
  // What the form's borders and window state allow now (the system menu's items and the
  // caption buttons alike).
  TsWindowRules Rules() const;

  // Whether the frame shows its active (hot) look.
  bool FormActive() const { return formActive_; }
  // The frame's parts as they are now.
  TFrameGeometry Geometry() const;
  // Icon size for a caption of `height` rows: 0, 8, 16 or 32.
  static int IconSizeFor(int height);
  // The caption icon's place (window coordinates); empty when no icon is shown.
  RECT IconRect(const TFrameGeometry& geometry) const;
  // The size grip's top-left corner (window coordinates) while one is drawn; false without.
  bool GripOrigin(const TFrameGeometry& geometry, POINT& origin) const;
  // The rectangle of the caption text (window coordinates) for `geometry`.
  RECT CaptionTextRect(const TFrameGeometry& geometry) const;
  // True while the form is painted from the skin.
  bool Skinned() const;
  // Marks the cached picture out of date.
  void Invalidate();
  // Rebuilds the cached picture if it is out of date and copies the frame to the window.
  void RepaintFrame();

private:
  class Handler;
  friend class Handler;
  // The form has a border to paint (any border style but none, or an MDI child).
  static bool HasFrame(const TCustomForm& form) {
    return form.BorderStyle() != bsNone || form.FormStyle() == fsMDIChild;
  }
  class CaptionFrame;

  void WndProc(TMessage& message);
  bool CommonCommand(TMessage& message);
  void SkinnedMessage(TMessage& message);
  void SkinnedCommand(TMessage& message);
  void CallOld(TMessage& message);

  void InitializeFrame();
  void UninitializeFrame();
  void ApplyGlobalColor();
  void SetSysMenuStyle(bool on);
  int TitleIndex() const;
  std::string TitleSection() const;
  void CallHook(const std::function<void(TsSkinProvider&, bool)>& hook, bool on);
  void FormWindowGone();

  // The frame painter (sFramePainter.cpp).
  void PaintAll();
  void PaintCaptionBand(const TFrameGeometry& g, int state);
  void PaintIcon(const TFrameGeometry& g);
  void PaintCaptionText(const TFrameGeometry& g);
  void PaintGrip(const TFrameGeometry& g);
  void CopyFrame(HDC dc, const TFrameGeometry& g);
  void UpdateRegion(const TFrameGeometry& g);
  void OnNcPaint();
  // The one painting entry of the client area: the client background from the cached
  // picture into `dc` (its origin at the client's top-left), the graphic children over it.
  void PaintClient(HDC dc, const TFrameGeometry& g);
  void OnPaint(TMessage& message);
  void OnPrint(TMessage& message);
  void OnNcActivate(TMessage& message);
  void OnSetText(TMessage& message);

  // Mouse on the frame: caption buttons, system menu, outline.
  bool OnNcMouse(TMessage& message);
  bool OutlineMessage(TMessage& message);
  int HitTest(POINT windowPoint);
  void Release(POINT windowPoint);
  POINT WindowPointFromScreen(LPARAM lParam) const;
  POINT WindowPointFromClient(LPARAM lParam) const;
  void PopupAtIcon();
  void OnGetMinMaxInfo(TMessage& message);
  void SnapToWorkArea(WINDOWPOS& pos);

  TsTitleButtons titleButtons_;
  std::unique_ptr<CaptionFrame> captionFrame_;
  std::unique_ptr<TacCaptionButtons> buttons_;
  TsTitleIcon titleIcon_;
  TsSystemMenu* systemMenu_ = nullptr;  // owned by the provider (component ownership)
  TsGripMode gripMode_ = gmNone;
  TsResizeMode resizeMode_ = rmStandard;
  bool screenSnap_ = false;
  int snapBuffer_ = 10;
  TacOutline outline_;

  TCustomForm* form_ = nullptr;
  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<Handler> handler_;
  TAlignment captionAlignment_ = taLeftJustify;
  bool showAppIcon_ = true;
  std::string titleSkin_;
  bool useGlobalColor_ = true;
  bool makeSkinMenu_ = true;
  bool formActive_ = true;
  bool regionChanged_ = true;
  bool regionBusy_ = false;
  bool regionGiven_ = false;
  bool removedSysMenu_ = false;
  bool windowGone_ = false;
};

// The provider of `form` (through CMD_FINDPROVIDER), or null.
TsSkinProvider* FindProvider(TCustomForm* form);
