#include "framework/SysUtils.h"

#include <cerrno>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#endif

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendCodePoint(String& out, char32_t cp) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(cp));
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

int Utf8TrailCount(unsigned char lead) {
  if (lead < 0x80) return 0;
  if ((lead >> 5) == 0x6) return 1;
  if ((lead >> 4) == 0xE) return 2;
  if ((lead >> 3) == 0x1E) return 3;
  return -1;
}

}  // namespace

String Utf8ToString(std::string_view utf8) {
  String out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int trail = Utf8TrailCount(lead);
    bool valid = trail >= 0 && i + trail < utf8.size();
    char32_t cp = valid ? (trail == 0 ? lead : lead & (0x3F >> trail)) : 0;
    for (int k = 1; valid && k <= trail; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      AppendCodePoint(out, kReplacement);
      ++i;
      continue;
    }
    AppendCodePoint(out, cp);
    i += trail + 1;
  }
  return out;
}

std::string StringToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
        ++i;
      } else if (cp >= 0xD800 && cp <= 0xDFFF) {
        cp = kReplacement;
      }
    }
    if (cp > 0x10FFFF) cp = kReplacement;
    AppendUtf8(out, cp);
  }
  return out;
}

Exception::Exception(String message) : message_(std::move(message)), utf8_(StringToUtf8(message_)) {}

String FormatMessageText(std::wstring_view pattern, std::initializer_list<String> args) {
  String out;
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size()) {
      const wchar_t spec = pattern[i + 1];
      if (spec == L'%') {
        out.push_back(L'%');
        ++i;
        continue;
      }
      if ((spec == L's' || spec == L'd') && next != args.end()) {
        out += *next++;
        ++i;
        continue;
      }
    }
    out.push_back(pattern[i]);
  }
  return out;
}

String LastSystemErrorText() { return SystemErrorText(LastSystemErrorCode()); }

int LastSystemErrorCode() {
#ifdef _WIN32
  return static_cast<int>(GetLastError());
#else
  return errno;
#endif
}

void SetLastSystemErrorCode(int code) {
#ifdef _WIN32
  SetLastError(static_cast<DWORD>(code));
#else
  errno = code;
#endif
}

String SystemErrorText(int errorCode) {
#ifdef _WIN32
  const auto code = static_cast<DWORD>(errorCode);
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  String text = length ? String(buffer, length) : L"System error " + std::to_wstring(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return text;
#else
  return Utf8ToString(std::strerror(errorCode));
#endif
}

bool IsPathDelimiter(wchar_t c) {
#ifdef _WIN32
  return c == L'\\' || c == L'/';
#else
  return c == L'/';
#endif
}

namespace {
size_t FolderPartLength(const String& path) {
  for (size_t i = path.size(); i > 0; --i) {
    const wchar_t c = path[i - 1];
#ifdef _WIN32
    if (c == L':') return i;
#endif
    if (IsPathDelimiter(c)) return i;
  }
  return 0;
}
}  // namespace

String ExtractFileName(const String& path) { return path.substr(FolderPartLength(path)); }

String ExtractFilePath(const String& path) { return path.substr(0, FolderPartLength(path)); }

#ifdef _WIN32
bool FileExists(const String& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const String& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ReplaceFileWith(const String& from, const String& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return static_cast<int>(GetLastError());
}

int RemoveFile(const String& path) { return DeleteFileW(path.c_str()) ? 0 : static_cast<int>(GetLastError()); }
#else
bool FileExists(const String& path) {
  struct stat info {};
  return !path.empty() && stat(StringToUtf8(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const String& path) {
  struct stat info {};
  return !path.empty() && stat(StringToUtf8(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int ReplaceFileWith(const String& from, const String& to) {
  return std::rename(StringToUtf8(from).c_str(), StringToUtf8(to).c_str()) == 0 ? 0 : errno;
}

int RemoveFile(const String& path) { return unlink(StringToUtf8(path).c_str()) == 0 ? 0 : errno; }
#endif

String IncludeTrailingPathDelimiter(const String& path) {
  if (path.empty() || IsPathDelimiter(path.back())) return path;
  return path + kPathDelimiter;
}

namespace {
// A root keeps its delimiter: "\" or "/", and "C:\".
bool IsRootPath(const String& path) {
  if (path.size() == 1) return IsPathDelimiter(path[0]);
#ifdef _WIN32
  return path.size() == 3 && path[1] == L':' && IsPathDelimiter(path[2]);
#else
  return false;
#endif
}
}  // namespace

String ExcludeTrailingPathDelimiter(const String& path) {
  String result = path;
  while (!result.empty() && IsPathDelimiter(result.back()) && !IsRootPath(result)) result.pop_back();
  return result;
}

#ifdef _WIN32
String ExpandFileName(const String& name) {
  const String source = name.empty() ? String(L".") : name;
  const DWORD needed = GetFullPathNameW(source.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return name;
  String full(needed, L'\0');
  const DWORD length = GetFullPathNameW(source.c_str(), needed, full.data(), nullptr);
  full.resize(length < needed ? length : 0);
  return full.empty() ? name : full;
}

String GetCurrentDir() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  String dir(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, dir.data());
  dir.resize(length < needed ? length : 0);
  return ExcludeTrailingPathDelimiter(dir);
}

void ChDir(const String& path) {
  if (!SetCurrentDirectoryW(path.c_str())) throw EInOutError(LastSystemErrorText());
}

bool CreateDir(const String& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }
#else
String ExpandFileName(const String& name) {
  String full = name;
  if (full.empty() || !IsPathDelimiter(full[0])) full = IncludeTrailingPathDelimiter(GetCurrentDir()) + full;
  // Resolves "." and ".." by the text alone, as the platform's full-path call does.
  std::vector<String> parts;
  String part;
  for (size_t i = 1; i <= full.size(); ++i) {
    if (i == full.size() || IsPathDelimiter(full[i])) {
      if (part == L"..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != L".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += full[i];
    }
  }
  String result;
  for (const String& p : parts) result += kPathDelimiter + p;
  return result.empty() ? String(1, kPathDelimiter) : result;
}

String GetCurrentDir() {
  char buffer[PATH_MAX] = {};
  if (!getcwd(buffer, sizeof(buffer))) return String();
  return ExcludeTrailingPathDelimiter(Utf8ToString(buffer));
}

void ChDir(const String& path) {
  if (chdir(StringToUtf8(path).c_str()) != 0) throw EInOutError(LastSystemErrorText());
}

bool CreateDir(const String& path) { return mkdir(StringToUtf8(path).c_str(), 0777) == 0; }
#endif
