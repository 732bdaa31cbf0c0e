// The skin manager: the component that owns the active skin of the process.
//
// It finds a skin by name (a package file "<name>.asz" or a skin folder "<name>" holding
// "Options.dat" in the skin folder, else a skin stored in the program), loads it into its
// tables, applies its colour effects and announces it to every form with the skin command
// message. The first manager made is the process-wide default manager; controls without
// a manager of their own use it.
//
// A skin that cannot be loaded never stops the program: the failure is reported once
// through the skin reporter, the manager falls back to the stored skin of that name (or
// the first stored one), else to no skin, and its flags are restored on every path.
//
// Left out: design-time behaviour, MDI forms. Two pieces live in the window-skinning layer
// and reach the manager through seams: the thread hook (`InstallDialogHook`) and the menu
// skinning (`SkinableMenus`, the painting of the menus whose settings `MenuSupport` keeps).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Redraw.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Messages.h"
#include "skin/data/sSkinOptions.h"
#include "skin/data/sSkinTables.h"
#include "skin/data/sStoredSkins.h"

class TsSkinManager;

enum TacSkinningRule : uint32_t { srStdForms = 1, srStdDialogs = 2, srThirdParty = 4 };
enum TacBtnEvent : uint32_t { beMouseEnter = 1, beMouseLeave = 2, beMouseDown = 4, beMouseUp = 8 };

// The process-wide set of mouse events that start button fades.
uint32_t ButtonFadeEvents();

struct TacFormAnimation {
  bool Active = true;
  uint16_t Time = 0;
};

class TacBtnEffects {
public:
  explicit TacBtnEffects(TsSkinManager* owner) : owner_(owner) {}
  // Reading gives the process-wide set; setting it on the default manager replaces it.
  uint32_t Events() const { return ButtonFadeEvents(); }
  void SetEvents(uint32_t events);

private:
  TsSkinManager* owner_;
};

class TacAnimEffects {
public:
  explicit TacAnimEffects(TsSkinManager* owner) : Buttons(owner) {}
  TacBtnEffects Buttons;
  TacFormAnimation DialogShow{true, 100};
  TacFormAnimation FormShow{true, 0};
  TacFormAnimation SkinChanging{true, 100};
  TacFormAnimation PageChange{true, 0};
};

class TacMenuSupport {
public:
  String IcoLineSkin = L"ICOLINE";
  bool UseExtraLine = false;
  int ExtraLineWidth = 32;
  TFont ExtraLineFont;
};

// The section and mask indexes painting uses without looking them up.
struct TsStandardIndexes {
  int16_t GlobalSection = -1;
  int16_t TabSections[4] = {-1, -1, -1, -1};         // top, bottom, left, right
  int16_t TabBorders[4] = {-1, -1, -1, -1};
  int16_t ScrollButtonSections[4] = {-1, -1, -1, -1};  // top, bottom, left, right
  int16_t ScrollButtonBorders[4] = {-1, -1, -1, -1};
  int16_t ScrollButtonPatterns[4] = {-1, -1, -1, -1};
  int16_t ScrollButtonHotPatterns[4] = {-1, -1, -1, -1};
  int16_t ScrollButtonGlyphs[4] = {-1, -1, -1, -1};
  int16_t SliderSections[2] = {-1, -1};  // vertical, horizontal
  int16_t SliderBorders[2] = {-1, -1};
  int16_t SliderGlyphs[2] = {-1, -1};
  int16_t SliderPatterns[2] = {-1, -1};
  int16_t SliderHotPatterns[2] = {-1, -1};
  int16_t ScrollBarSections[4] = {-1, -1, -1, -1};  // 1H, 1V, 2H, 2V
  int16_t ScrollBarBorders[4] = {-1, -1, -1, -1};
  int16_t ScrollBarPatterns[4] = {-1, -1, -1, -1};
  int16_t ScrollBarHotPatterns[4] = {-1, -1, -1, -1};
  // BOXCHECKED, BOXUNCHECKED, BOXGRAYED, RADIOCHECKED, RADIOUNCHECKED, RADIOGRAYED,
  // SMALLCHECKED, SMALLUNCHECKED, SMALLGRAYED
  int16_t CheckMarks[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  int32_t ComboButtonSection = -1;
  int32_t ComboButtonBorder = -1;
  int32_t ComboButtonPattern = -1;
  int32_t ComboButtonHotPattern = -1;
  int32_t ComboGlyph = -1;
};

// Which skins `SkinNames` lists besides the stored ones.
enum class TacSkinListKind { Folders = 0, Packages = 1, Both = 2 };

// What the manager needs of its menu skinning; the window-skinning layer makes it.
class TacSkinableMenusBase {
public:
  virtual ~TacSkinableMenusBase() = default;
  // Owner-draws (or gives back) the menus of the application's components.
  virtual void HookMenus(bool on) = 0;
  // A skin was loaded or removed: cached sizes and the prepared menu picture go.
  virtual void SkinChanged() = 0;
  // The private messages SM_MENUITEMPICTURE and SM_MENUWINDOWPICTURE on the application window.
  virtual void HandleMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

using TacGetExtraLineData = std::function<void(TComponent* menu, String& section, String& caption, bool& visible)>;

class TsSkinManager : public TComponent {
public:
  explicit TsSkinManager(TComponent* owner);
  ~TsSkinManager() override;
  const wchar_t* ClassName() const override { return L"TsSkinManager"; }
  void Loaded() override;

