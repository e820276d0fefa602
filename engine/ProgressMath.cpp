// byte-level: progress arithmetic and texts of the installation page.
#include "engine/ProgressMath.h"

#include <cstdio>
#include <cstring>

namespace kaze {

int DiscProgressPosition(int discOrdinal, uint32_t done, uint32_t weight) {
  int base = discOrdinal * kDiscUnits;
  if (weight == 0 || done >= weight) return base + kDiscUnits;
  double share = static_cast<double>(done) / static_cast<double>(weight) * kDiscUnits;
  return base + static_cast<int>(share);
}

void FormatProgressPercent(int position, int lower, int upper, char* out, size_t size) {
  if (size == 0) return;
  double percent = 100.0;
  if (upper != lower) {
    percent = static_cast<double>(position) / (static_cast<double>(upper) - lower) * 100.0;
  }
  std::snprintf(out, size, "%.2f %% ", percent);
}

double FilePercent(uint32_t written, uint32_t fileSize) {
  if (fileSize == 0) return 100.0;
  return static_cast<double>(written) / static_cast<double>(fileSize) * 100.0;
}

void FormatUnpackLine(const char* path, uint32_t written, uint32_t fileSize, char* out,
                      size_t size) {
  if (size == 0) return;
  std::snprintf(out, size, "解凍中 : %s ( %.2f %% )", path ? path : "",
                FilePercent(written, fileSize));
}

bool RepaintPacer::Due(uint32_t nowMs) {
  // Unsigned difference: right across the wrap of a 32-bit tick count.
  if (!forced_ && nowMs - last_ < interval_) return false;
  forced_ = false;
  last_ = nowMs;
  return true;
}

bool QueueLookPacer::Due(uint32_t nowMs) {
  ++since_;
  if (!forced_ && since_ < notices_ && nowMs - last_ < interval_) return false;
  forced_ = false;
  since_ = 0;
  last_ = nowMs;
  return true;
}

}  // namespace kaze
