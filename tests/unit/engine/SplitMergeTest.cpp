// Split and merge on real files in a private temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "engine/SplitMerge.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

class TempFolder {
public:
  TempFolder() {
    std::random_device seed;
    path_ = fs::temp_directory_path() / ("equidiv-engine-" + std::to_string(seed()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  String operator/(const std::string& name) const { return (path_ / name).wstring(); }
  String Folder() const { return path_.wstring(); }

private:
  fs::path path_;
};

void WriteFile(const String& name, const Bytes& bytes) {
  std::ofstream out(fs::path(name), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const String& name) {
  std::ifstream in(fs::path(name), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Sequence(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  return bytes;
}

Bytes RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

void Split(const String& file, int32_t count, const String& folder) {
  TFileStream source(file, fmOpenRead | fmShareExclusive);
  SplitIntoParts(source, count, folder, file);
}

std::vector<String> PieceNames(const TempFolder& dir, const std::string& name, int count) {
  std::vector<String> names;
  for (int k = 1; k <= count; ++k) names.push_back(dir / (name + ".sprt" + std::to_string(k)));
  return names;
}

}  // namespace

struct SplitCase {
  size_t size;
  int32_t count;
  std::vector<size_t> pieceSizes;  // empty: nothing is written
};

void PrintTo(const SplitCase& c, std::ostream* out) {
  *out << c.size << " bytes into " << c.count << " pieces";
}

class SplitSizes : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitSizes, WritesPiecesOfEqualSizeWithTheRemainderLast) {
  const SplitCase& c = GetParam();
  TempFolder dir;
  const Bytes source = Sequence(c.size);
  WriteFile(dir / "clip.avi", source);

  Split(dir / "clip.avi", c.count, dir.Folder());

  Bytes joined;
  for (size_t k = 1; k <= c.pieceSizes.size(); ++k) {
    const Bytes piece = ReadFile(dir / ("clip.avi.sprt" + std::to_string(k)));
    EXPECT_EQ(piece.size(), c.pieceSizes[k - 1]) << "piece " << k;
    joined.insert(joined.end(), piece.begin(), piece.end());
  }
  if (!c.pieceSizes.empty()) {
    EXPECT_EQ(joined, source);
  }
  size_t filesInFolder = std::distance(fs::directory_iterator(dir.Folder()), fs::directory_iterator());
  EXPECT_EQ(filesInFolder, 1 + c.pieceSizes.size()) << "no file beyond the source and its pieces";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitSizes,
    ::testing::Values(SplitCase{10, 3, {3, 3, 4}}, SplitCase{4, 3, {1, 1, 2}}, SplitCase{3, 3, {}},
                      SplitCase{0, 3, {}}, SplitCase{10, 0, {}}, SplitCase{10, -1, {}}, SplitCase{1, 1, {}},
                      SplitCase{2, 1, {2}}, SplitCase{10, 9, {1, 1, 1, 1, 1, 1, 1, 1, 2}},
                      SplitCase{24, 12, std::vector<size_t>(12, 2)},
                      // A piece that spans several copy buffers, with a remainder.
                      SplitCase{static_cast<size_t>(kCopyBufferSize) * 2 + 5, 2,
                                {static_cast<size_t>(kCopyBufferSize) + 2, static_cast<size_t>(kCopyBufferSize) + 3}}));

TEST(SplitPieceCount, FollowsThePreconditions) {
  EXPECT_EQ(SplitPieceCount(10, 3), 3);
  EXPECT_EQ(SplitPieceCount(3, 3), 0);
  EXPECT_EQ(SplitPieceCount(0, 1), 0);
  EXPECT_EQ(SplitPieceCount(-5, 1), 0);
  EXPECT_EQ(SplitPieceCount(10, 0), 0);
  EXPECT_EQ(SplitPieceCount(int64_t{1} << 40, 2), 2) << "sizes beyond 32 bits";
  EXPECT_EQ(SplitPieceCount(int64_t{3} << 31, INT32_MAX), INT32_MAX);
}

TEST(PieceFileName, JoinsFolderNameMarkerAndNumber) {
  const String sep(1, kPathDelimiter);
  EXPECT_EQ(PieceFileName(L"out", L"src" + sep + L"clip.avi", 1), L"out" + sep + L"clip.avi.sprt1");
  EXPECT_EQ(PieceFileName(L"out" + sep, L"clip.avi", 12), L"out" + sep + L"clip.avi.sprt12");
  EXPECT_EQ(PieceFileName(L"", L"a" + sep + L"b" + sep + L"clip.avi", 3), L"clip.avi.sprt3");
}

TEST(SplitIntoParts, ReplacesEarlierPiecesAndLeavesHigherNumbersAlone) {
  TempFolder dir;
  WriteFile(dir / "f", Sequence(100));
  Split(dir / "f", 5, dir.Folder());
  WriteFile(dir / "f", Sequence(30));
  Split(dir / "f", 2, dir.Folder());

  EXPECT_EQ(ReadFile(dir / "f.sprt1").size(), 15u);
  EXPECT_EQ(ReadFile(dir / "f.sprt2").size(), 15u);
  EXPECT_EQ(ReadFile(dir / "f.sprt3").size(), 20u) << "piece 3 of the earlier split is untouched";
}

TEST(SplitIntoParts, TwelvePiecesHaveNoLeadingZeros) {
  TempFolder dir;
  WriteFile(dir / "g", Sequence(13));
  Split(dir / "g", 12, dir.Folder());
  EXPECT_TRUE(FileExists(dir / "g.sprt12"));
  EXPECT_TRUE(FileExists(dir / "g.sprt2"));
  EXPECT_FALSE(FileExists(dir / "g.sprt02"));
}

TEST(SplitIntoParts, UncreatablePieceRaisesCreateErrorAfterEarlierPieces) {
  TempFolder dir;
  WriteFile(dir / "h", Sequence(9));
  fs::create_directory(fs::path(dir / "h.sprt2"));  // a folder in the way of piece 2
  TFileStream source(dir / "h", fmOpenRead | fmShareExclusive);
  try {
    SplitIntoParts(source, 3, dir.Folder(), dir / "h");
    FAIL() << "expected EFCreateError";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(error.Message().rfind(L"Cannot create file \"" + (dir / "h.sprt2") + L"\". ", 0), 0u)
        << StringToUtf8(error.Message());
  }
  EXPECT_EQ(ReadFile(dir / "h.sprt1").size(), 3u);
  EXPECT_FALSE(FileExists(dir / "h.sprt3"));
}

// A stream that reports more bytes than it can deliver.
class ShortStream : public TMemoryStream {
public:
  int64_t Size() override { return TMemoryStream::Size() + 10; }
};

TEST(SplitIntoParts, ShortReadRaisesStreamReadError) {
  TempFolder dir;
  ShortStream source;
  const Bytes bytes = Sequence(20);
  source.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  try {
    SplitIntoParts(source, 2, dir.Folder(), L"short");
    FAIL() << "expected EReadError";
  } catch (const EReadError& error) {
    EXPECT_EQ(error.Message(), L"Stream read error");
  }
  EXPECT_EQ(ReadFile(dir / "short.sprt1").size(), 15u);
}

TEST(MergeTargetName, ProposesTheTextBeforeTheFirstMarker) {
  struct Case {
    String entry;
    std::optional<String> proposal;
  };
  const Case cases[] = {
      {L"E:\\out\\clip.avi.sprt1", L"E:\\out\\clip.avi"},
      {L"E:\\out\\x.sprt1.sprt2", L"E:\\out\\x"},
      {L"  \t/tmp/a.bin.sprt3 \r\n", L"/tmp/a.bin"},
      {L"/tmp/a.bin.SPRT1", std::nullopt},
      {L"/tmp/a.bin.Sprt1", std::nullopt},
      {L"/tmp/a.bin", std::nullopt},
      {L"", std::nullopt},
      {L"   ", std::nullopt},
      {L".sprt1", std::nullopt},
      {L"a .sprt", L"a "},
  };
  for (const Case& c : cases) EXPECT_EQ(MergeTargetName(c.entry), c.proposal) << StringToUtf8(c.entry);
}

TEST(MergeParts, RoundTripOfRandomContentAcrossCopyBuffers) {
  TempFolder dir;
  const Bytes source = RandomBytes(3 * (1 << 20) + 12345, 42);
  WriteFile(dir / "data.bin", source);
  Split(dir / "data.bin", 7, dir.Folder());

  const std::vector<String> pieces = PieceNames(dir, "data.bin", 7);
  const String target = *MergeTargetName(pieces.front());
  EXPECT_EQ(target, dir / "data.bin");
  MergeParts(pieces, dir / "joined.bin");
  EXPECT_EQ(ReadFile(dir / "joined.bin"), source);
}

TEST(MergeParts, JoinsArbitraryFilesInListOrderAndReplacesTheOutput) {
  TempFolder dir;
  WriteFile(dir / "a", {1, 2});
  WriteFile(dir / "b", {});
  WriteFile(dir / "c", {3});
  WriteFile(dir / "out", Sequence(1000));
  MergeParts({dir / "c", dir / "a", dir / "b", dir / "a"}, dir / "out");
  EXPECT_EQ(ReadFile(dir / "out"), (Bytes{3, 1, 2, 1, 2}));
}

TEST(MergeParts, MissingEntryRaisesOpenErrorAndKeepsWhatWasAppended) {
  TempFolder dir;
  WriteFile(dir / "a", {1, 2});
  try {
    MergeParts({dir / "a", dir / "missing", dir / "a"}, dir / "out");
    FAIL() << "expected EFOpenError";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message().rfind(L"Cannot open file \"" + (dir / "missing") + L"\". ", 0), 0u);
  }
  EXPECT_EQ(ReadFile(dir / "out"), (Bytes{1, 2}));
}

TEST(MergeParts, UncreatableOutputRaisesCreateErrorAndReadsNothing) {
  TempFolder dir;
  WriteFile(dir / "a", {1});
  fs::create_directory(fs::path(dir / "out"));
  EXPECT_THROW(MergeParts({dir / "a"}, dir / "out"), EFCreateError);
}

TEST(MergeParts, RefusesAnEntryThatIsTheOutputBeforeTouchingIt) {
  TempFolder dir;
  WriteFile(dir / "a", {1, 2, 3});
  WriteFile(dir / "b", {4});
  const String sep(1, kPathDelimiter);
  const String otherSpelling = dir.Folder() + sep + L"." + sep + L"a";
  for (const String& output : {dir / "a", otherSpelling}) {
    try {
      MergeParts({dir / "b", dir / "a"}, output);
      FAIL() << "expected EFOpenError";
    } catch (const EFOpenError& error) {
      EXPECT_EQ(error.Message().rfind(L"Cannot open file \"" + (dir / "a") + L"\". ", 0), 0u);
    }
    EXPECT_EQ(ReadFile(dir / "a"), (Bytes{1, 2, 3})) << "the input was not truncated";
  }
}
