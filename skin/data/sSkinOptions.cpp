#include "skin/data/sSkinOptions.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <unordered_map>
#include <vector>

#include "skin/data/acImages.h"
#include "skin/data/sSkinStrings.h"

namespace {

// ---------------------------------------------------------------------------------------
// INI text: sections in file order, keys in file order; lookups ignore letter case.

struct IniSection {
  std::string_view name;
  std::vector<std::pair<std::string_view, std::string_view>> values;

  // The first value of `key` (any letter case), or nothing.
  std::optional<std::string_view> Value(std::string_view key) const {
    for (const auto& [k, v] : values)
      if (SameText(k, key)) return v;
    return std::nullopt;
  }
};

class IniText {
public:
  explicit IniText(std::string_view text) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = start;
      while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
      AddLine(TrimText(text.substr(start, end - start)));
      start = end + 1;
    }
  }

  const std::vector<IniSection>& Sections() const { return sections_; }

  // The first section called `name` (any letter case); -1 when none.
  int Find(std::string_view name) const {
    auto it = first_.find(UpperCase(name));
    return it == first_.end() ? -1 : it->second;
  }
  const IniSection* FindSection(std::string_view name) const {
    const int i = Find(name);
    return i < 0 ? nullptr : &sections_[static_cast<size_t>(i)];
  }

private:
  void AddLine(std::string_view line) {
    if (line.empty() || line[0] == ';') return;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      if (sections_.size() >= kMaxSections) throw Exception(L"The skin options have too many sections");
      IniSection section;
      section.name = TrimText(line.substr(1, line.size() - 2));
      first_.emplace(UpperCase(section.name), static_cast<int>(sections_.size()));
      sections_.push_back(std::move(section));
      return;
    }
    if (sections_.empty()) return;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    sections_.back().values.emplace_back(TrimText(line.substr(0, eq)), TrimText(line.substr(eq + 1)));
  }

  std::vector<IniSection> sections_;
  std::unordered_map<std::string, int> first_;
};

// ---------------------------------------------------------------------------------------
// Images of the skin: package entries or files of the skin folder, each decoded once.

std::filesystem::path ToPath(const String& s) {
#ifdef _WIN32
  return std::filesystem::path(s);
#else
  const std::string utf8 = StringToUtf8(s);
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#endif
}

enum class NameMatch { WrittenInCapitals, AnyCase };

class SkinImages {
public:
  // `ownedPixels`: what the tables own already, counted against the pixel budget.
  SkinImages(const TsSkinSource& source, int64_t ownedPixels) : source_(source), ownedPixels_(ownedPixels) {}

  // Counts what the tables own now, after images were added to them from elsewhere.
  void SetOwnedPixels(int64_t pixels) { ownedPixels_ = pixels; }

  // The decoded bitmap or picture `name` refers to, or null when it is missing, cannot be
  // decoded or no store can be made for it. The result is owned here until TakeForTables
  // hands it to the tables, and stays valid as long as the tables keep it.
  const TSurface* Find(std::string_view name, NameMatch match, bool jpeg) {
    std::optional<std::vector<uint8_t>> fileBytes;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    std::string cacheKey;
    if (source_.Package) {
      const std::string wanted = match == NameMatch::AnyCase ? UpperCase(name) : std::string(name);
      const TacImageItem* item = nullptr;
      for (const TacImageItem& candidate : source_.Package->ImageItems)
        if (UpperCase(candidate.Name) == wanted) {
          item = &candidate;
          break;
        }
      if (!item || !item->Data) return nullptr;
      cacheKey = "entry:" + item->Name;
      if (auto hit = cache_.find(cacheKey); hit != cache_.end()) return hit->second.image;
      bytes = item->Data->Memory();
      size = static_cast<size_t>(item->Data->Size());
    } else {
      const std::optional<std::filesystem::path> path = FolderFile(name);
      if (!path) return nullptr;
      {
        const std::u8string u8 = path->u8string();
        cacheKey = "file:" + std::string(u8.begin(), u8.end());
      }
      if (auto hit = cache_.find(cacheKey); hit != cache_.end()) return hit->second.image;
      fileBytes = ReadFile(*path);
      if (!fileBytes) return nullptr;
      bytes = fileBytes->data();
      size = fileBytes->size();
    }
    std::unique_ptr<TSurface> decoded;
    try {
      decoded = jpeg ? DecodeJpeg(bytes, size) : DecodeBmp(bytes, size);
    } catch (const Exception&) {
      // No store for this image (the surface factory gave up): only the references to it
      // go, the rest of the skin still loads.
    } catch (const std::bad_alloc&) {
    }
    const TSurface* image = decoded.get();
    cache_.emplace(cacheKey, Decoded{std::move(decoded), image});
    return image;
  }

