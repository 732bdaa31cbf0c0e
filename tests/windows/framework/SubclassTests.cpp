// Subclassing of windows the framework did not create, in every order of going: the
// window first, the handler first, the parent first, another subclass above ours, a
// handler that frees itself inside its own message, DestroyWindow inside one of the
// window's own messages, and a handler that throws. Each runs on a plain window of the
// test's own class (top-level and child) and on platform BUTTON and EDIT children.
//
// Freed handlers are poisoned: a probe's memory is never handed back to the heap but
// becomes a tombstone, so a call through a stale handler pointer fails the test instead of
// running in freed memory.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "Helpers.h"
#include "MessageSequence.h"
#include "framework/Subclass.h"

namespace {

constexpr UINT kPoke = WM_APP + 1;    // where a probe does what the test asks of it
constexpr UINT kNested = WM_APP + 2;  // sends kPoke from inside itself
constexpr LRESULT kPlainPokeResult = 0x1234;
constexpr wchar_t kPlainClass[] = L"EquidivSubclassTestWindow";

// What the procedure of the test's own class got.
int gPlainPokes = 0;
int gPlainNcDestroys = 0;

LRESULT CALLBACK PlainProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPoke) {
    ++gPlainPokes;
    return kPlainPokeResult;
  }
  if (msg == WM_NCDESTROY) ++gPlainNcDestroys;
  return DefWindowProcW(window, msg, wParam, lParam);
}

// What a deleted probe's memory becomes.
class Tombstone final : public TWindowSubclass {
public:
  static inline int count = 0;
  Tombstone() { ++count; }
  static void operator delete(void*) { ADD_FAILURE() << "a freed handler was deleted again"; }

protected:
  LRESULT WindowProc(UINT msg, WPARAM, LPARAM) override {
    ADD_FAILURE() << "a freed handler got " << MessageName(msg);
    return 0;
  }
  void WindowDestroyed() override { ADD_FAILURE() << "a freed handler was told its window is gone"; }
};

// Handlers alive, tombstones aside.
int LiveHandlers() { return TWindowSubclass::LiveCount() - Tombstone::count; }

// What the probes saw and what happened to them; outlives them.
struct Journal {
  MessageSequence seen;
  std::vector<std::string> events;  // "destroyed NAME" (WindowDestroyed), "deleted NAME"
};

class Probe : public TWindowSubclass {
public:
  Probe(Journal& journal, std::string name) : journal_(journal), name_(std::move(name)) {}
  ~Probe() override { journal_.events.push_back("deleted " + name_); }

  static void* operator new(size_t size) { return ::operator new(std::max(size, sizeof(Tombstone))); }
  static void operator delete(void* memory) { ::new (memory) Tombstone; }

  // Runs instead of passing the message on, when set; may delete the probe.
  std::function<LRESULT(Probe&, UINT, WPARAM, LPARAM)> onMessage;
  bool deleteWhenDestroyed = false;

protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    journal_.seen.Add(Window(), msg, wParam, lParam, name_);
    if (onMessage) {
      const auto action = onMessage;  // the probe, and onMessage with it, may be gone when it returns
      return action(*this, msg, wParam, lParam);
    }
    return CallOld(msg, wParam, lParam);
  }
  void WindowDestroyed() override {
    journal_.events.push_back("destroyed " + name_);
    if (deleteWhenDestroyed) delete this;
  }

private:
  Journal& journal_;
  std::string name_;
};

// A subclass of someone else's, installed with SetWindowLongPtrW above ours.
std::map<HWND, WNDPROC> gForeignPrevious;
int gForeignSetTexts = 0;

LRESULT CALLBACK ForeignProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETTEXT) ++gForeignSetTexts;
  return CallWindowProcW(gForeignPrevious.at(window), window, msg, wParam, lParam);
}

struct Kind {
  const wchar_t* className;
  bool child;
  const char* name;
};
const Kind kKinds[] = {
    {kPlainClass, false, "plain top-level"},
    {kPlainClass, true, "plain child"},
    {L"BUTTON", true, "BUTTON"},
    {L"EDIT", true, "EDIT"},
};

WNDPROC ProcOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)); }

// The window answers as its class does: a text set is a text read back.
void ExpectWorking(HWND window) {
  ASSERT_TRUE(IsWindow(window));
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"still here"));
  EXPECT_EQ(WindowTextOf(window), L"still here");
}

