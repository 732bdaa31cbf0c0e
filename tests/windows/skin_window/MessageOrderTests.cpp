// The order in which window handlers see messages and hand them on, as tables. Each window
// carries two recorders writing into one sequence: "in" above the handler (what reaches
// it, the requests it sends itself included) and "old" below it (what its previous
// procedure sees). A message recorded "in" only is swallowed; one recorded "old" too is
// passed on; what follows under "in" after the "old" entry (the repaint the handler asks
// for) is its own step after the old procedure, and an "old" entry after such a step is a
// message passed on after the handler's step. The push-button handler on a platform
// button, the skinned button, the framed-window handler on an edit, the scroll-bar
// handler, and the frame provider on a form.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HandlerFixture.h"
#include "Helpers.h"
#include "MessageSequence.h"
#include "framework/Forms.h"
#include "skin/controls/sButton.h"
#include "skin/core/sSkinCommands.h"
#include "skin/window/acBtnWnd.h"
#include "skin/window/acEditWnd.h"
#include "skin/window/acScrollWnd.h"
#include "skin/window/sSkinProvider.h"

namespace {

// A recorder put on a plain window by SetWindowLongPtr, as foreign code does: first in the
// chain when put on after the handler, the handler's previous procedure when put on
// before it. `Place` tells the two apart on one window.
template <int Place>
class WindowRecorderAt {
public:
  WindowRecorderAt(HWND window, MessageSequence& into, const char* who) : window_(window), into_(into), who_(who) {
    Live()[window] = this;
    Previous()[window] =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  // Out of the chain while still first in it; otherwise a pass-through until the window goes.
  ~WindowRecorderAt() {
    Live().erase(window_);
    if (!IsWindow(window_) || !Previous().count(window_)) return;
    if (GetWindowLongPtrW(window_, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&Proc)) return;
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous()[window_]));
    Previous().erase(window_);
  }
  WindowRecorderAt(const WindowRecorderAt&) = delete;
  WindowRecorderAt& operator=(const WindowRecorderAt&) = delete;

private:
  static std::map<HWND, WindowRecorderAt*>& Live() {
    static std::map<HWND, WindowRecorderAt*> live;
    return live;
  }
  static std::map<HWND, WNDPROC>& Previous() {
    static std::map<HWND, WNDPROC> previous;
    return previous;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (auto live = Live().find(w); live != Live().end()) live->second->into_.Add(w, msg, wp, lp, live->second->who_);
    const WNDPROC previous = Previous()[w];
    if (msg == WM_NCDESTROY) Previous().erase(w);
    return CallWindowProcW(previous, w, msg, wp, lp);
  }

  HWND window_;
  MessageSequence& into_;
  std::string who_;
};
using RecorderBelow = WindowRecorderAt<0>;
using RecorderAbove = WindowRecorderAt<1>;

// The skinned button with a recorder on what its skinned handling passes on.
class RecordedButton : public TsButton {
public:
  RecordedButton(TComponent* owner, MessageSequence& into) : TsButton(owner), into_(into) {}

protected:
  void CallFramework(TMessage& message) override {
    into_.Add(HandleAllocated() ? Handle() : nullptr, message.Msg, message.WParam, message.LParam, "old");
    TsButton::CallFramework(message);
  }

private:
  MessageSequence& into_;
};

// Entries of the tables: sent or posted alike; WParam and LParam only where given.
ExpectedMessage In(UINT msg, unsigned flags = 0, WPARAM w = 0, LPARAM l = 0) { return {msg, flags, w, l, "in"}; }
ExpectedMessage Old(UINT msg, unsigned flags = 0, WPARAM w = 0, LPARAM l = 0) { return {msg, flags, w, l, "old"}; }
constexpr unsigned opt = seq::optional;

// A skin command and its WParam.
WPARAM Command(WORD command, WORD low = 0) { return SkinCommandWParam(command, low); }
ExpectedMessage InCommand(WORD command) { return In(SM_SKINCMD, seq::wparam, Command(command)); }
ExpectedMessage OldCommand(WORD command) { return Old(SM_SKINCMD, seq::wparam, Command(command)); }