  // `image` (a result of Find) at `bitsPerPixel` for the tables to own, or null once the
  // images owned so far would exceed the pixel budget or when no store can be made for
  // it. The first taker of the right depth gets the decoded image itself, later ones a
  // copy; a taker must keep what it got in the tables for the rest of the load.
  std::unique_ptr<TSurface> TakeForTables(const TSurface& image, int bitsPerPixel) {
    const int64_t pixels = static_cast<int64_t>(image.Width()) * image.Height();
    if (ownedPixels_ + pixels > kMaxOwnedImagePixels) return nullptr;
    if (image.BitsPerPixel() == bitsPerPixel && !image.View().Empty()) {
      for (auto& [key, entry] : cache_)
        if (entry.image == &image && entry.owned) {
          ownedPixels_ += pixels;
          return std::move(entry.owned);
        }
    }
    std::unique_ptr<TSurface> copy;
    try {
      copy = CopySurface(image, bitsPerPixel);
    } catch (const Exception&) {
      return nullptr; // as above: the reference is dropped
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    if (copy) ownedPixels_ += pixels;
    return copy;
  }

private:
  // The file of the skin folder that `name` names (a full path when it holds ":"). On
  // file systems that tell letter case apart a name in other capitals also matches.
  std::optional<std::filesystem::path> FolderFile(std::string_view name) const {
    if (name.empty()) return std::nullopt;
    const String wide = AnsiToString(name);
    const bool full = name.find(':') != std::string_view::npos;
    const std::filesystem::path direct = ToPath(full ? wide : source_.Folder + wide);
    std::error_code ec;
    if (std::filesystem::is_regular_file(direct, ec)) return direct;
#ifndef _WIN32
    if (!full && name.find('/') == std::string_view::npos) {
      const std::string upper = UpperCase(name);
      for (const auto& entry : std::filesystem::directory_iterator(ToPath(source_.Folder), ec)) {
        const std::u8string file = entry.path().filename().u8string();
        if (UpperCase(std::string(file.begin(), file.end())) == upper && entry.is_regular_file(ec))
          return entry.path();
      }
    }
#endif
    return std::nullopt;
  }

  static std::optional<std::vector<uint8_t>> ReadFile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > static_cast<uintmax_t>(TacSkinConvertor::kMaxEntrySize)) return std::nullopt;
    try {
#ifdef _WIN32
      TFileStream file(path.wstring(), fmOpenRead | fmShareDenyWrite);
#else
      const std::u8string u8 = path.u8string();
      TFileStream file(Utf8ToString(std::string(u8.begin(), u8.end())), fmOpenRead | fmShareDenyWrite);
#endif
      std::vector<uint8_t> bytes(static_cast<size_t>(size));
      if (file.Read(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size()))
        return std::nullopt;
      return bytes;
    } catch (const EStreamError&) {
      return std::nullopt;
    }
  }

  // A decoded image: owned here until the tables take it, then only pointed to.
  struct Decoded {
    std::unique_ptr<TSurface> owned;
    const TSurface* image;
  };

  const TsSkinSource& source_;
  std::map<std::string, Decoded> cache_;
  int64_t ownedPixels_;
};

int64_t PixelsOf(const std::unique_ptr<TSurface>& image) {
  return image ? static_cast<int64_t>(image->Width()) * image->Height() : 0;
}

// The pixels of every image the tables own.
int64_t OwnedPixels(const TsSkinTables& tables) {
  int64_t pixels = PixelsOf(tables.MasterBitmap);
  for (const TsMaskData& m : tables.MaskTable) pixels += PixelsOf(m.Bmp);
  for (const TsPatternData& p : tables.PatternTable) pixels += PixelsOf(p.Img);
  return pixels;
}

// ---------------------------------------------------------------------------------------
// Image references.

// Characters `count` from 1-based `position`, as the fixed-position notations take them:
// shorter or empty when the value ends first.
std::string_view Field(std::string_view value, size_t position, size_t count) {
  if (position - 1 >= value.size()) return {};
  return value.substr(position - 1, count);
}

int16_t Narrow(int64_t v) {
  return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

bool FitsInt16(int32_t v) { return v >= INT16_MIN && v <= INT16_MAX; }

std::vector<std::string_view> SplitWords(std::string_view text, std::string_view separators) {
  bool separator[256] = {};
  for (char c : separators) separator[static_cast<unsigned char>(c)] = true;
  std::vector<std::string_view> words;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && !separator[static_cast<unsigned char>(text[end])]) ++end;
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// Whether `text` contains `capitals` (written in capitals) in any letter case.
bool ContainsAnyCase(std::string_view text, std::string_view capitals) {
  for (size_t i = 0; i + capitals.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < capitals.size() && UpperAscii(text[i + j]) == capitals[j]) ++j;
    if (j == capitals.size()) return true;
  }
  return false;
}

class Loader {
public:
  Loader(std::string_view options, const TsSkinSource& source, TsSkinTables& tables, TsSkinManager* manager)
      : ini_(options), images_(source, OwnedPixels(tables)), tables_(tables), manager_(manager) {}

  void MaskPass();
  void PicturePass();
  void SectionPass();

  // Takes images other loaders have added to the tables into the pixel budget.
  void RecountOwnedPixels() { images_.SetOwnedPixels(OwnedPixels(tables_)); }

