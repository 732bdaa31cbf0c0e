// The frame provider: `TsSkinProvider` takes over one framework form's window procedure
// (through the framework's handler chain) and paints the whole frame from the skin: the
// form section's background and border over the whole window, the caption band from the
// title section ("FORMTITLE"), the caption icon and text, the window region that cuts out
// the key-coloured corners, and the client background from the same cached picture. It
// keeps the platform's caption from ever drawing itself over the skinned one, answers the
// skin commands a form answers (command 4 gives the provider, command 5 the cached
// picture with the client's offset in it), and registers its form with the skin command
// broadcast.
//
// Geometry: the client rectangle stays where the platform puts it (no WM_NCCALCSIZE), and
// the border widths and the caption height are read from the window and client rectangles
// rather than from system metrics (which under-count padded borders); a minimised window,
// whose client rectangle is empty, falls back to the metrics. The framework's form
// `BorderWidth` lies inside the client area, so it is client background here.
//
// Caption buttons (close, maximise/restore, minimise, help) are laid out from the right of
// the caption band with the skin's button images; hit-testing names them to the platform,
// and the provider runs their hover / press / release states itself: a press captures the
// mouse, the release counts only over the pressed button, and leaving the window (tracked
// with a non-client leave) or losing the capture resets them.
//
// Left out so far: the system menu and user caption buttons, the title cache of RESERVEDBOOLEAN
// sections, the size grip, main menus, MDI, the show animation, maximise and snap handling,
// border-outline moving and the child-control adapter and scroll wrapper (seams only).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
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
  // Set by the activation hook for message forms; kept for the system menu.
  bool MakeSkinMenu() const { return makeSkinMenu_; }
  void SetMakeSkinMenu(bool on) { makeSkinMenu_ = on; }

  // The system button answering hit-test code `code` (HTCLOSE, HTMAXBUTTON, HTMINBUTTON,
  // HTHELP) as last laid out; a hidden empty record for any other code.
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

  TCaptionButton buttons_[4];  // close, maximise, minimise, help
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

// The provider of `form` (through command 4), or null.
TsSkinProvider* FindProvider(TCustomForm* form);