// Our subclass is gone from a window that lives on: no property, the old procedure back.
void ExpectReleased(HWND window, WNDPROC original) {
  EXPECT_EQ(TWindowSubclass::Of(window), nullptr);
  EXPECT_EQ(GetPropW(window, L"ACSBSC"), nullptr);
  EXPECT_EQ(ProcOf(window), original);
}

class SubclassTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kPlainClass;
    RegisterClassW(&wc);  // fails harmlessly when registered by an earlier test
    host = CreateWindowExW(0, kPlainClass, L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 300, 200, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    records = TWindowSubclass::LiveRecordCount();
    handlers = LiveHandlers();
    gPlainPokes = gPlainNcDestroys = gForeignSetTexts = 0;
  }
  void TearDown() override {
    Application->OnException = nullptr;
    DestroyWindow(host);
    EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records) << "per-window records leaked";
    EXPECT_EQ(LiveHandlers(), handlers) << "handlers leaked";
  }
  HWND Make(const Kind& kind, HWND parent = nullptr) {
    if (kind.child && !parent) parent = host;
    HWND window = CreateWindowExW(0, kind.className, L"", kind.child ? WS_CHILD : WS_OVERLAPPEDWINDOW, 0, 0, 80, 30,
                                  kind.child ? parent : nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    return window;
  }

  HWND host = nullptr;
  int records = 0;
  int handlers = 0;
};

TEST_F(SubclassTest, AttachTakesOverOnceAndRefusesWhatItCannotHave) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    Journal journal;
    HWND window = Make(kind);
    const WNDPROC original = ProcOf(window);
    Probe first(journal, "first"), second(journal, "second");
    ASSERT_TRUE(first.Attach(window));
    EXPECT_EQ(TWindowSubclass::Of(window), &first);
    EXPECT_EQ(first.Window(), window);
    const WNDPROC ours = ProcOf(window);
    EXPECT_NE(ours, original);

    EXPECT_FALSE(second.Attach(window)) << "a second subclass of ours";
    EXPECT_FALSE(first.Attach(host)) << "a handler on two windows";
    EXPECT_EQ(ProcOf(window), ours);
    EXPECT_EQ(TWindowSubclass::Of(window), &first);
    EXPECT_FALSE(second.Attached());

    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"seen"));
    EXPECT_TRUE(SequenceMatches(journal.seen.Messages(), {{WM_SETTEXT, seq::sent, 0, 0, "first"}}));
    EXPECT_EQ(WindowTextOf(window), L"seen");  // passed on to the class

    first.Detach();
    ExpectReleased(window, original);
    DestroyWindow(window);
    EXPECT_FALSE(second.Attach(window)) << "a window that is gone";
    EXPECT_TRUE(journal.events.empty());
  }
}

TEST_F(SubclassTest, WindowDestroyedFirstEndsWithDestroyAndNcDestroyThenOneNotice) {
  enum class Fate { kept, freedWithWindow, deletesItself };
  const struct {
    Fate fate;
    const char* name;
  } fates[] = {{Fate::kept, "kept"},
               {Fate::freedWithWindow, "freed with the window"},
               {Fate::deletesItself, "deletes itself when told, though freed with the window"}};
  for (const Kind& kind : kKinds) {
    for (const auto& f : fates) {
      SCOPED_TRACE(std::string(kind.name) + ", " + f.name);
      Journal journal;
      HWND window = Make(kind);
      auto* probe = new Probe(journal, "probe");
      probe->SetFreeWithWindow(f.fate != Fate::kept);
      probe->deleteWhenDestroyed = f.fate == Fate::deletesItself;
      ASSERT_TRUE(probe->Attach(window));
      const int ncDestroys = gPlainNcDestroys;

      DestroyWindow(window);
      EXPECT_TRUE(SequenceMatches(journal.seen.Messages(), {{WM_DESTROY}, {WM_NCDESTROY}}));
      if (kind.className == kPlainClass) {
        EXPECT_EQ(gPlainNcDestroys, ncDestroys + 1) << "the class procedure missed WM_NCDESTROY";
      }
      EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
      if (f.fate == Fate::kept) {
        EXPECT_EQ(journal.events, (std::vector<std::string>{"destroyed probe"}));
        EXPECT_FALSE(probe->Attached());
        EXPECT_EQ(probe->Window(), nullptr);
        delete probe;
      } else {
        EXPECT_EQ(journal.events, (std::vector<std::string>{"destroyed probe", "deleted probe"}));
      }
    }
  }
}

