// Live handle counts: each owner counts what it makes and gives back, and the framework's
// own objects leave every count where it was once they are gone or repainted.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "Helpers.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "framework/Menus.h"

namespace {

// Every kind's live count, by name, so a mismatch says which kind moved.
std::map<std::string, int> AllCounts() {
  static const std::pair<THandleKind, const char*> kinds[] = {
      {THandleKind::Brush, "Brush"}, {THandleKind::Pen, "Pen"},       {THandleKind::Font, "Font"},
      {THandleKind::Region, "Region"}, {THandleKind::Bitmap, "Bitmap"}, {THandleKind::DC, "DC"},
      {THandleKind::Window, "Window"}, {THandleKind::Hook, "Hook"},     {THandleKind::Timer, "Timer"},
      {THandleKind::Icon, "Icon"},   {THandleKind::Menu, "Menu"}};
  std::map<std::string, int> counts;
  for (const auto& [kind, name] : kinds) counts[name] = LiveHandles(kind);
  return counts;
}

// A hidden window for the DC, timer and paint owners to use.
class ScratchWindow {
public:
  ScratchWindow() {
    EnsureApplication();
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
  }
  ~ScratchWindow() { DestroyWindow(window_); }
  ScratchWindow(const ScratchWindow&) = delete;
  ScratchWindow& operator=(const ScratchWindow&) = delete;
  HWND Get() const { return window_; }

private:
  HWND window_ = nullptr;
};

LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) { return CallNextHookEx(nullptr, code, wParam, lParam); }

TIconHandle MakeIcon() {
  BYTE bits[8 * 8 * 4] = {};
  const TBitmapHandle colour = NewBitmap(8, 8, 1, 32, bits), mask = NewBitmap(8, 8, 1, 1, bits);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour.Get();
  info.hbmMask = mask.Get();
  return NewIcon(info);
}

// One row of the owner table: makes an owner of a kind and walks it through making,
// moving, move-assigning, releasing and destruction, watching the count of its kind.
struct OwnerCase {
  const char* name;
  std::function<void(HWND window)> check;
};

template <class Owner, class Make>
OwnerCase Case(const char* name, THandleKind kind, Make make) {
  return {name, [kind, make](HWND window) {
            const int before = LiveHandles(kind);
            {
              Owner first = make(window);
              ASSERT_TRUE(first);
              EXPECT_EQ(LiveHandles(kind), before + 1) << "made";
              Owner second = std::move(first);
              EXPECT_FALSE(first);
              EXPECT_EQ(LiveHandles(kind), before + 1) << "moved";
              second.Reset();
              EXPECT_FALSE(second);
              EXPECT_EQ(LiveHandles(kind), before) << "reset";
              second.Reset();  // an empty owner gives back nothing
              EXPECT_EQ(LiveHandles(kind), before) << "reset twice";
            }
            {
              Owner kept = make(window);
              Owner replaced = make(window);
              EXPECT_EQ(LiveHandles(kind), before + 2) << "two made";
              replaced = std::move(kept);  // gives back what `replaced` held
              EXPECT_EQ(LiveHandles(kind), before + 1) << "move-assigned";
            }
            EXPECT_EQ(LiveHandles(kind), before) << "destroyed";
          }};
}

