// Cutting a file into equal pieces and joining files back into one.
//
// Every output (each piece, the joined file) is written as a TPendingFile: it appears
// under its name only when complete, and a failure leaves neither a partial file nor a
// temporary one, nor changes an existing file of that name.
//
// Pieces are raw slices named "<name>.sprt<k>" with no header: joining pieces 1..count in
// order gives the source byte for byte. Both operations copy through one reused buffer
// of a few MiB, so memory stays bounded whatever the file size, and sizes are 64-bit.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/PendingFile.h"
#include "framework/Streams.h"

// Size of the buffer both operations copy through.
constexpr int64_t kCopyBufferSize = 4 << 20;

// How many pieces a split of `sourceSize` bytes into `count` pieces writes: `count` when
// 0 < count < sourceSize, otherwise 0 (the split returns without writing anything).
int32_t SplitPieceCount(int64_t sourceSize, int32_t count);

// "<folder>[delimiter]<file name of sourceName>.sprt<k>"; an empty folder gives the bare name.
String PieceFileName(const String& folder, const String& sourceName, int32_t k);

// Cuts `source` (readable, seekable; its position moves, it is not closed) into `count`
// pieces in `folder`, named after the file name part of `sourceName`. Every piece has
// size / count bytes but the last, which takes the remainder. Existing pieces of the
// same numbers are replaced. Raises EFCreateError, EReadError or EWriteError (naming the
// piece); pieces completed before a failure stay on disk, the failing one is not left.
// `open` creates the temporary files (the file system unless a test substitutes it).
void SplitIntoParts(TStream& source, int32_t count, const String& folder, const String& sourceName,
                    const TOutputOpener& open = CreateTemporaryFile);

// The output name a merge proposes: the trimmed first entry up to its first ".sprt"
// (case-sensitive), or nothing when there is no marker or nothing precedes it.
std::optional<String> MergeTargetName(const String& firstEntry);

// Writes the concatenation of `entries`, in list order, into `outputName` (created or
// replaced once complete). An entry that is the output file itself is refused with
// EFOpenError before anything is created. Raises EFCreateError or EWriteError for the
// output and EFOpenError or EReadError for an entry; on any failure `outputName` is as it
// was before the merge.
void MergeParts(const std::vector<String>& entries, const String& outputName,
                const TOutputOpener& open = CreateTemporaryFile);