TEST_F(SubclassTest, WmNcDestroyReachesTheClassOnceEvenFromAHandlerThatKeepsIt) {
  for (const bool passesItOn : {false, true}) {
    SCOPED_TRACE(passesItOn ? "passed on" : "kept");
    Journal journal;
    HWND window = Make(kKinds[1]);
    Probe probe(journal, "probe");
    probe.onMessage = [&](Probe& p, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg == WM_NCDESTROY && !passesItOn) return 0;
      return p.CallOld(msg, wParam, lParam);
    };
    ASSERT_TRUE(probe.Attach(window));
    const int ncDestroys = gPlainNcDestroys;
    DestroyWindow(window);
    EXPECT_EQ(gPlainNcDestroys, ncDestroys + 1);
    EXPECT_EQ(journal.events, (std::vector<std::string>{"destroyed probe"}));
  }
}

TEST_F(SubclassTest, HandlerDeletedFirstGivesTheWindowBack) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    Journal journal;
    HWND window = Make(kind);
    const WNDPROC original = ProcOf(window);
    auto* probe = new Probe(journal, "probe");
    probe->SetFreeWithWindow(true);  // deleting it first must still work
    ASSERT_TRUE(probe->Attach(window));
    delete probe;

    ExpectReleased(window, original);
    EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
    ExpectWorking(window);
    DestroyWindow(window);
    EXPECT_EQ(journal.events, (std::vector<std::string>{"deleted probe"}));
  }
}

TEST_F(SubclassTest, ParentDestroyedFirstTellsEveryChildHandlerOnce) {
  Journal journal;
  MessageSequence order({WM_DESTROY, WM_NCDESTROY});
  HWND parent = Make(kKinds[0]);
  std::vector<Probe*> kept;
  const auto attach = [&](HWND window, const char* name, bool freeWithWindow) {
    auto* probe = new Probe(journal, name);
    probe->SetFreeWithWindow(freeWithWindow);
    probe->onMessage = [&order, name](Probe& p, UINT msg, WPARAM wParam, LPARAM lParam) {
      order.Add(p.Window(), msg, wParam, lParam, name);
      return p.CallOld(msg, wParam, lParam);
    };
    EXPECT_TRUE(probe->Attach(window));
    if (!freeWithWindow) kept.push_back(probe);
  };
  attach(parent, "parent", true);
  attach(Make(kKinds[1], parent), "plain", false);
  attach(Make(kKinds[2], parent), "button", true);
  attach(Make(kKinds[3], parent), "edit", false);

  DestroyWindow(parent);
  // The parent hears of its end first and is finished last; every child in between.
  const auto& seen = order.Messages();
  ASSERT_EQ(seen.size(), 8u);
  EXPECT_TRUE(SequenceMatches({seen.front(), seen.back()},
                              {{WM_DESTROY, seq::sent, 0, 0, "parent"}, {WM_NCDESTROY, seq::sent, 0, 0, "parent"}}));
  for (const char* child : {"plain", "button", "edit"}) {
    std::vector<RecordedMessage> own;
    std::copy_if(seen.begin(), seen.end(), std::back_inserter(own), [&](const RecordedMessage& m) { return m.who == child; });
    EXPECT_TRUE(SequenceMatches(own, {{WM_DESTROY, seq::sent, 0, 0, child}, {WM_NCDESTROY, seq::sent, 0, 0, child}}));
  }
  std::vector<std::string> events = journal.events;
  std::sort(events.begin(), events.end());
  EXPECT_EQ(events, (std::vector<std::string>{"deleted button", "deleted parent", "destroyed button", "destroyed edit",
                                              "destroyed parent", "destroyed plain"}));
  for (Probe* probe : kept) {
    EXPECT_FALSE(probe->Attached());
    delete probe;
  }
}

