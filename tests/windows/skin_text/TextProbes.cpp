#include "TextProbes.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

struct RecordState {
  TextRecording out;
  COLORREF color = 0;
  std::map<DWORD, LOGFONTW> fonts;
  LOGFONTW font{};
};

int CALLBACK RecordOne(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
  auto& state = *reinterpret_cast<RecordState*>(data);
  const auto* bytes = reinterpret_cast<const BYTE*>(record);
  switch (record->iType) {
    case EMR_SETTEXTCOLOR:
      state.color = reinterpret_cast<const EMRSETTEXTCOLOR*>(record)->crColor;
      break;
    case EMR_EXTCREATEFONTINDIRECTW: {
      const auto* font = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record);
      state.fonts[font->ihFont] = font->elfw.elfLogFont;
      break;
    }
    case EMR_SELECTOBJECT: {
      const auto found = state.fonts.find(reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject);
      if (found != state.fonts.end()) state.font = found->second;
      break;
    }
    case EMR_INTERSECTCLIPRECT: {
      const RECTL r = reinterpret_cast<const EMRINTERSECTCLIPRECT*>(record)->rclClip;
      state.out.clipRects.push_back(RECT{r.left, r.top, r.right, r.bottom});
      break;
    }
    case EMR_SAVEDC:
      ++state.out.saves;
      break;
    case EMR_RESTOREDC:
      ++state.out.restores;
      break;
    case EMR_EXTTEXTOUTW: {
      const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
      TextPass pass;
      pass.color = state.color;
      pass.origin = POINT{text->emrtext.ptlReference.x, text->emrtext.ptlReference.y};
      pass.clipped = (text->emrtext.fOptions & ETO_CLIPPED) != 0;
      pass.text.assign(reinterpret_cast<const wchar_t*>(bytes + text->emrtext.offString), text->emrtext.nChars);
      pass.font = state.font;
      state.out.passes.push_back(pass);
      break;
    }
    default:
      break;
  }
  return 1;
}

}  // namespace

TextRecording RecordText(const std::function<void(TCanvas&)>& draw) {
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  if (!dc) return {};
  {
    TCanvas canvas;
    canvas.SetHandle(dc);
    draw(canvas);
    canvas.SetHandle(nullptr);
  }
  HENHMETAFILE file = CloseEnhMetaFile(dc);
  RecordState state;
  EnumEnhMetaFile(nullptr, file, RecordOne, &state, nullptr);
  DeleteEnhMetaFile(file);
  return state.out;
}

InkSurface::InkSurface(int width, int height, TColor background) : bitmap_(width, height) {
  TCanvas& canvas = bitmap_.Canvas();
  canvas.Brush().SetColor(background);
  const RECT all = All();
  canvas.FillRect(all);
}

TSurfaceView InkSurface::View() {
  GdiFlush();
  return bitmap_.View();
}

TColor InkSurface::At(int x, int y) {
  const uint8_t* p = View().Pixel(x, y);
  return MakeColor(p[2], p[1], p[0]);
}

int InkSurface::Count(const RECT& area, const std::function<bool(TColor)>& ink) {
  const TSurfaceView view = View();
  int count = 0;
  for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, view.height); ++y)
    for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, view.width); ++x)
      if (ink(At(x, y))) ++count;
  return count;
}

RECT InkSurface::Bounds(const std::function<bool(TColor)>& ink) {
  const TSurfaceView view = View();
  RECT box{view.width, view.height, 0, 0};
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x)
      if (ink(At(x, y))) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return box.right > box.left ? box : RECT{};
}

bool TintOf(TColor pixel, TColor color, TColor background) {
  if (pixel == background) return false;
  const int p[3] = {RedOf(pixel), GreenOf(pixel), BlueOf(pixel)};
  const int c[3] = {RedOf(color), GreenOf(color), BlueOf(color)};
  const int b[3] = {RedOf(background), GreenOf(background), BlueOf(background)};
  double share = -1;
  for (int ch = 0; ch < 3; ++ch) {
    if (c[ch] == b[ch]) {
      if (p[ch] != b[ch]) return false;
      continue;
    }
    if (p[ch] < std::min(c[ch], b[ch]) || p[ch] > std::max(c[ch], b[ch])) return false;
    const double s = double(p[ch] - b[ch]) / (c[ch] - b[ch]);
    if (share >= 0 && std::abs(s - share) * std::abs(c[ch] - b[ch]) > 2) return false;
    share = s;
  }
  return true;
}
