#include "skin/core/sCommonData.h"

#include <algorithm>
#include <cctype>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sThemeApi.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"

namespace {

struct TKindSection {
  std::initializer_list<int> kinds;
  const char* section;
};

const TKindSection kKindSections[] = {
    {{2, 3, 4, 5, 6, 7, 8, 10, 41, 76, 78, 83, 84, 96, 97, 131, 140, 227}, "EDIT"},
    {{11, 12, 13, 14, 15, 16, 17, 18, 81, 82}, "COMBOBOX"},
    {{19}, "BAR"},
    {{20}, "BARTITLE"},
    {{32, 152}, "CHECKBOX"},
    {{33}, "RADIOBUTTON"},
    {{51, 59, 68, 73}, "PANEL"},
    {{52, 58}, "PANEL_LOW"},
    {{53, 54, 60}, "TOOLBAR"},
    {{56}, "DRAGBAR"},
    {{57}, "TABSHEET"},
    {{74, 226}, "GROUPBOX"},
    {{75}, "SPLITTER"},
    {{92, 95}, "SPEEDBUTTON"},
    {{93, 94}, "BUTTON"},
    {{98}, "TOOLBUTTON"},
    {{141, 143}, "PAGECONTROL"},
    {{151}, "STATUSBAR"},
    {{161}, "GAUGE"},
    {{165}, "TRACKBAR"},
};

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string SectionForKind(int kind, const TComponent* owner) {
  for (const TKindSection& entry : kKindSections)
    if (std::find(entry.kinds.begin(), entry.kinds.end(), kind) != entry.kinds.end()) return entry.section;
  return Upper(StringToUtf8(owner ? owner->ClassName() : L""));
}

bool Destroying(const TComponent* component) { return !component || component->IsDestroying(); }

// The name of the section a skin editor is changing (CMD_SECTIONCHANGED); empty when none.
std::string gEditedSection;

// A query to a parent the binding asks on its own behalf: directly, and through the
// platform only when the direct call went unanswered (so a chain of parents is asked
// once per level, not twice).
constexpr LPARAM kUnanswered = static_cast<LPARAM>(-1);

bool AskParent(TWinControl* parent, WORD command) {
  if (!parent) return false;
  TMessage message{SM_SKINCMD, SkinCommandWParam(command), kUnanswered, 0};
  parent->Deliver(message);
  if (message.LParam != kUnanswered) return message.LParam == 1;
  return parent->HandleAllocated() && SendSkinCommand(parent->Handle(), command, 0) == 1;
}

int Clamp255(int v) { return std::clamp(v, 0, 255); }

}  // namespace

TsCommonData::TsCommonData(TComponent* owner, bool withCache)
    : ownerControl_(dynamic_cast<TControl*>(owner)), ownerObject_(owner) {
  if (withCache) cache_ = std::make_unique<TBitmap>();
}

TsCommonData::~TsCommonData() {
  // The window this binding made the one under the pointer is gone with its control.
  if (hotHandle_ && DefaultManager()) DefaultManager()->ForgetWindow(hotHandle_);
  SectionIndex = BorderMaskIndex = PatternIndex = HotPatternIndex = -1;
  ownerControl_ = nullptr;
  ownerObject_ = nullptr;
  explicitManager_.Reset(nullptr);
}

// ---------------------------------------------------------------- settings

TsSkinManager* TsCommonData::SkinManager() const {
  // A manager freed without this binding hearing of it is never used.
  if (TsSkinManager* manager = explicitManager_.Get()) return manager;
  return DefaultManager();
}

void TsCommonData::SetSkinManager(TsSkinManager* manager) {
  if (manager == DefaultManager()) manager = nullptr;
  if (manager == explicitManager_.Get()) return;
  explicitManager_.Reset(manager);
  if (ownerObject_ && ownerObject_->IsLoading()) return;
  TsSkinManager* effective = SkinManager();
  if (effective && effective->HasSections())
    UpdateIndexes();
  else
    SectionIndex = -1;
  if (!ownerControl_ || !ownerControl_->Parent() || ownerControl_->IsDestroying()) return;
  const bool valid = effective && effective->HasSections() && effective->IsSectionIndexValid(SectionIndex);
  PerformOnControl(valid ? CMD_REPAINT : CMD_SKINREMOVED, reinterpret_cast<LPARAM>(effective));
}