  // The same passes over common sections, appending to what the tables hold.
  void CommonMaskPass();
  void CommonPicturePass();
  void CommonSectionPass();

private:
  TsMaskData NewMask(std::string_view section, std::string_view key) const {
    TsMaskData m;
    m.ClassName = std::string(section);
    m.PropertyName = std::string(key);
    m.Manager = manager_;
    return m;
  }
  void AddReference(std::string_view section, std::string_view key, std::string_view value);
  void AddGlyph(std::string_view section, std::string_view key, std::string_view value);
  void AddBorder(std::string_view section, std::string_view key, std::string_view value);
  void AddTexture(std::string_view section, std::string_view key, std::string_view value);
  void AddImageFile(std::string_view section, std::string_view key, std::string_view value);
  void AddParenthesised(std::string_view section, std::string_view key, std::string_view value);
  void AddWholeFile(std::string_view section, std::string_view key, std::string_view value);

  IniText ini_;
  SkinImages images_;
  TsSkinTables& tables_;
  TsSkinManager* manager_;
};

TsRect FixedRect(std::string_view value) {
  return {SkinStrToInt(Field(value, 2, 4)), SkinStrToInt(Field(value, 7, 4)), SkinStrToInt(Field(value, 12, 4)),
          SkinStrToInt(Field(value, 17, 4))};
}

// "@LLLL@TTTT@RRRR@BBBB@I@M": a glyph in the master bitmap.
void Loader::AddGlyph(std::string_view section, std::string_view key, std::string_view value) {
  TsMaskData m = NewMask(section, key);
  m.R = FixedRect(value);
  m.ImageCount = Narrow(SkinStrToInt(Field(value, 22, 1)));
  m.MaskType = Narrow(SkinStrToInt(Field(value, 24, 1)));
  m.ImgType = itisaGlyph;
  if (m.ImageCount < 1 || m.MaskType < 0) return; // no frames to cut
  tables_.MaskTable.push_back(std::move(m));
}

// "^LLLL^TTTT^RRRR^BBBB^WL^WT^WR^WB^I^M^D^W": a border in the master bitmap.
void Loader::AddBorder(std::string_view section, std::string_view key, std::string_view value) {
  TsMaskData m = NewMask(section, key);
  m.R = FixedRect(value);
  m.WL = Narrow(SkinStrToInt(Field(value, 22, 4)));
  m.WT = Narrow(SkinStrToInt(Field(value, 27, 4)));
  m.WR = Narrow(SkinStrToInt(Field(value, 32, 4)));
  m.WB = Narrow(SkinStrToInt(Field(value, 37, 4)));
  m.ImageCount = Narrow(SkinStrToInt(Field(value, 42, 1)));
  m.MaskType = Narrow(SkinStrToInt(Field(value, 44, 1)));
  m.DrawMode = Narrow(SkinStrToInt(Field(value, 46, 1)));
  m.BorderWidth = Narrow(SkinStrToInt(Field(value, 48, 1)));
  m.ImgType = itisaBorder;
  if (m.ImageCount < 1 || m.MaskType < 0) return;
  CompleteMaskBorders(m);
  tables_.MaskTable.push_back(std::move(m));
}

// "~LLLL~TTTT~RRRR~BBBB~DD~M": a texture in the master bitmap; the mask digit is optional.
void Loader::AddTexture(std::string_view section, std::string_view key, std::string_view value) {
  TsMaskData m = NewMask(section, key);
  m.R = FixedRect(value);
  m.DrawMode = Narrow(SkinStrToInt(Field(value, 22, 2)));
  m.MaskType = value.size() >= 25 ? Narrow(SkinStrToInt(Field(value, 25, 1))) : 0;
  m.ImgType = itisaTexture;
  m.ImageCount = 1;
  if (m.MaskType < 0) return;
  tables_.MaskTable.push_back(std::move(m));
}

// "!FILE.BMP!I!M!T[!WL!WT!WR!WB]": a bitmap file of the skin as the mask's own image.
void Loader::AddImageFile(std::string_view section, std::string_view key, std::string_view value) {
  const std::vector<std::string_view> words = SplitWords(value, "!");
  auto word = [&](size_t i) { return i < words.size() ? words[i] : std::string_view{}; };
  const int32_t imageCount = SkinStrToInt(word(1));
  const int32_t maskType = SkinStrToInt(word(2));
  const int32_t type = SkinStrToInt(word(3));
  if (word(0).find(".BMP") == std::string_view::npos) return;
  int32_t given[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < 4 && 4 + i < words.size(); ++i) given[i] = SkinStrToInt(words[4 + i]);
  // Type numbers past a glyph and frame counts that would divide by zero reject the
  // reference, as do numbers the record cannot hold.
  if (type < 0 || type > 2 || imageCount < 1 || maskType < 0 || !FitsInt16(imageCount) || !FitsInt16(maskType) ||
      !std::all_of(std::begin(given), std::end(given), FitsInt16))
    return;

  const TSurface* image = images_.Find(word(0), NameMatch::WrittenInCapitals, false);
  if (!image) return;
  const auto imgType = static_cast<TacImgType>(type);
  const int depth = imgType == itisaTexture ? image->BitsPerPixel() : 24;
  TsMaskData m = NewMask(section, key);
  m.Bmp = images_.TakeForTables(*image, depth);
  if (!m.Bmp) return;
  m.R = {0, 0, image->Width(), image->Height()};
  m.ImageCount = static_cast<int16_t>(imageCount);
  m.MaskType = static_cast<int16_t>(maskType);
  m.ImgType = imgType;
  m.DrawMode = 4;
  if (words.size() < 5) {
    CompleteMaskBorders(m);
  } else {
    m.WL = static_cast<int16_t>(given[0]);
    m.WT = static_cast<int16_t>(given[1]);
    m.WR = static_cast<int16_t>(given[2]);
    m.WB = static_cast<int16_t>(given[3]);
  }
  tables_.MaskTable.push_back(std::move(m));
}

