#include "tests/e2e/support/Input.h"

#include <vector>

#include "tests/e2e/support/Wait.h"

namespace e2e {

bool BringToFront(HWND topLevel, DWORD ms) {
  return WaitFor(
      [&] {
        if (GetForegroundWindow() == topLevel) return true;
        SetForegroundWindow(topLevel);
        return GetForegroundWindow() == topLevel;
      },
      ms, 50);
}

static INPUT MouseEvent(POINT screenPoint, DWORD flags) {
  // Absolute coordinates run 0..65535 over the primary screen.
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((screenPoint.x * 65535LL + width / 2) / (width - 1));
  input.mi.dy = static_cast<LONG>((screenPoint.y * 65535LL + height / 2) / (height - 1));
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return input;
}

void MoveMouseTo(POINT screenPoint) {
  // SetCursorPos moves the display's own pointer as well; without it a pointer event that
  // the display reports later can put the cursor back where the display still has it.
  SetCursorPos(screenPoint.x, screenPoint.y);
  INPUT move = MouseEvent(screenPoint, MOUSEEVENTF_MOVE);
  SendInput(1, &move, sizeof(INPUT));
  // The pointer position is updated when the event is processed; wait for it so that the
  // press that follows lands on the new position.
  WaitFor([&] {
    POINT now{};
    GetCursorPos(&now);
    return now.x == screenPoint.x && now.y == screenPoint.y;
  }, kShortWaitMs, 5);
}

void LeftButtonDownAt(POINT screenPoint) {
  MoveMouseTo(screenPoint);
  INPUT down = MouseEvent(screenPoint, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN);
  SendInput(1, &down, sizeof(INPUT));
}

void LeftButtonUpAt(POINT screenPoint) {
  MoveMouseTo(screenPoint);
  INPUT up = MouseEvent(screenPoint, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP);
  SendInput(1, &up, sizeof(INPUT));
}

void ClickAt(POINT screenPoint, Button button) {
  MoveMouseTo(screenPoint);
  DWORD down = button == Button::Left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
  DWORD up = button == Button::Left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
  // Each event carries the position: a late pointer report from the display may have
  // moved the cursor in between, and a press must land where it was aimed.
  INPUT events[2] = {MouseEvent(screenPoint, MOUSEEVENTF_MOVE | down), MouseEvent(screenPoint, MOUSEEVENTF_MOVE | up)};
  SendInput(2, events, sizeof(INPUT));
}

void ClickWindowAt(HWND window, POINT clientPoint, Button button) {
  ClientToScreen(window, &clientPoint);
  ClickAt(clientPoint, button);
}

void ClickWindow(HWND window, Button button) {
  RECT rect{};
  GetWindowRect(window, &rect);
  ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, button);
}

void TypeText(const std::wstring& text) {
  std::vector<INPUT> events;
  for (wchar_t c : text) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = c;
    input.ki.dwFlags = KEYEVENTF_UNICODE;
    events.push_back(input);
    input.ki.dwFlags |= KEYEVENTF_KEYUP;
    events.push_back(input);
  }
  if (!events.empty()) SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT));
}

void PressKey(WORD virtualKey, WORD modifier) {
  std::vector<INPUT> events;
  auto key = [&](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    bool extended = (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
    if (extended) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    events.push_back(input);
  };
  if (modifier) key(modifier, false);
  key(virtualKey, false);
  key(virtualKey, true);
  if (modifier) key(modifier, true);
  SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT));
}

}  // namespace e2e