void TsCommonData::SetSkinSection(const std::string& name) {
  const std::string stored = name.empty() ? std::string("UNKNOWN") : Upper(name);
  if (stored == skinSection_) return;
  skinSection_ = stored;
  TsSkinManager* manager = SkinManager();
  if (!manager || !manager->HasSections())
    SectionIndex = -1;
  else
    UpdateIndexes();
  if (!ownerControl_ || !ownerControl_->Parent() || ownerControl_->IsDestroying()) return;
  const bool valid = manager && manager->HasSections() && manager->IsSectionIndexValid(SectionIndex);
  PerformOnControl(valid ? CMD_REPAINT : CMD_SKINREMOVED, reinterpret_cast<LPARAM>(manager));
}

void TsCommonData::SetCustomColor(bool on) {
  customColor_ = on;
  if (Skinned() && IsEditControl() && !ownerControl_->IsLoading()) ApplyEditColors();
  Invalidate();
}

void TsCommonData::SetCustomFont(bool on) {
  if (on == customFont_) return;
  customFont_ = on;
  Invalidate();
}

void TsCommonData::PerformOnControl(WORD command, LPARAM value) { PerformOn(ownerControl_, command, value, 0); }

void TsCommonData::PerformOn(TControl* control, WORD command, LPARAM value, WORD low) {
  try {
    PerformSkinCommand(control, command, value, low);
  } catch (...) {
    // The control keeps its look; a binding never raises.
  }
}

// ---------------------------------------------------------------- resolving

void TsCommonData::Loaded() {
  if (!skinSection_.empty())
    UpdateIndexes();
  else
    SetSkinSection(SectionForKind(ControlKind, ownerObject_));
  if (ownerControl_ && !Skinned() && ThemeApi().ThemesInUse())
    ownerControl_->SetControlStyle(ownerControl_->ControlStyle() & ~csParentBackground);
  if (!ownerControl_ || !Skinned() || !ownerControl_->Parent() || ownerControl_->IsLoading()) return;
  if (ownerControl_->IsWindowed()) AnnounceControl(ownerControl_);
  if (IsEditControl() || ControlKind == COC_TsSkinListBox) ApplyEditColors();
}

void TsCommonData::UpdateIndexes() {
  BackgroundChangedFlag = true;
  TsSkinManager* manager = SkinManager();
  SectionIndex = manager ? manager->SectionIndex(skinSection_) : -1;
  if (SectionIndex < 0) {
    PatternIndex = HotPatternIndex = -1;
    return;
  }
  BorderMaskIndex = manager->MaskIndex(SectionIndex, skinSection_, "BORDERSMASK");
  PatternIndex = manager->TextureIndex(SectionIndex, skinSection_, "PATTERN");
  HotPatternIndex = manager->TextureIndex(SectionIndex, skinSection_, "HOTPATTERN");
}

bool TsCommonData::Skinned(bool needActive) const {
  if (Destroying(ownerObject_)) return false;
  TsSkinManager* manager = SkinManager();
  if (!manager || manager->IsDestroying()) return false;
  if (needActive && !manager->SkinActive()) return false;
  return manager->IsSectionIndexValid(SectionIndex);
}

const TsGeneralData* TsCommonData::Section() const {
  TsSkinManager* manager = SkinManager();
  if (!manager || !manager->IsSectionIndexValid(SectionIndex)) return nullptr;
  return &manager->Tables().SectionTable[static_cast<size_t>(SectionIndex)];
}

bool TsCommonData::IsTransparentSection() const {
  const TsGeneralData* section = Section();
  return SectionIndex >= 0 && section && section->Transparency > 0;
}

bool TsCommonData::IsEditControl() const { return dynamic_cast<TCustomEdit*>(ownerControl_) != nullptr; }

bool TsCommonData::IsContainerKind() const {
  return (ControlKind >= 51 && ControlKind <= 74) || ControlKind == 110 || (ControlKind >= 141 && ControlKind <= 161);
}

