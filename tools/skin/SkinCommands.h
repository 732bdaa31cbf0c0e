// The subcommands of equidiv-skin. Each lives in its own source file and is listed once in
// the table of main.cpp; a new subcommand adds its function here and a row there.
//
// Every command gets the arguments after its name and returns the exit status: 0 done,
// 1 failed (the reason is on stderr), 2 wrong usage.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "skin/data/sSkinTables.h"

int RunPack(const std::vector<String>& args);
int RunUnpack(const std::vector<String>& args);
int RunInfo(const std::vector<String>& args);
int RunRender(const std::vector<String>& args);

// Helpers shared by the commands (SkinTool.cpp).

std::filesystem::path ToolPath(const String& path);
// An entry name as the package stores it (ANSI bytes) from a file name, and back.
std::string EntryNameOf(const std::filesystem::path& fileName);
std::filesystem::path FileNameOf(const std::string& entryName);
// The colour effects a skin manager would apply after loading ("--hue N", "--saturation N").
struct TsToolEffects {
  int HueOffset = 0;
  int Saturation = 0;
};
// Takes "--hue N" and "--saturation N" (integers as skin files write them) out of `args`.
// False, with the reason on stderr, when a value is missing or not an integer.
bool TakeEffectOptions(std::vector<String>& args, TsToolEffects& effects);
// Loads a package file or a skin folder into `tables` and applies `effects`; prints the
// reason on stderr and returns false when that fails.
bool LoadSkinForTool(const String& path, TsSkinTables& tables, const TsToolEffects& effects = {});
// Prints `text` and a line break on stderr.
void Fail(const String& text);