struct OrderCase {
  const char* name;
  std::function<void()> send;
  std::vector<ExpectedMessage> expected;
};

// The entries of `recorded` that a table speaks of: its messages (skin commands by their
// command), whoever received them. The rest of the traffic is not the table's business.
std::vector<RecordedMessage> Relevant(const std::vector<RecordedMessage>& recorded,
                                      const std::vector<ExpectedMessage>& expected) {
  std::vector<RecordedMessage> kept;
  for (const RecordedMessage& r : recorded)
    for (const ExpectedMessage& e : expected)
      if (e.msg == r.msg && (!(e.flags & seq::wparam) || e.msg != SM_SKINCMD || e.wParam == r.wParam)) {
        kept.push_back(r);
        break;
      }
  return kept;
}

// Each case from a settled window: what `send` makes both recorders see, the requests it
// leaves in the queue handled too, against the case's table.
void ExpectOrder(MessageSequence& sequence, HWND window, const std::vector<OrderCase>& cases) {
  for (const OrderCase& c : cases) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Application->ProcessMessages();
    sequence.Clear();
    c.send();
    Application->ProcessMessages();
    EXPECT_TRUE(SequenceMatches(Relevant(sequence.Messages(), c.expected), c.expected)) << c.name;
  }
}

// A repaint asked of the platform: the paint request, with the non-client paint and erase
// requests that its BeginPaint may send (before or inside it); none of them passed on.
// `nonClientPassedOn`: a handler that leaves the non-client paint to the old procedure.
std::vector<ExpectedMessage> Repaint(bool nonClientPassedOn = false) {
  std::vector<ExpectedMessage> paint = {In(WM_NCPAINT, seq::optional), In(WM_ERASEBKGND, seq::optional),
                                        In(WM_PAINT), In(WM_NCPAINT, seq::optional)};
  if (nonClientPassedOn) paint.push_back(Old(WM_NCPAINT, seq::optional));
  paint.push_back(In(WM_ERASEBKGND, seq::optional));
  return paint;
}
std::vector<ExpectedMessage> Then(std::vector<ExpectedMessage> first, const std::vector<ExpectedMessage>& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

// Paint and print requests with a memory DC.
class PrintTarget {
public:
  explicit PrintTarget(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    bitmap_ = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top);
  }
  WPARAM Dc() const { return reinterpret_cast<WPARAM>(bitmap_->Canvas().Handle()); }

private:
  std::unique_ptr<TBitmap> bitmap_;
};

const std::vector<UINT> kPainting = {WM_PAINT, WM_ERASEBKGND, WM_NCPAINT, WM_PRINT, WM_PRINTCLIENT, WM_SETREDRAW};

std::vector<UINT> Watched(std::vector<UINT> more) {
  more.insert(more.end(), kPainting.begin(), kPainting.end());
  return more;
}

using MessageOrderTest = HandlerTest;

// ---------------------------------------------------------------- the push-button handler

