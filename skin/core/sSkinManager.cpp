#include "skin/core/sSkinManager.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Streams.h"
#include "skin/core/sSkinCommands.h"
#include "skin/data/acSkinPack.h"
#include "skin/data/acSkinReport.h"
#include "skin/data/sSkinOptions.h"
#include "skin/paint/sSkinEffects.h"

namespace {

TsSkinManager* gDefaultManager = nullptr;
int gLoadingDepth = 0;
uint32_t gButtonFadeEvents = beMouseEnter | beMouseLeave | beMouseDown | beMouseUp;

String WithDelimiter(String path) {
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path;
}

String ProgramFolder() {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  String folder(path, length);
  const size_t slash = folder.find_last_of(L"\\/");
  return slash == String::npos ? String() : folder.substr(0, slash + 1);
}

String ParentFolder(const String& folder) {
  String trimmed = folder;
  while (!trimmed.empty() && (trimmed.back() == L'\\' || trimmed.back() == L'/')) trimmed.pop_back();
  const size_t slash = trimmed.find_last_of(L"\\/");
  return slash == String::npos ? String() : trimmed.substr(0, slash + 1);
}

bool IsFolder(const String& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsThreadWindow(HWND window) {
  return window && IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

bool IsFile(const String& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

String ErrorText() {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return Utf8ToString(e.what());
  } catch (...) {
    return L"Unknown error";
  }
}

void BroadcastCommand(WORD command, TsSkinManager* manager) {
  TMessage message{SM_SKINCMD, SkinCommandWParam(command), reinterpret_cast<LPARAM>(manager), 0};
  BroadcastToForms(message);
}

}  // namespace

uint32_t ButtonFadeEvents() { return gButtonFadeEvents; }

void TacBtnEffects::SetEvents(uint32_t events) {
  if (owner_ && owner_->IsDefault()) gButtonFadeEvents = events;
}

TsSkinManager* DefaultManager() { return gDefaultManager; }

void TrackHotWindow(HWND window, bool onlyInside) {
  TsSkinManager* manager = DefaultManager();
  if (!manager || !window || !IsWindowEnabled(window)) return;
  bool inside = true;
  if (onlyInside) {
    POINT p{};
    GetCursorPos(&p);
    RECT r{};
    GetWindowRect(window, &r);
    inside = PtInRect(&r, p) != FALSE;
  }
  if (inside) {
    if (manager->HotWindow() != window) manager->SetHotWindow(window);
  } else if (manager->HotWindow() == window) {
    manager->SetHotWindow(nullptr);
  }
}

bool SkinLoading() { return gLoadingDepth > 0; }

TsDialogHookSeam& DialogHookSeam() {
  static TsDialogHookSeam seam;
  return seam;
}

std::function<std::unique_ptr<TacSkinableMenusBase>(TsSkinManager*)>& SkinableMenusSeam() {
  static std::function<std::unique_ptr<TacSkinableMenusBase>(TsSkinManager*)> seam;
  return seam;
}

// Marks a load in progress for as long as it lives, however the load ends.
struct TsSkinManager::LoadingScope {
  explicit LoadingScope(TsSkinManager& manager) : manager_(manager) {
    ++gLoadingDepth;
    manager_.tables_.GlobalInfo.Active = false;
  }
  ~LoadingScope() { --gLoadingDepth; }
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;

private:
  TsSkinManager& manager_;
};

// ---------------------------------------------------------------- life

TsSkinManager::TsSkinManager(TComponent* owner) : TComponent(owner) {
  if (!gDefaultManager) {
    gDefaultManager = this;
    HookApplication(true);
  }
}

TsSkinManager::~TsSkinManager() {
  Destroying();
  active_ = false;
  // Bindings that name this manager forget it (CMD_SKINREMOVED with a manager being destroyed).
  RemoveSkin();
  HookApplication(false);
  if (gDefaultManager == this) gDefaultManager = nullptr;
}

void TsSkinManager::HookApplication(bool on) {
  if (!Application || on == hookedMainWindow_) return;
  if (on)
    Application->HookMainWindow(this, [this](TMessage& message) { return MainWindowHook(message); });
  else
    Application->UnhookMainWindow(this);
  hookedMainWindow_ = on;
}

void TsSkinManager::Loaded() {
  TComponent::Loaded();
  if (skinDirectory_.empty()) skinDirectory_ = L"c:\\Skins";
  if (menuSupport_.IcoLineSkin.empty()) menuSupport_.IcoLineSkin = L"ICOLINE";
  if (active_ && !skinName_.empty() && HasSections()) AnnounceSkin();
}

void TsSkinManager::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
}

bool TsSkinManager::MainWindowHook(TMessage& message) {
  switch (message.Msg) {
    case WM_THEMECHANGED:
      message.Result = 0;
      return true;
    case SM_MENUITEMPICTURE:
    case SM_MENUWINDOWPICTURE:
      // The menu skinning hands its prepared picture to the menu window.
      if (TacSkinableMenusBase* menus = SkinableMenus())
        menus->HandleMenuMessage(message.Msg, message.WParam, message.LParam);
      return false;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- settings

bool TsSkinManager::IsDefault() const { return gDefaultManager == this; }

void TsSkinManager::SetIsDefault(bool on) {
  if (!on && gDefaultManager) return;
  if (gDefaultManager && gDefaultManager != this) {
    // The application window's hook and the thread hook belong to the default manager.
    gDefaultManager->HookApplication(false);
    gDefaultManager->RemoveDialogHook();
  }
  gDefaultManager = this;
  HookApplication(true);
  if (active_ && HasSections())
    AnnounceSkin();
  else
    RemoveSkin();
}

void TsSkinManager::SetActive(bool on) {
  if (on == active_) return;
  active_ = on;
  if (on) {
    ChangeSkin(true, true);
    return;
  }
  if (!IsLoading()) RemoveSkin();
  InitStandardIndexes();
  if (IsLoading()) standardIndexes_ = TsStandardIndexes{};
}

void TsSkinManager::SetCommonSections(const std::vector<std::string>& lines) {
  commonSections_ = NormalizeCommonSections(lines);
  if (active_) ChangeSkin(true, true);
}

void TsSkinManager::SetSaturation(int amount) {
  if (amount == saturation_) return;
  saturation_ = amount;
  if (SkinActive()) ChangeSkin(false, false);
}

void TsSkinManager::SetHueOffset(int degrees) {
  if (degrees == hueOffset_) return;
  hueOffset_ = degrees;
  if (SkinActive()) ChangeSkin(false, false);
}

void TsSkinManager::SetInternalSkins(const TsStoredSkins& skins) { internalSkins_ = skins; }

void TsSkinManager::SetSkinDirectory(const String& folder) {
  if (folder == skinDirectory_) return;
  skinDirectory_ = folder;
  tables_.GlobalInfo.SkinPath = ResolvedSkinDirectory();
}

void TsSkinManager::SetSkinName(const String& name) {
  skinName_ = name;
  if (active_) ChangeSkin(true, true);
}

void TsSkinManager::SetSkinnedPopups(bool on) {
  if (on == skinnedPopups_) return;
  skinnedPopups_ = on;
  if (TacSkinableMenusBase* menus = SkinableMenus()) menus->HookMenus(SkinActive());
}

TacSkinableMenusBase* TsSkinManager::SkinableMenus() {
  if (!skinableMenus_ && SkinableMenusSeam() && !IsDestroying()) skinableMenus_ = SkinableMenusSeam()(this);
  return skinableMenus_.get();
}

String TsSkinManager::SkinInfo() const {
  if (!SkinActive() && !HasSections()) return L"N/A";
  wchar_t text[32];
  swprintf(text, 32, L"%g", tables_.GlobalInfo.Version);
  String info = text;
  std::replace(info.begin(), info.end(), L',', L'.');
  return info;
}

// ---------------------------------------------------------------- loading

void TsSkinManager::ChangeSkin(bool announce, bool events) {
  if (events && OnBeforeChange) OnBeforeChange(this);
  const String nameBefore = skinName_;
  bool loaded = false;
  {
    const LoadingScope loading(*this);
    loaded = LoadSkin();
  }
  // A reload that fell back to another skin is a new skin for every binding.
  if (fellBack_ || skinName_ != nameBefore) announce = true;
  if (!active_ || !loaded) {
    RemoveSkin();
    InitStandardIndexes();
  } else if (announce) {
    AnnounceSkin();
  } else {
    tables_.GlobalInfo.Active = true;
    InitStandardIndexes();
    if (!IsLoading()) RefreshSkin();
  }
  if (events && OnAfterChange) OnAfterChange(this);
}

bool TsSkinManager::LoadSkin() {
  // The package in the skin folder first, then a skin folder, then the stored skin. A
  // skin that fails is reported once and the stored skin takes its place.
  fellBack_ = false;
  bool storedTried = false;
  try {
    const String folder = ResolvedSkinDirectory();
    const String package = folder + skinName_ + L".asz";
    if (!folder.empty() && IsFile(package)) {
      if (LoadPackageFile(package)) return true;
    } else if (HasSkinFolder()) {
      LoadFolder();
      return true;
    } else {
      storedTried = true;
      return LoadStored();
    }
  } catch (...) {
    ReportFailure(ErrorText());
  }
  if (!storedTried) {
    fellBack_ = true;
    try {
      return LoadStored();
    } catch (...) {
      ReportFailure(ErrorText());
    }
  }
  tables_.Clear();
  return false;
}

bool TsSkinManager::LoadPackageFile(const String& file) {
  std::unique_ptr<TacSkinConvertor> reader;
  if (!LoadSkinFile(file, reader, true) || !reader || !reader->Options) return false;
  isPacked_ = true;
  TsSkinSource source;
  source.Package = reader.get();
  LoadOptionsText(std::string_view(reinterpret_cast<const char*>(reader->Options->Memory()),
                                   static_cast<size_t>(reader->Options->Size())),
                  source);
  tables_.GlobalInfo.SkinPath = ResolvedSkinDirectory();
  return true;
}

String TsSkinManager::SkinFolder() const {
  const String folder = ResolvedSkinDirectory();
  return folder.empty() ? String() : WithDelimiter(folder + skinName_);
}

bool TsSkinManager::HasSkinFolder() const {
  const String folder = SkinFolder();
  return !folder.empty() && IsFile(folder + L"Options.dat");
}

void TsSkinManager::LoadFolder() {
  const String folder = SkinFolder();
  TMemoryStream options;
  {
    TFileStream file(folder + L"Options.dat", fmOpenRead | fmShareDenyWrite);
    if (file.Size() > static_cast<int64_t>(kMaxOptionsSize)) throw Exception(L"The skin options file is too large");
    options.LoadFromStream(file);
  }
  isPacked_ = false;
  TsSkinSource source;
  source.Folder = folder;
  LoadOptionsText(std::string_view(reinterpret_cast<const char*>(options.Memory()), static_cast<size_t>(options.Size())),
                  source);
  tables_.GlobalInfo.SkinPath = folder;
}

bool TsSkinManager::LoadStored() {
  tables_.GlobalInfo.SkinPath.clear();
  const TsStoredSkin* stored = internalSkins_.Find(skinName_);
  if (!stored && internalSkins_.First()) {
    stored = internalSkins_.First();
    skinName_ = stored->Name;
  }
  if (!stored) {
    active_ = false;
    return false;
  }
  if (stored->Data.empty()) {
    isPacked_ = false;
    LoadStoredSkinCollections(*stored, tables_, this, commonSections_);
    FinishLoad();
    return true;
  }
  TMemoryStream packed;
  packed.WriteBuffer(stored->Data.data(), static_cast<int64_t>(stored->Data.size()));
  packed.SetPosition(0);
  TacSkinConvertor reader;
  reader.SetPackedData(&packed);
  if (!reader.UnpackSkin() || !reader.Options) return false;
  isPacked_ = true;
  TsSkinSource source;
  source.Package = &reader;
  LoadOptionsText(std::string_view(reinterpret_cast<const char*>(reader.Options->Memory()),
                                   static_cast<size_t>(reader.Options->Size())),
                  source);
  return true;
}

void TsSkinManager::LoadOptionsText(std::string_view options, const TsSkinSource& source) {
  LoadSkinOptions(options, source, tables_, this, commonSections_);
  FinishLoad();
}

void TsSkinManager::FinishLoad() { ApplyColorEffects(tables_, hueOffset_, saturation_); }

void TsSkinManager::ReportFailure(const String& text) {
  tables_.Clear();
  SkinReporter().Warning(kWarningCaption, L"The skin \"" + skinName_ + L"\" cannot be loaded: " + text);
}

// ---------------------------------------------------------------- announcements

void TsSkinManager::SetRedraw(bool on) {
  if (!on) {
    if (!Application || !Application->MainForm()) return;
    for (int i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* form = Screen->Forms(i);
      if (!form->HandleAllocated() || !IsWindowVisible(form->Handle()) || form->Parent()) continue;
      // Only forms whose frame provider paints them from this manager's skin.
      if (SendSkinCommand(form->Handle(), CMD_FINDPROVIDER, 0) == 0) continue;
      const HWND window = form->Handle();
      if (std::any_of(frozenForms_.begin(), frozenForms_.end(),
                      [window](const TRedrawOff& frozen) { return frozen.Window() == window; }))
        continue;
      // A hidden form is left alone (the guard does nothing for it): switching it back on
      // would show it.
      frozenForms_.emplace_back(window);
    }
    return;
  }
  std::vector<TRedrawOff> frozen = std::move(frozenForms_);
  frozenForms_.clear();
  for (TRedrawOff& form : frozen) {
    const HWND window = form.Window();
    form.Restore();
    if (IsWindow(window)) RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void TsSkinManager::AnnounceSkin() {
  SetRedraw(false);
  tables_.GlobalInfo.Active = false;
  skinChanging_ = true;
  InitStandardIndexes();
  BroadcastCommand(CMD_SKINLOADED, this);
  skinChanging_ = false;
  tables_.GlobalInfo.Active = true;
  if (IsDefault()) InstallDialogHook();
  if (TacSkinableMenusBase* menus = SkinableMenus()) {
    menus->SkinChanged();
    menus->HookMenus(true);
  }
  RefreshSkin();
}

void TsSkinManager::InstallDialogHook() {
  if (hookInstalled_ || !DialogHookSeam().Install) return;
  try {
    DialogHookSeam().Install(this);
    hookInstalled_ = true;
  } catch (...) {
    ReportFailure(ErrorText());
  }
}

void TsSkinManager::RemoveDialogHook() {
  if (!hookInstalled_) return;
  hookInstalled_ = false;
  try {
    if (DialogHookSeam().Remove) DialogHookSeam().Remove(this);
  } catch (...) {
    // The hook's owner cleans up after itself; removal goes on.
  }
}

void TsSkinManager::RefreshSkin() {
  BroadcastCommand(CMD_STOPFADE, this);
  BroadcastCommand(CMD_REPAINT, this);
  if (!SkinLoading()) SetRedraw(true);
}

void TsSkinManager::RemoveSkin() {
  if (removing_) return;
  removing_ = true;
  RemoveDialogHook();
  tables_.GlobalInfo.Active = false;
  BroadcastCommand(CMD_SKINREMOVED, this);
  if (skinableMenus_) {
    skinableMenus_->HookMenus(false);
    skinableMenus_->SkinChanged();
  }
  tables_.Clear();
  removing_ = false;
}

void TsSkinManager::SetHotWindow(HWND window) {
  if (window == hotWindow_) return;
  const HWND previous = hotWindow_;
  hotWindow_ = window;
  // A window may be gone, and its handle reused by a window of another thread, before the
  // pointer leaves it: only this thread's windows are told.
  if (IsThreadWindow(previous)) SendSkinCommand(previous, CMD_MOUSELEAVE, reinterpret_cast<LPARAM>(this));
  if (IsThreadWindow(window)) SendSkinCommand(window, CMD_MOUSEENTER, reinterpret_cast<LPARAM>(this));
}

void TsSkinManager::ForgetWindow(HWND window) {
  if (window && window == hotWindow_) hotWindow_ = nullptr;
}

// ---------------------------------------------------------------- folders and names

String TsSkinManager::ResolvedSkinDirectory() const {
  String folder = skinDirectory_;
  if (folder.empty()) return folder;
  if (folder.size() == 1) return folder + L":\\";
  if (folder.rfind(L"..", 0) == 0) {
    size_t skip = 2;
    if (folder.size() > 2 && (folder[2] == L'\\' || folder[2] == L'/')) skip = 3;
    folder = ParentFolder(ProgramFolder()) + folder.substr(skip);
  } else if (folder.rfind(L".\\", 0) == 0 || folder.rfind(L"./", 0) == 0) {
    folder = ProgramFolder() + folder.substr(2);
  } else if (folder.find(L':') == String::npos && folder.find(L'\\') == String::npos) {
    folder = ProgramFolder() + folder;
  }
  if (folder.back() == L'/') folder.back() = L'\\';
  return WithDelimiter(folder);
}

std::vector<String> TsSkinManager::SkinNames(TacSkinListKind kind, String* firstName) const {
  std::vector<String> names;
  auto add = [&](const String& name) {
    if (name.empty() || name[0] == L'.') return;
    if (firstName && names.empty()) *firstName = name;
    names.push_back(name);
  };
  for (const TsStoredSkin& stored : internalSkins_) add(stored.Name);
  const String folder = ResolvedSkinDirectory();
  if (!folder.empty() && IsFolder(folder)) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const String name = found.cFileName;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && kind != TacSkinListKind::Packages && name != L"." && name != L".." &&
            IsFile(folder + name + L"\\Options.dat"))
          add(name);
        if (!isFolder && kind != TacSkinListKind::Folders && name.size() > 4 &&
            name.compare(name.size() - 4, 4, L".asz") == 0)
          add(name.substr(0, name.find(L'.')));
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// ---------------------------------------------------------------- standard indexes

void TsSkinManager::InitStandardIndexes() {
  TsStandardIndexes s;
  const TsSkinTables& t = tables_;
  auto i16 = [](int v) { return static_cast<int16_t>(v); };
  auto section = [&](const char* name) { return i16(t.SectionIndex(name)); };
  s.GlobalSection = section("GLOBALINFO");
  const char* tabs[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
  const char* buttons[4] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT"};
  const char* sliders[2] = {"SCROLLSLIDERV", "SCROLLSLIDERH"};
  const char* bars[4] = {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"};
  for (int i = 0; i < 4; ++i) {
    s.TabSections[i] = section(tabs[i]);
    s.TabBorders[i] = i16(t.MaskIndex(s.TabSections[i], tabs[i], "BORDERSMASK"));
    s.ScrollButtonSections[i] = section(buttons[i]);
    s.ScrollButtonBorders[i] = i16(t.MaskIndex(s.ScrollButtonSections[i], buttons[i], "BORDERSMASK"));
    s.ScrollButtonPatterns[i] = i16(t.MaskIndex(s.ScrollButtonSections[i], buttons[i], "PATTERN"));
    s.ScrollButtonHotPatterns[i] = i16(t.MaskIndex(s.ScrollButtonSections[i], buttons[i], "HOTPATTERN"));
    s.ScrollButtonGlyphs[i] = i16(t.MaskIndex(s.ScrollButtonSections[i], buttons[i], "GLYPHMASK"));
    s.ScrollBarSections[i] = section(bars[i]);
    s.ScrollBarBorders[i] = i16(t.MaskIndex(s.ScrollBarSections[i], bars[i], "BORDERSMASK"));
    s.ScrollBarPatterns[i] = i16(t.MaskIndex(s.ScrollBarSections[i], bars[i], "PATTERN"));
    s.ScrollBarHotPatterns[i] = i16(t.MaskIndex(s.ScrollBarSections[i], bars[i], "HOTPATTERN"));
  }
  for (int i = 0; i < 2; ++i) {
    s.SliderSections[i] = section(sliders[i]);
    s.SliderBorders[i] = i16(t.MaskIndex(s.SliderSections[i], sliders[i], "BORDERSMASK"));
    s.SliderGlyphs[i] = i16(t.MaskIndex(s.SliderSections[i], sliders[i], "GLYPHMASK"));
    s.SliderPatterns[i] = i16(t.MaskIndex(s.SliderSections[i], sliders[i], "PATTERN"));
    s.SliderHotPatterns[i] = i16(t.MaskIndex(s.SliderSections[i], sliders[i], "HOTPATTERN"));
  }
  const char* marks[9] = {"BOXCHECKED",   "BOXUNCHECKED", "BOXGRAYED",      "RADIOCHECKED", "RADIOUNCHECKED",
                          "RADIOGRAYED", "SMALLCHECKED", "SMALLUNCHECKED", "SMALLGRAYED"};
  for (int i = 0; i < 9; ++i)
    s.CheckMarks[i] = s.GlobalSection < 0 ? int16_t{-1} : i16(t.MaskIndex(s.GlobalSection, "GLOBALINFO", marks[i]));
  s.ComboButtonSection = t.SectionIndex("COMBOBTN");
  s.ComboButtonBorder = t.MaskIndexByName("COMBOBTN", "BORDERSMASK");
  s.ComboButtonPattern = t.TextureIndex(s.ComboButtonSection, "COMBOBTN", "PATTERN");
  s.ComboButtonHotPattern = t.TextureIndex(s.ComboButtonSection, "COMBOBTN", "HOTPATTERN");
  s.ComboGlyph = t.SectionIndex("COMBOBOX") < 0 ? -1 : t.MaskIndexByName("COMBOBOX", "GLYPHMASK");
  standardIndexes_ = s;
}
