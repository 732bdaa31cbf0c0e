// The skin package reader `TacSkinConvertor`.
//
// A package is the magic "ASzf", an entry count, and that many entries back to back:
// name length, name (8-bit, as stored), uncompressed size, then one complete zlib stream.
// The compressed length is not stored; each entry ends with its Adler-32 trailer. The
// entry named "Options.dat" (any letter case) becomes `Options`; every other entry an
// image item. The reader only reads packages; `equidiv-skin pack` writes them.
//
// Limits (anything beyond them is rejected as "not a packed skin file" before memory is
// allocated for it): a name of at most kMaxNameLength bytes; an entry size of at most
// kMaxEntrySize and no more than deflate could produce from the bytes left in the
// package (kMaxDeflateRatio to one); kMaxTotalSize inflated bytes for the whole package;
// a package file of at most kMaxPackageFileSize bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Streams.h"
#include "skin/data/acSkinReport.h"

struct TacImageItem {
  std::string Name;                   // as stored, case preserved
  bool IsBitmap = false;              // extension ".BMP" in any letter case
  std::unique_ptr<TMemoryStream> Data; // inflated bytes, positioned at the end. Owned.
};
using TacImageItems = std::vector<TacImageItem>;

// True when the part of `name` from its last dot is ".BMP" in any letter case.
bool IsBitmapName(std::string_view name);

class TacSkinConvertor {
public:
  static constexpr int32_t kMaxNameLength = 4096;
  static constexpr int64_t kMaxEntrySize = 64 << 20;
  static constexpr int64_t kMaxTotalSize = 256 << 20;
  static constexpr int64_t kMaxDeflateRatio = 1032;
  static constexpr int64_t kMaxPackageFileSize = 64 << 20;
  static constexpr int64_t kCopyBlock = 61440;

  TacSkinConvertor() = default;
  TacSkinConvertor(const TacSkinConvertor&) = delete;
  TacSkinConvertor& operator=(const TacSkinConvertor&) = delete;
  ~TacSkinConvertor();

  // The packed source. Not owned when set with SetPackedData; owned when the reader
  // loaded a file (LoadSkinFile).
  TStream* PackedData() const { return packedData_; }
  void SetPackedData(TStream* source);

  std::unique_ptr<TMemoryStream> Options; // inflated options text, or null. Owned.
  TacImageItems ImageItems;
  int ImageCount = 0; // entry count of the header minus one

  // Where a rejection is reported; null means the process-wide SkinReporter(). Not owned.
  TacSkinReporter* Reporter = nullptr;

  // Reads the whole package from the start of PackedData. A package that is not one
  // (wrong magic, no options entry, cut short or implausible header fields) is reported
  // with "Loaded data is not a packed skin file", cleared, and false is returned.
  // A damaged zlib stream raises EZDecompressionError with zlib's text; data that ends
  // before an entry's size bytes were produced raises EReadError "Stream read error".
  // What was unpacked before an exception stays until ClearData.
  bool UnpackSkin();

  // Frees the items (last first), the options and an owned PackedData.
  void ClearData();

private:
  friend bool LoadSkinFile(const String&, std::unique_ptr<TacSkinConvertor>&, bool);
  void Reject();
  void ReleasePackedData();

  TStream* packedData_ = nullptr;
  std::unique_ptr<TStream> ownedPackedData_;
};

// Loads the package file `fileName`: does nothing and returns false unless it is an
// existing regular file. Creates `reader` when null, else clears it; reads the whole file
// into memory as PackedData and unpacks it. With `releaseSource` the packed bytes are
// freed afterwards, also when unpacking failed. A rejected package destroys `reader`.
// Returns true when the package was unpacked. Unpacking errors propagate as exceptions.
bool LoadSkinFile(const String& fileName, std::unique_ptr<TacSkinConvertor>& reader, bool releaseSource);