TEST_F(MessageOrderTest, PushButtonHandler) {
  SetCursorPos(1000, 740);  // away from the windows: no hot look
  MessageSequence sequence(Watched({WM_NCHITTEST, WM_SETFOCUS, WM_KILLFOCUS, WM_SETTEXT, WM_ENABLE, BM_SETSTATE,
                                    SM_SKINCMD, WM_MOUSEMOVE}));
  HWND button = Child(L"BUTTON", L"OK", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  const RecorderBelow below(button, sequence, "old");
  auto handler = TacMainWnd::Create<TacBtnWnd>(button, false, std::string("BUTTON"), nullptr, nullptr);
  const RecorderAbove above(button, sequence, "in");
  const PrintTarget target(button);
  auto send = [&](UINT msg, WPARAM w = 0, LPARAM l = 0) { return [=] { SendMessageW(button, msg, w, l); }; };
  // Redraw off around what the button's own procedure does, a repaint of ours after it.
  auto quietly = [](UINT msg) {
    return Then({In(msg), In(WM_SETREDRAW, seq::wparam | opt, FALSE), Old(WM_SETREDRAW, seq::wparam, FALSE), Old(msg),
                 In(WM_SETREDRAW, seq::wparam | opt, TRUE), Old(WM_SETREDRAW, seq::wparam, TRUE)},
                Repaint());
  };
  const std::vector<OrderCase> cases = {
      {"paint: instead", send(WM_PAINT), {In(WM_PAINT)}},
      {"print: instead, into the DC it brings", send(WM_PRINT, target.Dc(), PRF_CLIENT), {In(WM_PRINT)}},
      {"erase: swallowed", send(WM_ERASEBKGND, target.Dc()), {In(WM_ERASEBKGND)}},
      {"non-client paint: swallowed", send(WM_NCPAINT, 1), {In(WM_NCPAINT)}},
      {"hit-test: passed on", send(WM_NCHITTEST, 0, MAKELPARAM(50, 20)), {In(WM_NCHITTEST), Old(WM_NCHITTEST)}},
      {"mouse move: passed on", send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)), {In(WM_MOUSEMOVE), Old(WM_MOUSEMOVE)}},
      {"focus gained", send(WM_SETFOCUS), quietly(WM_SETFOCUS)},
      {"focus lost", send(WM_KILLFOCUS), quietly(WM_KILLFOCUS)},
      {"text", [&] { SetWindowTextW(button, L"Go"); }, quietly(WM_SETTEXT)},
      {"enable", send(WM_ENABLE, TRUE), quietly(WM_ENABLE)},
      {"pushed state", send(BM_SETSTATE, TRUE), quietly(BM_SETSTATE)},
      {"pointer enters: our repaint, then passed on",
       send(SM_SKINCMD, Command(CMD_MOUSEENTER)),
       Then(Then({InCommand(CMD_MOUSEENTER)}, Repaint()), {OldCommand(CMD_MOUSEENTER)})},
      {"pointer leaves: our repaint, then passed on",
       send(SM_SKINCMD, Command(CMD_MOUSELEAVE)),
       Then(Then({InCommand(CMD_MOUSELEAVE)}, Repaint()), {OldCommand(CMD_MOUSELEAVE)})},
      {"skinned? answered", send(SM_SKINCMD, Command(CMD_ISSKINNED)), {InCommand(CMD_ISSKINNED)}},
      {"disabled: a focus it cannot take is swallowed",
       [&] {
         EnableWindow(button, FALSE);
         sequence.Clear();
         SendMessageW(button, WM_SETFOCUS, 0, 0);
       },
       {In(WM_SETFOCUS)}},
      {"disabled: losing the focus is passed on", send(WM_KILLFOCUS), {In(WM_KILLFOCUS), Old(WM_KILLFOCUS)}},
  };
  ExpectOrder(sequence, button, cases);

  // A hidden button's text goes on as it is: no redraw switching, no repaint.
  MessageSequence hiddenSequence(Watched({WM_SETTEXT}));
  HWND hidden = Child(L"BUTTON", L"hidden", BS_PUSHBUTTON, RECT{100, 10, 175, 33});
  ShowWindow(hidden, SW_HIDE);
  const RecorderBelow hiddenBelow(hidden, hiddenSequence, "old");
  auto hiddenHandler = TacMainWnd::Create<TacBtnWnd>(hidden, false, std::string("BUTTON"), nullptr, nullptr);
  const RecorderAbove hiddenAbove(hidden, hiddenSequence, "in");
  Application->ProcessMessages();
  hiddenSequence.Clear();
  SetWindowTextW(hidden, L"still hidden");
  Application->ProcessMessages();
  EXPECT_TRUE(SequenceMatches(hiddenSequence.Messages(), {In(WM_SETTEXT), Old(WM_SETTEXT)}));
  EXPECT_FALSE(IsWindowVisible(hidden));
}

// ---------------------------------------------------------------- the skinned button