TEST_F(SubclassTest, ASubclassAboveOursKeepsWorkingThroughAPassThrough) {
  for (const Kind& kind : kKinds) {
    for (const bool foreignLeavesFirst : {false, true}) {
      SCOPED_TRACE(std::string(kind.name) + (foreignLeavesFirst ? ", the other subclass leaves first" : ""));
      Journal journal;
      HWND window = Make(kind);
      const WNDPROC original = ProcOf(window);
      auto* probe = new Probe(journal, "probe");
      ASSERT_TRUE(probe->Attach(window));
      const WNDPROC ours = ProcOf(window);
      gForeignPrevious[window] =
          reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignProc)));
      ASSERT_EQ(gForeignPrevious[window], ours);

      if (foreignLeavesFirst) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ours));
        delete probe;  // first in the chain again: unhooked for good
        ExpectReleased(window, original);
        EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
        ExpectWorking(window);
      } else {
        delete probe;  // not first: ours stays as a pass-through under the other one
        EXPECT_EQ(ProcOf(window), ForeignProc);
        EXPECT_EQ(TWindowSubclass::Of(window), nullptr);
        EXPECT_EQ(GetPropW(window, L"ACSBSC"), nullptr);
        EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records + 1);
        const int foreignBefore = gForeignSetTexts;
        ExpectWorking(window);
        EXPECT_EQ(gForeignSetTexts, foreignBefore + 1);

        // A new handler takes the pass-through's place, below the other subclass.
        auto* next = new Probe(journal, "next");
        next->SetFreeWithWindow(true);
        ASSERT_TRUE(next->Attach(window));
        EXPECT_EQ(ProcOf(window), ForeignProc);
        EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records + 1);
        journal.seen.Clear();
        ExpectWorking(window);
        EXPECT_TRUE(SequenceMatches(journal.seen.Messages(),
                                    {{WM_SETTEXT, seq::sent, 0, 0, "next"}, {WM_GETTEXTLENGTH, seq::optional},
                                     {WM_GETTEXT, seq::sent, 0, 0, "next"}}));
        EXPECT_EQ(gForeignSetTexts, foreignBefore + 2);
      }
      DestroyWindow(window);
      gForeignPrevious.erase(window);
      EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
      std::vector<std::string> expected{"deleted probe"};
      if (!foreignLeavesFirst) expected.insert(expected.end(), {"destroyed next", "deleted next"});
      EXPECT_EQ(journal.events, expected);
    }
  }
}

TEST_F(SubclassTest, AHandlerFreedInsideItsOwnMessageIsNotTouchedAgain) {
  enum class How { detachThenDelete, deleteOnly, deleteInNestedMessage, deleteInPostedMessage };
  const struct {
    How how;
    const char* name;
  } cases[] = {{How::detachThenDelete, "Detach, then delete"},
               {How::deleteOnly, "delete (the destructor detaches)"},
               {How::deleteInNestedMessage, "delete inside a nested message"},
               {How::deleteInPostedMessage, "delete inside a posted message"}};
  for (const Kind& kind : kKinds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(kind.name) + ", " + c.name);
      Journal journal;
      HWND window = Make(kind);
      const WNDPROC original = ProcOf(window);
      auto* probe = new Probe(journal, "probe");
      ASSERT_TRUE(probe->Attach(window));
      int recordsWhileNested = -1;
      probe->onMessage = [&](Probe& p, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == kNested) {
          SendMessageW(window, kPoke, 0, 0);  // frees the probe: only locals from here on
          recordsWhileNested = TWindowSubclass::LiveRecordCount();
          return 0;
        }
        if (msg != kPoke) return p.CallOld(msg, wParam, lParam);
        const LRESULT result = p.CallOld(msg, wParam, lParam);
        if (c.how == How::detachThenDelete) p.Detach();
        delete &p;
        return result;
      };
      const int pokes = gPlainPokes;
      LRESULT result = 0;
      if (c.how == How::deleteInNestedMessage) {
        SendMessageW(window, kNested, 0, 0);
        EXPECT_EQ(recordsWhileNested, records + 1) << "the record went while the outer message still ran";
      } else if (c.how == How::deleteInPostedMessage) {
        PostMessageW(window, kPoke, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return !journal.events.empty(); }));
      } else {
        result = SendMessageW(window, kPoke, 0, 0);
      }
      if (kind.className == kPlainClass) {
        EXPECT_EQ(gPlainPokes, pokes + 1);
        if (c.how == How::detachThenDelete || c.how == How::deleteOnly) {
          EXPECT_EQ(result, kPlainPokeResult);
        }
      }
      const std::vector<ExpectedMessage> expected =
          c.how == How::deleteInNestedMessage ? std::vector<ExpectedMessage>{{kNested}, {kPoke}}
          : c.how == How::deleteInPostedMessage ? std::vector<ExpectedMessage>{{kPoke, seq::posted}}
                                                : std::vector<ExpectedMessage>{{kPoke}};
      EXPECT_TRUE(SequenceMatches(journal.seen.Messages(), expected));
      EXPECT_EQ(journal.events, (std::vector<std::string>{"deleted probe"}));
      ExpectReleased(window, original);
      EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
      ExpectWorking(window);
      DestroyWindow(window);
    }
  }
}