// "# (L, T, R, B) (I, M, W, D)": the older notation for an area of the master bitmap.
// Words are separated by parentheses (or by blanks when there are none); the numbers
// inside a word by commas or blanks.
void Loader::AddParenthesised(std::string_view section, std::string_view key, std::string_view value) {
  std::vector<std::string_view> words = SplitWords(value, "()");
  for (auto& w : words) w = TrimText(w);
  std::erase_if(words, [](std::string_view w) { return w.empty(); });
  if (words.size() < 2) words = SplitWords(value, " \t");
  auto numbers = [&](size_t i) {
    return i < words.size() ? SplitWords(words[i], ", \t") : std::vector<std::string_view>{};
  };
  const std::vector<std::string_view> area = numbers(1);
  const std::vector<std::string_view> counts = numbers(2);
  auto number = [](const std::vector<std::string_view>& list, size_t i) { return SkinStrToInt(i < list.size() ? list[i] : ""); };
  const std::string upperKey = UpperCase(key);

  TsMaskData m = NewMask(UpperCase(section), upperKey);
  m.R = {number(area, 0), number(area, 1), number(area, 2), number(area, 3)};
  m.ImageCount = counts.size() > 0 ? Narrow(std::max(1, number(counts, 0))) : 1;
  m.MaskType = counts.size() > 1 ? Narrow(std::max(0, number(counts, 1))) : 0;
  m.BorderWidth = counts.size() > 2 ? Narrow(std::max(0, number(counts, 2))) : 0;
  m.DrawMode = counts.size() > 3 ? Narrow(number(counts, 3)) : 1;
  m.ImgType = itisaBorder;
  if (upperKey == "PATTERN" || upperKey == "HOTPATTERN") {
    m.ImgType = itisaTexture;
    m.DrawMode = 0;
  }
  CompleteMaskBorders(m);
  tables_.MaskTable.push_back(std::move(m));
}

// Any other value naming a ".BMP" file: the whole bitmap as a three-state border.
void Loader::AddWholeFile(std::string_view section, std::string_view key, std::string_view value) {
  const TSurface* image = images_.Find(value, NameMatch::AnyCase, false);
  if (!image) return;
  TsMaskData m = NewMask(UpperCase(section), UpperCase(key));
  m.Bmp = images_.TakeForTables(*image, 24);
  if (!m.Bmp) return;
  m.R = {0, 0, image->Width(), image->Height()};
  m.ImageCount = 3;
  m.MaskType = 1;
  m.ImgType = itisaBorder;
  CompleteMaskBorders(m);
  tables_.MaskTable.push_back(std::move(m));
}

void Loader::AddReference(std::string_view section, std::string_view key, std::string_view value) {
  if (value.empty()) return;
  switch (value[0]) {
  case '@': return AddGlyph(section, key, value);
  case '^': return AddBorder(section, key, value);
  case '~': return AddTexture(section, key, value);
  case '!': return AddImageFile(section, key, value);
  default: break;
  }
  if (value.find('#') != std::string_view::npos) {
    if (value != "#") AddParenthesised(section, key, value);
    return;
  }
  if (ContainsAnyCase(value, ".BMP")) AddWholeFile(section, key, value);
}

void Loader::MaskPass() {
  tables_.MaskTable.clear();
  tables_.MasterBitmap.reset();
  if (const IniSection* global = ini_.FindSection("GLOBALINFO")) {
    if (auto name = global->Value("MASTERBITMAP"); name && !name->empty())
      if (const TSurface* master = images_.Find(*name, NameMatch::AnyCase, false))
        tables_.MasterBitmap = images_.TakeForTables(*master, 24);
  }
  for (const IniSection& section : ini_.Sections()) {
    const bool global = SameText(section.name, "GLOBALINFO");
    for (const auto& [key, value] : section.values) {
      if (global && SameText(key, "MASTERBITMAP")) continue;
      AddReference(section.name, key, value);
    }
  }
}

// Values a common section adds as masks: with a master bitmap, areas of it in the "#"
// form; without one, whole bitmap files of the skin folder. The other notations are not
// taken. Files are looked up only when the tables record a skin folder.
void Loader::CommonMaskPass() {
  const bool master = tables_.MasterBitmap != nullptr;
  if (!master && tables_.GlobalInfo.SkinPath.empty()) return;
  for (const IniSection& section : ini_.Sections()) {
    if (SameText(section.name, "GLOBALINFO")) continue;
    for (const auto& [key, value] : section.values) {
      if (value.empty() || std::string_view("!@^~").find(value[0]) != std::string_view::npos) continue;
      const bool hash = value.find('#') != std::string_view::npos;
      if (master && hash && value != "#")
        AddParenthesised(section.name, key, value);
      else if (!master && !hash && ContainsAnyCase(value, ".BMP"))
        AddWholeFile(section.name, key, value);
    }
  }
}