TEST(HandleCounts, EachOwnerCountsWhatItHoldsOnce) {
  ScratchWindow window;
  ASSERT_TRUE(window.Get());
  UINT_PTR nextTimerId = 100;
  const OwnerCase cases[] = {
      Case<TBrushHandle>("brush", THandleKind::Brush, [](HWND) { return NewSolidBrush(RGB(1, 2, 3)); }),
      Case<TPenHandle>("pen", THandleKind::Pen, [](HWND) { return NewPen(PS_SOLID, 1, RGB(1, 2, 3)); }),
      Case<TFontHandle>("font", THandleKind::Font,
                        [](HWND) {
                          LOGFONTW font{};
                          font.lfHeight = -11;
                          return NewFont(font);
                        }),
      Case<TRegionHandle>("region", THandleKind::Region, [](HWND) { return NewRectRegion(0, 0, 4, 4); }),
      Case<TBitmapHandle>("bitmap", THandleKind::Bitmap, [](HWND) { return NewBitmap(4, 4, 1, 1, nullptr); }),
      Case<TClientDC>("client DC", THandleKind::DC, [](HWND w) { return TClientDC::Of(w); }),
      Case<TClientDC>("screen DC", THandleKind::DC, [](HWND) { return TClientDC::Screen(); }),
      Case<TWindowDC>("window DC", THandleKind::DC, [](HWND w) { return TWindowDC::Of(w); }),
      Case<TMemoryDC>("memory DC", THandleKind::DC, [](HWND) { return TMemoryDC::CompatibleWith(nullptr); }),
      Case<TPaintDC>("paint DC", THandleKind::DC, [](HWND w) { return TPaintDC::Begin(w); }),
      Case<THookHandle>("hook", THandleKind::Hook,
                        [](HWND) { return SetHook(WH_CBT, PassOn, nullptr, GetCurrentThreadId()); }),
      Case<TTimerHandle>("timer", THandleKind::Timer,
                         [&nextTimerId](HWND w) { return TTimerHandle::Set(w, nextTimerId++, 60000); }),
      Case<TIconHandle>("icon", THandleKind::Icon, [](HWND) { return MakeIcon(); }),
      Case<TMenuHandle>("menu", THandleKind::Menu, [](HWND) { return NewPopupMenu(); }),
  };
  for (const OwnerCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(window.Get());
  }
}

TEST(HandleCounts, FailedFactoriesLeaveEmptyOwnersThatCountNothing) {
  const auto before = AllCounts();
  const HWND gone = [] {
    ScratchWindow window;
    return window.Get();
  }();
  {
    const TClientDC dc = TClientDC::Of(gone);
    const TWindowDC whole = TWindowDC::Of(gone);
    const TTimerHandle timer = TTimerHandle::Set(gone, 1, 100);
    ICONINFO nothing{};
    const TIconHandle icon = NewIcon(nothing);
    EXPECT_FALSE(dc);
    EXPECT_FALSE(whole);
    EXPECT_FALSE(timer);
    EXPECT_FALSE(icon);
  }
  EXPECT_EQ(AllCounts(), before);
}

TEST(HandleCounts, ReleaseHandsTheObjectOverAndStopsCountingIt) {
  const int before = LiveHandles(THandleKind::Region);
  TRegionHandle region = NewRectRegion(0, 0, 2, 2);
  const HRGN raw = region.Release();
  EXPECT_FALSE(region);
  EXPECT_EQ(LiveHandles(THandleKind::Region), before);
  EXPECT_NE(GetRgnBox(raw, std::array<RECT, 1>{}.data()), ERROR) << "released, yet still alive";
  DeleteObject(raw);
}

TEST(HandleCounts, SelectAndSaveGuardsPutTheDcBack) {
  TMemoryDC dc = TMemoryDC::CompatibleWith(nullptr);
  ASSERT_TRUE(dc);
  const HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_BRUSH);
  const TBrushHandle brush = NewSolidBrush(RGB(9, 9, 9));
  {
    const TSelectGuard selected(dc.Get(), brush.Get());
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), brush.Get());
    const TSavedDC saved(dc.Get());
    SetBkMode(dc.Get(), TRANSPARENT);
    SelectObject(dc.Get(), GetStockObject(BLACK_BRUSH));
  }
  EXPECT_EQ(GetBkMode(dc.Get()), OPAQUE);
  EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), original);
}

// Framework objects that make GDI and USER objects give every one back.
class TProbeMenu : public TPopupMenu {
public:
  using TPopupMenu::TPopupMenu;
  using TPopupMenu::RebuildHandle;
};

