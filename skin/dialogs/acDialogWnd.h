// The dialog handler: the skinned frame, caption, caption buttons, system menu and client
// background of a platform dialog window ("#32770"), made by the dialog's `TacProvider`.
//
// One cached picture of the whole window ("DIALOG" over everything, the size grip of a
// sizing dialog, the caption band from "FORMTITLE" with the icon, the "TITLEBAR" strip
// behind the buttons, the caption buttons and the caption text) gives both the frame and
// the client background, which is copied around the child windows. The geometry comes from
// the window and client rectangles (as the form frame provider takes it), never from the
// border metrics. The caption buttons are the shared `TacCaptionButtons` with the dialog's
// rules: no spacing, each button as high as its own image, the small images on a fixed
// frame when the skin has them.
//
// The platform's system menu style goes at set-up (so that it draws no buttons and opens no
// menu of its own): `TacSystemMenu` stands in for it. What the platform's system menu says
// of SC_CLOSE still counts: a box that offers no Cancel (Yes/No, Abort/Retry/Ignore)
// disables it (where the platform does not, its buttons tell), and then the close button is
// dimmed and inert, the Close item disabled, and SC_CLOSE and the Escape key's IDCANCEL are
// dropped, so the box never answers with a result it did not offer.
//
// The window region cuts out the key-coloured corners of the skin's borders; it is made
// again only when the window's size or the skin's masks change. Taking the handler off (the
// skin removed, the handler freed while the window lives) gives back WS_SYSMENU, the region,
// the previous procedure and the platform's frame.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "skin/window/acCaptionButtons.h"
#include "skin/window/acScrollWnd.h"
#include "skin/window/sSystemMenu.h"

class TacProvider;
class TacDialogWnd;

// The system menu of a skinned dialog: the shared items, shown after the dialog's styles.
class TacSystemMenu : public TacSystemMenuBase {
public:
  explicit TacSystemMenu(TacDialogWnd& dialog);
  const wchar_t* ClassName() const override { return L"TacSystemMenu"; }
  // Errors while the items follow the dialog are dropped.
  void UpdateItems() override;
  // Pops the menu up at screen point (x, y), skinned while the manager skins pop-ups.
  void Popup(int x, int y) override;

protected:
  HWND CommandWindow() const override;

private:
  TacDialogWnd& dialog_;
};

class TacDialogWnd : public TacScrollWnd {
public:
  // `provider`: the record that owns this handler (may be null in tests of the frame alone).
  TacDialogWnd(HWND window, TacProvider* provider);
  ~TacDialogWnd() override;

  // Run once after the provider has given the child windows their handlers.
  void Setup();
  TacProvider* Provider() const { return provider_; }
  // The record is going (its handler may outlive it inside a message): read it no more.
  void ForgetProvider() { provider_ = nullptr; }

  void WndProc(TMessage& message) override;

  // 0 dialog frame, 2 no frame, 3 sizing frame; 1 until set-up.
  int FrameKind() const { return frameKind_; }
  // The frame kind of a window with `style`.
  static int FrameKindOf(DWORD style);
  bool DialogActive() const { return active_; }
  // The styles as they were at set-up (WS_SYSMENU included).
  DWORD Style() const { return style_; }
  DWORD ExStyle() const { return exStyle_; }
  HICON IconHandle() const { return icon_; }
  // The platform's system menu allows SC_CLOSE (and the class does not forbid closing).
  bool CloseAllowed() const;
  // What the dialog's styles and window state allow now (items and caption buttons).
  TsWindowRules Rules() const;
  // The frame's parts as the window and client rectangles show them now.
  TFrameGeometry Geometry() const;
  // The caption button answering `code` as last laid out.
  const TCaptionButton& Button(int code) const { return buttons_->Button(code); }
  int HotCode() const { return buttons_->HotCode(); }
  int PressedCode() const { return buttons_->PressedCode(); }
  int ButtonsWidth() const;
  TacSystemMenu& SystemMenu() { return *systemMenu_; }
  // The caption text's rectangle in the window.
  RECT CaptionTextRect(const TFrameGeometry& g) const;
  // The caption as last read (wide text).
  const String& CaptionText() const { return caption_; }
  // Regions given to the window so far.
  int RegionBuilds() const { return regionBuilds_; }
  // The brush WM_CTLCOLORDLG answers with (made at the first request), or null.
  HBRUSH DialogBrush() const { return brush_.Get(); }
  // Rebuilds the picture if it is out of date and copies the frame to the window.
  void RepaintFrame();

protected:
  bool PaintsClient() const override { return true; }
  // The client background from the picture, around the visible child windows.
  void PaintTo(HDC dc) override;
  void RestoreParams() override;

private:
  class CaptionFrame;
  bool Ready() const;
  bool Visible() const;
  void SkinCommandMessage(TMessage& message);
  bool MouseMessage(TMessage& message);
  void Inherited(TMessage& message);
  void Old(TMessage& message);
  // The old procedure with redrawing off, then the frame follows in the new look.
  void QuietOld(TMessage& message);
  void OnNcPaint();
  void OnPaint(TMessage& message);
  void OnSysCommand(TMessage& message);
  int HitTest(POINT windowPoint);
  void Release(POINT windowPoint);
  void PopupAtIcon();
  POINT WindowPoint(POINT screen) const;
  void WalkChildren();
  void TakeFrame();
  void ReadCloseState();
  // The dialog offers Yes/No or Abort/Retry/Ignore and no Cancel button.
  bool OffersNoCancel() const;

  void PaintAll(const TFrameGeometry& g);
  // The picture, rebuilt first when out of date; null while the skin is updating.
  TBitmap* UpToDatePicture(const TFrameGeometry& g);
  void PaintCaption(const TFrameGeometry& g, int state);
  void PaintIcon(const TFrameGeometry& g);
  void PaintTitleBar(const TFrameGeometry& g, int state);
  void PaintCaptionText(const TFrameGeometry& g);
  bool GripOrigin(const TFrameGeometry& g, POINT& origin) const;
  void UpdateRegion(const TFrameGeometry& g);
  void GiveBackFrame();

  TacProvider* provider_;
  std::unique_ptr<CaptionFrame> captionFrame_;
  std::unique_ptr<TacCaptionButtons> buttons_;
  std::unique_ptr<TacSystemMenu> systemMenu_;
  TFont captionFont_;
  String caption_;
  HICON icon_ = nullptr;  // the dialog's own (borrowed)
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
  int frameKind_ = 1;
  bool setUp_ = false;
  bool active_ = true;
  bool childrenSkinned_ = false;
  bool removedSysMenu_ = false;
  bool closeAllowed_ = true;
  HMENU platformMenu_ = nullptr;  // the window's own system menu (the window owns it)
  // The region given to the window (owned by the window once given) and what it was made for.
  bool regionGiven_ = false;
  bool regionBusy_ = false;
  int regionBuilds_ = 0;
  struct TRegionKey {
    int Width = -1, Height = -1, Border = -1, Title = -1;
    bool operator==(const TRegionKey&) const = default;
  } regionKey_;
  TBrushHandle brush_;
  TColor brushColor_ = clFuchsia;
};
