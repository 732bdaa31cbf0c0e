#include "MessageSequence.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "framework/Messages.h"

namespace {

// The thread's queue hook, shared by every sequence alive on the thread.
struct QueueWatch {
  HHOOK hook = nullptr;
  int users = 0;
  uint64_t taken = 0;  // how many messages have been taken off the queue so far
  MSG last{};
};
thread_local QueueWatch gQueue;

LRESULT CALLBACK OnGetMessage(int code, WPARAM removal, LPARAM lParam) {
  if (code == HC_ACTION && (removal & PM_REMOVE)) {
    gQueue.last = *reinterpret_cast<const MSG*>(lParam);
    ++gQueue.taken;
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

#define NAMED(m) {m, #m}
const struct {
  UINT msg;
  const char* name;
} kNames[] = {
    NAMED(WM_NULL), NAMED(WM_CREATE), NAMED(WM_DESTROY), NAMED(WM_MOVE), NAMED(WM_SIZE), NAMED(WM_ACTIVATE),
    NAMED(WM_SETFOCUS), NAMED(WM_KILLFOCUS), NAMED(WM_ENABLE), NAMED(WM_SETREDRAW), NAMED(WM_SETTEXT),
    NAMED(WM_GETTEXT), NAMED(WM_GETTEXTLENGTH), NAMED(WM_PAINT), NAMED(WM_CLOSE), NAMED(WM_ERASEBKGND),
    NAMED(WM_SHOWWINDOW), NAMED(WM_ACTIVATEAPP), NAMED(WM_SETCURSOR), NAMED(WM_MOUSEACTIVATE),
    NAMED(WM_GETMINMAXINFO), NAMED(WM_SETFONT), NAMED(WM_GETFONT), NAMED(WM_WINDOWPOSCHANGING),
    NAMED(WM_WINDOWPOSCHANGED), NAMED(WM_NOTIFY), NAMED(WM_CONTEXTMENU), NAMED(WM_STYLECHANGING),
    NAMED(WM_STYLECHANGED), NAMED(WM_GETICON), NAMED(WM_SETICON), NAMED(WM_NCCREATE), NAMED(WM_NCDESTROY),
    NAMED(WM_NCCALCSIZE), NAMED(WM_NCHITTEST), NAMED(WM_NCPAINT), NAMED(WM_NCACTIVATE), NAMED(WM_GETDLGCODE),
    NAMED(WM_NCMOUSEMOVE), NAMED(WM_NCLBUTTONDOWN), NAMED(WM_NCLBUTTONUP), NAMED(WM_KEYDOWN), NAMED(WM_KEYUP),
    NAMED(WM_CHAR), NAMED(WM_SYSKEYDOWN), NAMED(WM_SYSCHAR), NAMED(WM_INITDIALOG), NAMED(WM_COMMAND),
    NAMED(WM_SYSCOMMAND), NAMED(WM_TIMER), NAMED(WM_HSCROLL), NAMED(WM_VSCROLL), NAMED(WM_INITMENU),
    NAMED(WM_INITMENUPOPUP), NAMED(WM_MENUSELECT), NAMED(WM_ENTERIDLE), NAMED(WM_CTLCOLOREDIT),
    NAMED(WM_CTLCOLORBTN), NAMED(WM_CTLCOLORSTATIC), NAMED(WM_MOUSEMOVE), NAMED(WM_LBUTTONDOWN),
    NAMED(WM_LBUTTONUP), NAMED(WM_LBUTTONDBLCLK), NAMED(WM_RBUTTONDOWN), NAMED(WM_RBUTTONUP),
    NAMED(WM_MOUSEWHEEL), NAMED(WM_PARENTNOTIFY), NAMED(WM_ENTERMENULOOP), NAMED(WM_EXITMENULOOP),
    NAMED(WM_CAPTURECHANGED), NAMED(WM_IME_SETCONTEXT), NAMED(WM_IME_NOTIFY), NAMED(WM_NCMOUSELEAVE),
    NAMED(WM_MOUSELEAVE), NAMED(WM_PRINT), NAMED(WM_PRINTCLIENT), NAMED(WM_THEMECHANGED), NAMED(BM_CLICK),
    NAMED(BM_SETSTATE), NAMED(BM_SETSTYLE), NAMED(EM_SETSEL), NAMED(CM_ACTIVATE), NAMED(CM_DEACTIVATE),
    NAMED(CM_DIALOGKEY), NAMED(CM_DIALOGCHAR), NAMED(CM_FOCUSCHANGED), NAMED(CM_PARENTFONTCHANGED),
    NAMED(CM_PARENTCOLORCHANGED), NAMED(CM_VISIBLECHANGED), NAMED(CM_ENABLEDCHANGED), NAMED(CM_COLORCHANGED),
    NAMED(CM_FONTCHANGED), NAMED(CM_TEXTCHANGED), NAMED(CM_MOUSEENTER), NAMED(CM_MOUSELEAVE),
    NAMED(CM_MENUCHANGED), NAMED(CM_SHOWINGCHANGED), NAMED(CM_ENTER), NAMED(CM_EXIT), NAMED(CM_ICONCHANGED),
    NAMED(CM_RELEASE), NAMED(CM_SHOWHINTCHANGED), NAMED(CM_PARENTSHOWHINTCHANGED), NAMED(CM_TABSTOPCHANGED),
    NAMED(CM_UIACTIVATE), NAMED(CM_UIDEACTIVATE), NAMED(CM_CONTROLLISTCHANGE), NAMED(CM_RECREATEWND),
    NAMED(CM_MOUSEWHEEL),
};
#undef NAMED

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

bool Matches(const ExpectedMessage& e, const RecordedMessage& r) {
  if (e.msg != r.msg) return false;
  if ((e.flags & seq::sent) && r.posted) return false;
  if ((e.flags & seq::posted) && !r.posted) return false;
  if ((e.flags & seq::wparam) && e.wParam != r.wParam) return false;
  if ((e.flags & seq::lparam) && e.lParam != r.lParam) return false;
  return !e.who || r.who == e.who;
}

std::string Describe(const ExpectedMessage& e) {
  std::string text = MessageName(e.msg);
  if (e.flags & seq::sent) text += " sent";
  if (e.flags & seq::posted) text += " posted";
  if (e.flags & seq::wparam) text += " wParam=" + Hex(e.wParam);
  if (e.flags & seq::lparam) text += " lParam=" + Hex(static_cast<uint64_t>(e.lParam));
  if (e.who) text += std::string(" to ") + e.who;
  if (e.flags & seq::optional) text += " (optional)";
  return text;
}

std::string Describe(const RecordedMessage& r) {
  std::string text = MessageName(r.msg) + (r.posted ? " posted" : " sent") + " wParam=" + Hex(r.wParam) +
                     " lParam=" + Hex(static_cast<uint64_t>(r.lParam));
  if (!r.who.empty()) text += " to " + r.who;
  return text;
}

}  // namespace

std::string MessageName(UINT msg) {
  for (const auto& n : kNames)
    if (n.msg == msg) return n.name;
  if (msg >= CN_BASE && msg < CN_BASE + WM_USER) return "CN_BASE+" + MessageName(msg - CN_BASE);
  if (msg >= CM_BASE && msg < CN_BASE) return "CM_BASE+" + std::to_string(msg - CM_BASE);
  if (msg >= WM_APP && msg < 0xC000) return "WM_APP+" + std::to_string(msg - WM_APP);
  if (msg >= WM_USER && msg < WM_APP) return "WM_USER+" + std::to_string(msg - WM_USER);
  return "0x" + Hex(msg);
}

MessageSequence::MessageSequence(std::vector<UINT> watched) : watched_(std::move(watched)) {
  if (gQueue.users++ == 0) gQueue.hook = SetWindowsHookExW(WH_GETMESSAGE, OnGetMessage, nullptr, GetCurrentThreadId());
  lastPostedTaken_ = gQueue.taken;
}

MessageSequence::~MessageSequence() {
  if (--gQueue.users == 0 && gQueue.hook) {
    UnhookWindowsHookEx(gQueue.hook);
    gQueue.hook = nullptr;
  }
}

void MessageSequence::Add(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, const std::string& who) {
  if (!watched_.empty() && std::find(watched_.begin(), watched_.end(), msg) == watched_.end()) return;
  const MSG& last = gQueue.last;
  const bool posted = window && gQueue.taken != lastPostedTaken_ && last.hwnd == window && last.message == msg &&
                      last.wParam == wParam && last.lParam == lParam;
  if (posted) lastPostedTaken_ = gQueue.taken;
  messages_.push_back({msg, posted, wParam, lParam, who});
}

::testing::AssertionResult SequenceMatches(const std::vector<RecordedMessage>& recorded,
                                           const std::vector<ExpectedMessage>& expected) {
  size_t e = 0, r = 0;
  std::string problem;
  while (e < expected.size() && r < recorded.size()) {
    if (Matches(expected[e], recorded[r])) {
      ++e;
      ++r;
    } else if (expected[e].flags & seq::optional) {
      ++e;
    } else {
      problem = "expected #" + std::to_string(e) + " " + Describe(expected[e]) + ", recorded #" + std::to_string(r) +
                " " + Describe(recorded[r]);
      break;
    }
  }
  if (problem.empty()) {
    while (e < expected.size() && (expected[e].flags & seq::optional)) ++e;
    if (e < expected.size())
      problem = "missing expected #" + std::to_string(e) + " " + Describe(expected[e]);
    else if (r < recorded.size())
      problem = "unexpected recorded #" + std::to_string(r) + " " + Describe(recorded[r]);
    else
      return ::testing::AssertionSuccess();
  }
  std::ostringstream out;
  out << "message sequences differ: " << problem << "\nexpected:\n";
  for (size_t i = 0; i < expected.size(); ++i) out << "  " << i << "  " << Describe(expected[i]) << "\n";
  out << "recorded:\n";
  for (size_t i = 0; i < recorded.size(); ++i) out << "  " << i << "  " << Describe(recorded[i]) << "\n";
  return ::testing::AssertionFailure() << out.str();
}

LRESULT WindowRecorder::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  into_.Add(Window(), msg, wParam, lParam, who_);
  return CallOld(msg, wParam, lParam);
}
