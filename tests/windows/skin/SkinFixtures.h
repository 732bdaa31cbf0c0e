// Skins for the skin core's tests: skins made of a few sections, the built-in package,
// skin folders on disk, and a reporter that counts warnings.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "skin/core/sSkinManager.h"
#include "skin/data/acSkinReport.h"

// A section of a stored skin made of sections only.
TsSkinGeneral SectionOf(const std::string& name, TColor color, int transparency = 0);
// A stored skin named `name` holding only `sections`.
TsStoredSkin SectionSkin(const String& name, std::vector<TsSkinGeneral> sections);
// The package the build made of the built-in skin.
std::vector<uint8_t> BuiltinPackageBytes();
// A stored skin named `name` whose Data is the built-in package.
TsStoredSkin PackagedSkin(const String& name);

void WriteTextFile(const std::filesystem::path& path, const std::string& text);
void WriteBinaryFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A fresh skin folder under the temporary folder, removed with everything in it.
class TempSkinFolder {
public:
  TempSkinFolder();
  ~TempSkinFolder();
  TempSkinFolder(const TempSkinFolder&) = delete;
  TempSkinFolder& operator=(const TempSkinFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // The folder as the manager resolves it (with a trailing delimiter).
  String Resolved() const;

private:
  std::filesystem::path path_;
};

// A new manager looking for skins in `folder`: the default manager unless one of another
// test is still alive (the caller checks IsDefault).
std::unique_ptr<TsSkinManager> NewTestManager(const TempSkinFolder& folder);

// Counts the warnings reported while it is installed.
class CountingReporter : public TacSkinReporter {
public:
  CountingReporter() { SetSkinReporter(this); }
  ~CountingReporter() override { SetSkinReporter(nullptr); }
  void Warning(const String& caption, const String& text) override {
    ++count;
    last = caption + L": " + text;
  }
  int count = 0;
  String last;
};
