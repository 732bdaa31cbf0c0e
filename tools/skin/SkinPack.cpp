// pack and unpack.
#include <algorithm>
#include <cstring>

#include <zlib.h>

#include "framework/Streams.h"
#include "skin/data/acSkinPack.h"
#include "skin/data/sSkinStrings.h"
#include "tools/skin/SkinCommands.h"

namespace {

void WriteInt32(TStream& out, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  out.WriteBuffer(b, 4);
}

String PathText(const std::filesystem::path& p) {
#ifdef _WIN32
  return p.wstring();
#else
  const std::u8string u8 = p.u8string();
  return Utf8ToString(std::string(u8.begin(), u8.end()));
#endif
}

// An entry name that is safe to write as one file inside the target folder.
bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
           c == '"' || c == '<' || c == '>' || c == '|';
  });
}

} // namespace

// pack DIR OUT.asz: every regular file of DIR, "Options.dat" first, the others in name
// order, each one zlib stream.
int RunPack(const std::vector<String>& args) {
  if (args.size() != 2) return 2;
  const std::filesystem::path folder = ToolPath(args[0]);
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    Fail(L"Not a folder: \"" + args[0] + L"\"");
    return 1;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.is_regular_file(ec)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  auto options = std::find_if(files.begin(), files.end(),
                              [](const auto& p) { return SameText(EntryNameOf(p.filename()), "Options.dat"); });
  if (options == files.end()) {
    Fail(L"No Options.dat in \"" + args[0] + L"\"");
    return 1;
  }
  std::rotate(files.begin(), options, options + 1);

  TMemoryStream package;
  package.WriteBuffer("ASzf", 4);
  WriteInt32(package, static_cast<int32_t>(files.size()));
  for (const auto& file : files) {
    TMemoryStream data;
    data.LoadFromFile(PathText(file));
    if (data.Size() > TacSkinConvertor::kMaxEntrySize) {
      Fail(L"File too large for a skin package: \"" + PathText(file) + L"\"");
      return 1;
    }
    const std::string name = EntryNameOf(file.filename());
    std::vector<uint8_t> packed(compressBound(static_cast<uLong>(data.Size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    const int rc = compress2(packed.data(), &packedSize, data.Memory(), static_cast<uLong>(data.Size()),
                             Z_DEFAULT_COMPRESSION);
    if (rc != Z_OK) {
      Fail(Utf8ToString(zError(rc)));
      return 1;
    }
    WriteInt32(package, static_cast<int32_t>(name.size()));
    package.WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
    WriteInt32(package, static_cast<int32_t>(data.Size()));
    package.WriteBuffer(packed.data(), static_cast<int64_t>(packedSize));
  }
  package.SaveToFile(args[1]);
  return 0;
}

// unpack PKG DIR: the options and every image entry as files of DIR (created if needed).
int RunUnpack(const std::vector<String>& args) {
  if (args.size() != 2) return 2;
  std::unique_ptr<TacSkinConvertor> reader;
  if (!FileExists(args[0])) {
    Fail(L"No such package: \"" + args[0] + L"\"");
    return 1;
  }
  if (!LoadSkinFile(args[0], reader, true)) return 1;
  for (const TacImageItem& item : reader->ImageItems) {
    if (!IsPlainFileName(item.Name)) {
      Fail(L"Refusing to unpack an entry that is not a plain file name: \"" + AnsiToString(item.Name) + L"\"");
      return 1;
    }
  }
  const std::filesystem::path folder = ToolPath(args[1]);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    Fail(L"Cannot create folder \"" + args[1] + L"\"");
    return 1;
  }
  reader->Options->SaveToFile(PathText(folder / "Options.dat"));
  for (const TacImageItem& item : reader->ImageItems) item.Data->SaveToFile(PathText(folder / FileNameOf(item.Name)));
  return 0;
}
