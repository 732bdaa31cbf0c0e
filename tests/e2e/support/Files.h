// The driver's own files: a private work folder, whole-file reads and writes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using Bytes = std::vector<uint8_t>;

std::optional<Bytes> ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const Bytes& bytes);
bool PathExists(const std::wstring& path);
// Removes `folder` with everything in it, as far as it can.
void RemoveTree(const std::wstring& folder);
// A Linux path ("/a/b") as the Windows side sees it ("Z:\a\b"); other paths unchanged.
std::wstring WindowsPathOf(const std::wstring& path);

// A new, empty folder under the system's temporary folder, removed with everything in it
// when the object goes (unless `Keep` was called).
class WorkFolder {
public:
  WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  ~WorkFolder();

  bool Valid() const { return !path_.empty(); }
  // The folder's full path, without a trailing delimiter.
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  void Keep() { keep_ = true; }

private:
  std::wstring path_;
  bool keep_ = false;
};

}  // namespace e2e
