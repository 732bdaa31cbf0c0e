// A block of memory inside another process, for the control messages whose arguments
// are pointers that the system does not carry across processes (tab control items).
#pragma once

#include <windows.h>

#include <cstddef>

namespace e2e {

class RemoteBuffer {
public:
  // Reserves `size` bytes in `process` (a handle with VM operation, read and write rights).
  RemoteBuffer(HANDLE process, size_t size);
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  ~RemoteBuffer();

  bool Valid() const { return address_ != nullptr; }
  // The address as the other process sees it, offset by `offset` bytes.
  void* At(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
  bool Write(const void* data, size_t size, size_t offset = 0) const;
  bool Read(void* data, size_t size, size_t offset = 0) const;

private:
  HANDLE process_;
  void* address_;
  size_t size_;
};

}  // namespace e2e
