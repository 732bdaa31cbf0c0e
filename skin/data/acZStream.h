// A read-only stream that inflates one zlib stream (RFC 1950) from a source stream.
//
// The source is read ahead in blocks of at most 65536 bytes. `Finish` inflates to the end
// of the zlib stream (verifying the Adler-32 trailer) and sets the source back by the
// bytes read ahead but not consumed, so the source ends on the byte after the trailer.
// Writing, seeking and resizing are not supported.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Streams.h"

#include <zlib.h>

class EZDecompressionError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

class TZDecompressionStream : public TStream {
public:
  static constexpr int64_t kReadAhead = 65536;

  // Inflates from the current position of `source`, which must outlive this stream.
  explicit TZDecompressionStream(TStream& source);
  ~TZDecompressionStream() override;

  // Inflated bytes; fewer than `count` only when the zlib stream or the source ends.
  // Raises EZDecompressionError with zlib's text for a damaged stream.
  int64_t Read(void* buffer, int64_t count) override;
  // Raises EZDecompressionError "Invalid ZStream operation!".
  int64_t Write(const void* buffer, int64_t count) override;
  // Only reports the position (bytes produced so far); any move raises like Write.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;

  // Reads to the end of the zlib stream and leaves the source on the byte after it.
  // Returns false when the stream would inflate to more bytes than were read so far;
  // raises EReadError when the source ends first.
  bool Finish();
  bool AtEnd() const { return ended_; }

private:
  int Inflate(uint8_t* out, int64_t count);

  TStream& source_;
  z_stream z_{};
  std::unique_ptr<uint8_t[]> input_;  // read-ahead, filled before it is read
  int64_t sourcePosition_ = 0; // where this stream last left the source
  bool ended_ = false;
};
