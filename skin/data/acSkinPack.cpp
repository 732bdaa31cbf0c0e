#include "skin/data/acSkinPack.h"

#include <algorithm>
#include <cstring>

#include "skin/data/acZStream.h"
#include "skin/data/sSkinStrings.h"

namespace {

// Reads a little-endian 32-bit signed integer; false when the stream ends first.
bool ReadInt32(TStream& s, int32_t& value) {
  uint8_t b[4];
  if (s.Read(b, 4) != 4) return false;
  value = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                               static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
  return true;
}

// Smallest entry: name length, empty name, size, and the shortest zlib stream (8 bytes).
constexpr int64_t kMinEntryBytes = 4 + 4 + 8;

} // namespace

bool IsBitmapName(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot != std::string_view::npos && SameText(name.substr(dot), ".BMP");
}

TacSkinConvertor::~TacSkinConvertor() { ClearData(); }

void TacSkinConvertor::SetPackedData(TStream* source) {
  if (ownedPackedData_.get() != source) ownedPackedData_.reset();
  packedData_ = source;
}

void TacSkinConvertor::ReleasePackedData() {
  ownedPackedData_.reset();
  packedData_ = nullptr;
}

void TacSkinConvertor::ClearData() {
  while (!ImageItems.empty()) ImageItems.pop_back();
  Options.reset();
  if (ownedPackedData_) ReleasePackedData();
}

void TacSkinConvertor::Reject() {
  (Reporter ? *Reporter : SkinReporter()).Warning(kWarningCaption, kNotPackedSkinText);
  ClearData();
}

bool TacSkinConvertor::UnpackSkin() {
  if (!packedData_) {
    Reject();
    return false;
  }
  TStream& source = *packedData_;
  source.SetPosition(0);
  const int64_t total = source.Size();

  char magic[4];
  if (source.Read(magic, 4) != 4 || std::memcmp(magic, "ASzf", 4) != 0) {
    Reject();
    return false;
  }
  int32_t count = 0;
  if (!ReadInt32(source, count) || count < 0 || count > (total - 8) / kMinEntryBytes) {
    Reject();
    return false;
  }
  ImageCount = count - 1;

  int64_t inflatedSoFar = 0;
  for (int32_t entry = 0; entry < count; ++entry) {
    int32_t nameLength = 0;
    if (!ReadInt32(source, nameLength) || nameLength < 0 || nameLength > kMaxNameLength ||
        nameLength > total - source.Position()) {
      Reject();
      return false;
    }
    std::string name(static_cast<size_t>(nameLength), '\0');
    int32_t size = 0;
    if (source.Read(name.data(), nameLength) != nameLength || !ReadInt32(source, size) || size < 0) {
      Reject();
      return false;
    }
    const int64_t left = total - source.Position();
    if (size > kMaxEntrySize || size > left * kMaxDeflateRatio || inflatedSoFar + size > kMaxTotalSize) {
      Reject();
      return false;
    }
    inflatedSoFar += size;

    auto data = std::make_unique<TMemoryStream>();
    TMemoryStream* target = data.get();
    const bool isOptions = SameText(name, "Options.dat");
    if (isOptions) {
      Options = std::move(data);
    } else {
      const bool isBitmap = IsBitmapName(name);
      ImageItems.push_back(TacImageItem{std::move(name), isBitmap, std::move(data)});
    }

    // Inflated straight into the entry's memory, a block at a time; the entry ends up
    // positioned at its end, as if written.
    TZDecompressionStream inflater(source);
    target->SetSize(size);
    for (int64_t done = 0; done < size;) {
      const int64_t n = std::min<int64_t>(kCopyBlock, size - done);
      inflater.ReadBuffer(target->Memory() + done, n);
      done += n;
    }
    target->Seek(0, TSeekOrigin::soEnd);
    // An entry that inflates to more than its size has a size field that lies.
    if (!inflater.Finish()) {
      Reject();
      return false;
    }
  }
  if (!Options) {
    Reject();
    return false;
  }
  return true;
}

bool LoadSkinFile(const String& fileName, std::unique_ptr<TacSkinConvertor>& reader, bool releaseSource) {
  if (!FileExists(fileName)) return false;
  if (!reader)
    reader = std::make_unique<TacSkinConvertor>();
  else
    reader->ClearData();

  auto packed = std::make_unique<TMemoryStream>();
  {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    if (file.Size() > TacSkinConvertor::kMaxPackageFileSize) {
      reader->Reject();
      reader.reset();
      return false;
    }
    packed->LoadFromStream(file);
  }
  reader->ownedPackedData_ = std::move(packed);
  reader->packedData_ = reader->ownedPackedData_.get();

  bool unpacked = false;
  try {
    unpacked = reader->UnpackSkin();
  } catch (...) {
    if (releaseSource) reader->ReleasePackedData();
    throw;
  }
  if (!unpacked) {
    reader.reset();
    return false;
  }
  if (releaseSource) reader->ReleasePackedData();
  return true;
}