bool NamesJpeg(std::string_view value) { return ContainsAnyCase(value, ".JPG") || ContainsAnyCase(value, ".JPEG"); }

void Loader::CommonPicturePass() {
  if (tables_.GlobalInfo.SkinPath.empty()) return;
  for (const IniSection& section : ini_.Sections()) {
    if (SameText(section.name, "GLOBALINFO")) continue;
    for (const auto& [key, value] : section.values) {
      if (!NamesJpeg(value)) continue;
      const TSurface* picture = images_.Find(value, NameMatch::AnyCase, true);
      if (!picture || picture->Width() <= 0) continue;
      TsPatternData p;
      p.Img = images_.TakeForTables(*picture, 24);
      if (!p.Img) continue;
      p.ClassName = UpperCase(section.name);
      p.PropertyName = UpperCase(key);
      tables_.PatternTable.push_back(std::move(p));
    }
  }
}

void Loader::PicturePass() {
  tables_.PatternTable.clear();
  constexpr int64_t kLargestTexture = 89999;
  for (const IniSection& section : ini_.Sections()) {
    for (const auto& [key, value] : section.values) {
      if (!NamesJpeg(value)) continue;
      const TSurface* picture = images_.Find(value, NameMatch::AnyCase, true);
      if (!picture || picture->Width() <= 0) continue;
      const int64_t pixels = static_cast<int64_t>(picture->Width()) * picture->Height();
      if (pixels <= kLargestTexture) {
        TsMaskData m = NewMask(UpperCase(section.name), UpperCase(key));
        m.Bmp = images_.TakeForTables(*picture, 24);
        if (!m.Bmp) continue;
        m.ImgType = itisaTexture;
        m.ImageCount = 1;
        tables_.MaskTable.push_back(std::move(m));
      } else {
        TsPatternData p;
        p.Img = images_.TakeForTables(*picture, 24);
        if (!p.Img) continue;
        p.ClassName = UpperCase(section.name);
        p.PropertyName = UpperCase(key);
        tables_.PatternTable.push_back(std::move(p));
      }
    }
  }
}

// ---------------------------------------------------------------------------------------
// Section values with inheritance.

enum class Kind { Text, Boolean, Integer };

struct KeyRule {
  std::string_view key;
  Kind kind;
  const char* textDefault; // Text and Boolean ("TRUE"/"FALSE")
  int32_t intDefault;      // Integer
  std::function<void(TsGeneralData&, std::string_view text, int32_t number, bool flag)> apply;
};

TsControlBevel ToBevel(int32_t v) { return v >= cbNone && v <= cbLoweredHard ? static_cast<TsControlBevel>(v) : cbNone; }

