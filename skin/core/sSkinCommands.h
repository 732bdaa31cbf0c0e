// The skin command message: one window message, SM_SKINCMD, through which the skin
// manager, the skinned controls, the frame providers and the window handlers talk.
//
// WParam carries the command code in its high word and a small argument in its low word;
// LParam the command's argument. Queries answer 1 both in the message's LParam (read by a
// direct call of the window procedure) and as its result (read through SendMessage).
// Two answers travel in a record that the asker owns and whose address is the LParam:
// the parent's background (CMD_GETBGINFO, a BgInfo) and the parent's colour
// (CMD_GETCOLOR, a ColorInfo). The asked control fills the record; one that gets no
// record (LParam 0) answers nothing. A record is only sent to a window of the asker's
// own thread, whose procedure runs while the asker waits.
//
// Everything here runs on the GUI thread; a command returns when it has been handled.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Forms.h"
#include "skin/core/sNumbers.h"
#include "skin/paint/PaintTypes.h"

// pack(low, high) = low | high << 16.
constexpr uint32_t PackWords(WORD low, WORD high) { return static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16); }
constexpr WPARAM SkinCommandWParam(WORD command, WORD low = 0) { return PackWords(low, command); }
constexpr WORD SkinCommandOf(WPARAM wParam) { return static_cast<WORD>((wParam >> 16) & 0xFFFF); }
constexpr WORD SkinArgumentOf(WPARAM wParam) { return static_cast<WORD>(wParam & 0xFFFF); }
inline bool IsSkinCommand(const TMessage& message, WORD command) {
  return message.Msg == SM_SKINCMD && SkinCommandOf(message.WParam) == command;
}

// The answer of CMD_GETCOLOR: the colour a control shows its children, clFuchsia until
// somebody answers.
struct ColorInfo {
  TColor Color = clFuchsia;
};

// The two queries every skinned control, binding and frame provider answers the same way:
// CMD_ISSKINNED (1, in LParam and Result) and CMD_GETAPPLICATION (the application object).
// True.
bool AnswerSkinnedQuery(TMessage& message);

// The asked side of CMD_GETBGINFO and CMD_GETCOLOR: the record the message carries, or
// null (LParam 0), and filling it (nothing without a record). True when filled.
BgInfo* BackgroundRecordOf(const TMessage& message);
ColorInfo* ColorRecordOf(const TMessage& message);
bool AnswerBackground(const TMessage& message, const BgInfo& answer);
bool AnswerColor(const TMessage& message, TColor color);

// A window whose procedure runs on this thread: the only kind an answer record is sent to.
bool IsOwnThreadWindow(HWND window);
// CMD_GETBGINFO: the picture `window` shows its children; not Ready when it has none, does
// not answer or belongs to another thread. Bmp looks into that window's cache: use it
// before the window paints again.
BgInfo AskBackground(HWND window);
// The same of a control: a windowed one through its window (nothing while it is being
// destroyed or has no window), a non-windowed one by a direct call.
BgInfo AskBackground(TControl* control);
// CMD_GETCOLOR: the colour `window` shows its children, clFuchsia when nobody answers.
TColor AskColor(HWND window);

// SendMessage(window, SM_SKINCMD, pack(low, command), value): the receiver's result.
LRESULT SendSkinCommand(HWND window, WORD command, LPARAM value, WORD low = 0);
// A windowed control: nothing (0) while it is being destroyed or has no window, else
// SendSkinCommand to it. A non-windowed control: a direct call of its procedure.
LRESULT PerformSkinCommand(TControl* control, WORD command, LPARAM value, WORD low = 0);
// Asks by a direct call (answer in LParam), then, when that gives no 1 and the control
// has a window, through the platform (answer in the result).
bool AskControl(TControl* control, WORD command);
bool AskWindow(HWND window, WORD command);
// CMD_GETCOLOR to the control, falling back to its Color when nobody answers; plain RGB.
TColor QueryControlColor(TWinControl* control);

// Hands `message` to every child of `control`: non-windowed children by a direct call,
// windowed children that answer CMD_ISSKINNED through the platform, and the children of any
// other windowed child by recursion. A child being destroyed, or one whose handling
// raises, is skipped and the broadcast goes on.
void BroadcastToChildren(TWinControl* control, TMessage& message);
// Hands `message` to every form of the application (last first, skipping forms being
// destroyed or loaded and those that answer CMD_ISSKINNED), and their children; then to the
// forms a frame provider registered, in registration order.
void BroadcastToForms(TMessage& message);
// The forms whose frame provider answers skin commands for them (borrowed; a provider
// unregisters its form before either goes).
void RegisterProviderForm(TCustomForm* form);
void UnregisterProviderForm(TCustomForm* form);

// CMD_PARENTDONE to every windowed child with a window and every non-windowed child that is
// not a graphic control; children being destroyed, or whose handling raises, are skipped.
void NotifyChildrenParentDone(TWinControl* control);
// CMD_PARENTDONE to every child window of `window` (WS_CHILD), in z-order.
void NotifyChildWindowsParentDone(HWND window);
// CMD_CONTROLADDED with LParam = control to the control's form.
void AnnounceControl(TControl* control);
