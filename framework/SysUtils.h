// Strings, exceptions and small file-system helpers shared by every layer.
//
// Text is UTF-16 on Windows (wide platform interfaces throughout) and UTF-32 natively;
// `String` is std::wstring on both, converted to UTF-8 only at the POSIX boundary and
// for `what()`. Skin files keep their 8-bit names in std::string and never pass here.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

using String = std::wstring;

// UTF-8 <-> wide conversion. Invalid input is replaced by U+FFFD, never rejected.
String Utf8ToString(std::string_view utf8);
std::string StringToUtf8(std::wstring_view text);

// Base of every error the framework and the application raise. The message is what the
// standard error box shows.
class Exception : public std::exception {
public:
  explicit Exception(String message);
  const String& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

private:
  String message_;
  std::string utf8_;
};

#define EQUIDIV_EXCEPTION_KIND(Name, Base)      \
  class Name : public Base {                    \
  public:                                       \
    using Base::Base;                           \
  }

EQUIDIV_EXCEPTION_KIND(EConvertError, Exception);
EQUIDIV_EXCEPTION_KIND(EOutOfMemory, Exception);
EQUIDIV_EXCEPTION_KIND(EStreamError, Exception);
EQUIDIV_EXCEPTION_KIND(EReadError, EStreamError);
EQUIDIV_EXCEPTION_KIND(EWriteError, EStreamError);
EQUIDIV_EXCEPTION_KIND(EFileStreamError, EStreamError);
EQUIDIV_EXCEPTION_KIND(EFOpenError, EFileStreamError);
EQUIDIV_EXCEPTION_KIND(EFCreateError, EFileStreamError);
// A failed operation on the file system (changing the current directory, say).
EQUIDIV_EXCEPTION_KIND(EInOutError, Exception);

#undef EQUIDIV_EXCEPTION_KIND

// printf-like formatting for messages: only "%s" (a String) and "%d" (an integer) are
// understood, in order; "%%" is a literal percent sign.
String FormatMessageText(std::wstring_view pattern, std::initializer_list<String> args);

// The platform's text for the last error of a file operation (GetLastError / errno).
String LastSystemErrorText();
// The last error of a file operation as a number (GetLastError / errno), and the
// platform's text for such a number.
int LastSystemErrorCode();
String SystemErrorText(int code);
// Sets the last error of a file operation (SetLastError / errno).
void SetLastSystemErrorCode(int code);

// Characters that end the folder part of a path on this platform.
bool IsPathDelimiter(wchar_t c);
constexpr wchar_t kPathDelimiter =
#ifdef _WIN32
    L'\\';
#else
    L'/';
#endif

// The part after the last path delimiter (or drive colon on Windows).
String ExtractFileName(const String& path);
// The part up to and including the last path delimiter (or drive colon on Windows).
String ExtractFilePath(const String& path);
// True when `path` names an existing file that is not a folder.
bool FileExists(const String& path);
// True when `path` names an existing folder.
bool DirectoryExists(const String& path);
// Puts the file `from` in place as `to`, replacing a file of that name in one step
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, or rename). 0 when
// done, else the system's error code.
int ReplaceFileWith(const String& from, const String& to);
// Removes the file `path`; 0 when done, else the system's error code.
int RemoveFile(const String& path);
// `path` ending with one path delimiter (an empty path stays empty).
String IncludeTrailingPathDelimiter(const String& path);
// `path` without its trailing delimiter, except a drive's root ("C:\") or the file
// system's root, which keep theirs.
String ExcludeTrailingPathDelimiter(const String& path);
// The full path of `name`, relative names taken from the current directory; "." and ".."
// resolved. An empty name gives the current directory.
String ExpandFileName(const String& name);
// The process's current directory, without a trailing delimiter except at a root.
String GetCurrentDir();
// Makes `path` the current directory; raises EInOutError with the system's reason.
void ChDir(const String& path);
// Makes the folder `path` (its parent must exist); false when it could not be made.
bool CreateDir(const String& path);
