#include "tests/e2e/support/Files.h"

namespace e2e {

std::optional<Bytes> ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  std::optional<Bytes> out;
  if (GetFileSizeEx(file, &size) && size.QuadPart < (1LL << 30)) {
    Bytes bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                          read == bytes.size()))
      out = std::move(bytes);
  }
  CloseHandle(file);
  return out;
}

bool WriteWholeFile(const std::wstring& path, const Bytes& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  return CloseHandle(file) && ok;
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring WindowsPathOf(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  std::wstring out = L"Z:" + path;
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

WorkFolder::WorkFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return;
  std::wstring base = std::wstring(temp, length);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  // Unique per run: the process id, and a counter in case a folder of that name is left over.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = base + L"\\equidiv-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(attempt);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
}

WorkFolder::~WorkFolder() {
  if (!path_.empty() && !keep_) RemoveTree(path_);
}

}  // namespace e2e
