// Windows file semantics of split and merge: share modes, drive-letter names, Unicode
// and blanks in file and folder names.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "engine/SplitMerge.h"

namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
  explicit TempFolder(const std::wstring& leaf) {
    path_ = fs::temp_directory_path() / (leaf + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  String operator/(const std::wstring& name) const { return (path_ / name).wstring(); }
  String Folder() const { return path_.wstring(); }

private:
  fs::path path_;
};

void WriteFile(const String& name, const std::string& bytes) { std::ofstream(fs::path(name), std::ios::binary) << bytes; }

std::string ReadFile(const String& name) {
  std::ifstream in(fs::path(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::set<String> NamesIn(const TempFolder& dir) {
  std::set<String> names;
  for (const auto& entry : fs::directory_iterator(fs::path(dir.Folder())))
    names.insert(entry.path().filename().wstring());
  return names;
}

// Holds a file open the way another program might.
class OtherProgramHandle {
public:
  OtherProgramHandle(const String& name, DWORD access, DWORD share)
      : handle_(CreateFileW(name.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~OtherProgramHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
  HANDLE handle_;
};

}  // namespace

TEST(WindowsNames, PieceNamesFollowBackslashesAndDriveColons) {
  EXPECT_EQ(PieceFileName(L"E:\\out\\", L"D:\\video\\clip.avi", 2), L"E:\\out\\clip.avi.sprt2");
  EXPECT_EQ(PieceFileName(L"E:\\out", L"D:\\video\\clip.avi", 3), L"E:\\out\\clip.avi.sprt3");
  EXPECT_EQ(PieceFileName(L"E:\\out", L"D:clip.avi", 1), L"E:\\out\\clip.avi.sprt1");
  EXPECT_EQ(PieceFileName(L"", L"D:\\video\\clip.avi", 1), L"clip.avi.sprt1");
}

TEST(ShareModes, ASourceHeldOpenByAnotherProgramCannotBeOpenedForSplitting) {
  TempFolder dir(L"equidiv share ");
  WriteFile(dir / L"held.bin", "0123456789");
  OtherProgramHandle other(dir / L"held.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(other.IsOpen());
  try {
    TFileStream source(dir / L"held.bin", fmOpenRead | fmShareExclusive);
    FAIL() << "the source opened although another handle holds it";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message().rfind(L"Cannot open file \"" + (dir / L"held.bin") + L"\". ", 0), 0u);
    EXPECT_GT(error.Message().size(), (L"Cannot open file \"" + (dir / L"held.bin") + L"\". ").size())
        << "the system's reason follows";
  }
}

TEST(ShareModes, ASplitSourceIsReadableByNobodyElseWhileOpen) {
  TempFolder dir(L"equidiv share ");
  WriteFile(dir / L"src.bin", "0123456789");
  TFileStream source(dir / L"src.bin", fmOpenRead | fmShareExclusive);
  OtherProgramHandle other(dir / L"src.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_FALSE(other.IsOpen());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST(ShareModes, AMergeEntryHeldForWritingCannotBeRead) {
  TempFolder dir(L"equidiv share ");
  WriteFile(dir / L"a.sprt1", "abc");
  WriteFile(dir / L"a.sprt2", "def");
  OtherProgramHandle writer(dir / L"a.sprt2", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(writer.IsOpen());
  WriteFile(dir / L"a", "old");
  EXPECT_THROW(MergeParts({dir / L"a.sprt1", dir / L"a.sprt2"}, dir / L"a"), EFOpenError);
  EXPECT_EQ(ReadFile(dir / L"a"), "old") << "a failed merge leaves the existing output as it was";
  EXPECT_EQ(NamesIn(dir), (std::set<String>{L"a", L"a.sprt1", L"a.sprt2"})) << "no temporary file";
}

TEST(ReplacedOutputs, AnOutputAnotherProgramHoldsOpenIsRefusedBeforeAnythingIsRead) {
  TempFolder dir(L"equidiv replace ");
  WriteFile(dir / L"in", "new");
  WriteFile(dir / L"out", "old");
  OtherProgramHandle other(dir / L"out", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(other.IsOpen());
  try {
    MergeParts({dir / L"in"}, dir / L"out");
    FAIL() << "expected EFCreateError";
  } catch (const EFCreateError& error) {
    const DWORD sharing = ERROR_SHARING_VIOLATION;
    EXPECT_EQ(error.Message(), L"Cannot create file \"" + (dir / L"out") + L"\". " + SystemErrorText(sharing));
  }
  EXPECT_EQ(NamesIn(dir), (std::set<String>{L"in", L"out"}));
}

TEST(ReplacedOutputs, TheSystemHasAReasonForAFullDisk) {
  const String reason = SystemErrorText(ERROR_DISK_FULL);
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(reason.find(L"System error"), String::npos) << StringToUtf8(reason);
}

TEST(ShareModes, MergeEntriesStayReadableButNotWritableAndTheOutputIsExclusive) {
  TempFolder dir(L"equidiv share ");
  WriteFile(dir / L"in", "xyz");
  TFileStream entry(dir / L"in", fmOpenRead | fmShareDenyWrite);
  EXPECT_TRUE(OtherProgramHandle(dir / L"in", GENERIC_READ, FILE_SHARE_READ).IsOpen());
  EXPECT_FALSE(OtherProgramHandle(dir / L"in", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE).IsOpen());

  TFileStream output(dir / L"out", fmCreate | fmShareExclusive);
  EXPECT_FALSE(OtherProgramHandle(dir / L"out", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE).IsOpen());
}

TEST(UnicodeNames, ChineseAndBlankNamesRoundTrip) {
  TempFolder dir(L"均分 测试 ");
  const String source = dir / L"视频 文件.avi";
  const std::string bytes(1000, 'q');
  WriteFile(source, bytes + "tail");
  const String outFolder = dir / L"输出 目录";
  fs::create_directories(fs::path(outFolder));

  {
    TFileStream stream(source, fmOpenRead | fmShareExclusive);
    SplitIntoParts(stream, 3, outFolder, source);
  }
  std::vector<String> pieces;
  for (int k = 1; k <= 3; ++k) pieces.push_back(outFolder + L"\\视频 文件.avi.sprt" + std::to_wstring(k));
  for (const String& piece : pieces) EXPECT_TRUE(FileExists(piece)) << StringToUtf8(piece);

  const std::optional<String> target = MergeTargetName(L"  " + pieces[0] + L" ");
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(*target, outFolder + L"\\视频 文件.avi");
  MergeParts(pieces, *target);
  EXPECT_EQ(ReadFile(*target), bytes + "tail");
  for (const auto& entry : fs::directory_iterator(fs::path(outFolder)))
    EXPECT_NE(entry.path().extension(), L".tmp") << "no temporary file left";
}
