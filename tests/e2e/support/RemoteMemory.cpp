#include "tests/e2e/support/RemoteMemory.h"

namespace e2e {

RemoteBuffer::RemoteBuffer(HANDLE process, size_t size)
    : process_(process),
      address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
      size_(size) {}

RemoteBuffer::~RemoteBuffer() {
  if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(const void* data, size_t size, size_t offset) const {
  SIZE_T written = 0;
  return address_ && offset + size <= size_ &&
         WriteProcessMemory(process_, At(offset), data, size, &written) && written == size;
}

bool RemoteBuffer::Read(void* data, size_t size, size_t offset) const {
  SIZE_T read = 0;
  return address_ && offset + size <= size_ &&
         ReadProcessMemory(process_, At(offset), data, size, &read) && read == size;
}

}  // namespace e2e
