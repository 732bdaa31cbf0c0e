// equidiv-cli: the split and merge engine on the command line.
//
//   equidiv-cli split FILE COUNT [FOLDER]   pieces go to FOLDER, default FILE's own folder
//   equidiv-cli merge OUTPUT PIECE...       joins the pieces in the order given
//   equidiv-cli target FIRST-PIECE          prints the name a merge would propose
//
// Exit status: 0 done, 1 engine error (message on stderr) or no proposal, 2 usage error.
// An output appears only when complete: a failed run leaves no partial piece or joined
// file and leaves an existing file of that name as it was; write errors name the file.

#include <climits>
#include <optional>

#include "engine/SplitMerge.h"
#include "tools/common/ToolMain.h"

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

int Usage() {
  WriteErr(L"usage: equidiv-cli split FILE COUNT [FOLDER]\n"
           L"       equidiv-cli merge OUTPUT PIECE...\n"
           L"       equidiv-cli target FIRST-PIECE\n");
  return kExitUsage;
}

// A decimal integer with an optional sign that fits in 32 bits, nothing else.
std::optional<int32_t> ParseCount(const String& text) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == L'-';
  if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) i = 1;
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) return std::nullopt;
  }
  value = negative ? -value : value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

int Split(const std::vector<String>& args) {
  if (args.size() < 3 || args.size() > 4) return Usage();
  const std::optional<int32_t> count = ParseCount(args[2]);
  if (!count) {
    WriteErr(L"equidiv-cli: COUNT must be a decimal integer: " + args[2] + L"\n");
    return kExitUsage;
  }
  const String& file = args[1];
  const String folder = args.size() == 4 ? args[3] : ExtractFilePath(file);
  TFileStream source(file, fmOpenRead | fmShareExclusive);
  const int64_t size = source.Size();
  SplitIntoParts(source, *count, folder, file);
  if (SplitPieceCount(size, *count) == 0)
    WriteErr(L"equidiv-cli: nothing written: the count must be at least 1 and below the file size (" +
             std::to_wstring(size) + L" bytes)\n");
  return 0;
}

int Merge(const std::vector<String>& args) {
  if (args.size() < 3) return Usage();
  MergeParts(std::vector<String>(args.begin() + 2, args.end()), args[1]);
  return 0;
}

int Target(const std::vector<String>& args) {
  if (args.size() != 2) return Usage();
  const std::optional<String> name = MergeTargetName(args[1]);
  if (!name) return kExitError;
  WriteOut(*name + L"\n");
  return 0;
}

int Run(const std::vector<String>& args) {
  if (args.empty()) return Usage();
  try {
    if (args[0] == L"split") return Split(args);
    if (args[0] == L"merge") return Merge(args);
    if (args[0] == L"target") return Target(args);
  } catch (const Exception& error) {
    WriteErr(error.Message() + L"\n");
    return kExitError;
  }
  return Usage();
}

}  // namespace

EQUIDIV_TOOL_MAIN(Run)
