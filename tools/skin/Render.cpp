// render PKG|DIR SECTION STATE WIDTH HEIGHT OUT.bmp [--parent COLOR] [--hue N]
// [--saturation N]: a section's composed picture (background, border mask and corner
// images) for one state, over a parent picture of one plain colour (default the skin's
// global colour, after the colour effects), written as a 24-bit BMP.
//
// COLOR is a COLORREF (0x00BBGGRR) in decimal or with a "0x" or "$" prefix in hexadecimal.
#include <cstring>
#include <optional>

#include "framework/Streams.h"
#include "skin/data/sSkinStrings.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "tools/skin/SkinCommands.h"

namespace {

constexpr int kMaxRenderSide = 8192;

std::optional<int64_t> ParseNumber(const String& text) {
  size_t i = 0;
  int base = 10;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  if (text.compare(i, 2, L"0x") == 0 || text.compare(i, 2, L"0X") == 0) {
    base = 16;
    i += 2;
  } else if (i < text.size() && text[i] == L'$') {
    base = 16;
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    int digit;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (base == 16 && c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (base == 16 && c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    else return std::nullopt;
    value = value * base + digit;
    if (value > 0xFFFFFFFFLL) return std::nullopt;
  }
  return negative ? -value : value;
}

void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A bottom-up 24-bit BMP of the view.
void WriteBmp24(const String& fileName, const TSurfaceView& view) {
  const uint32_t stride = static_cast<uint32_t>(SurfaceStride(view.width, 24));
  const uint32_t imageSize = stride * static_cast<uint32_t>(view.height);
  std::vector<uint8_t> out;
  out.reserve(54 + imageSize);
  out.push_back('B');
  out.push_back('M');
  PutLE(out, 54 + imageSize, 4);
  PutLE(out, 0, 4);
  PutLE(out, 54, 4);
  PutLE(out, 40, 4);
  PutLE(out, static_cast<uint32_t>(view.width), 4);
  PutLE(out, static_cast<uint32_t>(view.height), 4);
  PutLE(out, 1, 2);
  PutLE(out, 24, 2);
  PutLE(out, 0, 4);
  PutLE(out, imageSize, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  for (int y = view.height - 1; y >= 0; --y) {
    const uint8_t* row = view.Row(y);
    out.insert(out.end(), row, row + static_cast<ptrdiff_t>(view.width) * 3);
    out.resize(out.size() + (stride - static_cast<uint32_t>(view.width) * 3), 0);
  }
  TFileStream file(fileName, fmCreate);
  file.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

}  // namespace

int RunRender(const std::vector<String>& arguments) {
  std::vector<String> args = arguments;
  TsToolEffects effects;
  if (!TakeEffectOptions(args, effects)) return 2;
  std::vector<String> positional;
  std::optional<TColor> parentColor;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == L"--parent") {
      if (i + 1 == args.size()) return 2;
      const auto value = ParseNumber(args[++i]);
      if (!value || *value < 0 || *value > 0x00FFFFFF) {
        Fail(L"Not a colour: \"" + args[i] + L"\"");
        return 2;
      }
      parentColor = static_cast<TColor>(*value);
      continue;
    }
    positional.push_back(args[i]);
  }
  if (positional.size() != 6) return 2;
  const auto state = ParseNumber(positional[2]);
  const auto width = ParseNumber(positional[3]);
  const auto height = ParseNumber(positional[4]);
  if (!state || *state < 0 || *state > 255) {
    Fail(L"Not a state number: \"" + positional[2] + L"\"");
    return 2;
  }
  if (!width || !height || *width < 1 || *height < 1 || *width > kMaxRenderSide || *height > kMaxRenderSide) {
    Fail(L"The size must be 1 to " + std::to_wstring(kMaxRenderSide) + L" pixels each way");
    return 2;
  }

  TsSkinTables tables;
  if (!LoadSkinForTool(positional[0], tables, effects)) return 1;
  const std::string section = StringToAnsi(positional[1]);
  const int index = tables.SectionIndex(section);
  if (index < 0) {
    Fail(L"No section \"" + positional[1] + L"\" in the skin");
    return 1;
  }

  const int w = static_cast<int>(*width), h = static_cast<int>(*height);
  const TColor parent = parentColor ? *parentColor : tables.GlobalColor();
  auto parentPicture = NewSurface24(w, h);
  auto picture = NewSurface24(w, h);
  FillRectColor(parentPicture->View(), TsRect{0, 0, w, h}, parent);

  TPaintItemSource item;
  item.Skin = &tables;
  item.SkinIndex = index;
  item.SkinSection = section;
  item.BorderIndex = tables.MaskIndex(index, section, "BORDERSMASK");
  item.Texture = tables.TextureIndex(index, section, "PATTERN");
  item.HotTexture = tables.TextureIndex(index, section, "HOTPATTERN");
  item.HasParent = true;
  item.ParentColor = parent;
  PaintItem(item, BgInfo{parentPicture->View(), 0, 0, true}, true, true, picture->View(), TPoint{},
            TsRect{0, 0, w, h}, static_cast<int>(*state));
  WriteBmp24(positional[5], picture->View());
  return 0;
}
