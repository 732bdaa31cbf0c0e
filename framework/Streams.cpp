#include "framework/Streams.h"

#include <algorithm>
#include <cstring>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

int64_t TStream::Size() {
  const int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    const int64_t got = Read(bytes, count);
    if (got <= 0) throw EReadError(L"Stream read error");
    bytes += got;
    count -= got;
  }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    const int64_t put = Write(bytes, count);
    if (put <= 0) throw EWriteError(L"Stream write error");
    bytes += put;
    count -= put;
  }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count, std::vector<uint8_t>& buffer) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (buffer.empty()) buffer.resize(1 << 16);
  const int64_t total = count;
  while (count > 0) {
    const int64_t chunk = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), chunk);
    WriteBuffer(buffer.data(), chunk);
    count -= chunk;
  }
  return total;
}

// ---------------------------------------------------------------------------------------
// Win32 backend

#ifdef _WIN32

namespace {

// Largest single ReadFile/WriteFile request; the calls take 32-bit counts.
constexpr int64_t kMaxIoChunk = 1 << 30;

DWORD ShareFlags(uint32_t mode) {
  switch (mode & 0xF0) {
    case fmShareExclusive: return 0;
    case fmShareDenyWrite: return FILE_SHARE_READ;
    case fmShareDenyRead: return FILE_SHARE_WRITE;
    case fmShareDenyNone: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default: return 0;  // compatibility mode behaves as exclusive on Win32
  }
}

DWORD AccessFlags(uint32_t mode) {
  switch (mode & 0x3) {
    case fmOpenWrite: return GENERIC_WRITE;
    case fmOpenReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return GENERIC_READ;
  }
}

}  // namespace

THandleStream::~THandleStream() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

int64_t THandleStream::Read(void* buffer, int64_t count) {
  DWORD got = 0;
  const auto chunk = static_cast<DWORD>(std::min(count, kMaxIoChunk));
  if (count <= 0 || !ReadFile(handle_, buffer, chunk, &got, nullptr)) return 0;
  return got;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
  DWORD put = 0;
  const auto chunk = static_cast<DWORD>(std::min(count, kMaxIoChunk));
  if (count <= 0 || !WriteFile(handle_, buffer, chunk, &put, nullptr)) return 0;
  return put;
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result{};
  const DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                       : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                          : FILE_END;
  if (!SetFilePointerEx(handle_, distance, &result, method)) return -1;
  return result.QuadPart;
}

void THandleStream::SetSize(int64_t size) {
  Seek(size, TSeekOrigin::soBeginning);
  if (!SetEndOfFile(handle_)) throw EWriteError(L"Stream write error");
}

TFileStream::TFileStream(const String& fileName, uint32_t mode)
    : THandleStream(INVALID_HANDLE_VALUE), fileName_(fileName) {
  if ((mode & fmCreate) == fmCreate) {
    handle_ = CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, ShareFlags(mode & 0xF0), nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
      throw EFCreateError(FormatMessageText(L"Cannot create file \"%s\". %s", {fileName, LastSystemErrorText()}));
    return;
  }
  handle_ = CreateFileW(fileName.c_str(), AccessFlags(mode), ShareFlags(mode), nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE)
    throw EFOpenError(FormatMessageText(L"Cannot open file \"%s\". %s", {fileName, LastSystemErrorText()}));
}

std::optional<TFileIdentity> FileIdentityOf(const String& path) {
  HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!ok) return std::nullopt;
  return TFileIdentity{info.dwVolumeSerialNumber,
                       (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

#else

// ---------------------------------------------------------------------------------------
// POSIX backend

THandleStream::~THandleStream() {
  if (handle_ >= 0) close(handle_);
}

int64_t THandleStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  ssize_t got;
  do {
    got = read(handle_, buffer, static_cast<size_t>(count));
  } while (got < 0 && errno == EINTR);
  return got < 0 ? 0 : got;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  ssize_t put;
  do {
    put = write(handle_, buffer, static_cast<size_t>(count));
  } while (put < 0 && errno == EINTR);
  return put < 0 ? 0 : put;
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  return lseek(handle_, offset, whence);
}

void THandleStream::SetSize(int64_t size) {
  if (ftruncate(handle_, size) != 0) throw EWriteError(L"Stream write error");
  Seek(std::min(Position(), size), TSeekOrigin::soBeginning);
}

TFileStream::TFileStream(const String& fileName, uint32_t mode) : THandleStream(-1), fileName_(fileName) {
  const std::string path = StringToUtf8(fileName);
  if ((mode & fmCreate) == fmCreate) {
    handle_ = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (handle_ < 0)
      throw EFCreateError(FormatMessageText(L"Cannot create file \"%s\". %s", {fileName, LastSystemErrorText()}));
    return;
  }
  const int access = (mode & 0x3) == fmOpenWrite ? O_WRONLY : (mode & 0x3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  handle_ = open(path.c_str(), access | O_CLOEXEC);
  struct stat info {};
  if (handle_ >= 0 && fstat(handle_, &info) == 0 && S_ISDIR(info.st_mode)) {
    close(handle_);
    handle_ = -1;
    errno = EISDIR;
  }
  if (handle_ < 0)
    throw EFOpenError(FormatMessageText(L"Cannot open file \"%s\". %s", {fileName, LastSystemErrorText()}));
}

std::optional<TFileIdentity> FileIdentityOf(const String& path) {
  struct stat info {};
  if (stat(StringToUtf8(path).c_str(), &info) != 0) return std::nullopt;
  return TFileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

#endif

// ---------------------------------------------------------------------------------------
// Memory stream

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t available = static_cast<int64_t>(data_.size()) - position_;
  const int64_t n = std::max<int64_t>(0, std::min(count, available));
  if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = position_ + count;
  if (end > static_cast<int64_t>(data_.size())) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t end = static_cast<int64_t>(data_.size());
  const int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? position_ : end;
  position_ = std::max<int64_t>(0, base + offset);
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
  position_ = std::min(position_, static_cast<int64_t>(data_.size()));
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t size = source.Size();
  if (size < 0 || static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max() / 2)
    throw EOutOfMemory(L"Out of memory");
  data_.resize(static_cast<size_t>(size));
  if (size > 0) source.ReadBuffer(data_.data(), size);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& target) {
  if (!data_.empty()) target.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const String& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}