void TsCommonData::ApplyEditColors() {
  const TsGeneralData* section = Section();
  if (!section || !ownerControl_) return;
  const TColor color = SkinColorToRGB(section->Color);
  const TColor fontColor = SkinColorToRGB(section->FontColor[0]);
  if (!customColor_ && ownerControl_->Color() != color) ownerControl_->SetColor(color);
  if (!customFont_ && ownerControl_->Font().Color() != fontColor) ownerControl_->Font().SetColor(fontColor);
}

// ---------------------------------------------------------------- state

bool TsCommonData::ControlReady() const {
  TControl* c = ownerControl_;
  if (!c || c->IsLoading() || c->IsDestroying() || !c->Parent()) return false;
  if (c->ControlState() & (csCreating | csDestroyingHandle)) return false;
  return !c->IsWindowed() || static_cast<TWinControl*>(c)->HandleAllocated();
}

bool TsCommonData::RefreshUpdating() {
  TsSkinManager* manager = SkinManager();
  if (!manager || !manager->SkinActive()) return true;
  if (UpdatingFlag) return true;
  if (ownerControl_ && ownerControl_->Parent()) {
    try {
      return AskParent(ownerControl_->Parent(), CMD_ISBGBUSY);
    } catch (...) {
      return false;
    }
  }
  return false;
}

bool TsCommonData::IsActive() const {
  TControl* c = ownerControl_;
  if (!c || c->IsDestroying() || !c->Enabled() || c->IsDesigning()) return false;
  if (FocusedFlag) return true;
  if (c->IsWindowed() && static_cast<TWinControl*>(c)->Focused()) return true;
  return MouseOverFlag && !IsContainerKind();
}

bool TsCommonData::DependsOnParent() const {
  TControl* c = ownerControl_;
  if (CacheHeldFlag || !Skinned() || !c || std::wstring(c->ClassName()) == L"TsTabSheet" ||
      (c->ControlState() & csCreating) || !c->Visible())
    return true;
  const TsGeneralData* section = Section();
  if (!section) return false;
  const bool variable = !c->Enabled() || section->Transparency > 0;
  if (variable && c->Parent() && c->Parent()->HandleAllocated()) {
    try {
      return AskParent(c->Parent(), CMD_ISBGVARIABLE);
    } catch (...) {
      return true;
    }
  }
  return variable;
}

void TsCommonData::PrepareCache() {
  if (!cache_) cache_ = std::make_unique<TBitmap>();
  if (cache_->PixelFormat() != TPixelFormat::pf24bit) cache_->SetPixelFormat(TPixelFormat::pf24bit);
  const int width = ownerControl_ ? ownerControl_->Width() : 0;
  const int height = ownerControl_ ? ownerControl_->Height() : 0;
  if (cache_->Width() != width || cache_->Height() != height) cache_->SetSize(width, height);
}

void TsCommonData::Invalidate() {
  TControl* c = ownerControl_;
  if (!c || c->IsDestroying() || c->IsLoading()) return;
  BackgroundChangedFlag = true;
  if (ControlReady()) c->Invalidate();
}

void TsCommonData::BeginUpdate() {
  UpdatingFlag = true;
  if (ownerControl_)
    PerformOnControl(CMD_BEGINUPDATE, 0);
  else if (auto* form = dynamic_cast<TWinControl*>(ownerObject_ ? ownerObject_->Owner() : nullptr);
           form && form->HandleAllocated())
    SendSkinCommand(form->Handle(), CMD_BEGINUPDATE, 0);
}

void TsCommonData::EndUpdate() {
  UpdatingFlag = false;
  if (ownerControl_)
    PerformOnControl(CMD_ENDUPDATE, 0);
  else if (auto* form = dynamic_cast<TWinControl*>(ownerObject_ ? ownerObject_->Owner() : nullptr);
           form && form->HandleAllocated())
    SendSkinCommand(form->Handle(), CMD_ENDUPDATE, 0);
}

BgInfo TsCommonData::GetParentBgInfo() const {
  if (!ownerControl_ || !ownerControl_->Parent()) return BgInfo{};
  try {
    return AskBackground(ownerControl_->Parent());
  } catch (...) {
    return BgInfo{};
  }
}

BgInfo TsCommonData::GetWindowParentBgInfo(HWND window) {
  return AskBackground(window ? GetParent(window) : nullptr);
}

// ---------------------------------------------------------------- messages

