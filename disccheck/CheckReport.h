#pragma once
// What the disc-set checker finds, and the lines it prints for the maker.
#include <cstdint>
#include <string>
#include <vector>

namespace kaze {

struct Finding {
  bool error;           // false: a warning
  std::string section;  // of install.ini; empty when the finding is about no key
  std::string key;
  std::string text;
};

// "エラー: [SECTION] KEY: text" or "警告: ..."; without a section, "エラー: text".
std::string FormatFinding(const Finding& finding);

// Bytes as whole megabytes, rounded up, as MEMBERSIZE counts them.
int64_t MegabytesUp(uint64_t bytes);

// What one installation type needs: the discs (numbered from 1) and the sizes.
struct TypeSummary {
  std::string name;
  std::vector<int> discs;
  int64_t realMegabytes = 0;
  int64_t declaredMegabytes = 0;  // the sum of the MEMBERSIZE of its groups
};

// "種類「name」: ディスク 1, 2 / 実サイズ 12 MB (MEMBERSIZE の合計 15 MB)".
std::string FormatTypeSummary(const TypeSummary& summary);

}  // namespace kaze
