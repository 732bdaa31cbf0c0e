// Fades of a skinned control between two looks, ticked by hand (one call per 10 ms step)
// except where the platform timer itself is the subject: the frames' pixels on screen,
// short and clamped fades, a change of direction mid-fade, the changes that cannot fade,
// disabling mid-fade, a tick that faults, the animation timer of non-windowed controls,
// and which events animate.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Helpers.h"
#include "MessageSequence.h"
#include "SkinFixtures.h"
#include "framework/ExtCtrls.h"
#include "framework/Handles.h"
#include "skin/core/sFade.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Pixels.h"

namespace {

const TColor kNormalLook = MakeColor(0, 120, 255);
const TColor kHotLook = MakeColor(255, 20, 60);
const TColor kDisabledLook = MakeColor(90, 90, 90);

// A fade frame of weight `alpha` for the old look over the new one: per channel
// (old * alpha + new * (255 - alpha) + 127) >> 8, and the last frame (alpha 0) exactly the
// new look.
TColor FadeColor(TColor old, TColor now, int alpha) {
  if (alpha == 0) return now;
  auto channel = [alpha](int o, int n) { return (o * alpha + n * (255 - alpha) + 127) >> 8; };
  return MakeColor(channel(RedOf(old), RedOf(now)), channel(GreenOf(old), GreenOf(now)),
                   channel(BlueOf(old), BlueOf(now)));
}

TColor CentreOf(const TBitmap& picture) {
  const TSurfaceView view = picture.View();
  return GetRGB(view.Pixel(view.width / 2, view.height / 2));
}

TColor ScreenCentre(TWinControl* control) {
  const TClientDC dc = TClientDC::Of(control->Handle());
  return static_cast<TColor>(GetPixel(dc.Get(), control->Width() / 2, control->Height() / 2));
}

std::vector<int> AllLiveCounts() {
  std::vector<int> counts;
  for (THandleKind kind : {THandleKind::Brush, THandleKind::Pen, THandleKind::Font, THandleKind::Region,
                           THandleKind::Bitmap, THandleKind::DC, THandleKind::Window, THandleKind::Timer})
    counts.push_back(LiveHandles(kind));
  return counts;
}

// A windowed control that fades as a skinned button does: one colour per look in its
// cached picture, its fade timer in a field of its own, and a record of the frames it was
// offered, the stops it was asked for and the looks it painted.
class TFadeProbe : public TCustomControl {
public:
  explicit TFadeProbe(TComponent* owner) : TCustomControl(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {
    controlStyle_ |= csOpaque;
  }
  ~TFadeProbe() override { StopFade(fadeTimer, *skinData_); }
  const wchar_t* ClassName() const override { return L"TFadeProbe"; }
  TsCommonData& SkinData() { return *skinData_; }

  void SetHot(bool on, bool shortFade = false, bool animate = true) {
    hot = on;
    ChangeLook(fadeTimer, *skinData_, shortFade, on ? fmToHot : fmToNormal, animate);
  }
  // Ticks the running fade until the control has stopped it; the number of ticks.
  int TickToEnd() {
    int ticks = 0;
    while (fadeTimer && ticks < 2 * kMaxFadeIterations) {
      fadeTimer->Tick();
      ++ticks;
    }
    return ticks;
  }
  TColor Look() const { return !Enabled() ? kDisabledLook : hot ? kHotLook : kNormalLook; }

  TsFadeTimer* fadeTimer = nullptr;
  bool hot = false;
  std::vector<TColor> frames;   // the centre of each frame offered (CMD_DRAWFADEFRAME)
  std::vector<TColor> painted;  // the look of each paint
  int stops = 0;
  std::function<void()> onFrame;
  std::function<void()> onStop;

protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_ERASEBKGND) {
      message.Result = 1;
      return;
    }
    if (message.Msg == SM_SKINCMD) {
      switch (SkinCommandOf(message.WParam)) {
        case CMD_STOPFADE:
          ++stops;
          if (onStop) onStop();
          StopFade(fadeTimer, *skinData_);
          return;
        case CMD_PREPARECACHE: Rebuild(); return;
        case CMD_DRAWFADEFRAME:
          frames.push_back(CentreOf(*reinterpret_cast<const TBitmap*>(message.LParam)));
          if (onFrame) onFrame();
          message.Result = 0;  // the timer copies it
          return;
        default:
          if (skinData_->CommonWndProc(message)) return;
      }
    }
    TCustomControl::WndProc(message);
  }
  void Paint() override {
    if (FadeRunning(fadeTimer)) return;  // the timer draws its own frames
    if (skinData_->BackgroundChangedFlag) Rebuild();
    TBitmap* cache = skinData_->Cache();
    if (!cache || cache->Empty()) return;
    BitBlt(Canvas().Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    painted.push_back(Look());
  }

private:
  void Rebuild() {
    skinData_->PrepareCache();
    if (TBitmap* cache = skinData_->Cache(); cache && !cache->Empty())
      FillRectColor(cache->View(), TsRect{0, 0, cache->Width(), cache->Height()}, Look());
    skinData_->BackgroundChangedFlag = false;
  }

  std::unique_ptr<TsCommonData> skinData_;
};

// A default manager with a skin whose "FADER" section fades in 10 steps, a shown form and
// a probe on it. Every test leaves no GDI object, window or timer behind.
class FadeTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    manager = NewTestManager(skins);
    ASSERT_TRUE(manager->IsDefault()) << "a manager of another test is still alive";
    TsSkinGeneral fader = SectionOf("FADER", 0x808080);
    fader.FadingEnabled = true;
    fader.FadingIterations = 10;
    TsStoredSkins stored;
    stored.Add(SectionSkin(L"Fades", {fader}));
    manager->SetInternalSkins(stored);
    manager->SetSkinName(L"Fades");
    ASSERT_TRUE(manager->SkinActive());
    form = new TForm(Application);
    form->SetBounds(120, 120, 240, 160);
    form->Show();
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form->Handle()) && !GetUpdateRect(form->Handle(), nullptr, FALSE); }));
    before = AllLiveCounts();

    probe = new TFadeProbe(form);
    probe->SetParent(form);
    probe->SetBounds(20, 20, 80, 40);
    probe->SkinData().SetSkinSection("FADER");
    ASSERT_TRUE(probe->SkinData().Skinned());
    ASSERT_TRUE(WaitUntil([&] { return !probe->painted.empty() && ScreenCentre(probe) == kNormalLook; }));
  }
  void TearDown() override {
    delete probe;
    EXPECT_EQ(AllLiveCounts(), before) << "brush, pen, font, region, bitmap, DC, window, timer";
    delete form;
    manager.reset();
  }
  TsGeneralData& Section() { return manager->Tables().SectionTable.at(static_cast<size_t>(probe->SkinData().SectionIndex)); }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
  TFadeProbe* probe = nullptr;
  std::vector<int> before;
};

