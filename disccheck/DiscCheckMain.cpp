// disccheck.exe: checks a disc set before it ships, as the installer will read it.
//   disccheck [--label N=LABEL]... DISC1_FOLDER [DISC2_FOLDER ...]
// Exit code 0 without errors, 1 with errors, 2 when the set could not be checked.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "disccheck/DiscChecker.h"
#include "system/DriveQueries.h"

namespace {

const char kUsage[] =
    "使い方: disccheck [--label N=ラベル]... ディスク1のフォルダ [ディスク2のフォルダ ...]\n"
    "  ドライブのルート (E:\\ など) を指定すると、ボリュームラベルはドライブから読み取ります。\n";

// "E:" or "E:\": a drive's root, whose label can be read.
bool IsDriveRoot(const std::string& folder) {
  return (folder.size() == 2 || (folder.size() == 3 && folder[2] == '\\')) && folder[1] == ':';
}

}  // namespace

int main(int argc, char** argv) {
  std::map<int, std::string> labels;
  std::vector<std::string> folders;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    if (arg == "--label" && i + 1 < argc) {
      value = argv[++i];
    } else if (arg.compare(0, 8, "--label=") == 0) {
      value = arg.substr(8);
    } else if (arg.compare(0, 2, "--") == 0 || arg == "/?") {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      folders.push_back(arg);
      continue;
    }
    size_t equals = value.find('=');
    int disc = std::atoi(value.c_str());
    if (equals == std::string::npos || disc < 1) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    labels[disc] = value.substr(equals + 1);
  }
  if (folders.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  std::vector<kaze::DiscFolder> discs;
  for (size_t i = 0; i < folders.size(); ++i) {
    kaze::DiscFolder disc;
    disc.path = folders[i];
    auto given = labels.find(static_cast<int>(i) + 1);
    if (given != labels.end()) {
      disc.label = given->second;
    } else if (IsDriveRoot(folders[i])) {
      char root[4] = {folders[i][0], ':', '\\', '\0'};
      char label[256] = {};
      kaze::ReadVolumeLabel(root, label);
      disc.label = label;
    }
    discs.push_back(disc);
  }

  kaze::DiscChecker checker(discs);
  bool checked = checker.Run();
  int errors = 0;
  int warnings = 0;
  for (const kaze::Finding& finding : checker.findings()) {
    std::printf("%s\n", kaze::FormatFinding(finding).c_str());
    ++(finding.error ? errors : warnings);
  }
  for (const kaze::TypeSummary& summary : checker.summaries()) {
    std::printf("%s\n", kaze::FormatTypeSummary(summary).c_str());
  }
  std::printf("エラー %d 件、警告 %d 件\n", errors, warnings);
  if (!checked) return 2;
  return errors > 0 ? 1 : 0;
}