TEST_F(MessageOrderTest, SkinnedButton) {
  MessageSequence sequence(Watched({WM_NCHITTEST, WM_SETFOCUS, WM_KILLFOCUS, WM_SETTEXT, WM_ENABLE, BM_SETSTATE,
                                    SM_SKINCMD, CM_MOUSEENTER, CM_MOUSELEAVE, CM_TEXTCHANGED, CM_ENABLEDCHANGED}));
  const std::unique_ptr<TForm> form(new TForm(Application));
  form->SetBorderStyle(bsSingle);
  form->SetClientSize(200, 80);
  auto* button = new RecordedButton(form.get(), sequence);
  button->SetParent(form.get());
  button->SetBounds(20, 20, 113, 25);
  button->SetCaption(L"OK");
  form->Show();
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(button->Handle()) != 0; }));
  const MessageLog above(*button, sequence, "in");
  HWND window = button->Handle();
  const PrintTarget target(window);
  auto send = [&](UINT msg, WPARAM w = 0, LPARAM l = 0) { return [=] { SendMessageW(window, msg, w, l); }; };
  auto perform = [&](UINT msg, WPARAM w = 0, LPARAM l = 0) { return [=] { button->Perform(msg, w, l); }; };
  // Redraw off around the framework button's own step, our new picture asked for after it.
  auto quietly = [](UINT msg) {
    return Then({In(msg), In(WM_SETREDRAW, seq::wparam | opt, FALSE), Old(WM_SETREDRAW, seq::wparam, FALSE), Old(msg),
                 In(WM_SETREDRAW, seq::wparam | opt, TRUE), Old(WM_SETREDRAW, seq::wparam, TRUE)},
                Repaint(true));
  };
  const LPARAM self = reinterpret_cast<LPARAM>(static_cast<TControl*>(button));
  const std::vector<OrderCase> cases = {
      {"paint: instead", send(WM_PAINT), {In(WM_PAINT)}},
      {"print: instead", send(WM_PRINT, target.Dc(), PRF_CLIENT), {In(WM_PRINT)}},
      {"print client: instead", send(WM_PRINTCLIENT, target.Dc(), PRF_CLIENT), {In(WM_PRINTCLIENT)}},
      {"erase: swallowed", send(WM_ERASEBKGND, target.Dc()), {In(WM_ERASEBKGND)}},
      {"non-client paint: passed on (the button has no frame of its own)", send(WM_NCPAINT, 1),
       {In(WM_NCPAINT), Old(WM_NCPAINT)}},
      {"enable: swallowed", send(WM_ENABLE, TRUE), {In(WM_ENABLE)}},
      {"pushed state: swallowed", send(BM_SETSTATE, TRUE), {In(BM_SETSTATE)}},
      {"hit-test: passed on", send(WM_NCHITTEST, 0, MAKELPARAM(60, 40)), {In(WM_NCHITTEST), Old(WM_NCHITTEST)}},
      {"focus gained", send(WM_SETFOCUS), quietly(WM_SETFOCUS)},
      {"focus lost", send(WM_KILLFOCUS), quietly(WM_KILLFOCUS)},
      {"text changed: instead, a repaint of ours",
       perform(CM_TEXTCHANGED),
       Then({In(CM_TEXTCHANGED)}, Repaint())},
      {"pointer enters: our look first, then passed on",
       perform(CM_MOUSEENTER, 0, self),
       Then(Then({In(CM_MOUSEENTER)}, Repaint()), {Old(CM_MOUSEENTER)})},
      {"pointer leaves: our look first, then passed on",
       perform(CM_MOUSELEAVE, 0, self),
       Then(Then({In(CM_MOUSELEAVE)}, Repaint()), {Old(CM_MOUSELEAVE)})},
      {"skinned? answered", send(SM_SKINCMD, Command(CMD_ISSKINNED)), {InCommand(CMD_ISSKINNED)}},
      {"cache held: answered", send(SM_SKINCMD, Command(CMD_HOLDCACHE, 0)), {In(SM_SKINCMD)}},
      {"prepare cache: our picture first, then passed on",
       send(SM_SKINCMD, Command(CMD_PREPARECACHE)),
       {InCommand(CMD_PREPARECACHE), OldCommand(CMD_PREPARECACHE)}},
  };
  ExpectOrder(sequence, window, cases);
}

// ---------------------------------------------------------------- the framed-window handler