TEST_F(SubclassTest, DestroyWindowInsideItsOwnMessageFinishesAfterTheOutermostReturns) {
  for (const Kind& kind : kKinds) {
    for (const bool freeWithWindow : {false, true}) {
      SCOPED_TRACE(std::string(kind.name) + (freeWithWindow ? ", freed with the window" : ", kept"));
      Journal journal;
      HWND window = Make(kind);
      auto* probe = new Probe(journal, "probe");
      probe->SetFreeWithWindow(freeWithWindow);
      ASSERT_TRUE(probe->Attach(window));
      struct {
        bool windowGone = false;
        size_t events = 99;
        int records = -1;
        bool attached = false;
      } inside;
      probe->onMessage = [&](Probe& p, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != kPoke) return p.CallOld(msg, wParam, lParam);
        DestroyWindow(window);  // WM_DESTROY and WM_NCDESTROY arrive nested
        inside.windowGone = !IsWindow(window);
        inside.events = journal.events.size();
        inside.records = TWindowSubclass::LiveRecordCount();
        inside.attached = p.Attached();  // the probe is still alive here
        return 0;
      };
      SendMessageW(window, kPoke, 0, 0);
      EXPECT_TRUE(inside.windowGone);
      EXPECT_EQ(inside.events, 0u) << "WindowDestroyed or a delete before the outermost message returned";
      EXPECT_EQ(inside.records, records + 1);
      EXPECT_TRUE(inside.attached);
      EXPECT_TRUE(SequenceMatches(journal.seen.Messages(), {{kPoke}, {WM_DESTROY}, {WM_NCDESTROY}}));
      EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
      if (freeWithWindow) {
        EXPECT_EQ(journal.events, (std::vector<std::string>{"destroyed probe", "deleted probe"}));
      } else {
        EXPECT_EQ(journal.events, (std::vector<std::string>{"destroyed probe"}));
        EXPECT_FALSE(probe->Attached());
        delete probe;
      }
    }
  }
}

TEST_F(SubclassTest, AnErrorInAHandlerIsReportedAndTheMessageStillReachesTheWindow) {
  std::vector<String> reported;
  Application->OnException = [&](TComponent*, const String& text) { reported.push_back(text); };
  const struct {
    UINT msg;
    bool passFirst;  // the handler passes the message on before it throws
    const char* name;
  } cases[] = {{kPoke, false, "before passing on"}, {kPoke, true, "after passing on"},
               {WM_NCDESTROY, false, "in WM_NCDESTROY"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Journal journal;
    HWND window = Make(kKinds[1]);
    auto* probe = new Probe(journal, "probe");
    probe->SetFreeWithWindow(true);
    probe->onMessage = [&](Probe& p, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg != c.msg) return p.CallOld(msg, wParam, lParam);
      if (c.passFirst) p.CallOld(msg, wParam, lParam);
      throw Exception(L"handler failed");
    };
    ASSERT_TRUE(probe->Attach(window));
    const int pokes = gPlainPokes, ncDestroys = gPlainNcDestroys;
    reported.clear();
    if (c.msg == kPoke) {
      EXPECT_EQ(SendMessageW(window, kPoke, 0, 0), kPlainPokeResult);
      EXPECT_EQ(gPlainPokes, pokes + 1) << "the class procedure got the message more or less than once";
      DestroyWindow(window);
    } else {
      DestroyWindow(window);
      EXPECT_EQ(gPlainNcDestroys, ncDestroys + 1);
    }
    EXPECT_EQ(reported, (std::vector<String>{L"handler failed"}));
    EXPECT_EQ(journal.events, (std::vector<std::string>{"destroyed probe", "deleted probe"}));
  }
}

}  // namespace
