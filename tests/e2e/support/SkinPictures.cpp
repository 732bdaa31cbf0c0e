#include "tests/e2e/support/SkinPictures.h"

#include <cstring>
#include <vector>

#include "framework/Streams.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "tests/e2e/support/Report.h"

namespace e2e {

std::unique_ptr<TsSkinTables> LoadPackageTables(const std::wstring& path) {
  try {
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    TMemoryStream package;
    package.LoadFromStream(file);
    package.SetPosition(0);
    auto tables = std::make_unique<TsSkinTables>();
    if (LoadSkinPackage(package, *tables)) return tables;
  } catch (const Exception& e) {
    Print(L"cannot load " + path + L": " + e.Message());
  }
  return nullptr;
}

std::unique_ptr<TsSkinTables> LoadFolderTables(const std::wstring& folder) {
  try {
    auto tables = std::make_unique<TsSkinTables>();
    if (LoadSkinFolder(folder, *tables)) return tables;
  } catch (const Exception& e) {
    Print(L"cannot load " + folder + L": " + e.Message());
  }
  return nullptr;
}

Picture PictureOf(const TSurfaceView& view) {
  Picture picture;
  picture.width = view.width;
  picture.height = view.height;
  picture.bgr.reserve(static_cast<size_t>(view.width) * static_cast<size_t>(view.height) * 3);
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x) {
      const uint8_t* p = view.Pixel(x, y);
      picture.bgr.insert(picture.bgr.end(), {p[0], p[1], p[2]});
    }
  return picture;
}

Picture ComposeFrame(const TsSkinTables& skin, int width, int height, int band, int state) {
  auto surface = NewSurface24(width, height);
  TPaintItemSource item;
  item.Skin = &skin;
  item.SkinSection = "FORM";
  item.SkinIndex = skin.SectionIndex(item.SkinSection);
  item.BorderIndex = skin.MaskIndex(item.SkinIndex, item.SkinSection, "BORDERSMASK");
  item.Texture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "PATTERN");
  item.HotTexture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "HOTPATTERN");
  item.DependsOnParent = false;
  PaintItem(item, BgInfo{}, true, false, surface->View(), TPoint{0, 0}, TsRect{0, 0, width, height}, state);
  const int title = skin.SectionIndex("FORMTITLE");
  if (title >= 0) {
    const BgInfo bg{surface->View(), 0, 0, true};
    PaintSection(title, "FORMTITLE", bg, skin.TextureIndex(title, "FORMTITLE", "HOTPATTERN"),
                 skin.TextureIndex(title, "FORMTITLE", "PATTERN"), &skin, surface->View(), TPoint{0, 0},
                 TsRect{0, 0, width, band}, state, true);
  }
  return PictureOf(surface->View());
}

std::unique_ptr<TSurface> ComposeFormBackground(const TsSkinTables& skin, int width, int height) {
  auto surface = NewSurface24(width, height);
  TPaintItemSource item;
  item.Skin = &skin;
  item.SkinSection = "FORM";
  item.SkinIndex = skin.SectionIndex(item.SkinSection);
  item.BorderIndex = skin.MaskIndex(item.SkinIndex, item.SkinSection, "BORDERSMASK");
  item.Texture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "PATTERN");
  item.HotTexture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "HOTPATTERN");
  item.DependsOnParent = false;
  PaintItem(item, BgInfo{}, true, false, surface->View(), TPoint{0, 0}, TsRect{0, 0, width, height}, 1);
  return surface;
}

Picture ComposePanel(const TsSkinTables& skin, const RECT& panelInForm, COLORREF formColour,
                     const TSurfaceView* formPicture, POINT panelInWindow) {
  const int width = panelInForm.right - panelInForm.left, height = panelInForm.bottom - panelInForm.top;
  auto surface = NewSurface24(width, height);
  TPaintItemSource item;
  item.Skin = &skin;
  item.SkinSection = "PANEL";
  item.SkinIndex = skin.SectionIndex(item.SkinSection);
  item.BorderIndex = skin.MaskIndex(item.SkinIndex, item.SkinSection, "BORDERSMASK");
  item.Texture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "PATTERN");
  item.HotTexture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "HOTPATTERN");
  item.HasParent = true;
  item.ParentColor = static_cast<TColor>(formColour);
  item.DependsOnParent = false;
  PaintItem(item, BgInfo{}, true, true, surface->View(), TPoint{panelInForm.left, panelInForm.top},
            TsRect{0, 0, width, height}, 0);
  const TMaskRef border = MaskRef(skin, item.BorderIndex);
  std::vector<TsRect> corners;
  CornerKeyRuns(corners, width, border, false, 0);
  if (border.Valid()) CornerKeyRuns(corners, width, border, true, height - border.Data->WB);
  for (const TsRect& run : corners) {
    if (!formPicture) {
      FillRectColor(surface->View(), run, static_cast<TColor>(formColour));
      continue;
    }
    for (int y = run.Top; y < run.Bottom; ++y)
      for (int x = run.Left; x < run.Right; ++x)
        std::memcpy(surface->View().Pixel(x, y), formPicture->Pixel(panelInWindow.x + x, panelInWindow.y + y), 3);
  }
  return PictureOf(surface->View());
}

}  // namespace e2e