TEST_F(MessageOrderTest, EditHandler) {
  MessageSequence sequence(Watched({WM_NCHITTEST, WM_SETFOCUS, WM_KILLFOCUS, WM_SETTEXT, WM_ENABLE, SM_SKINCMD,
                                    WM_SETCURSOR, WM_SIZE}));
  HWND edit = Child(L"EDIT", L"some text", ES_MULTILINE | WS_VSCROLL, RECT{10, 10, 170, 110}, WS_EX_CLIENTEDGE);
  const RecorderBelow below(edit, sequence, "old");
  auto handler = TacMainWnd::Create<TacEditWnd>(edit, true, std::string("EDIT"), nullptr, nullptr);
  const RecorderAbove above(edit, sequence, "in");
  const PrintTarget target(edit);
  auto send = [&](UINT msg, WPARAM w = 0, LPARAM l = 0) { return [=] { SendMessageW(edit, msg, w, l); }; };
  const std::vector<OrderCase> cases = {
      {"non-client paint: instead (our ring and bars)", send(WM_NCPAINT, 1), {In(WM_NCPAINT)}},
      {"paint: passed on (the edit paints its text)", send(WM_PAINT), {In(WM_PAINT), Old(WM_PAINT)}},
      {"erase: passed on", send(WM_ERASEBKGND, target.Dc()), {In(WM_ERASEBKGND), Old(WM_ERASEBKGND)}},
      // Ring and bars are ours; the client comes from the edit; the edit's own print request
      // goes last and no longer asks for frame, client or background.
      {"print: ours, the client from the edit, the rest passed on",
       send(WM_PRINT, target.Dc(), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN),
       {In(WM_PRINT), In(WM_ERASEBKGND, opt), Old(WM_ERASEBKGND, opt), In(WM_PAINT, opt), Old(WM_PAINT, opt),
        In(WM_PRINTCLIENT, opt), Old(WM_PRINTCLIENT, opt), Old(WM_PRINT, seq::lparam, 0, PRF_CHILDREN)}},
      {"hit-test over the text: passed on", send(WM_NCHITTEST, 0, MAKELPARAM(60, 60)),
       {In(WM_NCHITTEST), Old(WM_NCHITTEST)}},
      {"focus: passed on", send(WM_SETFOCUS), {In(WM_SETFOCUS), Old(WM_SETFOCUS)}},
      {"focus lost: passed on", send(WM_KILLFOCUS), {In(WM_KILLFOCUS), Old(WM_KILLFOCUS)}},
      {"text: passed on", [&] { SetWindowTextW(edit, L"other text"); }, {In(WM_SETTEXT), Old(WM_SETTEXT)}},
      {"enable: passed on, our frame after", send(WM_ENABLE, TRUE), {In(WM_ENABLE), Old(WM_ENABLE), In(WM_NCPAINT)}},
      {"cursor: passed on", send(WM_SETCURSOR, reinterpret_cast<WPARAM>(edit), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
       {In(WM_SETCURSOR), Old(WM_SETCURSOR)}},
      {"skinned? answered", send(SM_SKINCMD, Command(CMD_ISSKINNED)), {InCommand(CMD_ISSKINNED)}},
      {"skin index: answered", send(SM_SKINCMD, Command(CMD_GETSKININDEX)), {InCommand(CMD_GETSKININDEX)}},
      {"pointer enters: passed on", send(SM_SKINCMD, Command(CMD_MOUSEENTER)),
       {InCommand(CMD_MOUSEENTER), OldCommand(CMD_MOUSEENTER)}},
  };
  ExpectOrder(sequence, edit, cases);
}

// ---------------------------------------------------------------- the scroll-bar handler

TEST_F(MessageOrderTest, ScrollBarHandler) {
  MessageSequence sequence(Watched({WM_NCHITTEST, WM_NCCALCSIZE, WM_STYLECHANGING, WM_STYLECHANGED, WM_NCMOUSEMOVE,
                                    WM_NCMOUSELEAVE, WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_MOUSEWHEEL,
                                    WM_CAPTURECHANGED, SM_SKINCMD}));
  HWND w = Child(L"EquidivHandlerHost", L"", WS_VSCROLL, RECT{10, 10, 170, 150});
  SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE, 0, 99, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &info, TRUE);
  const RecorderBelow below(w, sequence, "old");
  auto handler = TacMainWnd::Create<TacScrollWnd>(w, true, std::string("EDIT"), nullptr, nullptr);
  const RecorderAbove above(w, sequence, "in");
  ASSERT_TRUE(handler->VertBar->Shown);
  const RECT bar = handler->VertBarRect();
  const LPARAM onBar = MAKELPARAM((bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2);
  RECT window{};
  GetWindowRect(w, &window);
  const LPARAM inClient = MAKELPARAM(window.left + 20, window.top + 20);
  auto send = [&](UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return [=] { SendMessageW(w, msg, wp, lp); }; };
  const std::vector<OrderCase> cases = {
      // The platform computes the frame without its bars (the style changes meanwhile stay
      // ours); the bars' room is taken after.
      {"frame size: passed on with the bars' style off",
       [&] { SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED); },
       {In(WM_NCCALCSIZE), In(WM_STYLECHANGING), In(WM_STYLECHANGED), Old(WM_NCCALCSIZE), In(WM_STYLECHANGING),
        In(WM_STYLECHANGED), In(WM_NCPAINT, opt), Old(WM_NCPAINT, opt), In(WM_ERASEBKGND, opt),
        Old(WM_ERASEBKGND, opt), In(WM_PAINT, opt), Old(WM_PAINT, opt)}},
      {"hit-test on the bar: answered", send(WM_NCHITTEST, 0, onBar), {In(WM_NCHITTEST)}},
      {"hit-test in the client: passed on", send(WM_NCHITTEST, 0, inClient), {In(WM_NCHITTEST), Old(WM_NCHITTEST)}},
      {"non-client paint: passed on, our bars after", send(WM_NCPAINT, 1), {In(WM_NCPAINT), Old(WM_NCPAINT)}},
      {"pointer over the bar: ours", send(WM_NCMOUSEMOVE, HTVSCROLL, onBar), {In(WM_NCMOUSEMOVE)}},
      {"pointer over the frame: passed on", send(WM_NCMOUSEMOVE, HTBORDER, inClient),
       {In(WM_NCMOUSEMOVE), Old(WM_NCMOUSEMOVE)}},
      {"pointer leaves: passed on", send(WM_NCMOUSELEAVE), {In(WM_NCMOUSELEAVE), Old(WM_NCMOUSELEAVE)}},
      {"right press on the bar: swallowed", send(WM_NCRBUTTONDOWN, HTVSCROLL, onBar), {In(WM_NCRBUTTONDOWN)}},
      {"left press on the frame: passed on", send(WM_NCLBUTTONDOWN, HTBORDER, inClient),
       {In(WM_NCLBUTTONDOWN), Old(WM_NCLBUTTONDOWN)}},
      {"wheel: passed on", send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), inClient),
       {In(WM_MOUSEWHEEL), Old(WM_MOUSEWHEEL)}},
      {"capture lost: passed on", send(WM_CAPTURECHANGED, 0, 0), {In(WM_CAPTURECHANGED), Old(WM_CAPTURECHANGED)}},
      {"paint: passed on", send(WM_PAINT), {In(WM_PAINT), Old(WM_PAINT)}},
      {"skinned? answered", send(SM_SKINCMD, Command(CMD_ISSKINNED)), {InCommand(CMD_ISSKINNED)}},
  };
  ExpectOrder(sequence, w, cases);
}

