#pragma once
// Progress arithmetic and texts of the installation page: where the bar stands, what it
// reads, and the bounded joins of the work list's paths. Plain bytes, no Windows headers.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kaze {

// Units of the bar that each needed disc owns.
constexpr int kDiscUnits = 1000;
// A work item's file name: a name's limit on the file systems the game goes to.
constexpr size_t kItemNameMax = 255;
// Longest path that goes to a file system call or a message.
constexpr size_t kPathMax = 259;

// The bar's position once `done` of the disc's `weight` units are through, for the disc
// processed as number discOrdinal (from 0). A disc without weight counts as complete, and
// more done than weighed stays within the disc's share instead of running into the next.
int DiscProgressPosition(int discOrdinal, uint32_t done, uint32_t weight);

// "%.2f %% " of position within lower..upper (1500 in 0..4000 gives "37.50 % "). An empty
// range reads as complete.
void FormatProgressPercent(int position, int lower, int upper, char* out, size_t size);

// Share of the current file written, in percent; an empty file counts as complete.
double FilePercent(uint32_t written, uint32_t fileSize);

// "解凍中 : <path> ( <percent> % )", cut to size.
void FormatUnpackLine(const char* path, uint32_t written, uint32_t fileSize, char* out,
                      size_t size);

// How often the page shows its progress: a screen shows no more than some tens of
// pictures a second, and every repaint of the bar and its texts costs far more than the
// bytes it stands for.
constexpr uint32_t kRepaintIntervalMs = 40;

// Decides when the progress is shown: the first time, then once the interval has passed
// (tick counts may wrap), and whenever the next one is forced.
class RepaintPacer {
 public:
  explicit RepaintPacer(uint32_t intervalMs = kRepaintIntervalMs) : interval_(intervalMs) {}
  // True when a repaint is due at nowMs; the time of the repaint is then remembered.
  bool Due(uint32_t nowMs);
  // The next Due is true, whatever the time.
  void Force() { forced_ = true; }

 private:
  uint32_t interval_;
  uint32_t last_ = 0;
  bool forced_ = true;
};

// Decides when a notice looks at the message queue (a round trip to the window server
// under Wine): at every notice-th notice, or at the first one after intervalMs, so that a
// Cancel click waits neither for many fast notices nor for a slow drive.
class QueueLookPacer {
 public:
  QueueLookPacer(uint32_t notices, uint32_t intervalMs)
      : notices_(notices), interval_(intervalMs) {}
  // Called at each notice: true when this one looks; the count and time then start again.
  bool Due(uint32_t nowMs);
  // The next Due is true (a file's start or end).
  void Force() { forced_ = true; }

 private:
  uint32_t notices_;
  uint32_t interval_;
  uint32_t since_ = 0;
  uint32_t last_ = 0;
  bool forced_ = true;
};

}  // namespace kaze