TEST(HandleCounts, FrameworkObjectsGiveBackWhatTheyMake) {
  EnsureApplication();
  const struct {
    const char* name;
    std::function<void()> use;  // makes objects and checks some are alive
  } cases[] = {
      {"font",
       [] {
         TFont font;
         ASSERT_TRUE(font.Handle());
         font.SetStyle(fsBold);  // drops the old font, makes a new one on demand
         ASSERT_TRUE(font.Handle());
         EXPECT_GT(LiveHandles(THandleKind::Font), 0);
       }},
      {"brush and pen",
       [] {
         TBitmap bitmap(4, 4);
         TCanvas& canvas = bitmap.Canvas();
         for (TColor c : {clRed, clGreen, clBlue}) {
           canvas.Brush().SetColor(c);
           canvas.Pen().SetColor(c);
           canvas.Rectangle(RECT{0, 0, 4, 4});
           EXPECT_GT(LiveHandles(THandleKind::Brush), 0);
           EXPECT_GT(LiveHandles(THandleKind::Pen), 0);
         }
       }},
      {"bitmap and memory DC",
       [] {
         TBitmap bitmap(4, 4);
         bitmap.Canvas();
         bitmap.SetSize(8, 8);
         bitmap.Canvas();
         EXPECT_GT(LiveHandles(THandleKind::Bitmap), 0);
         EXPECT_GT(LiveHandles(THandleKind::DC), 0);
       }},
      {"icon",
       [] {
         TIcon icon;
         icon.AddImage(16, std::vector<uint32_t>(16 * 16, 0xFF102030u));
         icon.AddImage(32, std::vector<uint32_t>(32 * 32, 0xFF102030u));
         EXPECT_GT(LiveHandles(THandleKind::Icon), 1);
       }},
      {"timer",
       [] {
         TTimer timer(nullptr);
         timer.SetInterval(60000);
         timer.SetOnTimer([](TComponent*) {});
         EXPECT_GT(LiveHandles(THandleKind::Timer), 0);
         timer.SetInterval(50000);  // restarts: one timer still
         timer.SetEnabled(false);
         timer.SetEnabled(true);
       }},
      {"menu",
       [] {
         TProbeMenu menu(nullptr);
         auto* parent = new TMenuItem(&menu);
         parent->SetCaption(L"Parent");
         auto* child = new TMenuItem(&menu);
         child->SetCaption(L"Child");
         parent->Add(child);
         menu.Items().Add(parent);
         menu.RebuildHandle();
         ASSERT_TRUE(menu.Handle());
         menu.RebuildHandle();
         EXPECT_GT(LiveHandles(THandleKind::Menu), 0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto before = AllCounts();
    c.use();
    EXPECT_EQ(AllCounts(), before);
  }
}

// Paints with the canvas's brush, pen and font, draws text and copies a bitmap it makes
// on every paint, changing colours and style each time so objects come and go.
class TBusyControl : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  const wchar_t* ClassName() const override { return L"TBusyControl"; }
  int paints = 0;

protected:
  void Paint() override {
    ++paints;
    TCanvas& canvas = Canvas();
    const TColor shade = MakeColor(paints & 0xFF, 0x40, 0x80);
    canvas.Brush().SetColor(shade);
    canvas.FillRect(RECT{0, 0, 60, 30});
    canvas.Pen().SetColor(clNavy);
    canvas.Pen().SetWidth(1 + paints % 3);
    canvas.Rectangle(RECT{2, 2, 58, 28});
    canvas.Font().SetStyle(paints % 2 ? uint32_t{fsBold} : 0u);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.TextOut(4, 4, L"Paint");
    RECT text{0, 0, 60, 30};
    canvas.DrawText(L"Again", text, DT_SINGLELINE | DT_BOTTOM);

    TBitmap picture(10, 10);
    picture.Canvas().Brush().SetColor(shade);
    picture.Canvas().FillRect(RECT{0, 0, 10, 10});
    picture.Canvas().TextOut(0, 0, L"x");
    canvas.CopyRect(RECT{40, 10, 50, 20}, picture.Canvas().Handle(), RECT{0, 0, 10, 10});
  }
};

TEST(HandleCounts, RepaintingAControlAThousandTimesLeavesEveryCountFlat) {
  EnsureApplication();
  auto form = std::make_unique<TForm>(nullptr);
  form->SetClientSize(100, 60);
  auto* control = new TBusyControl(form.get());
  control->SetParent(form.get());
  control->SetBounds(10, 10, 60, 30);
  form->Show();
  ASSERT_TRUE(WaitUntil([&] { return control->paints > 0; }));

  const auto before = AllCounts();
  const int paintsBefore = control->paints;
  for (int i = 0; i < 1000; ++i)
    RedrawWindow(control->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(control->paints, paintsBefore + 1000);
  EXPECT_EQ(AllCounts(), before);
}

}  // namespace