// ---------------------------------------------------------------- the frame provider

TEST_F(MessageOrderTest, FrameProvider) {
  MessageSequence sequence(Watched({WM_NCHITTEST, WM_NCACTIVATE, WM_SETTEXT, WM_NCMOUSEMOVE, WM_NCMOUSELEAVE,
                                    WM_NCRBUTTONDOWN, WM_ACTIVATE, WM_ENTERIDLE, SM_SKINCMD, CM_ENABLEDCHANGED,
                                    CM_MOUSELEAVE}));
  const std::unique_ptr<TForm> form(new TForm(Application));
  form->SetBorderStyle(bsSingle);
  form->SetBorderIcons(biSystemMenu | biMinimize);
  form->SetCaption(L"F");
  form->SetClientSize(320, 160);
  form->SetPosition(poScreenCenter);
  const MessageLog below(*form, sequence, "old");
  auto* provider = new TsSkinProvider(form.get());
  form->Show();
  ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
  const MessageLog above(*form, sequence, "in");
  ASSERT_TRUE(provider->Skinned());
  HWND window = form->Handle();
  const PrintTarget target(window);
  RECT w{};
  GetWindowRect(window, &w);
  const RECT close = provider->Button(HTCLOSE).Rect;
  const LPARAM onClose = MAKELPARAM(w.left + (close.left + close.right) / 2, w.top + (close.top + close.bottom) / 2);
  const LPARAM onCaption = MAKELPARAM(w.left + 60, w.top + provider->Geometry().BandHeight() / 2);
  auto send = [&](UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return [=] { SendMessageW(window, msg, wp, lp); }; };
  const std::vector<OrderCase> cases = {
      {"non-client paint: instead", send(WM_NCPAINT, 1), {In(WM_NCPAINT)}},
      {"erase: swallowed", send(WM_ERASEBKGND, target.Dc()), {In(WM_ERASEBKGND)}},
      {"paint: instead", [&] { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); },
       {In(WM_NCPAINT, opt), In(WM_ERASEBKGND, opt), In(WM_PAINT)}},
      {"print: instead", send(WM_PRINT, target.Dc(), PRF_NONCLIENT | PRF_CLIENT), {In(WM_PRINT)}},
      {"print client: swallowed", send(WM_PRINTCLIENT, target.Dc(), PRF_CLIENT), {In(WM_PRINTCLIENT)}},
      // Passed on with "do not repaint the frame"; our frame follows.
      {"activation look: passed on quietly", send(WM_NCACTIVATE, FALSE),
       {In(WM_NCACTIVATE), Old(WM_NCACTIVATE, seq::lparam, 0, -1)}},
      {"activation look back: passed on quietly", send(WM_NCACTIVATE, TRUE),
       {In(WM_NCACTIVATE), Old(WM_NCACTIVATE, seq::lparam, 0, -1)}},
      {"caption text: passed on", [&] { SetWindowTextW(window, L"G"); }, {In(WM_SETTEXT), Old(WM_SETTEXT)}},
      {"hit-test on the close button: answered", send(WM_NCHITTEST, 0, onClose), {In(WM_NCHITTEST)}},
      {"hit-test on the caption: passed on", send(WM_NCHITTEST, 0, onCaption), {In(WM_NCHITTEST), Old(WM_NCHITTEST)}},
      {"pointer over the frame: passed on", send(WM_NCMOUSEMOVE, HTCAPTION, onCaption),
       {In(WM_NCMOUSEMOVE), Old(WM_NCMOUSEMOVE)}},
      {"pointer leaves the frame: passed on", send(WM_NCMOUSELEAVE), {In(WM_NCMOUSELEAVE), Old(WM_NCMOUSELEAVE)}},
      {"pointer leaves the form: passed on", [&] { form->Perform(CM_MOUSELEAVE, 0, 0); },
       {In(CM_MOUSELEAVE), Old(CM_MOUSELEAVE)}},
      {"right press on the caption: swallowed", send(WM_NCRBUTTONDOWN, HTCAPTION, onCaption), {In(WM_NCRBUTTONDOWN)}},
      {"idle of a modal loop: swallowed", send(WM_ENTERIDLE, MSGF_MENU, 0), {In(WM_ENTERIDLE)}},
      {"enabled changed: passed on, our frame after", [&] { form->Perform(CM_ENABLEDCHANGED); },
       {In(CM_ENABLEDCHANGED), Old(CM_ENABLEDCHANGED)}},
      {"skinned? answered", send(SM_SKINCMD, Command(CMD_ISSKINNED)), {InCommand(CMD_ISSKINNED)}},
      {"client offset: answered", send(SM_SKINCMD, Command(CMD_GETCLIENTOFFSET)), {InCommand(CMD_GETCLIENTOFFSET)}},
      {"pointer enters: swallowed", send(SM_SKINCMD, Command(CMD_MOUSEENTER)), {InCommand(CMD_MOUSEENTER)}},
  };
  ExpectOrder(sequence, window, cases);
}

}  // namespace