const std::vector<KeyRule>& Rules() {
  using D = TsGeneralData;
  static const std::vector<KeyRule> rules = {
      {"COLOR", Kind::Integer, "", 16777215, [](D& d, auto, int32_t n, bool) { d.Color = SkinColorToRGB(n); }},
      {"BEVEL", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.Bevel = ToBevel(n); }},
      {"FONTCOLOR", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.FontColor[0] = n; }},
      {"TCLEFT", Kind::Integer, "", -1, [](D& d, auto, int32_t n, bool) { d.FontColor[1] = n; }},
      {"TCTOP", Kind::Integer, "", -1, [](D& d, auto, int32_t n, bool) { d.FontColor[2] = n; }},
      {"TCRIGHT", Kind::Integer, "", -1, [](D& d, auto, int32_t n, bool) { d.FontColor[3] = n; }},
      {"TCBOTTOM", Kind::Integer, "", -1, [](D& d, auto, int32_t n, bool) { d.FontColor[4] = n; }},
      {"HOTFONTCOLOR", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.HotFontColor[0] = n; }},
      {"HOTTCLEFT", Kind::Integer, "", -1, [](D& d, auto, int32_t n, bool) { d.HotFontColor[1] = n; }},
      {"HOTTCTOP", Kind::Integer, "", -1, [](D& d, auto, int32_t n, bool) { d.HotFontColor[2] = n; }},
      {"HOTTCRIGHT", Kind::Integer, "", -1, [](D& d, auto, int32_t n, bool) { d.HotFontColor[3] = n; }},
      {"HOTTCBOTTOM", Kind::Integer, "", -1, [](D& d, auto, int32_t n, bool) { d.HotFontColor[4] = n; }},
      {"RESERVEDBOOLEAN", Kind::Boolean, "FALSE", 0, [](D& d, auto, int32_t, bool f) { d.ReservedBoolean = f; }},
      {"SHADOWBLUR", Kind::Integer, "", 6, [](D& d, auto, int32_t n, bool) { d.ShadowBlur = n; }},
      {"SHADOWENABLED", Kind::Boolean, "FALSE", 0, [](D& d, auto, int32_t, bool f) { d.ShadowEnabled = f; }},
      {"SHADOWOFFSET", Kind::Integer, "", 3, [](D& d, auto, int32_t n, bool) { d.ShadowOffset = n; }},
      {"SHADOWTRANSPARENCY", Kind::Integer, "", 50, [](D& d, auto, int32_t n, bool) { d.ShadowTransparency = n; }},
      {"TRANSPARENCY", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.Transparency = n; }},
      {"GRADIENTPERCENT", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.GradientPercent = n; }},
      {"GRADIENTDATA", Kind::Text, " ", 0, [](D& d, std::string_view t, int32_t, bool) { d.GradientData = t; }},
      {"IMAGEPERCENT", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.ImagePercent = n; }},
      {"SHOWFOCUS", Kind::Boolean, "FALSE", 0, [](D& d, auto, int32_t, bool f) { d.ShowFocus = f; }},
      {"FADINGENABLED", Kind::Boolean, "FALSE", 0, [](D& d, auto, int32_t, bool f) { d.FadingEnabled = f; }},
      {"FADINGINTERVALIN", Kind::Integer, "", 5, [](D& d, auto, int32_t n, bool) { d.FadingIntervalIn = n; }},
      {"FADINGINTERVALOUT", Kind::Integer, "", 5, [](D& d, auto, int32_t n, bool) { d.FadingIntervalOut = n; }},
      {"FADINGITERATIONS", Kind::Integer, "", 5, [](D& d, auto, int32_t n, bool) { d.FadingIterations = n; }},
      {"HOTCOLOR", Kind::Integer, "", 16777215, [](D& d, auto, int32_t n, bool) { d.HotColor = n; }},
      {"HOTTRANSPARENCY", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.HotTransparency = n; }},
      {"HOTBEVEL", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.HotBevel = ToBevel(n); }},
      {"HOTGRADIENTPERCENT", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.HotGradientPercent = n; }},
      {"HOTGRADIENTDATA", Kind::Text, "", 0, [](D& d, std::string_view t, int32_t, bool) { d.HotGradientData = t; }},
      {"HOTIMAGEPERCENT", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.HotImagePercent = n; }},
      {"BORDERCOLOR1", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.BorderColor1 = n; }},
      {"BORDERCOLOR2", Kind::Integer, "", 0, [](D& d, auto, int32_t n, bool) { d.BorderColor2 = n; }},
  };
  return rules;
}

// A section's own value counts when it is present and not the "inherit" marker: "?" for
// text and boolean keys, -1 (or no integer at all) for integer keys.
bool Counts(Kind kind, std::string_view raw) {
  if (kind != Kind::Integer) return raw != "?";
  const auto n = TrySkinStrToInt(raw);
  return n && *n != -1;
}

// Resolves one key for every section, walking each parent chain once: a result found for
// a section is remembered for every section on the way to it, so long chains cost no
// more than short ones, and a chain that comes back to itself ends without a value.
class KeyResolver {
public:
  KeyResolver(const IniText& ini, const std::vector<int>& parents) : parents_(parents) {
    const size_t n = ini.Sections().size();
    done_.resize(n);
    value_.resize(n);
    visit_.resize(n);
    // Each section's own value of each rule's key (the first one written), found with one
    // lookup per value line instead of one scan of the section per rule.
    static const std::unordered_map<std::string, size_t> ruleOf = [] {
      std::unordered_map<std::string, size_t> map;
      for (size_t r = 0; r < Rules().size(); ++r) map.emplace(std::string(Rules()[r].key), r);
      return map;
    }();
    own_.resize(n * Rules().size());
    std::string upper;
    for (size_t c = 0; c < n; ++c)
      for (const auto& [key, value] : ini.Sections()[c].values) {
        upper.assign(key);
        for (char& ch : upper) ch = UpperAscii(ch);
        const auto rule = ruleOf.find(upper);
        if (rule == ruleOf.end()) continue;
        auto& slot = own_[c * Rules().size() + rule->second];
        if (!slot) slot = value;
      }
  }

  // The value of rule `rule` for `section`: its own when it counts, else its parent's.
  std::optional<std::string_view> Resolve(int section, size_t rule, Kind kind) {
    if (rule != rule_) {
      rule_ = rule;
      std::fill(done_.begin(), done_.end(), false);
    }
    ++stamp_;
    chain_.clear();
    std::optional<std::string_view> result;
    for (int current = section; current >= 0; current = parents_[static_cast<size_t>(current)]) {
      const auto c = static_cast<size_t>(current);
      if (done_[c]) {
        result = value_[c];
        break;
      }
      if (visit_[c] == stamp_) break; // looped
      visit_[c] = stamp_;
      chain_.push_back(current);
      const auto raw = own_[c * Rules().size() + rule];
      if (raw && Counts(kind, *raw)) {
        result = raw;
        break;
      }
    }
    for (int c : chain_) {
      done_[static_cast<size_t>(c)] = true;
      value_[static_cast<size_t>(c)] = result;
    }
    return result;
  }

private:
  const std::vector<int>& parents_;
  std::vector<std::optional<std::string_view>> own_;  // section by rule
  size_t rule_ = SIZE_MAX;
  std::vector<bool> done_;
  std::vector<std::optional<std::string_view>> value_;
  std::vector<uint64_t> visit_;
  uint64_t stamp_ = 0;
  std::vector<int> chain_;
};

