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
// Caption buttons (close, maximise/restore, minimise, help, then the application's own
// `TitleButtons`) are laid out from the right of the caption band with the skin's button
// images; hit-testing names them to the platform, and the provider runs their hover /
// press / release states itself: a press captures the mouse, the release counts only over
// the pressed button, and leaving the window (tracked with a non-client leave) or losing
// the capture resets them.
//
// The platform has no system menu of a skinned form (the provider removes WS_SYSMENU so
// that it draws no caption buttons): `TsSystemMenu` stands in for it, with a submenu of the
// skins the manager can load. It opens on Alt+Space, on a right click on the caption and
// on a press on the caption icon.
//
// The frame also handles maximising (the maximised window covers the work area, its
// borders just outside it), snapping to the work area's edges while it moves
// (`ScreenSnap`), a size grip (`GripMode`) and moving or sizing by an inverted outline
// (`ResizeMode` = rmBorder).
//
// The application's caption buttons are kept in a plain owning list (`TsTitleButtons`): the
// framework has no collection class.
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

// The control kind code of a frame binding.
constexpr int COC_TsSkinProvider = 224;

// Where the frame's parts lie inside the window (window coordinates).
struct TFrameGeometry {
  int Width = 0;           // the window
  int Height = 0;
  int BorderWidth = 0;     // left and right frame strips
  int BorderHeight = 0;    // the bottom frame strip and the top border above the caption
  int CaptionHeight = 0;   // 0 without a caption
  int OffsetX = 0;         // the client area's origin
  int OffsetY = 0;
  int ClientWidth = 0;
  int ClientHeight = 0;
  // Rows above the client area (border, caption).
  int HeaderHeight() const { return OffsetY; }
  // The caption band: everything above the client area that the title section covers.
  int BandHeight() const { return CaptionHeight == 0 ? 0 : CaptionHeight + BorderHeight; }
};

// One system caption button. `State`: 0 normal, 1 hot, 2 pressed.
struct TCaptionButton {
  int State = 0;
  int ImageIndex = -1;  // in the skin's mask table, -1 when the skin has none
  RECT Rect{};          // window coordinates; empty when the button is not shown
  bool Visible = false;
  bool Enabled = false;
};

// The hot code of the caption icon (it has no button record).
constexpr int kHotIcon = 3;
// The hit-test code of the first application caption button; the others follow.
constexpr int kFirstTitleButton = 1000;

class TsSkinProvider;

// An application-defined caption button, left of the system buttons.
class TsTitleButton : public TComponent {
public:
  explicit TsTitleButton(int index) : TComponent(nullptr), index_(index) {}
  const wchar_t* ClassName() const override { return L"TsTitleButton"; }
  bool Enabled = true;          // a disabled button is never hot and hit-tests as caption
  TBitmap Glyph;                // drawn centred; pixels of its bottom-left colour are left out
  String Name = L"TsTitleButton";
  bool UseSkinData = true;      // the skin's TITLEBUTTON image as the button face
  TMouseEvent OnMouseDown;      // left press (screen coordinates); the sender is the item
  TMouseEvent OnMouseUp;        // left release over the button (window coordinates)
  TCaptionButton Button;        // layout and state
  int Index() const { return index_; }
  int Code() const { return kFirstTitleButton + index_; }

private:
  int index_;
};

// The application's caption buttons, in layout order (right to left after the system ones).
class TsTitleButtons {
public:
  TsTitleButton& Add();
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TsTitleButton& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }

private:
  std::vector<std::unique_ptr<TsTitleButton>> items_;
};

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

// The system menu of a skinned form: a pop-up menu the provider opens in place of the
// platform's, and the skins submenu rebuilt before each pop-up.
class TsSystemMenu : public TPopupMenu {
public:
  TsSystemMenu(TsSkinProvider* provider, TCustomForm* form);
  const wchar_t* ClassName() const override { return L"TsSystemMenu"; }

  // Visibility and enabled state of the items after the form's border and window state.
  void UpdateItems();
  // Rebuilds the skins submenu (when the provider wants one) and pops the menu up at the
  // screen point (x, y) with the form as the menu's window.
  void Popup(int x, int y) override;
  // The skins submenu as the next pop-up will show it (for callers that draw the menu).
  void MakeSkinItems();

