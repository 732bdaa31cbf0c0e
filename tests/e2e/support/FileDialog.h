// Answering the platform's open and save dialogs ("#32770") as a person does: typing into
// the file name box and pressing the dialog's buttons with the mouse.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// True when `dialog` is an open or save dialog (it has a file name box and an OK button).
bool IsFileDialog(HWND dialog);
// The visible open or save dialog of process `pid`, waited for up to `ms`; null if none came.
HWND WaitForFileDialog(DWORD pid, DWORD ms);
// The edit box of the file name field.
HWND FileNameEdit(HWND dialog);
// The "Look in" / "Save in" box, whose text names the folder on show.
HWND FolderBox(HWND dialog);

// Replaces the file name box's text with `text` by typing it. True when the box then
// holds exactly `text`.
bool TypeFileName(HWND dialog, const std::wstring& text);
// Presses the OK button ("Open" / "Save") with the mouse.
void PressOk(HWND dialog);
void PressCancel(HWND dialog);
// Makes the dialog show `folder` (a full path without a trailing delimiter): unless it
// shows a folder of that name already, types the path and presses OK. True once it shows it.
bool GoToFolder(HWND dialog, const std::wstring& folder);

}  // namespace e2e