std::string_view OwnValue(const IniSection& s, std::string_view key) { return s.Value(key).value_or(""); }

double ParseVersion(std::string_view text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return ec == std::errc() && end == text.data() + text.size() ? v : 0;
}

void Loader::SectionPass() {
  tables_.SectionTable.clear();
  const std::vector<IniSection>& sections = ini_.Sections();

  // Parent of each section: the first section named by its own "PARENTCLASS", unless
  // that is empty, "?" or the section's own name.
  std::vector<int> parents(sections.size(), -1);
  for (size_t i = 0; i < sections.size(); ++i) {
    const auto parent = sections[i].Value("PARENTCLASS");
    if (parent && !parent->empty() && *parent != "?" && !SameText(*parent, sections[i].name))
      parents[i] = ini_.Find(*parent);
  }

  tables_.SectionTable.resize(sections.size());
  for (size_t i = 0; i < sections.size(); ++i) {
    TsGeneralData& d = tables_.SectionTable[i];
    d.ClassName = std::string(sections[i].name);
    d.ParentClass = std::string(OwnValue(sections[i], "PARENTCLASS"));
    d.ShadowColor = SkinStrToIntDef(OwnValue(sections[i], "SHADOWCOLOR"), 0);
  }
  KeyResolver resolver(ini_, parents);
  for (size_t r = 0; r < Rules().size(); ++r) {
    const KeyRule& rule = Rules()[r];
    for (size_t i = 0; i < sections.size(); ++i) {
      const auto raw = resolver.Resolve(static_cast<int>(i), r, rule.kind);
      const std::string_view text = raw.value_or(rule.textDefault);
      const int32_t number = raw ? SkinStrToIntDef(*raw, rule.intDefault) : rule.intDefault;
      rule.apply(tables_.SectionTable[i], text, number, SameText(text, "TRUE"));
    }
  }
  for (TsGeneralData& d : tables_.SectionTable) {
    if (d.GradientData != " ") d.GradientArray = ParseGradient(d.GradientData);
    d.HotGradientArray = ParseGradient(d.HotGradientData);
  }

  TsSkinData& g = tables_.GlobalInfo;
  const String skinPath = g.SkinPath;
  g = TsSkinData{};
  g.SkinPath = skinPath;
  if (const IniSection* global = ini_.FindSection("GLOBALINFO")) {
    auto own = [&](const char* key, const char* fallback) { return global->Value(key).value_or(fallback); };
    g.Version = ParseVersion(own("VERSION", "0"));
    g.Author = std::string(own("AUTHOR", ""));
    g.Description = std::string(own("DESCRIPTION", ""));
    g.Shadow1Color = SkinStrToIntDef(own("SHADOW1COLOR", ""), 0);
    g.Shadow1Offset = SkinStrToInt(own("SHADOW1OFFSET", "0"));
    g.Shadow1Blur = SkinStrToInt(own("SHADOW1BLUR", "-1"));
    g.Shadow1Transparency = SkinStrToInt(own("SHADOW1TRANSPARENCY", "0"));
    g.BISpacing = SkinStrToIntDef(own("BISPACE", ""), 0);
    g.BorderColor = SkinStrToIntDef(own("BORDERCOLOR", ""), 0);
  }
}

// Integers of common sections: decimal or with a "0x" prefix.
std::optional<int32_t> CommonSectionInt(std::string_view text) {
  if (!text.empty() && text[0] == '$') return std::nullopt;
  return TrySkinStrToInt(text);
}

void Loader::CommonSectionPass() {
  // The first record of each name, as SectionIndex finds it.
  std::unordered_map<std::string, size_t> index;
  for (size_t i = 0; i < tables_.SectionTable.size(); ++i) index.emplace(tables_.SectionTable[i].ClassName, i);
  for (const IniSection& section : ini_.Sections()) {
    if (index.contains(std::string(section.name))) continue;
    const auto ownParent = section.Value("PARENTCLASS");
    const std::string parentClass = ownParent ? UpperCase(*ownParent) : std::string("-1");
    // Start from the parent's values (or the defaults) and lay the section's own over them.
    const auto parent = index.find(parentClass);
    TsGeneralData d = parent != index.end() ? tables_.SectionTable[parent->second] : TsGeneralData{};
    d.ClassName = std::string(section.name);
    d.ParentClass = parentClass;
    for (const KeyRule& rule : Rules()) {
      const auto raw = section.Value(rule.key);
      if (!raw) continue;
      if (rule.kind != Kind::Integer) {
        rule.apply(d, *raw, 0, SameText(*raw, "TRUE"));
      } else if (const auto number = CommonSectionInt(*raw)) {
        rule.apply(d, *raw, *number, false);
      }
    }
    if (const auto shadow = section.Value("SHADOWCOLOR"))
      if (const auto number = CommonSectionInt(*shadow)) d.ShadowColor = *number;
    if (section.Value("GRADIENTDATA"))
      d.GradientArray = d.GradientData != " " ? ParseGradient(d.GradientData) : TsGradArray{};
    if (section.Value("HOTGRADIENTDATA")) d.HotGradientArray = ParseGradient(d.HotGradientData);
    index.emplace(d.ClassName, tables_.SectionTable.size());
    tables_.SectionTable.push_back(std::move(d));
  }
}

