// bench-button: the cost of a skinned button's full picture rebuild (background, border
// with its window region, caption in the skin's colours) with the built-in skin, against
// a plain memcpy of a surface of the same size, timed in the same run.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "framework/Forms.h"
#include "skin/controls/sButton.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "bench/BenchTiming.h"
#include "bench/BuiltinSkinManager.h"

namespace {


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

  const TSurfaceView cache = button->SkinData().Cache()->View();
  const size_t bytes = static_cast<size_t>(std::abs(cache.rowDelta)) * static_cast<size_t>(cache.height);
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  const double rebuild = TimePerCall([&] { SendSkinCommand(button->Handle(), CMD_PREPARECACHE, 0); });
  const double copy = TimePerCall([&] { std::memcpy(to.data(), from.data(), bytes); });
  std::printf("%-28s %12s %12s %8s\n", "button picture 113 x 25", "rebuild", "memcpy", "ratio");
  std::printf("%-28s %10.4f ms %10.4f ms %8.0f\n", "", rebuild * 1e3, copy * 1e3, rebuild / copy);
  delete form;
  return 0;
}
