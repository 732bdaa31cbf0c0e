#include "skin/data/acZStream.h"

#include <algorithm>

namespace {
[[noreturn]] void Invalid() { throw EZDecompressionError(L"Invalid ZStream operation!"); }

[[noreturn]] void ZlibFailed(int code) {
  const char* text = zError(code);
  throw EZDecompressionError(Utf8ToString(text ? text : "unknown error"));
}
} // namespace

TZDecompressionStream::TZDecompressionStream(TStream& source)
    : source_(source), input_(new uint8_t[static_cast<size_t>(kReadAhead)]) {
  sourcePosition_ = source_.Position();
  const int rc = inflateInit(&z_);
  if (rc != Z_OK) ZlibFailed(rc);
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&z_); }

// Inflates up to `count` bytes into `out`; returns how many were produced.
int TZDecompressionStream::Inflate(uint8_t* out, int64_t count) {
  if (ended_ || count <= 0) return 0;
  if (source_.Position() != sourcePosition_) source_.SetPosition(sourcePosition_);
  z_.next_out = out;
  z_.avail_out = static_cast<uInt>(count);
  while (z_.avail_out > 0) {
    if (z_.avail_in == 0) {
      const int64_t got = source_.Read(input_.get(), kReadAhead);
      if (got <= 0) break;
      sourcePosition_ += got;
      z_.next_in = input_.get();
      z_.avail_in = static_cast<uInt>(got);
    }
    const int rc = inflate(&z_, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) {
      ended_ = true;
      break;
    }
    if (rc == Z_NEED_DICT) ZlibFailed(Z_NEED_DICT);
    // Z_BUF_ERROR only means "no progress"; with input left that cannot happen legitimately.
    if (rc != Z_OK && !(rc == Z_BUF_ERROR && z_.avail_in == 0)) ZlibFailed(rc);
  }
  return static_cast<int>(count - z_.avail_out);
}

int64_t TZDecompressionStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  // Keep each inflate call within what uInt can count.
  while (done < count && !ended_) {
    const int64_t chunk = std::min<int64_t>(count - done, 1 << 30);
    const int got = Inflate(out + done, chunk);
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool TZDecompressionStream::Finish() {
  uint8_t probe[64];
  while (!ended_) {
    if (Inflate(probe, sizeof probe) > 0) return false;
    if (!ended_) throw EReadError(L"Stream read error");
  }
  sourcePosition_ -= z_.avail_in;
  z_.avail_in = 0;
  source_.SetPosition(sourcePosition_);
  return true;
}

int64_t TZDecompressionStream::Write(const void*, int64_t) { Invalid(); }

int64_t TZDecompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == TSeekOrigin::soCurrent) return static_cast<int64_t>(z_.total_out);
  Invalid();
}

int64_t TZDecompressionStream::Size() { Invalid(); }

void TZDecompressionStream::SetSize(int64_t) { Invalid(); }
