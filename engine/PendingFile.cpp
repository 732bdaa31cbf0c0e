#include "engine/PendingFile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>

namespace {

constexpr wchar_t kCreateError[] = L"Cannot create file \"%s\". %s";

// The system's reason at the end of a file stream's open or create error about `name`.
String ReasonOf(const Exception& error, const String& name) {
  const String& text = error.Message();
  const String quoted = L"\"" + name + L"\". ";
  const size_t at = text.find(quoted);
  return at == String::npos ? text : text.substr(at + quoted.size());
}

[[noreturn]] void RaiseCreateError(const String& targetName, const String& reason) {
  throw EFCreateError(FormatMessageText(kCreateError, {targetName, reason}));
}

// Opening an existing target for writing, without changing it, finds what would stop the
// final replace (a folder, a read-only file, another program's open handle) before any work.
void RefuseUnreplaceableTarget(const String& targetName) {
  if (!FileIdentityOf(targetName)) return;
  try {
    TFileStream probe(targetName, fmOpenWrite | fmShareExclusive);
  } catch (const EFOpenError& error) {
    RaiseCreateError(targetName, ReasonOf(error, targetName));
  }
}

uint32_t RandomSuffix() {
  static std::atomic<uint32_t> counter{0};
  static const uint32_t seed = [] {
    std::random_device device;
    return device() ^ static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }();
  std::minstd_rand mix(seed + counter.fetch_add(1) * 2654435761u);
  return static_cast<uint32_t>(mix());
}

String Hex(uint32_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  String text(8, L'0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 0xF];
  return text;
}

}  // namespace

std::unique_ptr<TStream> CreateTemporaryFile(const String& temporaryName) {
  return std::make_unique<TFileStream>(temporaryName, fmCreate | fmShareExclusive);
}

String TemporaryNameFor(const String& targetName) {
  for (;;) {
    String candidate = targetName + L".~" + Hex(RandomSuffix()) + L".tmp";
    if (!FileIdentityOf(candidate)) return candidate;
  }
}

TPendingFile::TPendingFile(const String& targetName, const TOutputOpener& open) : targetName_(targetName) {
  RefuseUnreplaceableTarget(targetName);
  temporaryName_ = TemporaryNameFor(targetName);
  try {
    stream_ = open(temporaryName_);
  } catch (const EFCreateError& error) {
    RaiseCreateError(targetName, ReasonOf(error, temporaryName_));
  }
}

TPendingFile::~TPendingFile() {
  if (committed_) return;
  stream_.reset();
  RemoveFile(temporaryName_);
}

void TPendingFile::Write(const uint8_t* bytes, int64_t count) {
  while (count > 0) {
    SetLastSystemErrorCode(0);
    const int64_t put = stream_->Write(bytes, count);
    if (put <= 0) {
      const int code = LastSystemErrorCode();
      throw EWriteError(FormatMessageText(L"Cannot write file \"%s\". %s",
                                          {targetName_, code ? SystemErrorText(code) : L"Stream write error"}));
    }
    bytes += put;
    count -= put;
  }
}

void TPendingFile::CopyFrom(TStream& source, int64_t count, std::vector<uint8_t>& buffer) {
  if (buffer.empty()) buffer.resize(1 << 16);
  while (count > 0) {
    const int64_t chunk = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), chunk);
    Write(buffer.data(), chunk);
    count -= chunk;
  }
}

void TPendingFile::Commit() {
  stream_.reset();
  if (const int code = ReplaceFileWith(temporaryName_, targetName_))
    RaiseCreateError(targetName_, SystemErrorText(code));
  committed_ = true;
}
