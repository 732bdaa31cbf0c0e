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
// The form's framework controls that have no binding of their own (buttons, edits, panels,
// tree views) are skinned by the provider's control adapter, `TacCtrlAdapter`
// (sCtrlAdapter.cpp): each gets a binding and a window handler, and plain labels take the
// skin's font colour over the skinned background.
//
// Left out so far: the title cache of RESERVEDBOOLEAN sections, main menus, MDI and the show
// animation. The skinned scroll bars and the skinned menus join the frame through
// `FrameHooks()`, empty until those pieces exist; the system menu is a platform pop-up menu
// until then (the menu hook may switch it to owner-drawn items, whose requests reach the
// menu through the form).
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
  // The form's own scroll bars follow the skinned state `on`.
  std::function<void(TsSkinProvider& provider, bool on)> ScrollBars;
  // The form's menus follow the skinned state `on` (activation re-hooks them as well).
  std::function<void(TsSkinProvider& provider, bool on)> Menus;
  // A pop-up menu of the frame (the system menu) is about to open while the manager skins
  // pop-up menus.
  std::function<void(TsSkinProvider& provider, TPopupMenu& menu)> PopupMenu;
};
TsFrameHooks& FrameHooks();

class TacMainWnd;
class TacCtrlAdapter;
class TLabel;

// The control kind code of an adapted control's binding.
constexpr int COC_TacAdapterItem = 227;

// Asked for every control the adapter is about to skin: clear `canBeAdded` to leave it in
// the platform look, or name another section.
using TAddItemEvent = std::function<void(TComponent* item, bool& canBeAdded, std::string& skinSection)>;

// One adapted control: its binding and the window handler that paints it from the skin.
class TacAdapterItem {
public:
  TacAdapterItem(TacCtrlAdapter& adapter, TWinControl& control);
  ~TacAdapterItem();
  TacAdapterItem(const TacAdapterItem&) = delete;
  TacAdapterItem& operator=(const TacAdapterItem&) = delete;

  // The control skinned (borrowed; the adapter drops the item when the control goes).
  TWinControl* Control() const { return control_; }
  TsCommonData& SkinData() { return *skinData_; }
  TacCtrlAdapter& Adapter() const { return adapter_; }
  // The handler on the control's window, or null.
  TacMainWnd* Handler() const { return handler_.get(); }
  // No handler, or one that gave its window back (the window was destroyed).
  bool Dead() const;
  // Attaches the handler the control's class calls for; returns it, or null (no window,
  // no parent, the control skinned already, or a class without a rule).
  TacMainWnd* DoHook(TWinControl* control);
  // Frees the handler (now, or once the message running through it returns).
  void FreeHandler();

private:
  TacCtrlAdapter& adapter_;
  TWinControl* control_;
  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TacMainWnd> handler_;
};

// The provider's adapter of framework controls without a binding. Works only while the
// manager's skinning rules hold srThirdParty.
class TacCtrlAdapter : private TComponent {
public:
  explicit TacCtrlAdapter(TsSkinProvider& provider);
  // Frees every item (their handlers give the windows back unless the form is being
  // destroyed) and gives every label it changed its transparency and font colour back.
  ~TacCtrlAdapter() override;
  // Adapters are plain objects held by their provider.
  static void* operator new(std::size_t size) { return ::operator new(size); }
  static void operator delete(void* block) { ::operator delete(block); }

  TsSkinProvider& Provider() const { return provider_; }
  // Items in the order they were added (borrowed).
  const std::vector<std::unique_ptr<TacAdapterItem>>& Items() const { return items_; }
  // The section of controls added singly (AddNewItem); empty: the class's own.
  std::string DefaultSection;

  // Drops dead items, then skins every supported control owned by or placed on `parent`
  // (null: the provider's form) and its descendants, and adjusts plain labels. A scan asked
  // for while one runs (a child window created meanwhile) runs once the running one ends.
  void AddAllItems(TWinControl* parent = nullptr);
  // One control with DefaultSection; asked for while a scan runs, it waits for a scan
  // after that one.
  void AddNewItem(TWinControl* control);
  void AddItem(TWinControl* control, const std::string& section);
  virtual bool IsControlSupported(TControl* control) const;
  // Sends the message to the window of every item with a live handler and a parented
  // control; whatever a control raises is dropped.
  void Broadcast(UINT msg, WPARAM wParam, LPARAM lParam);
  // The item of `control`, or null.
  TacAdapterItem* ItemOf(const TControl* control) const;

private:
  struct LabelLook;
  TsSkinManager* Manager() const;
  void Scan(TWinControl* parent);
  void TakeIn(TComponent* component);
  void AdjustLabel(TLabel& label);
  void RemoveDeadItems();
  void RemoveItem(const TacAdapterItem* item);
  void RestoreLabels();
  void Notification(TComponent* component, TOperation operation) override;

  TsSkinProvider& provider_;
  std::vector<std::unique_ptr<TacAdapterItem>> items_;
  std::vector<std::unique_ptr<LabelLook>> labels_;
  int scanDepth_ = 0;
  bool rescanPending_ = false;
};

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
  // The adapter of the form's framework controls (made when the form is first skinned), or null.
  TacCtrlAdapter* Adapter() const { return adapter_.get(); }
  // Lets the application veto or re-section each control the adapter is about to skin.
  TAddItemEvent OnSkinItem;
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
  // The adapter made if missing, then its scan of `parent` (null: the whole form).
  void ScanControls(TWinControl* parent = nullptr);
  void FreeAdapter();
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
  std::unique_ptr<TacCtrlAdapter> adapter_;
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