TEST_F(FadeTest, EachTickShowsTheNextFrameOnScreenAndTheLastOneIsTheNewLook) {
  struct Case {
    const char* name;
    int iterations;
    bool shortFade;
    int steps;
    std::vector<int> alphas;  // empty: not listed
  };
  const Case cases[] = {
      {"ten iterations", 10, false, 10, {230, 204, 179, 153, 127, 102, 76, 51, 25, 0}},
      {"a short fade takes half the steps", 5, true, 2, {127, 0}},
      {"a skin asking for too many steps is held to the limit", 100000, false, kMaxFadeIterations, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Section().FadingIterations = c.iterations;
    probe->frames.clear();
    probe->SetHot(false, false, false);
    probe->SetHot(true, c.shortFade);
    ASSERT_NE(probe->fadeTimer, nullptr);
    EXPECT_EQ(probe->fadeTimer->StepCount, c.steps);
    const FreeWatch watch(probe->fadeTimer);

    std::vector<TColor> onScreen;
    for (int i = 0; i < c.steps; ++i) {
      probe->fadeTimer->Tick();
      onScreen.push_back(ScreenCentre(probe));
    }
    ASSERT_EQ(probe->frames.size(), static_cast<size_t>(c.steps));
    EXPECT_EQ(onScreen, probe->frames);
    for (size_t i = 0; i < c.alphas.size(); ++i)
      EXPECT_EQ(probe->frames[i], FadeColor(kNormalLook, kHotLook, c.alphas[i])) << "frame " << i + 1;
    EXPECT_EQ(probe->frames.back(), kHotLook);

    // The tick after the last frame has the control stop the fade; the timer goes once
    // that tick has returned.
    EXPECT_EQ(probe->TickToEnd(), 1);
    EXPECT_EQ(probe->frames.size(), static_cast<size_t>(c.steps));
    EXPECT_TRUE(WaitUntil([&] { return watch.Freed(); }));
  }
}

TEST_F(FadeTest, AChangeOfDirectionMidFadeMirrorsTheProgressFromTheFrameOnScreen) {
  struct Case {
    const char* name;
    bool startHot;
    int ticksBefore;
    int mode, steps, level;
    std::vector<int> alphas;
  };
  const Case cases[] = {
      // Towards hot at level 4 of 10: as many steps back as were made.
      {"the pointer leaves during a fade-in", false, 3, fmToNormal, 4, 1, {191, 127, 63, 0}},
      // Back to normal at level 3 of 10: the steps that were left, from level 3.
      {"the pointer comes back during a fade-out", true, 2, fmToHot, 7, 3, {146, 109, 73, 36, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    probe->SetHot(c.startHot, false, false);
    probe->SetHot(!c.startHot);
    for (int i = 0; i < c.ticksBefore; ++i) probe->fadeTimer->Tick();
    const TColor shown = ScreenCentre(probe);
    ASSERT_EQ(shown, probe->frames.back());
    TsFadeTimer* timer = probe->fadeTimer;

    probe->frames.clear();
    probe->SetHot(c.startHot);
    ASSERT_EQ(probe->fadeTimer, timer) << "the running timer goes on";
    EXPECT_EQ(timer->FadeMode, c.mode);
    EXPECT_EQ(timer->StepCount, c.steps);
    EXPECT_EQ(timer->Level, c.level);

    probe->TickToEnd();
    const TColor target = c.startHot ? kHotLook : kNormalLook;
    ASSERT_EQ(probe->frames.size(), c.alphas.size());
    for (size_t i = 0; i < c.alphas.size(); ++i)
      EXPECT_EQ(probe->frames[i], FadeColor(shown, target, c.alphas[i])) << "frame " << i + 1;
    EXPECT_EQ(ScreenCentre(probe), target);
  }
}

TEST_F(FadeTest, AChangeThatCannotFadeShowsTheNewLookAtOnce) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    bool shortFade;
    bool animate;
  };
  const Case cases[] = {
      {"not animated", [] {}, false, false},
      {"fading off in the section", [&] { Section().FadingEnabled = false; }, false, true},
      {"the skin is changing", [&] { manager->SetSkinChanging(true); }, false, true},
      {"the picture is out of date already", [&] { probe->SkinData().BackgroundChangedFlag = true; }, false, true},
      {"a short fade of one iteration has no step", [&] { Section().FadingIterations = 1; }, true, true},
      {"a skin asking for no steps", [&] { Section().FadingIterations = -3; }, false, true},
      {"a fade running meanwhile stops and goes at once",
       [&] {
         probe->SetHot(true);
         probe->fadeTimer->Tick();
       },
       false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    probe->painted.clear();
    probe->SetHot(true, c.shortFade, c.animate);
    EXPECT_EQ(probe->fadeTimer, nullptr);
    EXPECT_EQ(LiveHandles(THandleKind::Timer), before[7]);
    ASSERT_EQ(probe->painted, std::vector<TColor>{kHotLook}) << "painted once, before ChangeLook returned";
    EXPECT_EQ(ScreenCentre(probe), kHotLook);

    Section().FadingEnabled = true;
    Section().FadingIterations = 10;
    manager->SetSkinChanging(false);
    probe->SetHot(false, false, false);
  }
}

TEST_F(FadeTest, DisablingTheControlMidFadeEndsTheFadeWithTheDisabledLook) {
  probe->SetHot(true);
  probe->fadeTimer->Tick();
  ASSERT_EQ(probe->frames.size(), 1u);
  probe->SetEnabled(false);
  probe->fadeTimer->Tick();
  EXPECT_EQ(probe->frames.size(), 1u) << "no frame once disabled";
  ASSERT_NE(probe->fadeTimer, nullptr);
  EXPECT_FALSE(FadeRunning(probe->fadeTimer));
  EXPECT_FALSE(probe->fadeTimer->Enabled());
  EXPECT_TRUE(WaitUntil([&] { return ScreenCentre(probe) == kDisabledLook; }));
  EXPECT_EQ(probe->painted.back(), kDisabledLook);
}

TEST_F(FadeTest, AFaultInATickEndsTheFadeQuietlyAndShowsTheFinalLook) {
  int errorsShown = 0;
  const auto previous = Application->OnException;
  Application->OnException = [&](TComponent*, const String&) { ++errorsShown; };
  probe->onFrame = [&] {
    if (probe->frames.size() == 2) throw Exception(L"frame lost");
  };
  bool stoppedInsideTick = false;
  probe->onStop = [&] { stoppedInsideTick = probe->fadeTimer && probe->fadeTimer->InTick(); };

  probe->SetHot(true);
  ASSERT_NE(probe->fadeTimer, nullptr);
  TsFadeTimer* timer = probe->fadeTimer;
  const FreeWatch watch(timer);
  timer->Tick();
  EXPECT_NO_THROW(timer->Tick());
  EXPECT_EQ(probe->stops, 1);
  EXPECT_TRUE(stoppedInsideTick);
  EXPECT_EQ(probe->fadeTimer, nullptr);
  EXPECT_FALSE(watch.Freed()) << "freed inside its own tick";
  EXPECT_FALSE(timer->Enabled());

  EXPECT_TRUE(WaitUntil([&] { return watch.Freed() && ScreenCentre(probe) == kHotLook; }));
  Application->OnException = previous;
  EXPECT_EQ(errorsShown, 0);
  EXPECT_EQ(probe->frames.size(), 2u) << "no frame after the fault";
  EXPECT_EQ(probe->painted.back(), kHotLook);
}

// A non-windowed control animated by a TsAnimTimer: it paints the timer's work picture
// while a frame is shown, else its cache.
class TAnimProbe : public TGraphicControl {
public:
  explicit TAnimProbe(TComponent* owner) : TGraphicControl(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {}
  ~TAnimProbe() override { StopAnimation(animTimer); }
  const wchar_t* ClassName() const override { return L"TAnimProbe"; }
  TsCommonData& SkinData() { return *skinData_; }
  void Rebuild(TColor look) {
    skinData_->PrepareCache();
    FillRectColor(skinData_->Cache()->View(), TsRect{0, 0, Width(), Height()}, look);
  }

  TsAnimTimer* animTimer = nullptr;
  std::vector<TColor> shown;  // the centre of each work picture painted

protected:
  void WndProc(TMessage& message) override {
    if (IsSkinCommand(message, CMD_STOPFADE)) {
      StopAnimation(animTimer);
      return;
    }
    if (message.Msg == SM_SKINCMD && skinData_->CommonWndProc(message)) return;
    TGraphicControl::WndProc(message);
  }
  void Paint() override {
    if (animTimer && animTimer->Busy && animTimer->WorkPicture) shown.push_back(CentreOf(*animTimer->WorkPicture));
  }

private:
  std::unique_ptr<TsCommonData> skinData_;
};

TEST_F(FadeTest, AnAnimationTimerHasTheControlPaintEachFrameWithItsParentTold) {
  Section().FadingIterations = 5;
  auto* anim = new TAnimProbe(form);
  anim->SetParent(form);
  anim->SetBounds(120, 20, 60, 30);
  anim->SkinData().SetSkinSection("FADER");
  anim->Rebuild(kNormalLook);
  anim->animTimer = new TsAnimTimer(anim);
  ASSERT_TRUE(anim->animTimer->Setup(anim->SkinData()));
  anim->Rebuild(kHotLook);
  const FreeWatch watch(anim->animTimer);

  MessageSequence sequence({SM_SKINCMD, WM_PAINT});
  MessageLog logs[] = {{*form, sequence, "form"}, {*anim, sequence, "anim"}};
  anim->SkinData().UpdatingFlag = true;
  anim->animTimer->Tick();
  const LPARAM self = reinterpret_cast<LPARAM>(anim);
  EXPECT_TRUE(SequenceMatches(
      sequence.Messages(),
      {{SM_SKINCMD, seq::wparam | seq::lparam, SkinCommandWParam(CMD_PAINTINGCHILD), self, "form"},
       {SM_SKINCMD, seq::wparam, SkinCommandWParam(CMD_SETUPDATING, 0), 0, "anim"},
       {WM_PAINT, 0, 0, 0, "form"},
       {WM_PAINT, 0, 0, 0, "anim"},
       {SM_SKINCMD, seq::wparam | seq::lparam, SkinCommandWParam(CMD_PAINTINGCHILD), 0, "form"}}));
  EXPECT_FALSE(anim->SkinData().UpdatingFlag);

  while (anim->animTimer && anim->animTimer->Level <= anim->animTimer->StepCount) anim->animTimer->Tick();
  const int alphas[] = {204, 153, 102, 51, 0};
  ASSERT_EQ(anim->shown.size(), std::size(alphas));
  for (size_t i = 0; i < anim->shown.size(); ++i)
    EXPECT_EQ(anim->shown[i], FadeColor(kNormalLook, kHotLook, alphas[i])) << "frame " << i + 1;
  EXPECT_FALSE(SpeedButtonAnimating());

  anim->animTimer->Tick();  // past the last step: the control stops it
  EXPECT_EQ(anim->animTimer, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return watch.Freed(); }));
  delete anim;
}

TEST(FadeEvents, AnEventAnimatesWhenTheControlOrTheProcessWideButtonSetSaysSo) {
  EnsureApplication();
  ASSERT_EQ(DefaultManager(), nullptr);
  TsSkinManager manager(nullptr);
  const uint32_t all = manager.AnimEffects().Buttons.Events();
  const TacAnimatEvents global = AnimatEventBit(aeGlobalDef);
  struct Case {
    int event;
    TacAnimatEvents events;
    uint32_t buttonEvents;
    bool animated;
  };
  const Case cases[] = {
      {aeMouseDown, global, all, true},
      {aeMouseDown, global, all & ~beMouseDown, false},
      {aeMouseEnter, global, beMouseEnter, true},
      {aeMouseLeave, global, beMouseEnter, false},
      {aeMouseUp, AnimatEventBit(aeMouseUp), 0, true},
      {aeMouseUp, AnimatEventBit(aeMouseDown), all, false},
      {aeMouseEnter, 0, all, false},
      {8, 0xFFFFFFFFu, all, false},
      {-1, 0xFFFFFFFFu, all, false},
  };
  for (const Case& c : cases) {
    manager.AnimEffects().Buttons.SetEvents(c.buttonEvents);
    EXPECT_EQ(IsAnimated(c.event, c.events), c.animated)
        << "event " << c.event << ", set " << c.events << ", button events " << c.buttonEvents;
  }
  manager.AnimEffects().Buttons.SetEvents(all);
}

}  // namespace
