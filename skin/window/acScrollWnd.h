// Skinned scroll bars: `TacScrollWnd` is the window handler of every window that carries
// the platform's standard scroll bars (WS_HSCROLL, WS_VSCROLL). The window keeps its
// scrolling logic and its scroll information (GetScrollInfo); the handler takes the bars
// out of the platform's frame calculation, reserves their room itself, paints them from the
// skin (arrow buttons, track halves, thumb, size box), hit-tests them, shows the hovered and
// pressed parts, auto-repeats arrow and page presses with timers, tracks the thumb, and sends
// the window the WM_HSCROLL / WM_VSCROLL messages the platform's bars would send.
//
// One bar can be pressed and one hovered at a time in the whole process (`ScrollTracking`).
// A press ends on release, and also when the window loses the capture (a message box,
// Alt+Tab, WM_CANCELMODE) or is destroyed: the timers stop, SB_ENDSCROLL is sent and the
// state is reset.
//
// Handlers of framed windows (edits, list boxes, combo boxes, list and tree views, menu
// windows, dialogs) derive from it and add their own triggers for repainting the bars.
//
// GUI thread only. Left out: flat scroll bars and the overrides of arrow length and
// thickness (always the system metrics).
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Handles.h"
#include "skin/window/acMainWnd.h"

class TacScrollWnd;

// Part codes: the platform's scroll codes of the part under a point.
enum TacScrollPart : int {
  spNone = -1,
  spFirstArrow = SB_LINEUP,     // 0
  spSecondArrow = SB_LINEDOWN,  // 1
  spPageBefore = SB_PAGEUP,     // 2
  spPageAfter = SB_PAGEDOWN,    // 3
  spThumb = SB_THUMBTRACK,      // 5
};

// The thumb's place along a bar: `Pos` from the start of the coordinates the bar start was
// given in, `Size` its length.
struct TacThumb {
  int Pos = 0;
  int Size = 0;
};

// The thumb of a bar that starts at `barStart` and is `barLength` long, with arrows of
// `arrowLength` and a thumb of at least `minThumbSize`.
TacThumb ThumbGeometry(const SCROLLINFO& info, int barStart, int barLength, int arrowLength, int minThumbSize);
// The part at `along` (distance from the bar's start) of a bar `barLength` long; `inside`
// says whether the point lies within the bar across its direction. `thumb` is relative to
// the bar's start.
int PartAt(int along, bool inside, int barLength, int arrowLength, const TacThumb& thumb);
// The scroll position for a thumb that starts `offset` pixels into a track of `trackLength`
// with a thumb of `thumbSize`; always within nMin .. nMax - max(nPage, 1) + 1 (nMin for an
// empty range).
int TrackPosition(const SCROLLINFO& info, int offset, int trackLength, int thumbSize);

class TacScrollBar {
public:
  TacScrollBar(TacScrollWnd& owner, int kind);

  uint16_t Flags = 0;  // SBF_INSTYLE: the window style has this bar
  bool Shown = false;  // the style has it and the frame calculation found room for it
  SCROLLINFO Info{};
  int ArrowLengthOverride = -1;
  int ThicknessOverride = -1;
  int Kind = SB_HORZ;
  int MinThumbSize = 10;
  TacScrollWnd* Owner = nullptr;

  // SM_CYHSCROLL (horizontal) or SM_CXVSCROLL (vertical).
  int Thickness() const;
  // The arrow length painting uses: the system one, or the skin's arrow image when its
  // section asks for it (RESERVEDBOOLEAN) and it is longer.
  int SkinnedArrowLength() const;
  // SM_CXHSCROLL: thumb geometry, hit-testing and tracking use it.
  static int SystemArrowLength();
  // Info from the window's scroll information.
  void Refresh();
  // The platform reports the bar as usable: neither the bar nor both its arrows unavailable.
  bool Active() const;
};

// The process-wide press and hover state (one pressed and one hovered bar at a time).
struct TacScrollTracking {
  HWND TrackWnd = nullptr;
  UINT ScrollMsg = 0;
  int PressedKind = -1;
  int PressedPart = -1;
  int ShownPressedPart = -1;
  int HoverKind = -1;
  int HoverPart = -1;
  int LastHoverPart = -1;
  RECT HoverRect{};
  TTimerHandle RepeatTimer;
  TTimerHandle HoverTimer;
  RECT GrabRect{};
  int GrabThumbSize = 0;
  int GrabThumbPos = 0;
  int GrabOffset = 0;
  int LastTrackPos = 0;
};
TacScrollTracking& ScrollTracking();

// Timer identifiers of the bars.
constexpr UINT_PTR kHoverTimer = 0xFFF2;
constexpr UINT_PTR kRepeatDelayTimer = 0xFFFD;
constexpr UINT_PTR kRepeatTimer = 0xFFFE;

class TacScrollWnd : public TacMainWnd {
public:
  TacScrollWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
               TsCommonData* binding);
  ~TacScrollWnd() override;

  void WndProc(TMessage& message) override;

  // The bar of `kind` of `window`'s handler, or null.
  static TacScrollBar* GetBarOf(HWND window, int kind);
  // Reads both bars' information again; with `repaint`, paints them.
  void RefreshBars(bool repaint);
  // The bars' rectangles on the screen (0 high or wide when not shown).
  RECT HorzBarRect() const;
  RECT VertBarRect() const;
  // Sends the window a scroll message between CMD_SCROLLBEGIN and CMD_SCROLLEND (see the file comment).
  void SendScroll(UINT msg, int code, int position);
  // Paints both bars and the size box on `dc` (null: the window's DC).
  void PaintBars(HDC dc = nullptr);
  // Ends a press of this window's bar as a release would (timers, SB_ENDSCROLL, state).
  void CancelPress();

  std::unique_ptr<TacScrollBar> HorzBar;
  std::unique_ptr<TacScrollBar> VertBar;
  bool ThumbTracking = false;
  bool LeftScrollBar = false;
  int LeftEdge = 0;
  int RightEdge = 0;
  int TopEdge = 0;
  int BottomEdge = 0;
  bool NoStyleChange = false;

protected:
  void Start() override;
  TacScrollBar& Bar(int kind) { return kind == SB_HORZ ? *HorzBar : *VertBar; }
  RECT BarRect(int kind) const { return kind == SB_HORZ ? HorzBarRect() : VertBarRect(); }

private:
  void OnNcCalcSize(TMessage& message);
  int OnNcHitTest(POINT screen);
  bool AtGripCorner() const;
  void OnNcMouseMove(TMessage& message);
  void OnNcButtonDown(TMessage& message);
  void OnTimer(TMessage& message);
  void HoverTick();
  // Ends the hover state (timer included) and lets go of TrackWnd.
  void ForgetHover();
  void OnPressedMouseMove();
  void TrackThumb(POINT screen);
  void OnButtonUp(TMessage& message);
  void EndPress(bool releaseCapture);
  void PaintBar(int kind, HDC dc, int thumbOverride, int pressedPart);
  void ComposeBar(int kind, const RECT& barInWindow, int thumbPos, int thumbSize, bool drawThumb, int pressedPart,
                  int firstState, int secondState, int thumbState);
  void PaintSizeBox(HDC dc);
  bool ThisTracks() const;

  // The pictures of the horizontal bar, the vertical bar and the size box, kept between
  // paints; `Picture` gives one at the size asked (0: as it is).
  static constexpr int kSizeBox = 2;
  TBitmap& Picture(int slot, int width, int height);
  std::unique_ptr<TBitmap> pictures_[3];
  int trackThumb_ = 0;                   // the tracked thumb's start, from the bar's start
};
