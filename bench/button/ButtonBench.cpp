// bench-button: the cost of a skinned button's full picture rebuild (background, border
// with its window region, caption in the skin's colours) with the built-in skin, against
// a plain memcpy of a surface of the same size, timed in the same run; then the steps of
// that rebuild, each timed alone.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "framework/Forms.h"
#include "skin/controls/sButton.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/core/sSkinManager.h"
#include "bench/BenchTiming.h"
#include "bench/BuiltinSkinManager.h"

namespace {

// Seconds of the quickest of the calls made in about 0.2 s (at least 50, after a warm-up
// call): on a shared machine the quickest is the one least disturbed by other work.
double QuickestCall(const std::function<void()>& call) {
  using Clock = std::chrono::steady_clock;
  call();
  double best = 1e9;
  const auto end = Clock::now() + std::chrono::milliseconds(200);
  for (int calls = 0; calls < 50 || Clock::now() < end; ++calls) {
    const auto start = Clock::now();
    call();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int wmain() {
  Application->Initialize();
  TsSkinManager manager(nullptr);
  if (!UseBuiltinSkin(manager)) return 1;
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 300, 120);
  auto* button = new TsButton(form);
  button->SetParent(form);
  button->SetBounds(8, 8, 113, 25);
  button->SetCaption(L"打开要均分的文件");
  form->Show();
  Application->ProcessMessages();

  TsCommonData& binding = button->SkinData();
  const TSurfaceView cache = binding.Cache()->View();
  const size_t bytes = static_cast<size_t>(std::abs(cache.rowDelta)) * static_cast<size_t>(cache.height);
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  const double rebuild = TimePerCall([&] { SendSkinCommand(button->Handle(), CMD_PREPARECACHE, 0); });
  const double copy = TimePerCall([&] { std::memcpy(to.data(), from.data(), bytes); });
  std::printf("%-28s %12s %12s %8s\n", "button picture 113 x 25", "rebuild", "memcpy", "ratio");
  std::printf("%-28s %10.4f ms %10.4f ms %8.0f\n", "", rebuild * 1e3, copy * 1e3, rebuild / copy);

  // The steps of the rebuild, each made alone with the calls the button makes (its state
  // and caption as they are), into a picture of the same size; quickest calls.
  const int state = button->SkinState();
  const int w = button->Width(), h = button->Height();
  TBitmap picture(w, h);
  const TSurfaceView view = picture.View();
  const TsSkinTables& tables = manager.Tables();
  const BgInfo bg = binding.GetParentBgInfo();
  TPaintItemSource item = ControlPaintSource(binding, manager, *button);
  item.BorderIndex = -1;
  const TMaskRef border = MaskRef(tables, binding.BorderMaskIndex);
  const String caption = button->Caption();
  RECT measured{0, 0, w - 2, 0};
  struct TStep {
    const char* name;
    std::function<void()> call;
  };
  const std::vector<TStep> steps = {
      {"whole rebuild (command 23)", [&] { SendSkinCommand(button->Handle(), CMD_PREPARECACHE, 0); }},
      {"parent's picture (command 5)", [&] { (void)binding.GetParentBgInfo(); }},
      {"paint source of the binding", [&] { (void)ControlPaintSource(binding, manager, *button); }},
      {"background (PaintItem)",
       [&] { PaintItem(item, bg, true, true, view, TPoint{button->Left(), button->Top()}, TsRect{0, 0, w, h}, state); }},
      {"border with cut-outs", [&] {
         std::vector<TsRect> removed;
         if (border.Valid()) PaintBorderRegion(view, removed, true, state, border);
       }},
      {"window region", [&] {
         std::vector<TsRect> removed;
         if (border.Valid()) PaintBorderRegion(view, removed, true, state, border);
         TRegionHandle region = NewRectRegion(0, 0, w, h);
         for (const TsRect& cut : removed) {
           TRegionHandle piece = NewRectRegion(cut.Left, cut.Top, cut.Right, cut.Bottom);
           CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_DIFF);
         }
       }},
      {"caption: font and measure", [&] {
         TCanvas& canvas = picture.Canvas();
         canvas.Font().Assign(button->Font());
         RECT calc = measured;
         canvas.DrawText(caption, calc, DT_CENTER | DT_EXPANDTABS | DT_SINGLELINE | DT_CALCRECT);
       }},
      {"caption: the font's colour changed", [&, flip = false]() mutable {
         // What the rebuild does between its measure and its contours: the canvas font
         // takes the button's colour and then the section's.
         TFont& font = picture.Canvas().Font();
         font.SetColor((flip = !flip) ? clRed : clBlack);
         SelectObject(picture.Canvas().Handle(), font.Handle());
       }},
      {"caption: contours and text", [&] {
         DrawSkinText(picture.Canvas(), caption, true, state != 0, binding, DT_CENTER | DT_EXPANDTABS,
                      RECT{10, 5, w - 10, h - 5});
       }},
      {"GdiFlush", [] { GdiFlush(); }},
  };
  std::printf("\nthe rebuild's steps, each alone (quickest call)\n");
  for (const TStep& step : steps) std::printf("  %-30s %8.4f ms\n", step.name, QuickestCall(step.call) * 1e3);
  delete form;
  return 0;
}
