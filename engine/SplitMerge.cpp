#include "engine/SplitMerge.h"

#include <algorithm>

namespace {

constexpr wchar_t kPieceMarker[] = L".sprt";

bool IsBlank(wchar_t c) { return c <= L' '; }

String Trim(const String& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::vector<uint8_t> NewCopyBuffer() { return std::vector<uint8_t>(static_cast<size_t>(kCopyBufferSize)); }

void WritePiece(TStream& source, int64_t length, const String& fileName, std::vector<uint8_t>& buffer,
                const TOutputOpener& open) {
  TPendingFile piece(fileName, open);
  piece.CopyFrom(source, length, buffer);
  piece.Commit();
}

void RefuseOutputAmongEntries(const std::vector<String>& entries, const String& outputName) {
  const auto output = FileIdentityOf(outputName);
  if (!output) return;
  for (const String& entry : entries) {
    if (FileIdentityOf(entry) == output)
      throw EFOpenError(FormatMessageText(L"Cannot open file \"%s\". %s",
                                          {entry, L"It is the output file of this merge."}));
  }
}

}  // namespace

int32_t SplitPieceCount(int64_t sourceSize, int32_t count) {
  if (sourceSize <= 0 || count < 1 || static_cast<int64_t>(count) >= sourceSize) return 0;
  return count;
}

String PieceFileName(const String& folder, const String& sourceName, int32_t k) {
  String name = folder;
  if (!name.empty() && !IsPathDelimiter(name.back())) name.push_back(kPathDelimiter);
  name += ExtractFileName(sourceName);
  name += kPieceMarker;
  name += std::to_wstring(k);
  return name;
}

void SplitIntoParts(TStream& source, int32_t count, const String& folder, const String& sourceName,
                    const TOutputOpener& open) {
  const int64_t size = source.Size();
  if (SplitPieceCount(size, count) == 0) return;
  const int64_t pieceSize = size / count;
  source.SetPosition(0);
  std::vector<uint8_t> buffer = NewCopyBuffer();
  for (int32_t k = 1; k <= count; ++k) {
    const int64_t length = k == count ? size - source.Position() : pieceSize;
    WritePiece(source, length, PieceFileName(folder, sourceName, k), buffer, open);
  }
}

std::optional<String> MergeTargetName(const String& firstEntry) {
  const String trimmed = Trim(firstEntry);
  const size_t marker = trimmed.find(kPieceMarker);
  if (marker == String::npos || marker == 0) return std::nullopt;
  return trimmed.substr(0, marker);
}

void MergeParts(const std::vector<String>& entries, const String& outputName, const TOutputOpener& open) {
  RefuseOutputAmongEntries(entries, outputName);
  TPendingFile output(outputName, open);
  std::vector<uint8_t> buffer = NewCopyBuffer();
  for (const String& entry : entries) {
    TFileStream input(entry, fmOpenRead | fmShareDenyWrite);
    output.CopyFrom(input, input.Size(), buffer);
  }
  output.Commit();
}