// Runs one common pass over the lines read as an options text; files come from the skin
// folder the tables record.
template <typename Pass>
void RunCommonPass(const std::vector<std::string>& lines, TsSkinTables& tables, TsSkinManager* manager, Pass pass) {
  if (lines.empty()) return;
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\n';
    if (text.size() > kMaxOptionsSize) throw Exception(L"The common skin sections are too large");
  }
  TsSkinSource source;
  source.Folder = tables.GlobalInfo.SkinPath;
  Loader loader(text, source, tables, manager);
  (loader.*pass)();
}

} // namespace

void CompleteMaskBorders(TsMaskData& m) {
  if (m.WL + m.WT + m.WR + m.WB != 0) return;
  if (m.BorderWidth != 0) {
    m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
    return;
  }
  m.WL = m.WR = Narrow(m.R.Width() / (std::max<int>(1, m.ImageCount) * 3));
  m.WT = m.WB = Narrow(m.R.Height() / (std::max<int>(1, m.MaskType + 1) * 3));
}

std::vector<std::string> NormalizeCommonSections(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (std::string line : lines) {
    if (line.empty() || line[0] != ';') std::erase_if(line, [](char c) { return c == ' ' || c == '\t'; });
    out.push_back(std::move(line));
  }
  return out;
}

void AppendCommonMasks(const std::vector<std::string>& commonSections, TsSkinTables& tables, TsSkinManager* manager) {
  RunCommonPass(commonSections, tables, manager, &Loader::CommonMaskPass);
}

void AppendCommonPictures(const std::vector<std::string>& commonSections, TsSkinTables& tables) {
  RunCommonPass(commonSections, tables, nullptr, &Loader::CommonPicturePass);
}

void AppendCommonSections(const std::vector<std::string>& commonSections, TsSkinTables& tables) {
  RunCommonPass(commonSections, tables, nullptr, &Loader::CommonSectionPass);
}

TsGradArray ParseGradient(std::string_view text) {
  const std::vector<std::string_view> words = SplitWords(text, ";");
  TsGradArray steps;
  for (size_t i = 0; i + 5 <= words.size(); i += 5) {
    TsGradientStep step;
    step.Color1 = SkinStrToInt(TrimText(words[i]));
    step.Color2 = SkinStrToInt(TrimText(words[i + 1]));
    step.Percent = static_cast<int8_t>(std::clamp(SkinStrToInt(TrimText(words[i + 2])), -128, 100));
    step.Mode = SkinStrToInt(TrimText(words[i + 3]));
    steps.push_back(step);
  }
  return steps;
}

void LoadSkinOptions(std::string_view options, const TsSkinSource& source, TsSkinTables& tables,
                     TsSkinManager* manager, const std::vector<std::string>& commonSections) {
  try {
    if (options.size() > kMaxOptionsSize) throw Exception(L"The skin options file is too large");
    // The images of the skin loaded before do not count against this one's budget.
    tables.MasterBitmap.reset();
    tables.MaskTable.clear();
    tables.PatternTable.clear();
    Loader loader(options, source, tables, manager);
    loader.MaskPass();
    AppendCommonMasks(commonSections, tables, manager);
    loader.RecountOwnedPixels();
    loader.PicturePass();
    AppendCommonPictures(commonSections, tables);
    loader.SectionPass();
    AppendCommonSections(commonSections, tables);
  } catch (...) {
    tables.Clear();
    throw;
  }
}

bool LoadSkinPackage(TStream& package, TsSkinTables& tables, TacSkinReporter* reporter) {
  TacSkinConvertor reader;
  reader.Reporter = reporter;
  reader.SetPackedData(&package);
  if (!reader.UnpackSkin()) return false;
  reader.SetPackedData(nullptr);
  TMemoryStream& options = *reader.Options;
  const std::string_view text(reinterpret_cast<const char*>(options.Memory()), static_cast<size_t>(options.Size()));
  TsSkinSource source;
  source.Package = &reader;
  tables.GlobalInfo.SkinPath.clear();
  LoadSkinOptions(text, source, tables);
  return true;
}

bool LoadSkinFolder(const String& folder, TsSkinTables& tables) {
  String path = folder;
  if (path.empty() || !IsPathDelimiter(path.back())) path += kPathDelimiter;
  const String optionsFile = path + L"Options.dat";
  if (!FileExists(optionsFile)) return false;
  TMemoryStream options;
  {
    TFileStream file(optionsFile, fmOpenRead | fmShareDenyWrite);
    if (file.Size() > static_cast<int64_t>(kMaxOptionsSize)) throw Exception(L"The skin options file is too large");
    options.LoadFromStream(file);
  }
  TsSkinSource source;
  source.Folder = path;
  tables.GlobalInfo.SkinPath = path;
  const std::string_view text(reinterpret_cast<const char*>(options.Memory()), static_cast<size_t>(options.Size()));
  LoadSkinOptions(text, source, tables);
  return true;
}
