// The options loader: turns a skin's "Options.dat" text and its images into skin tables.
//
// Three passes over the sections in file order, each emptying its table first: the
// master bitmap and the mask table (image references in the "@", "^", "~", "!", "#" and
// whole-file notations), then the pictures (JPEG: textures below 90000 pixels, patterns
// from there on), then the section records and the skin-wide values. Section values are
// inherited per key through "PARENTCLASS"; a chain that loops is cut and the key takes
// its default.
//
// Common sections: options lines a skin manager adds to every skin it loads. Each pass
// ends by reading them as a second options text (their "GLOBALINFO" skipped by the first
// two): the mask pass appends their "#" references when the skin has a master bitmap and
// otherwise their whole ".BMP" files; the picture pass appends their JPEG files as
// patterns whatever their size; the section pass appends each of their sections the
// tables do not have yet. Files they name are looked up in the skin folder the tables
// record (`GlobalInfo.SkinPath`, which the caller sets before loading); without one,
// those references are skipped.
//
// Left to the skin manager: finding skins and the colour effects that end its section
// pass (skin/paint/sSkinEffects.h). Stored-skin collections: skin/data/sStoredSkins.h.
//
// Limits: an options text of at most kMaxOptionsSize bytes and kMaxSections sections,
// and at most kMaxOwnedImagePixels pixels in all the images that masks and patterns own;
// references beyond the pixel budget are skipped like missing files, and so is each one
// whose image cannot be decoded or made into a store: the rest of the skin still loads.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Streams.h"
#include "skin/data/acSkinPack.h"
#include "skin/data/sSkinTables.h"

inline constexpr size_t kMaxOptionsSize = size_t{4} << 20;
inline constexpr size_t kMaxSections = 16384;
inline constexpr int64_t kMaxOwnedImagePixels = int64_t{64} << 20;

// Where the image files a skin names are found: the entries of a package, or the files of
// a skin folder.
struct TsSkinSource {
  const TacSkinConvertor* Package = nullptr; // not owned
  String Folder;                             // with a trailing delimiter, for skin folders
};

// The steps of a gradient text: integers separated by ";" (runs count as one), five per
// step (colour 1, colour 2, percent, mode, unused); an incomplete last group is ignored.
// A word of a complete group that is not an integer raises EConvertError.
TsGradArray ParseGradient(std::string_view text);

// Border widths of a mask as every notation completes them: given widths win when their
// sum is not 0; else BorderWidth for all four when not 0; else a third of one frame's
// width (left, right) and height (top, bottom), counting at least one frame each way.
void CompleteMaskBorders(TsMaskData& mask);

// Fills `tables` from `options` (the options text) and the images of `source`, each pass
// followed by its share of `commonSections` (lines as NormalizeCommonSections gives them).
// Raises EConvertError "'%s' is not a valid integer value" for malformed numbers and
// Exception for an options text beyond the limits; the tables are emptied when a load is
// aborted. `manager` (not owned) is stored in every mask.
void LoadSkinOptions(std::string_view options, const TsSkinSource& source, TsSkinTables& tables,
                     TsSkinManager* manager = nullptr, const std::vector<std::string>& commonSections = {});

// Common-section lines as a manager keeps them: every line that does not start with ";"
// loses all its blanks (spaces and tabs); comment lines stay as they are.
std::vector<std::string> NormalizeCommonSections(const std::vector<std::string>& lines);

// The share of `commonSections` in each pass, for loaders that fill the tables' own part
// some other way (stored-skin collections); LoadSkinOptions calls them itself. Each
// appends to the tables as they are, and raises as LoadSkinOptions does (leaving what was
// appended so far). `manager` (not owned) is stored in every mask.
//
// Masks: with a master bitmap, values in the "#" form; without one, values naming a
// ".BMP" file of the skin folder, each a whole-bitmap mask (dropped when the bitmap is
// missing or empty).
void AppendCommonMasks(const std::vector<std::string>& commonSections, TsSkinTables& tables,
                       TsSkinManager* manager = nullptr);
// Patterns: every JPEG file of the skin folder that a value names.
void AppendCommonPictures(const std::vector<std::string>& commonSections, TsSkinTables& tables);
// Sections: each section the table does not have yet, in order, as a new record whose
// ParentClass is its "PARENTCLASS" in capitals ("-1" when absent) and whose values are,
// key by key, its own (integers in decimal or with "0x"), else those of the record its
// ParentClass names, else the defaults.
void AppendCommonSections(const std::vector<std::string>& commonSections, TsSkinTables& tables);

// Unpacks `package` and loads it. False when the package was rejected (reported through
// `reporter`, or the process-wide reporter when null); exceptions as above and as the
// package reader raises them.
bool LoadSkinPackage(TStream& package, TsSkinTables& tables, TacSkinReporter* reporter = nullptr);
// Loads a skin folder holding "Options.dat"; false when there is no such file.
bool LoadSkinFolder(const String& folder, TsSkinTables& tables);