  TMenuItem* ItemRestore = nullptr;
  TMenuItem* ItemMove = nullptr;
  TMenuItem* ItemSize = nullptr;
  TMenuItem* ItemMinimize = nullptr;
  TMenuItem* ItemMaximize = nullptr;
  TMenuItem* ItemClose = nullptr;
  // The skins submenu, or null while the menu has none.
  TMenuItem* SkinSelectItem() const;
  // The form is the menu's window: owner-drawn items of this menu are measured and drawn
  // here when the form passes their requests on. True when `message` was one of them.
  bool OwnerDrawMessage(TMessage& message);

private:
  void Command(WPARAM command, bool update);
  TsSkinProvider* provider_;
  TCustomForm* form_;
};

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
  const TCaptionButton& Button(int code) const;
  // The button under the pointer or pressed (a hit-test code, kHotIcon, or 0).
  int HotCode() const { return hotCode_; }
  // The button held down now (the mouse is captured meanwhile), or 0.
  int PressedCode() const { return pressedCode_; }
  // Room the caption buttons take at the right of the caption, spacing included.
  int ButtonsWidth() const;

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

  void PaintAll();
  void PaintCaptionBand(const TFrameGeometry& g, int state);
  void PaintIcon(const TFrameGeometry& g);
  void PaintCaptionText(const TFrameGeometry& g);
  void CopyFrame(HDC dc, const TFrameGeometry& g);
  void UpdateRegion(const TFrameGeometry& g);
  void OnNcPaint();
  void OnPaint(TMessage& message);
  void OnPrint(TMessage& message);
  void OnNcActivate(TMessage& message);
  void OnSetText(TMessage& message);
  void FormWindowGone();

  // Caption buttons.
  TCaptionButton* ButtonRecord(int code);
  void ResolveButtonImages();
  int ButtonWidth(int code) const;
  std::vector<int> ButtonCodes() const;
  void PaintTitleButtonFace(const TsTitleButton& item);
  void LayoutButtons(const TFrameGeometry& g);
  void PaintButtons(const TFrameGeometry& g);
  void PaintButton(int code);
  int ButtonImage(int code) const;
  int HitTest(POINT windowPoint);
  void SetHot(int code, bool repaint = true);
  void Press(int code);
  void Release(POINT windowPoint);
  void ResetButtons();
  void RepaintButton(int code);
  void RepaintButtonNow(int code);
  bool OnNcMouse(TMessage& message);
  POINT WindowPointFromScreen(LPARAM lParam) const;
  void PopupAtIcon();
  void CallHook(const std::function<void(TsSkinProvider&, bool)>& hook, bool on);
  void OnGetMinMaxInfo(TMessage& message);
  void SnapToWorkArea(WINDOWPOS& pos);
  void PaintGrip(const TFrameGeometry& g);
  // Moving and sizing by an inverted outline.
  bool OutlineMessage(TMessage& message);
  void BeginOutline(int code, POINT screen);
  void DrawOutline();
  void EndOutline(bool apply);

  TCaptionButton buttons_[4];  // close, maximise, minimise, help
  TsTitleButtons titleButtons_;
  TsTitleIcon titleIcon_;
  TsSystemMenu* systemMenu_ = nullptr;  // owned by the provider (component ownership)
  TsGripMode gripMode_ = gmNone;
  TsResizeMode resizeMode_ = rmStandard;
  bool screenSnap_ = false;
  int snapBuffer_ = 10;
  struct Outline {
    int Code = 0;          // HTCAPTION or a sizing code while tracking, else 0
    RECT Rect{};           // screen coordinates
    RECT StartRect{};      // the window when the press came
    POINT Start{};         // the press
    HDC Desktop = nullptr;
    int SavedState = 0;
  } outline_;
  int hotCode_ = 0;
  int pressedCode_ = 0;
  bool trackingLeave_ = false;
  bool releasing_ = false;
  int buttonsBackLeft_ = 0;
  std::unique_ptr<TBitmap> buttonsBack_;

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
