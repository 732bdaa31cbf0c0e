#include "skin/data/acSkinReport.h"

#include <cstdio>

void TacStderrReporter::Warning(const String& caption, const String& text) {
  const std::string line = StringToUtf8(caption + L": " + text + L"\n");
  fwrite(line.data(), 1, line.size(), stderr);
  fflush(stderr);
}

namespace {
TacSkinReporter*& Installed() {
  static TacSkinReporter* reporter = nullptr;
  return reporter;
}
} // namespace

TacSkinReporter& SkinReporter() {
  static TacStderrReporter fallback;
  return Installed() ? *Installed() : fallback;
}

void SetSkinReporter(TacSkinReporter* reporter) { Installed() = reporter; }
