#pragma once
// Checks a disc set as the installer will read it, before it ships: install.ini through
// the installer's own loader and rules, every member on its disc, every archive unpacked
// once through the disc's own cab32.dll, the labels and the support files.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "app/InstallContext.h"
#include "disccheck/CheckReport.h"

namespace kaze {

struct DiscFolder {
  std::string path;   // the disc's root folder, with its backslash
  std::string label;  // the volume label; empty when it is not known
};

class DiscChecker {
 public:
  explicit DiscChecker(std::vector<DiscFolder> discs);
  DiscChecker(const DiscChecker&) = delete;
  DiscChecker& operator=(const DiscChecker&) = delete;

  // Checks the set. False when it could not be checked at all (no disc, or no install.ini
  // on the first); the reason is among the findings.
  bool Run();

  const std::vector<Finding>& findings() const { return findings_; }
  const std::vector<TypeSummary>& summaries() const { return summaries_; }
  bool HasErrors() const;

 private:
  struct GroupFacts {
    uint64_t bytes = 0;
    std::set<std::string> installed;  // paths below the installation folder, lower case
    int disc = -1;
  };

  void Error(const std::string& section, const std::string& key, const std::string& text);
  void Warning(const std::string& section, const std::string& key, const std::string& text);

  void CheckProfileLimits(const std::string& ini);
  void CheckLoaderRefusals();
  void CheckDefaultFolder();
  std::string RefusalText(const std::string& section, const std::string& key) const;
  void CheckNames();
  void CheckDiscs();
  void CheckGroup(int disc, int index, const FileGroup& group);
  void CheckMember(int disc, const std::string& key, const PathPair& member, GroupFacts& facts);
  void CheckArchive(const std::string& section, const std::string& key, const std::string& path,
                    const std::string& target, GroupFacts& facts);
  void CheckInstalledName(const std::string& section, const std::string& key,
                          const std::string& target, const std::string& name, uint64_t size,
                          GroupFacts& facts);
  void CheckTypes();
  void CheckSupportFiles();
  void CheckRegistry();
  void CheckShortcuts();
  bool LoadArchiveLibrary();

  std::vector<DiscFolder> discs_;
  InstallContext context_;
  std::string defaultFolder_;  // the proposed installation folder, with its backslash
  std::vector<std::string> refused_;  // "SECTION/KEY" of each value the loader refused
  std::vector<Finding> findings_;
  std::vector<TypeSummary> summaries_;
  std::vector<GroupFacts> groupFacts_;  // by group id's first group, in disc and group order
  std::vector<const FileGroup*> factGroups_;
  bool usesArchives_ = false;
  HMODULE archiveLibrary_ = nullptr;
  bool archiveLibraryTried_ = false;
};

}  // namespace kaze