  // Published settings.
  TacAnimEffects& AnimEffects() { return animEffects_; }
  bool IsDefault() const;
  void SetIsDefault(bool on);
  bool Active() const { return active_; }
  void SetActive(bool on);
  const std::vector<std::string>& CommonSections() const { return commonSections_; }
  void SetCommonSections(const std::vector<std::string>& lines);
  int Saturation() const { return saturation_; }
  void SetSaturation(int amount);
  int HueOffset() const { return hueOffset_; }
  void SetHueOffset(int degrees);
  TsStoredSkins& InternalSkins() { return internalSkins_; }
  // Takes over `skins` (the stored-layout assignment; the pictures are shared).
  void SetInternalSkins(const TsStoredSkins& skins);
  TacMenuSupport& MenuSupport() { return menuSupport_; }
  // The menu skinning of this manager (made on first use), or null while the window layer
  // has not set the seam.
  TacSkinableMenusBase* SkinableMenus();
  const String& SkinDirectory() const { return skinDirectory_; }
  void SetSkinDirectory(const String& folder);
  const String& SkinName() const { return skinName_; }
  void SetSkinName(const String& name);
  // The loaded skin's version with "." as separator ("5.4"), or "N/A" without a skin.
  String SkinInfo() const;
  uint32_t SkinningRules() const { return skinningRules_; }
  void SetSkinningRules(uint32_t rules) { skinningRules_ = rules; }
  static String Version() { return L"5.40"; }
  bool SkinnedPopups() const { return skinnedPopups_; }
  void SetSkinnedPopups(bool on);
  TNotifyEvent OnAfterChange;
  TNotifyEvent OnBeforeChange;
  TacGetExtraLineData OnGetMenuExtraLineData;

  // The loaded skin.
  const TsSkinTables& Tables() const { return tables_; }
  TsSkinTables& Tables() { return tables_; }
  const TsSkinData& GlobalInfo() const { return tables_.GlobalInfo; }
  bool SkinActive() const { return tables_.GlobalInfo.Active; }
  bool HasSections() const { return !tables_.SectionTable.empty(); }
  bool IsPacked() const { return isPacked_; }
  const TsStandardIndexes& StandardIndexes() const { return standardIndexes_; }
  // Set from the start of a skin change until CMD_SKINLOADED has been broadcast.
  bool SkinChanging() const { return skinChanging_; }
  // True while RemoveSkin runs (its CMD_SKINREMOVED is being broadcast).
  bool RemovingSkin() const { return removing_; }
  void SetSkinChanging(bool on) { skinChanging_ = on; }

