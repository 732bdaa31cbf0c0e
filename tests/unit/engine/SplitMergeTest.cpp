// Split and merge on real files in a private temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>

#include <cerrno>
#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

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

std::set<std::string> NamesIn(const TempFolder& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.Folder())) names.insert(entry.path().filename().string());
  return names;
}

#ifdef _WIN32
constexpr int kDiskFull = 112;  // ERROR_DISK_FULL
#else
constexpr int kDiskFull = ENOSPC;
#endif

// A file stream on a disk that has room for `room` bytes more: writes beyond it fail as
// the platform's do, returning nothing with the disk-full error set.
class FullDiskStream : public TFileStream {
public:
  FullDiskStream(const String& name, int64_t room) : TFileStream(name, fmCreate | fmShareExclusive), room_(room) {}
  int64_t Write(const void* buffer, int64_t count) override {
    if (room_ <= 0) {
      SetLastSystemErrorCode(kDiskFull);
      return 0;
    }
    const int64_t put = TFileStream::Write(buffer, std::min(count, room_));
    room_ -= put;
    return put;
  }

private:
  int64_t room_;
};

// Opens real temporary files; the `failing`-th one (1-based) runs out of room after `room` bytes.
TOutputOpener DiskFullAt(int failing, int64_t room, std::vector<String>* opened = nullptr) {
  auto count = std::make_shared<int>(0);
  return [=](const String& name) -> std::unique_ptr<TStream> {
    if (opened) opened->push_back(name);
    if (++*count == failing) return std::make_unique<FullDiskStream>(name, room);
    return CreateTemporaryFile(name);
  };
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
  EXPECT_EQ(NamesIn(dir), (std::set<std::string>{"h", "h.sprt1", "h.sprt2"})) << "no temporary file";
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
  EXPECT_EQ(NamesIn(dir), (std::set<std::string>{"short.sprt1"})) << "the piece that failed is not left";
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

TEST(MergeParts, MissingEntryLeavesAnExistingOutputAsItWasAndNoTemporaryFile) {
  TempFolder dir;
  WriteFile(dir / "a", {1, 2});
  WriteFile(dir / "out", {9, 9, 9});
  try {
    MergeParts({dir / "a", dir / "missing", dir / "a"}, dir / "out");
    FAIL() << "expected EFOpenError";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message().rfind(L"Cannot open file \"" + (dir / "missing") + L"\". ", 0), 0u);
  }
  EXPECT_EQ(ReadFile(dir / "out"), (Bytes{9, 9, 9}));
  EXPECT_EQ(NamesIn(dir), (std::set<std::string>{"a", "out"}));
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

TEST(SplitIntoParts, APieceThatRunsOutOfRoomIsNotLeftAndTheErrorNamesIt) {
  TempFolder dir;
  WriteFile(dir / "v", Sequence(30));
  WriteFile(dir / "v.sprt2", {7, 7});  // from an earlier split
  std::vector<String> opened;
  TFileStream source(dir / "v", fmOpenRead | fmShareExclusive);
  try {
    SplitIntoParts(source, 3, dir.Folder(), dir / "v", DiskFullAt(2, 4, &opened));
    FAIL() << "expected EWriteError";
  } catch (const EWriteError& error) {
    EXPECT_EQ(error.Message(), L"Cannot write file \"" + (dir / "v.sprt2") + L"\". " + SystemErrorText(kDiskFull));
  }
  const Bytes bytes = Sequence(30);
  EXPECT_EQ(ReadFile(dir / "v.sprt1"), Bytes(bytes.begin(), bytes.begin() + 10)) << "completed piece";
  EXPECT_EQ(ReadFile(dir / "v.sprt2"), (Bytes{7, 7})) << "the earlier piece of that number is untouched";
  EXPECT_EQ(NamesIn(dir), (std::set<std::string>{"v", "v.sprt1", "v.sprt2"})) << "no temporary file";
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(ExtractFilePath(opened[1]), ExtractFilePath(dir / "v.sprt2")) << "written beside its target";
}

TEST(MergeParts, AnOutputThatRunsOutOfRoomLeavesTheOldFileAndNamesTheOutput) {
  TempFolder dir;
  WriteFile(dir / "a", Sequence(100));
  WriteFile(dir / "out", {5});
  try {
    MergeParts({dir / "a", dir / "a"}, dir / "out", DiskFullAt(1, 150));
    FAIL() << "expected EWriteError";
  } catch (const EWriteError& error) {
    EXPECT_EQ(error.Message(), L"Cannot write file \"" + (dir / "out") + L"\". " + SystemErrorText(kDiskFull));
  }
  EXPECT_EQ(ReadFile(dir / "out"), (Bytes{5}));
  EXPECT_EQ(NamesIn(dir), (std::set<std::string>{"a", "out"}));
}

// Whatever stops a run between its writes (a cancel from a progress report raises the
// same way) removes the temporary file of the output under way.
TEST(MergeParts, ARunStoppedByAnyErrorFromItsOutputLeavesNoTemporaryFile) {
  struct Stopped {};
  class StoppingStream : public TFileStream {
  public:
    using TFileStream::TFileStream;
    int64_t Write(const void*, int64_t) override { throw Stopped{}; }
  };
  TempFolder dir;
  WriteFile(dir / "a", {1, 2, 3});
  const TOutputOpener stopping = [](const String& name) -> std::unique_ptr<TStream> {
    return std::make_unique<StoppingStream>(name, fmCreate | fmShareExclusive);
  };
  EXPECT_THROW(MergeParts({dir / "a"}, dir / "joined", stopping), Stopped);
  EXPECT_EQ(NamesIn(dir), (std::set<std::string>{"a"}));
}

TEST(MergeParts, AnOutputInAFolderThatDoesNotExistIsNamedInTheCreateError) {
  TempFolder dir;
  WriteFile(dir / "a", {1});
  const String output = dir / "no-such-folder" + String(1, kPathDelimiter) + L"out";
  try {
    MergeParts({dir / "a"}, output);
    FAIL() << "expected EFCreateError";
  } catch (const EFCreateError& error) {
    const String prefix = L"Cannot create file \"" + output + L"\". ";
    EXPECT_EQ(error.Message().rfind(prefix, 0), 0u) << StringToUtf8(error.Message());
    EXPECT_GT(error.Message().size(), prefix.size()) << "the system's reason follows";
  }
}

#ifndef _WIN32
// A real refusal of the file system: the process's file size limit makes write() fail
// with EFBIG once the output reaches it (SIGXFSZ ignored), with no privileges needed.
TEST(MergeParts, ARealWriteFailureOfTheFileSystemLeavesNothingAndGivesItsReason) {
  TempFolder dir;
  WriteFile(dir / "a", Sequence(64 * 1024));
  WriteFile(dir / "out", {4, 2});
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 100 * 1024;
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  String message;
  try {
    MergeParts({dir / "a", dir / "a"}, dir / "out");
  } catch (const EWriteError& error) {
    message = error.Message();
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(message, L"Cannot write file \"" + (dir / "out") + L"\". " + SystemErrorText(EFBIG));
  EXPECT_EQ(ReadFile(dir / "out"), (Bytes{4, 2}));
  EXPECT_EQ(NamesIn(dir), (std::set<std::string>{"a", "out"}));
}
#endif
