// Entry point and console output shared by the command-line tools.
//
// Arguments arrive as wide strings on both platforms. Output goes to the console as wide
// text when stdout/stderr is a Windows console, and as UTF-8 bytes otherwise (pipes,
// files, POSIX terminals).
#pragma once

#include <string_view>
#include <vector>

#include "framework/SysUtils.h"

void WriteOut(std::wstring_view text);
void WriteErr(std::wstring_view text);
// Raw bytes to stdout (for JSON and other UTF-8 payloads).
void WriteOutBytes(std::string_view bytes);

// Defines the platform's entry point that converts the arguments (without the program
// name) and returns `run(arguments)` as the exit status.
#ifdef _WIN32
#define EQUIDIV_TOOL_MAIN(run)                                 \
  int wmain(int argc, wchar_t** argv) {                        \
    std::vector<String> arguments(argv + 1, argv + argc);      \
    return run(arguments);                                     \
  }
#else
#define EQUIDIV_TOOL_MAIN(run)                                 \
  int main(int argc, char** argv) {                            \
    std::vector<String> arguments;                             \
    for (int i = 1; i < argc; ++i) arguments.push_back(Utf8ToString(argv[i])); \
    return run(arguments);                                     \
  }
#endif
