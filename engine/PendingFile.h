// An output file that appears under its name only when it is complete.
//
// The bytes go to a temporary file beside the target; Commit closes it and puts it in
// place in one step, replacing a file of the target name. Until then the target is not
// touched, and a pending file destroyed without Commit (an error, a cancel) removes its
// temporary file, so no half-written output is ever left under any name.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/Streams.h"

// Creates the stream a pending file writes to, as a new file named `temporaryName`.
// Raises EFCreateError when it cannot. Tests substitute streams that fail.
using TOutputOpener = std::function<std::unique_ptr<TStream>(const String& temporaryName)>;

// The file system's opener: a file stream created with exclusive access.
std::unique_ptr<TStream> CreateTemporaryFile(const String& temporaryName);

class TPendingFile {
public:
  // Refuses a target that exists but cannot be replaced (a folder, a read-only file, a
  // file another program holds open) and a folder it cannot write in, raising
  // EFCreateError "Cannot create file "%s". %s" naming the target, before anything is written.
  TPendingFile(const String& targetName, const TOutputOpener& open);
  TPendingFile(const TPendingFile&) = delete;
  TPendingFile& operator=(const TPendingFile&) = delete;
  ~TPendingFile();

  // All of `count` bytes, or EWriteError "Cannot write file "%s". %s" naming the target,
  // with the system's reason (a full disk, a quota, a lost network drive).
  void Write(const uint8_t* bytes, int64_t count);
  // `count` bytes from the current position of `source` through `buffer`; a short read
  // raises EReadError "Stream read error".
  void CopyFrom(TStream& source, int64_t count, std::vector<uint8_t>& buffer);
  // Closes the temporary file and puts it in place under the target name; EFCreateError
  // naming the target when that fails (the temporary file is then removed).
  void Commit();

  const String& TargetName() const { return targetName_; }
  const String& TemporaryName() const { return temporaryName_; }

private:
  String targetName_;
  String temporaryName_;
  std::unique_ptr<TStream> stream_;
  bool committed_ = false;
};

// A name beside `targetName` that no file has now: "<target>.~<random hex>.tmp".
String TemporaryNameFor(const String& targetName);