  // Lookups (see TsSkinTables); none raises, -1 means none.
  int SectionIndex(std::string_view name) const { return tables_.SectionIndex(name); }
  int MaskIndex(int section, std::string_view name, std::string_view key) const {
    return tables_.MaskIndex(section, name, key);
  }
  int TextureIndex(int section, std::string_view name, std::string_view key) const {
    return tables_.TextureIndex(section, name, key);
  }
  int PatternIndex(int section, std::string_view name, std::string_view key) const {
    return tables_.PatternIndex(section, name, key);
  }
  int MaskIndexByName(std::string_view name, std::string_view key) const { return tables_.MaskIndexByName(name, key); }
  bool IsSectionIndexValid(int i) const { return tables_.IsSectionIndexValid(i); }
  bool IsMaskIndexValid(int i) const { return tables_.IsMaskIndexValid(i); }
  TColor GlobalColor() const { return tables_.GlobalColor(); }
  TColor GlobalFontColor() const { return tables_.GlobalFontColor(); }
  TColor GlobalHotColor() const { return tables_.GlobalHotColor(); }

  // The window under the pointer: CMD_MOUSELEAVE to the previous one, CMD_MOUSEENTER to the new one.
  void SetHotWindow(HWND window);
  // `window` is going: it stops being the window under the pointer, silently.
  void ForgetWindow(HWND window);
  HWND HotWindow() const { return hotWindow_; }
  // The available skins, sorted; `firstName` is the first one found.
  std::vector<String> SkinNames(TacSkinListKind kind, String* firstName = nullptr) const;
  // SkinDirectory made absolute, with a trailing delimiter (empty stays empty).
  String ResolvedSkinDirectory() const;

  // Announcements (command order of the skin command message).
  void AnnounceSkin();
  void RefreshSkin();
  void RemoveSkin();

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  struct LoadingScope;
  void ChangeSkin(bool announce, bool events);
  bool LoadSkin();
  bool LoadPackageFile(const String& file);
  String SkinFolder() const;
  bool HasSkinFolder() const;
  void LoadFolder();
  void HookApplication(bool on);
  void InstallDialogHook();
  void RemoveDialogHook();
  bool LoadStored();
  void LoadOptionsText(std::string_view options, const TsSkinSource& source);
  void FinishLoad();
  void ReportFailure(const String& text);
  void InitStandardIndexes();
  void SetRedraw(bool on);
  bool MainWindowHook(TMessage& message);

  TacAnimEffects animEffects_{this};
  bool active_ = true;
  std::vector<std::string> commonSections_;
  int saturation_ = 0;
  int hueOffset_ = 0;
  TsStoredSkins internalSkins_;
  TacMenuSupport menuSupport_;
  std::unique_ptr<TacSkinableMenusBase> skinableMenus_;
  String skinDirectory_ = L"c:\\Skins";
  String skinName_;
  uint32_t skinningRules_ = srStdForms | srStdDialogs | srThirdParty;
  bool skinnedPopups_ = true;

  TsSkinTables tables_;
  bool isPacked_ = false;
  bool skinChanging_ = false;
  bool removing_ = false;
  TsStandardIndexes standardIndexes_;
  HWND hotWindow_ = nullptr;
  bool hookInstalled_ = false;
  bool hookedMainWindow_ = false;
  bool fellBack_ = false;
  std::vector<TRedrawOff> frozenForms_;  // forms whose redrawing is off across a skin change
};

// The default manager (the first one made), or null.
TsSkinManager* DefaultManager();
// What a window handler does after WM_MOUSEMOVE: an enabled `window` becomes the default
// manager's hot window. With `onlyInside` that holds while the pointer is inside the
// window's rectangle; a move seen outside it (during a capture) takes the hot state away.
void TrackHotWindow(HWND window, bool onlyInside = false);
// True while any manager is loading a skin.
bool SkinLoading();
// The thread hook of the window-skinning layer: installed by the default manager when it
// announces a skin, removed when the skin goes. Empty until that layer sets it.
struct TsDialogHookSeam {
  std::function<void(TsSkinManager*)> Install;
  std::function<void(TsSkinManager*)> Remove;
};
TsDialogHookSeam& DialogHookSeam();
// Makes the menu skinning of a manager; empty until the window-skinning layer sets it.
std::function<std::unique_ptr<TacSkinableMenusBase>(TsSkinManager*)>& SkinableMenusSeam();
