// JPEG pictures through libjpeg. Errors leave the decoder with longjmp, so the function
// that calls setjmp keeps no C++ objects with destructors alive across it: the decompressor
// and the surface are owned by its caller, and the row buffer comes from libjpeg's own pool.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "skin/data/acImages.h"

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf escape;
};

[[noreturn]] void OnError(j_common_ptr info) {
  longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

// A warning means corrupt or truncated data: treat it like an error.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0) longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

void Silent(j_common_ptr) {}

// Progressive pictures can make libjpeg run over a huge number of scans.
constexpr int kMaxScans = 256;
void OnProgress(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->input_scan_number > kMaxScans) longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

// The decompressor with its error and progress managers. It lives in the frame of
// `DecodeJpeg`, outside the function that calls setjmp, so neither a jump nor an exception
// from the surface factory skips its destructor, and every path releases libjpeg's memory.
// Destroying a decompressor that was never created (or whose creation failed) is safe:
// libjpeg only frees what its memory manager holds.
class JpegDecompressor {
public:
  JpegDecompressor() {
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.emit_message = OnMessage;
    errors.base.output_message = Silent;
    progress.progress_monitor = OnProgress;
  }
  ~JpegDecompressor() { jpeg_destroy_decompress(&info); }
  JpegDecompressor(const JpegDecompressor&) = delete;
  JpegDecompressor& operator=(const JpegDecompressor&) = delete;

  jpeg_decompress_struct info;
  ErrorManager errors;
  jpeg_progress_mgr progress;
};

// Returns false on any failure; `surface` receives a store of the picture's size. Keeps no
// object with a destructor of its own: `decoder` and `surface` belong to the caller, and the
// row buffer comes from libjpeg's pool. Exceptions of the surface factory pass through.
bool Decode(JpegDecompressor& decoder, const uint8_t* data, size_t size, std::unique_ptr<TSurface>& surface) {
  jpeg_decompress_struct& info = decoder.info;
  if (setjmp(decoder.errors.escape)) return false;
  jpeg_create_decompress(&info);
  info.progress = &decoder.progress;
  info.mem->max_memory_to_use = 128L << 20;
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > kMaxImageSide ||
      info.image_height > kMaxImageSide ||
      static_cast<int64_t>(info.image_width) * info.image_height > kMaxImagePixels)
    return false;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3) return false;
  const int w = static_cast<int>(info.output_width), h = static_cast<int>(info.output_height);
  surface = NewSurface(w, h, 24);
  if (!surface || surface->View().Empty()) return false;
  JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                              static_cast<JDIMENSION>(w) * 3, 1);
  JSAMPROW row = rows[0];
  const TSurfaceView view = surface->View();
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    uint8_t* d = view.Row(y);
    for (int x = 0; x < w; ++x) {
      d[x * 3 + 0] = row[x * 3 + 2];
      d[x * 3 + 1] = row[x * 3 + 1];
      d[x * 3 + 2] = row[x * 3 + 0];
    }
  }
  jpeg_finish_decompress(&info);
  return true;
}

} // namespace

std::unique_ptr<TSurface> DecodeJpeg(const uint8_t* data, size_t size) {
  if (!data || size < 4) return nullptr;
  JpegDecompressor decoder;
  std::unique_ptr<TSurface> surface;
  if (!Decode(decoder, data, size, surface)) return nullptr;
  return surface;
}
