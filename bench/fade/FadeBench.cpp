// bench-fade: the cost of one fade frame (the fade timer's tick: the old picture copied, the
// new one blended over it, the frame offered to the control and copied to its window)
// against a plain memcpy of a surface of the same size, timed in the same run, with the
// absolute time of a frame beside the 10 ms tick that paces fades.
//
// Goal: a frame of a button-sized control well under 1 ms (a tenth of its tick); the
// ratio shows what the blend and the copy to the window add to copying the pixels once.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Forms.h"
#include "skin/core/sFade.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Pixels.h"
#include "bench/BenchTiming.h"

namespace {


// A control that fades between two flat looks, as a skinned button does.
class TFadingControl : public TCustomControl {
public:
  explicit TFadingControl(TComponent* owner) : TCustomControl(owner), binding(this, true) {}
  ~TFadingControl() override { StopFade(fadeTimer, binding); }

  TsCommonData binding;
  TsFadeTimer* fadeTimer = nullptr;
  bool hot = false;

protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_ERASEBKGND) {
      message.Result = 1;
      return;
    }
    if (IsSkinCommand(message, CMD_PREPARECACHE)) {
      Rebuild();
      return;
    }
    if (IsSkinCommand(message, CMD_STOPFADE)) {
      StopFade(fadeTimer, binding);
      return;
    }
    if (message.Msg == SM_SKINCMD && binding.CommonWndProc(message)) return;
    TCustomControl::WndProc(message);
  }
  void Paint() override {
    if (FadeRunning(fadeTimer)) return;
    if (binding.BackgroundChangedFlag) Rebuild();
    TBitmap* cache = binding.Cache();
    BitBlt(Canvas().Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
  }

private:
  void Rebuild() {
    binding.PrepareCache();
    // A gradient-like picture, so the blend works on varied bytes.
    const TSurfaceView view = binding.Cache()->View();
    for (int y = 0; y < view.height; ++y)
      for (int x = 0; x < view.width; ++x)
        PutRGB(view.Pixel(x, y), MakeColor((x * 3 + (hot ? 90 : 0)) & 255, (y * 5) & 255, hot ? 40 : 200));
    binding.BackgroundChangedFlag = false;
  }
};

}  // namespace

int wmain() {
  Application->Initialize();
  TsSkinManager manager(nullptr);
  TsStoredSkin skin;
  skin.Name = L"Bench";
  skin.Version = 1.0;
  TsSkinGeneral section;
  section.SectionName = "FADER";
  section.FadingEnabled = true;
  section.FadingIterations = kMaxFadeIterations;
  skin.GeneralData = {section};
  TsStoredSkins stored;
  stored.Add(skin);
  manager.SetInternalSkins(stored);
  manager.SetSkinName(L"Bench");
  if (!manager.SkinActive()) {
    std::printf("the bench skin did not load\n");
    return 1;
  }

  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 700, 520);
  form->Show();
  Application->ProcessMessages();

  std::printf("%-22s %12s %12s %8s %14s\n", "fade frame", "frame", "memcpy", "ratio", "of 10 ms tick");
  for (auto [w, h] : {std::pair{113, 25}, std::pair{200, 60}, std::pair{640, 480}}) {
    auto* control = new TFadingControl(form);
    control->SetParent(form);
    control->SetBounds(10, 10, w, h);
    control->binding.SetSkinSection("FADER");
    control->Repaint();
    control->hot = true;
    ChangeLook(control->fadeTimer, control->binding, false, fmToHot, true);
    TsFadeTimer* timer = control->fadeTimer;
    if (!timer) {
      std::printf("no fade started for %dx%d\n", w, h);
      return 1;
    }
    // Every call is one frame from the middle of the fade (the platform timer never gets
    // to tick: no messages are handled meanwhile).
    const double frame = TimePerCall([&] {
      timer->Level = timer->StepCount / 2;
      timer->Tick();
    });
    const size_t bytes = static_cast<size_t>(SurfaceStride(w, 24)) * static_cast<size_t>(h);
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    const double copy = TimePerCall([&] {
      std::memcpy(b.data(), a.data(), bytes);
      a[bytes / 2] = static_cast<uint8_t>(a[bytes / 2] + b[bytes / 3]);  // keep the copy alive
    });
    char size[32];
    std::snprintf(size, sizeof size, "%dx%d", w, h);
    std::printf("%-22s %9.4f ms %9.4f ms %8.1f %13.2f%%\n", size, frame * 1e3, copy * 1e3, frame / copy,
                frame * 1e3 / 10.0 * 100.0);
    delete control;
  }
  delete form;
  return 0;
}
