// The numbers the skin engine compares messages, styles and controls with, named in one
// place: the skin command message and its commands, the private messages of the menu
// support, platform messages and system commands that the platform headers leave
// unnamed, the type fields of window styles, the scroll-bar record's flag and the
// control-type codes of the bindings.
//
// A style's type field (BS_TYPEMASK, CBS_TYPEMASK) is an enumeration kept
// in the low bits: it is compared as a value (`ButtonType(style) == BS_GROUPBOX`), never
// tested bit by bit.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>

// ---------------------------------------------------------------- the skin command message

// WParam: the command in the high word, a small argument in the low word.
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

// ---------------------------------------------------------------- private messages

// Seen on the application window by the default manager: the menu support gives a menu
// window its frame from the prepared menu picture. LParam: a menu item (its menu window
// is the one at the centre of the item's rectangle), resp. a menu window.
constexpr UINT SM_MENUITEMPICTURE = 48307;
constexpr UINT SM_MENUWINDOWPICTURE = 48308;

// ---------------------------------------------------------------- platform numbers without a name

// A combo box's list window hears these from the platform while a drag selects in it.
constexpr UINT LBCB_STARTTRACK = 0x1AE;
constexpr UINT LBCB_ENDTRACK = 0x1AF;
// WM_KEYDOWN in the reflected-message range (OCM__BASE = WM_USER + 0x1C00); the edit
// handlers drop it.
constexpr UINT OCM_KEYDOWN = WM_USER + 0x1C00 + WM_KEYDOWN;
// WM_SYSCOMMAND for a press on a vertical scroll bar of the platform's frame: SC_VSCROLL
// with the hit-test code in its low four bits.
constexpr WPARAM SC_VSCROLLBAR = SC_VSCROLL | HTVSCROLL;

// ---------------------------------------------------------------- type fields of window styles

// CBS_SIMPLE, CBS_DROPDOWN or CBS_DROPDOWNLIST.
constexpr LONG CBS_TYPEMASK = 0x3;

constexpr LONG ButtonType(LONG_PTR style) { return static_cast<LONG>(style & BS_TYPEMASK); }
constexpr LONG ComboType(LONG_PTR style) { return static_cast<LONG>(style & CBS_TYPEMASK); }

// A push button that is the default one.
constexpr bool IsDefaultButtonType(LONG type) {
  return type == BS_DEFPUSHBUTTON || type == BS_DEFSPLITBUTTON || type == BS_DEFCOMMANDLINK;
}
// The button types drawn as a check box: BS_CHECKBOX, BS_AUTOCHECKBOX, BS_3STATE, BS_AUTO3STATE.
constexpr bool IsCheckBoxType(LONG type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
// A combo box with a drop-down button: CBS_DROPDOWN or CBS_DROPDOWNLIST.
constexpr bool HasDropDownButton(LONG type) { return type == CBS_DROPDOWN || type == CBS_DROPDOWNLIST; }

// ---------------------------------------------------------------- the scroll-bar record

// `Flags` of a scroll-bar record: the window style has this bar (the only flag set).
constexpr uint16_t SBF_INSTYLE = 8;

// ---------------------------------------------------------------- control-type codes

// The codes the bindings of this system use (the section each resolves to when
// `SkinSection` is empty is chosen in `Loaded`).
enum TsControlKind : int {
  COC_TsEdit = 3,
  COC_TsListBox = 4,
  COC_TsPanel = 51,
  COC_TsTabSheet = 57,
  COC_TsButton = 93,
  COC_TsSkinListBox = 97,
  COC_TsPageControl = 141,
  COC_TsLabel = 200,
};
