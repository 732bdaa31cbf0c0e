// Byte streams: the abstract TStream, file streams over a platform handle (Win32 or
// POSIX), and growable memory streams.
//
// Share modes are honoured by the Win32 backend (CreateFileW share flags). POSIX has no
// mandatory share modes, so the POSIX backend accepts and ignores them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "framework/SysUtils.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to `count` bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  // Exactly `count` bytes or EReadError "Stream read error".
  void ReadBuffer(void* buffer, int64_t count);
  // Exactly `count` bytes or EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from the current position of `source` (all of it from position 0
  // when `count` is 0) through `buffer`; a short read raises EReadError.
  int64_t CopyFrom(TStream& source, int64_t count, std::vector<uint8_t>& buffer);
};

// File open modes: one access mode ORed with one share mode, or fmCreate (create or
// truncate, exclusive unless a share mode is given).
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

class THandleStream : public TStream {
public:
#ifdef _WIN32
  using Handle = void*;
#else
  using Handle = int;
#endif
  // Takes ownership of `handle`, which is closed on destruction.
  explicit THandleStream(Handle handle) : handle_(handle) {}
  ~THandleStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  Handle GetHandle() const { return handle_; }

protected:
  Handle handle_;
};

class TFileStream : public THandleStream {
public:
  // Raises EFOpenError "Cannot open file "%s". %s" or EFCreateError "Cannot create file
  // "%s". %s" (with fmCreate) carrying the platform's reason.
  TFileStream(const String& fileName, uint32_t mode);
  const String& FileName() const { return fileName_; }

private:
  String fileName_;
};

class TMemoryStream : public TStream {
public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;

  void Clear();
  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  // Replaces the contents with all of `source` from its start; the position becomes 0.
  void LoadFromStream(TStream& source);
  void LoadFromFile(const String& fileName);
  void SaveToStream(TStream& target);
  void SaveToFile(const String& fileName);

private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// Identity of a file on its volume, so two spellings of one path compare equal.
struct TFileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// The identity of the file `path` names, or nothing when it does not exist or cannot be
// inspected. Opens nothing for reading or writing.
std::optional<TFileIdentity> FileIdentityOf(const String& path);