bool TsCommonData::ManagerMatches(LPARAM manager) const {
  return reinterpret_cast<TsSkinManager*>(manager) == SkinManager();
}

bool TsCommonData::CommonWndProc(TMessage& message) {
  TControl* c = ownerControl_;
  switch (message.Msg) {
    case SM_SKINCMD: return HandleSkinCommand(message);
    case WM_MOVE:
      if (c && DependsOnParent()) PerformOn(c, CMD_POSCHANGED, 0, 1);
      break;
    case WM_SIZE:
      if (Skinned()) {
        BackgroundChangedFlag = true;
        const TsGeneralData* section = Section();
        if (c && c->IsWindowed() && section && section->GradientPercent > 0) {
          auto* w = static_cast<TWinControl*>(c);
          for (int i = 0; i < w->ControlCount(); ++i) {
            TControl* child = w->Controls(i);
            if (child->IsDestroying() || (child->Anchors() & (akRight | akBottom))) continue;
            PerformOn(child, CMD_POSCHANGED, 0, 1);
          }
        }
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (c && c->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(c);
        if (w->CanFocus() && w->TabStop()) {
          BackgroundChangedFlag = true;
          FocusedFlag = message.Msg == WM_SETFOCUS;
        }
      }
      break;
    case WM_FONTCHANGE:
    case CM_ENABLEDCHANGED:
      MouseOverFlag = FocusedFlag = false;
      break;
    case WM_UPDATEUISTATE:
      if (Skinned()) {
        message.Result = 1;
        return true;
      }
      if (c && c->IsWindowed() && static_cast<TWinControl*>(c)->HandleAllocated() && ThemeApi().ThemesInUse() &&
          ThemeApi().setWindowTheme)
        ThemeApi().setWindowTheme(static_cast<TWinControl*>(c)->Handle(), L"", L"");
      break;
    case WM_DESTROY:
      if (c && c->IsWindowed() && DefaultManager()) DefaultManager()->ForgetWindow(static_cast<TWinControl*>(c)->Handle());
      break;
    case CM_CONTROLLISTCHANGE:
      if (message.LParam == 0 && reinterpret_cast<TControl*>(message.WParam) == PaintingChild) PaintingChild = nullptr;
      break;
    case WM_PARENTNOTIFY:
      if (c && c->IsWindowed() && LOWORD(message.WParam) == WM_CREATE) AnnounceControl(c);
      break;
    case CM_MOUSEENTER:
      if (c && !c->IsDesigning() && message.LParam == reinterpret_cast<LPARAM>(c)) {
        if (!IsContainerKind()) MouseOverFlag = true;
        if (c->IsWindowed() && DefaultManager() && static_cast<TWinControl*>(c)->HandleAllocated()) {
          hotHandle_ = static_cast<TWinControl*>(c)->Handle();
          DefaultManager()->SetHotWindow(hotHandle_);
        }
      }
      break;
    case CM_MOUSELEAVE:
      if (c && !c->IsDesigning() && message.LParam == reinterpret_cast<LPARAM>(c) && !IsContainerKind())
        MouseOverFlag = false;
      break;
    default: break;
  }
  return false;
}

bool TsCommonData::HandleSkinCommand(TMessage& message) {
  const WORD command = SkinCommandOf(message.WParam);
  const WORD low = SkinArgumentOf(message.WParam);
  auto answer = [&](LRESULT value) {
    message.LParam = value;
    message.Result = value;
    return true;
  };
  switch (command) {
    case CMD_SKINLOADED: {
      if (!ManagerMatches(message.LParam)) return true;
      UpdatingFlag = true;
      UpdateIndexes();
      if (TsSkinManager* m = SkinManager()) m->SetSkinChanging(false);
      return true;
    }
    case CMD_SKINREMOVED: {
      if (!ManagerMatches(message.LParam)) return true;
      auto* manager = reinterpret_cast<TsSkinManager*>(message.LParam);
      if (manager && manager->IsDestroying() && explicitManager_.Get() == manager) explicitManager_.Reset(nullptr);
      SectionIndex = BorderMaskIndex = PatternIndex = HotPatternIndex = -1;
      UpdatingFlag = true;
      if (cache_) cache_->SetSize(0, 0);
      if (IsEditControl()) {
        if (!customColor_) ownerControl_->SetColor(clWindow);
        if (!customFont_) ownerControl_->Font().SetColor(clWindowText);
      }
      return true;
    }
    case CMD_REPAINT: {
      if (!ManagerMatches(message.LParam)) return true;
      BackgroundChangedFlag = true;
      UpdatingFlag = false;
      if (Skinned() && IsEditControl()) ApplyEditColors();
      if (ownerControl_ && ownerControl_->IsWindowed()) AnnounceControl(ownerControl_);
      return true;
    }
    case CMD_GETBGINFO: {
      if (cache_ && !cache_->Empty()) AnswerBackground(message, BgInfo{cache_->View(), 0, 0, true});
      return true;
    }
    case CMD_ISSKINNED: return AnswerSkinnedQuery(message);
    case CMD_SETUPDATING: UpdatingFlag = low == 1; return true;
    case CMD_HOLDCACHE: CacheHeldFlag = low == 1; return true;
    case CMD_ISBGBUSY: return answer(BackgroundChangedFlag || UpdatingFlag ? 1 : 0);
    case CMD_ISHALFVISIBLE: return answer(PartlyHiddenFlag ? 1 : 0);
    case CMD_PARENTBGCHANGED:
      if (IsTransparentSection() && low == 1) BackgroundChangedFlag = true;
      return true;
    case CMD_PAINTINGCHILD: PaintingChild = reinterpret_cast<TControl*>(message.LParam); return true;
    case CMD_SETBGCHANGED: BackgroundChangedFlag = true; return true;
    case CMD_SECTIONCHANGED:
      if (!gEditedSection.empty() && Upper(skinSection_) == gEditedSection) {
        if (TsSkinManager* m = SkinManager()) m->SetSkinChanging(false);
        Invalidate();
      }
      return true;
    case CMD_ISBGVARIABLE: return answer(BackgroundVariable() ? 1 : 0);
    case CMD_POSCHANGED: PositionChanged(low); return true;
    case CMD_GETCOLOR:
      if (ColorRecordOf(message)) AnswerColor(message, ColorAnswer());
      return answer(1);
    case CMD_NOTVISIBLE: PartlyHiddenFlag = true; return true;
    case CMD_GETAPPLICATION: return AnswerSkinnedQuery(message);
    default: return false;
  }
}

bool TsCommonData::BackgroundVariable() const {
  if (!Skinned() || IsEditControl()) return false;
  const TsGeneralData* section = Section();
  if (!section) return false;
  TControl* c = ownerControl_;
  if (section->Transparency == 100 && c && c->Parent())
    return c->Parent()->HandleAllocated() && AskParent(c->Parent(), CMD_ISBGVARIABLE);
  return section->GradientPercent + section->ImagePercent > 0 || DependsOnParent();
}

void TsCommonData::PositionChanged(WORD low) {
  const bool depends = DependsOnParent();
  if (depends) BackgroundChangedFlag = true;
  TControl* c = ownerControl_;
  if (!c || !c->IsWindowed()) return;
  auto* w = static_cast<TWinControl*>(c);
  if (low == 1 && w->HandleAllocated())
    RedrawWindow(w->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_NOERASE | RDW_NOINTERNALPAINT);
  if (!depends) return;
  for (int i = 0; i < w->ControlCount(); ++i) {
    TControl* child = w->Controls(i);
    if (!child->IsDestroying()) PerformOn(child, CMD_POSCHANGED, 0, 0);
  }
}

TColor TsCommonData::ColorAnswer() const {
  TControl* c = ownerControl_;
  const TsGeneralData* section = Skinned() ? Section() : nullptr;
  if (!section) return c ? static_cast<TColor>(ColorToRGB(c->Color())) : clFuchsia;
  const int t = section->Transparency;
  if (t == 0) return customColor_ && c ? static_cast<TColor>(ColorToRGB(c->Color())) : SkinColorToRGB(section->Color);
  // The parent's colour: its answer to CMD_GETCOLOR, or its Color when it does not answer.
  TColor parent = clFuchsia;
  if (c && c->Parent()) {
    const TColor asked = c->Parent()->HandleAllocated() ? AskColor(c->Parent()->Handle()) : clFuchsia;
    parent = asked == clFuchsia ? static_cast<TColor>(ColorToRGB(c->Parent()->Color())) : asked;
  }
  if (t >= 100 || parent == clFuchsia) return parent == clFuchsia ? SkinColorToRGB(section->Color) : parent;
  // T weighs out of 256 here, unlike the composition's percentages out of 100.
  const TColor own = SkinColorToRGB(section->Color);
  auto mix = [t](int p, int o) { return Clamp255((t * (p - o) + o * 256) >> 8); };
  return MakeColor(mix(RedOf(parent), RedOf(own)), mix(GreenOf(parent), GreenOf(own)), mix(BlueOf(parent), BlueOf(own)));
}

// ---------------------------------------------------------------- painting helpers

namespace {

// The colour of a surface pixel (24 or 32 bits) as 0x00BBGGRR.
TColor PixelAt(const TSurfaceView& view, int x, int y) {
  const uint8_t* p = view.Row(y) + x * view.BytesPerPixel();
  return MakeColor(p[2], p[1], p[0]);
}


}  // namespace

namespace {
void RepairCorners(TsCommonData& binding, int state, int corners);
void RepairWindowCorners(TsCommonData& binding, int state, SIZE size, HWND parent, POINT parentOffset);
}  // namespace

void UpdateCorners(TsCommonData& binding, int state, int corners) {
  try {
    RepairCorners(binding, state, corners);
  } catch (...) {
    // What was repaired stays; painting goes on.
  }
}

void UpdateWindowCorners(TsCommonData& binding, int state, SIZE size, HWND parent, POINT parentOffset) {
  try {
    RepairWindowCorners(binding, state, size, parent, parentOffset);
  } catch (...) {
    // What was repaired stays; painting goes on.
  }
}

namespace {
// Key pixels of the border mask's corner frames in the cache take `fill`, or, when it is
// none, the pixel of `bg` (already shifted to the cache's place in the parent).
void RepaintCornerPixels(TsCommonData& binding, int state, int corners, int w, int h, const BgInfo& bg, TColor fill);

void RepairCorners(TsCommonData& binding, int state, int corners) {
  TsSkinManager* manager = binding.SkinManager();
  TControl* control = binding.OwnerControl();
  TBitmap* cache = binding.Cache();
  if (!manager || !manager->IsMaskIndexValid(binding.BorderMaskIndex) || !cache || cache->Empty() || !control ||
      control->Width() < 2 || control->Height() < 2)
    return;
  BgInfo bg = binding.GetParentBgInfo();
  TColor parentColor = clFuchsia;
  TWinControl* parent = control->Parent();
  if (!parent)
    parentColor = clFuchsia;
  else if (!bg.Ready)
    parentColor = static_cast<TColor>(ColorToRGB(parent->Color()));
  else if (AskParent(parent, CMD_ISBGVARIABLE))
    parentColor = clFuchsia;
  else
    parentColor = QueryControlColor(parent);
  const TColor fill = parentColor;
  if (fill == clFuchsia) {
    bg.X += control->Left();
    bg.Y += control->Top();
  }
  if (fill == clFuchsia && !bg.Ready) return;
  RepaintCornerPixels(binding, state, corners, control->Width(), control->Height(), bg, fill);
}

void RepairWindowCorners(TsCommonData& binding, int state, SIZE size, HWND parent, POINT parentOffset) {
  TsSkinManager* manager = binding.SkinManager();
  TBitmap* cache = binding.Cache();
  if (!manager || !manager->IsMaskIndexValid(binding.BorderMaskIndex) || !cache || cache->Empty() || size.cx < 2 ||
      size.cy < 2)
    return;
  BgInfo bg = AskBackground(parent);
  TColor fill = clFuchsia;
  if (parent && !AskWindow(parent, CMD_ISBGVARIABLE)) fill = AskColor(parent);
  if (fill == clFuchsia) {
    bg.X += parentOffset.x;
    bg.Y += parentOffset.y;
    if (!bg.Ready) return;
  }
  RepaintCornerPixels(binding, state, 15, size.cx, size.cy, bg, fill);
}

void RepaintCornerPixels(TsCommonData& binding, int state, int corners, int w, int h, const BgInfo& bg, TColor fill) {
  TsSkinManager* manager = binding.SkinManager();
  TBitmap* cache = binding.Cache();
  const TsSkinTables& tables = manager->Tables();
  const TsMaskData& mask = tables.MaskTable[static_cast<size_t>(binding.BorderMaskIndex)];
  int imageCount = mask.ImageCount, maskType = mask.MaskType;
  TsRect r = mask.R;
  const TSurfaceView source = mask.Bmp ? mask.Bmp->View() : (tables.MasterBitmap ? tables.MasterBitmap->View() : TSurfaceView{});
  if (imageCount == 0 && mask.Bmp) {
    imageCount = 3;
    maskType = 1;
    r = TsRect{0, 0, source.width, source.height};
  }
  if (imageCount <= 0 || source.Empty()) return;
  const int frame = std::min(state, imageCount - 1);
  const int xOffset = frame * r.Width() / imageCount;
  const int fh = r.Height() / (maskType + 1);
  const int cw = r.Width() / imageCount - mask.WL - mask.WR;
  struct TCornerArea {
    int bit, x, y, width, height, sx, sy;
  };
  const TCornerArea areas[] = {
      {1, 0, 0, mask.WL, mask.WT, r.Left + xOffset, r.Top},
      {2, 0, h - mask.WB, mask.WL, mask.WB, r.Left + xOffset, r.Top + fh - mask.WB},
      {8, w - mask.WR, h - mask.WB, mask.WR, mask.WB, r.Left + xOffset + mask.WL + cw, r.Top + fh - mask.WB},
      {4, w - mask.WR, 0, mask.WR, mask.WT, r.Left + xOffset + mask.WL + cw, r.Top},
  };
  const TSurfaceView target = cache->View();
  for (const TCornerArea& a : areas)
    if (corners & a.bit)
      RepairKeyedPixels(target, a.x, a.y, source, TsRect{a.sx, a.sy, a.sx + a.width, a.sy + a.height}, clFuchsia, fill,
                        bg);
}
}  // namespace

void PaintToDCExcludingChildren(TWinControl* control, TsCommonData& binding, POINT source, int dy, int dx,
                                bool refreshCorners, HDC dc, const RECT& target) {
  TBitmap* cache = binding.Cache();
  if (!cache || cache->Empty() || !dc) return;
  if (refreshCorners) UpdateCorners(binding, 0);
  const TSavedDC saved(dc);
  IntersectClipRect(dc, target.left, target.top, target.right, target.bottom);
  if (control) {
    for (int i = 0; i < control->ControlCount(); ++i) {
      TControl* child = control->Controls(i);
      if (!child->Visible()) continue;
      // Graphic children are painted over the picture afterwards (double-buffered), and
      // opaque ones paint all of their area: the copy leaves both out.
      const bool opaque = !child->IsWindowed() || (child->ControlStyle() & csOpaque) || child->IsDesigning();
      if (!opaque) continue;
      RECT r = child->BoundsRect();
      OffsetRect(&r, dx, dy);
      RECT overlap;
      if (IntersectRect(&overlap, &r, &target)) ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  }
  BitBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, cache->Canvas().Handle(),
         source.x, source.y, SRCCOPY);
}

void PaintWindowToDCExcludingChildren(HWND window, TsCommonData& binding, POINT source, HDC dc, const RECT& target) {
  TBitmap* cache = binding.Cache();
  if (!cache || cache->Empty() || !dc) return;
  const TSavedDC saved(dc);
  IntersectClipRect(dc, target.left, target.top, target.right, target.bottom);
  for (HWND child = window ? GetWindow(window, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  BitBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, cache->Canvas().Handle(),
         source.x, source.y, SRCCOPY);
}

void PaintGraphicChildren(HDC dc, TWinControl* container, POINT offset, TBitmap* buffer) {
  if (!dc || !container || (!container->Visible() && !container->IsDesigning()) || container->ControlCount() == 0)
    return;
  RECT clip;
  if (GetClipBox(dc, &clip) == NULLREGION) {
    PerformSkinCommand(container, CMD_NOTVISIBLE, 0);
    return;
  }
  const BgInfo bg = AskBackground(static_cast<TControl*>(container));
  if (!bg.Ready) return;

  std::vector<TControl*> children;
  for (int i = 0; i < container->ControlCount(); ++i) {
    TControl* child = container->Controls(i);
    if (child->IsWindowed() || !child->Visible() || child->Width() <= 0 || child->Height() <= 0) continue;
    RECT r = child->BoundsRect(), visible;
    OffsetRect(&r, offset.x, offset.y);
    if (!IntersectRect(&visible, &r, &clip)) continue;
    children.push_back(child);
  }
  if (children.empty()) return;

  // A kept buffer is read only where the children are filled below, so what an earlier
  // paint left in it never shows; the check of the first pixel below reads a child's own
  // place only without an offset.
  std::unique_ptr<TBitmap> own;
  if (!buffer || offset.x != 0 || offset.y != 0) {
    own = std::make_unique<TBitmap>(container->Width(), container->Height());
    buffer = own.get();
  } else {
    if (buffer->PixelFormat() != TPixelFormat::pf24bit) buffer->SetPixelFormat(TPixelFormat::pf24bit);
    buffer->SetSize(container->Width(), container->Height());
  }
  TBitmap& picture = *buffer;
  const TSurfaceView view = picture.View();
  GdiFlush();
  for (TControl* child : children) {
    const RECT r = child->BoundsRect();
    const TColor fill = static_cast<TColor>(ColorToRGB(child->Color()));
    const bool showsParent = !(child->ControlStyle() & csOpaque);
    const TsRect place{std::max(static_cast<int>(r.left), 0), std::max(static_cast<int>(r.top), 0),
                       std::min(static_cast<int>(r.right), view.width), std::min(static_cast<int>(r.bottom), view.height)};
    if (place.Right <= place.Left || place.Bottom <= place.Top) continue;
    // The child's colour, and over it the parent's picture where the parent has pixels.
    FillRectColor(view, place, fill);
    if (showsParent && bg.HasBmp() && !bg.Bmp.Empty())
      CopyBlock(view, place.Left, place.Top, bg.Bmp,
                TsRect{bg.X + place.Left, bg.Y + place.Top, bg.X + place.Right, bg.Y + place.Bottom});
  }
  HDC pictureDC = picture.Canvas().Handle();
  for (TControl* child : children) {
    const TSavedDC saved(pictureDC);
    SetViewportOrgEx(pictureDC, child->Left(), child->Top(), nullptr);
    IntersectClipRect(pictureDC, 0, 0, child->Width(), child->Height());
    child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(pictureDC), 0);
  }
  GdiFlush();
  for (TControl* child : children) {
    if (PixelAt(view, std::clamp(child->Left() + static_cast<int>(offset.x), 0, view.width - 1),
                std::clamp(child->Top() + static_cast<int>(offset.y), 0, view.height - 1)) == clFuchsia)
      continue;
    BitBlt(dc, child->Left() + offset.x, child->Top() + offset.y, child->Width(), child->Height(), pictureDC,
           child->Left(), child->Top(), SRCCOPY);
  }
}

void SetEditedSection(const std::string& name) { gEditedSection = Upper(name); }

TPaintItemSource SectionPaintSource(const TsCommonData& binding, const TsSkinManager& manager) {
  TPaintItemSource item;
  item.Skin = &manager.Tables();
  item.SkinIndex = binding.SectionIndex;
  item.SkinSection = binding.SkinSection();
  item.BorderIndex = binding.BorderMaskIndex;
  item.Texture = binding.PatternIndex;
  item.HotTexture = binding.HotPatternIndex;
  return item;
}

TPaintItemSource ControlPaintSource(const TsCommonData& binding, const TsSkinManager& manager, const TControl& control) {
  TPaintItemSource item = SectionPaintSource(binding, manager);
  TWinControl* parent = control.Parent();
  item.CustomColor = binding.CustomColor();
  item.OwnerColor = static_cast<TColor>(ColorToRGB(control.Color()));
  item.HasParent = parent != nullptr;
  item.ParentColor = parent ? static_cast<TColor>(ColorToRGB(parent->Color())) : clFuchsia;
  item.DependsOnParent = binding.DependsOnParent();
  item.QueryParentColor = [parent] { return QueryControlColor(parent); };
  return item;
}
