// The caption buttons of a skinned frame: close, maximise/restore, minimise and help, then
// the application's own buttons (`TsTitleButtons`), laid out from the right of the caption
// band with the skin's button images, painted into the frame's cached picture, named to the
// platform by hit-testing, and run through their hover / press / release states.
//
// `TacCaptionButtons` knows nothing of the frame that owns it: the frame describes itself
// through `TacCaptionFrame` (its window, skin, section, active look, cached picture and the
// rules of what its window may do) and passes its geometry to each layout and hit test.
// A press captures the mouse; the release counts only over the pressed button; leaving the
// window (tracked with a non-client leave) or losing the capture resets the states. What a
// click does is the frame's choice (`CommandOf` gives the usual window command).
//
// A button repaints alone from a copy of the strip behind the buttons taken at the last
// paint; while the frame's picture is out of date it asks the frame for a full repaint.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"

class TsSkinManager;

// Where a frame's parts lie inside the window (window coordinates).
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

// The frame of `window` as the window and client rectangles show it: the borders and the
// caption are exactly what lies around the client area (system metrics under-count padded
// borders). Without a frame (`framed` false) only the sizes and the client's place count. A
// minimised window, whose client area is empty, falls back to the metrics: the dialog frame
// ones with `thinBorder`, the sizing ones otherwise, the small caption with `toolCaption`.
TFrameGeometry MeasureFrame(HWND window, bool framed, bool thinBorder, bool toolCaption);
// Copies the frame around the client area from `source` (a picture of the whole window) to
// the same places of `dc`: the top band, the left and right strips and the bottom strip.
void CopyFrameBands(HDC dc, HDC source, const TFrameGeometry& g);

// The borders of a maximised window lie outside the work area, over whatever is there (the
// taskbar): true when window point `p` lies on them, where the pointer goes through.
bool OnZoomedBorder(HWND window, POINT p, const TFrameGeometry& g);

// One caption button. `State`: 0 normal, 1 hot, 2 pressed.
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
// The framework has no collection class: a plain owning list.
class TsTitleButtons {
public:
  TsTitleButton& Add();
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TsTitleButton& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }

private:
  std::vector<std::unique_ptr<TsTitleButton>> items_;
};

// Which system buttons a frame shows now and what they may do.
struct TCaptionRules {
  bool Close = false;     // the close button is shown
  bool CloseEnabled = true;  // and may be pressed (else dimmed, answering as caption)
  bool Maximize = false;  // the maximise/restore button is shown
  bool Minimize = false;  // the minimise/restore button is shown
  bool Help = false;      // the help button is shown
  bool MaxEnabled = false;
  bool MinEnabled = false;
  bool RestoreEnabled = false;
  bool Iconic = false;
  bool Zoomed = false;
};

// What the frame that owns the buttons tells them. Asked on every layout and repaint.
class TacCaptionFrame {
public:
  virtual ~TacCaptionFrame() = default;
  virtual HWND Window() const = 0;
  // The skin (null: no images, every size 21) and the frame's own section, whose
  // TITLEBUTTON and BICONNORM stand in for missing GLOBALINFO ones.
  virtual TsSkinManager* Manager() const = 0;
  virtual std::string Section() const = 0;
  virtual TCaptionRules Rules() const = 0;
  // The large image set (BICON...) rather than the small one (SICON...).
  virtual bool LargeImages() const = 0;
  // Pixels between neighbouring buttons and right of the last one.
  virtual int Spacing() const = 0;
  // The frame's active look: normal buttons of an inactive frame are drawn dimmed.
  virtual bool Active() const = 0;
  // The cached picture of the whole window while it is shown on the screen; null while
  // nothing is shown (a button then repaints nothing).
  virtual TBitmap* ShownPicture() = 0;
  // True while the picture must be rebuilt before it is shown again.
  virtual bool PictureOutOfDate() const = 0;
  // Rebuilds the picture and copies the frame to the window.
  virtual void RepaintFrame() = 0;
  // Every button as high as its own image (else all as the close image).
  virtual bool OwnImageHeights() const { return false; }
  // Whether the button at `r` may be repainted alone; otherwise the frame is repainted.
  virtual bool RepaintsAlone(const RECT& r) const { (void)r; return true; }
};

