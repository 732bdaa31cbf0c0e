// The skin command message: one window message, SM_SKINCMD, through which the skin
// manager, the skinned controls, the frame providers and the window handlers talk.
//
// WParam carries the command code in its high word and a small argument in its low word;
// LParam the command's argument. Queries answer 1 both in the message's LParam (read by a
// direct call of the window procedure) and as its result (read through SendMessage).
// Two answers travel through process-wide slots that every sender resets before asking:
// the parent's background (command 5) and the parent's colour (command 21).
//
// Everything here runs on the GUI thread; a command returns when it has been handled.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Forms.h"
#include "skin/paint/PaintTypes.h"

constexpr UINT SM_SKINCMD = 0xA100;

enum TSkinCommand : WORD {
  CMD_SKINLOADED = 1,
  CMD_SKINREMOVED = 2,
  CMD_REPAINT = 3,
  CMD_FINDPROVIDER = 4,
  CMD_GETBGINFO = 5,
  CMD_PARENTDONE = 6,
  CMD_ISSKINNED = 7,
  CMD_SETUPDATING = 8,
  CMD_HOLDCACHE = 9,
  CMD_ISBGBUSY = 10,
  CMD_ISHALFVISIBLE = 11,
  CMD_PARENTBGCHANGED = 12,
  CMD_SECTIONCHANGED = 13,
  CMD_DRAWMENUBORDER = 14,
  CMD_PAINTINGCHILD = 15,
  CMD_STOPFADE = 16,
  CMD_SETBGCHANGED = 17,
  CMD_ISBGVARIABLE = 19,
  CMD_POSCHANGED = 20,
  CMD_GETCOLOR = 21,
  CMD_NOTVISIBLE = 22,
  CMD_PREPARECACHE = 23,
  CMD_DRAWFADEFRAME = 24,
  CMD_CONTROLADDED = 25,
  CMD_GETSKININDEX = 26,
  CMD_GETCAPTIONHEIGHT = 27,
  CMD_DIALOGCMD = 28,
  CMD_MOUSEENTER = 29,
  CMD_MOUSELEAVE = 30,
  CMD_BEGINUPDATE = 31,
  CMD_ENDUPDATE = 32,
  CMD_SCROLLBEGIN = 51,
  CMD_SCROLLEND = 52,
  CMD_GETAPPLICATION = 60,
  CMD_GETCLIENTOFFSET = 61,
};

// pack(low, high) = low | high << 16.
constexpr uint32_t PackWords(WORD low, WORD high) { return static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16); }
constexpr WPARAM SkinCommandWParam(WORD command, WORD low = 0) { return PackWords(low, command); }
constexpr WORD SkinCommandOf(WPARAM wParam) { return static_cast<WORD>((wParam >> 16) & 0xFFFF); }
constexpr WORD SkinArgumentOf(WPARAM wParam) { return static_cast<WORD>(wParam & 0xFFFF); }
inline bool IsSkinCommand(const TMessage& message, WORD command) {
  return message.Msg == SM_SKINCMD && SkinCommandOf(message.WParam) == command;
}

// The answer slots. The sender resets the one it reads before asking.
BgInfo& BackgroundSlot();
TColor& ParentColorSlot();

// The two queries every skinned control, binding and frame provider answers the same way:
// command 7 (1, in LParam and Result) and command 60 (the application object). True.
bool AnswerSkinnedQuery(TMessage& message);

// SendMessage(window, SM_SKINCMD, pack(low, command), value): the receiver's result.
LRESULT SendSkinCommand(HWND window, WORD command, LPARAM value, WORD low = 0);
// A windowed control: nothing (0) while it is being destroyed or has no window, else
// SendSkinCommand to it. A non-windowed control: a direct call of its procedure.
LRESULT PerformSkinCommand(TControl* control, WORD command, LPARAM value, WORD low = 0);
// Asks by a direct call (answer in LParam), then, when that gives no 1 and the control
// has a window, through the platform (answer in the result).
bool AskControl(TControl* control, WORD command);
bool AskWindow(HWND window, WORD command);
// Resets the parent-colour slot, sends command 21 to the control and falls back to its
// Color when nobody answered; returns the slot as plain RGB (and leaves it there).
TColor QueryControlColor(TWinControl* control);

// Hands `message` to every child of `control`: non-windowed children by a direct call,
// windowed children that answer command 7 through the platform, and the children of any
// other windowed child by recursion. A child being destroyed, or one whose handling
// raises, is skipped and the broadcast goes on.
void BroadcastToChildren(TWinControl* control, TMessage& message);
// Hands `message` to every form of the application (last first, skipping forms being
// destroyed or loaded and those that answer command 7), and their children; then to the
// forms a frame provider registered, in registration order.
void BroadcastToForms(TMessage& message);
// The forms whose frame provider answers skin commands for them (borrowed; a provider
// unregisters its form before either goes).
void RegisterProviderForm(TCustomForm* form);
void UnregisterProviderForm(TCustomForm* form);

// Command 6 to every windowed child with a window and every non-windowed child that is
// not a graphic control; children being destroyed, or whose handling raises, are skipped.
void NotifyChildrenParentDone(TWinControl* control);
// Command 6 to every child window of `window` (WS_CHILD), in z-order.
void NotifyChildWindowsParentDone(HWND window);
// Command 25 with LParam = control to the control's form.
void AnnounceControl(TControl* control);
