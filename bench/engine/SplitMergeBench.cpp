// Split and merge throughput against a plain sequential copy of the same bytes through a
// buffer of the same size, measured in the same run, plus the peak resident memory.
//
//   split_merge_bench [SIZE-MiB] [FOLDER]     (defaults: 1024 MiB, the system temp folder)

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "engine/SplitMerge.h"

namespace fs = std::filesystem;

namespace {

double Seconds(const std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WriteSource(const String& name, int64_t size) {
  TFileStream out(name, fmCreate);
  std::vector<uint8_t> block(static_cast<size_t>(kCopyBufferSize));
  std::mt19937_64 random(7);
  for (size_t i = 0; i + 8 <= block.size(); i += 8) {
    const uint64_t value = random();
    std::copy_n(reinterpret_cast<const uint8_t*>(&value), 8, block.data() + i);
  }
  for (int64_t left = size; left > 0;) {
    const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(block.size()));
    block[0] ^= static_cast<uint8_t>(left);  // no two blocks alike
    out.WriteBuffer(block.data(), n);
    left -= n;
  }
}

// The baseline: the same bytes read and written sequentially through one buffer.
void PlainCopy(const std::vector<String>& from, const String& to) {
  TFileStream out(to, fmCreate);
  std::vector<uint8_t> buffer(static_cast<size_t>(kCopyBufferSize));
  for (const String& name : from) {
    TFileStream in(name, fmOpenRead | fmShareDenyWrite);
    for (;;) {
      const int64_t got = in.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
      if (got <= 0) break;
      out.WriteBuffer(buffer.data(), got);
    }
  }
}

bool SameContents(const String& a, const String& b) {
  TFileStream x(a, fmOpenRead | fmShareDenyWrite);
  TFileStream y(b, fmOpenRead | fmShareDenyWrite);
  if (x.Size() != y.Size()) return false;
  std::vector<uint8_t> p(1 << 20), q(1 << 20);
  for (;;) {
    const int64_t n = x.Read(p.data(), static_cast<int64_t>(p.size()));
    if (n <= 0) return true;
    y.ReadBuffer(q.data(), n);
    if (!std::equal(p.begin(), p.begin() + n, q.begin())) return false;
  }
}

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t sizeMiB = argc > 1 ? std::atoll(argv[1]) : 1024;
  const fs::path base = (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) /
                        ("equidiv-bench-" + std::to_string(getpid()));
  fs::create_directories(base);
  const String source = (base / "source.bin").wstring();
  const String copy = (base / "copy.bin").wstring();
  const String joined = (base / "joined.bin").wstring();
  const int64_t size = sizeMiB << 20;
  constexpr int32_t kPieces = 3;

  WriteSource(source, size);
  std::vector<String> pieces;
  for (int k = 1; k <= kPieces; ++k) pieces.push_back(PieceFileName(base.wstring(), source, k));

  // Each operation is measured right after its baseline, a plain copy of the same bytes
  // (the source for the split, the pieces for the merge) into a new file that is removed
  // again at once, so both meet the same page-cache state: otherwise whichever step
  // writes the most recent gigabyte pays for reclaiming memory. Every step starts with no
  // dirty pages left by the one before (sync). The best round counts.
  const String mergeCopy = (base / "pieces-copy.bin").wstring();
  double splitCopySeconds = 1e30, mergeCopySeconds = 1e30, splitSeconds = 1e30, mergeSeconds = 1e30;
  auto timed = [](double& best, auto&& step) {
    sync();
    const auto start = std::chrono::steady_clock::now();
    step();
    best = std::min(best, Seconds(start));
  };
  for (int round = 0; round < 4; ++round) {
    for (const String& name : {copy, mergeCopy, joined}) fs::remove(fs::path(name));
    for (const String& piece : pieces) fs::remove(fs::path(piece));
    timed(splitCopySeconds, [&] { PlainCopy({source}, copy); });
    fs::remove(fs::path(copy));
    timed(splitSeconds, [&] {
      TFileStream in(source, fmOpenRead | fmShareExclusive);
      SplitIntoParts(in, kPieces, base.wstring(), source);
    });
    timed(mergeCopySeconds, [&] { PlainCopy(pieces, mergeCopy); });
    fs::remove(fs::path(mergeCopy));
    timed(mergeSeconds, [&] { MergeParts(pieces, joined); });
  }

  const bool identical = SameContents(source, joined);
  const double mib = static_cast<double>(sizeMiB);
  std::printf("file %lld MiB, %d pieces, buffer %lld MiB\n", static_cast<long long>(sizeMiB), kPieces,
              static_cast<long long>(kCopyBufferSize >> 20));
  std::printf("split  %8.1f MiB/s, plain copy %8.1f MiB/s, ratio %.2f\n", mib / splitSeconds,
              mib / splitCopySeconds, splitCopySeconds / splitSeconds);
  std::printf("merge  %8.1f MiB/s, plain copy %8.1f MiB/s, ratio %.2f\n", mib / mergeSeconds,
              mib / mergeCopySeconds, mergeCopySeconds / mergeSeconds);
  std::printf("peak resident memory %.1f MiB\n", PeakResidentKiB() / 1024.0);
  std::printf("merged file identical to the source: %s\n", identical ? "yes" : "NO");
  fs::remove_all(base);
  return identical ? 0 : 1;
}
