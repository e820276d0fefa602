// byte-level
#include "disccheck/CheckReport.h"

namespace kaze {

std::string FormatFinding(const Finding& finding) {
  std::string line = finding.error ? "エラー: " : "警告: ";
  if (!finding.section.empty()) {
    line += "[" + finding.section + "] ";
    if (!finding.key.empty()) line += finding.key + ": ";
  }
  return line + finding.text;
}

int64_t MegabytesUp(uint64_t bytes) {
  const uint64_t megabyte = 1024 * 1024;
  return static_cast<int64_t>(bytes / megabyte + (bytes % megabyte != 0 ? 1 : 0));
}

std::string FormatTypeSummary(const TypeSummary& summary) {
  std::string line = "種類「" + summary.name + "」: ";
  if (summary.discs.empty()) {
    line += "ディスクなし";
  } else {
    line += "ディスク ";
    for (size_t i = 0; i < summary.discs.size(); ++i) {
      if (i > 0) line += ", ";
      line += std::to_string(summary.discs[i]);
    }
  }
  line += " / 実サイズ " + std::to_string(summary.realMegabytes) + " MB (MEMBERSIZE の合計 " +
          std::to_string(summary.declaredMegabytes) + " MB)";
  return line;
}

}  // namespace kaze