class TacCaptionButtons {
public:
  // `titleButtons`: the application's buttons (borrowed), or null for none.
  TacCaptionButtons(TacCaptionFrame& frame, TsTitleButtons* titleButtons);
  TacCaptionButtons(const TacCaptionButtons&) = delete;
  TacCaptionButtons& operator=(const TacCaptionButtons&) = delete;

  // The system buttons' images from the frame's skin.
  void ResolveImages();
  // Resolves the images and lays every button out from the right of the caption band.
  void Layout(const TFrameGeometry& g);
  // Lays the buttons out, keeps a copy of the strip behind them and draws them into
  // `picture` (the frame's cached picture of the whole window).
  void Paint(TBitmap& picture, const TFrameGeometry& g);

  // Room the buttons take at the right of the caption, spacing included.
  int Width() const;
  // The height of every button: the close image's (21 without one).
  int Height() const;
  // The button answering `code` (HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP, or
  // kFirstTitleButton + index) as last laid out; a hidden empty record for any other code.
  const TCaptionButton& Button(int code) const;
  // True when `code` names a button (shown or not).
  bool IsButton(int code) const;
  // The image a system button shows now (the restore image of a maximised or minimised
  // window's button), or -1.
  int ShownImage(int code) const;

  // The answer for window point `p`: 0 outside the rows of the buttons; inside them
  // HTSYSMENU over `icon`, a button's code over an enabled button, else HTCAPTION. An
  // answer that names a button or the icon makes it hot.
  int HitTest(POINT p, const TFrameGeometry& g, const RECT& icon);

  // The button under the pointer or pressed (a code, kHotIcon, or 0).
  int HotCode() const { return hotCode_; }
  // The button held down now (the mouse is captured meanwhile), or 0.
  int PressedCode() const { return pressedCode_; }
  void SetHot(int code, bool repaint = true);
  // A left press on button `code` at screen point `screen`: the pressed look, the mouse
  // captured, and an application button's OnMouseDown. Nothing for a hidden or disabled one.
  void Press(int code, POINT screen);
  // The pointer moved to window point `p` while a button is held: pressed look only over it.
  void TrackPressed(POINT p);
  // The held button let go at window point `p`: the capture goes, the states reset, and an
  // application button released over itself gets OnMouseUp. The code released over, or 0.
  int Release(POINT p);
  // The capture went to `window` (null: to nobody): a held button is let go without effect.
  void CaptureChanged(HWND window);
  // The pointer moved over the frame / left the window: tracking of the leave.
  void NonClientMoved();
  void NonClientLeft();
  // No button hot or held.
  void Reset();

  // The window command a click on the system button `code` gives under `rules` (SC_CLOSE,
  // SC_MINIMIZE, SC_RESTORE, SC_MAXIMIZE, SC_CONTEXTHELP), or 0.
  static WPARAM CommandOf(int code, const TCaptionRules& rules);

private:
  TCaptionButton* Record(int code);
  std::vector<int> Codes() const;
  int ButtonWidth(int code) const;
  int ButtonHeight(int code) const;
  int TitleButtonImage() const;
  void PaintButton(TBitmap& picture, int code);
  void PaintTitleButton(TBitmap& picture, const TsTitleButton& item);
  void Repaint(int code);
  void RepaintNow(int code);

  TacCaptionFrame& frame_;
  TsTitleButtons* titleButtons_;
  TCaptionButton buttons_[4];  // close, maximise, minimise, help
  int hotCode_ = 0;
  int pressedCode_ = 0;
  bool trackingLeave_ = false;
  int backLeft_ = 0;
  std::unique_ptr<TBitmap> back_;  // the strip behind the buttons
};
