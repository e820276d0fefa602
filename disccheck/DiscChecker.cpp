#include "disccheck/DiscChecker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "archive/CabFormat.h"
#include "archive/MemberName.h"
#include "cab32/Cab32Api.h"
#include "config/InstallIniLoader.h"
#include "config/ValueParsing.h"
#include "engine/ProgressMath.h"
#include "engine/RegistrationText.h"
#include "pages/SettingsRules.h"
#include "pages/StartupGroup.h"
#include "system/Dbcs.h"
#include "system/DriveQueries.h"
#include "system/FileUtils.h"
#include "system/InstallFolderRules.h"
#include "system/OsServices.h"
#include "system/PathSplit.h"
#include "system/PathText.h"
#include "system/TextHelpers.h"
#include "uninstall/LogRecords.h"
#include "uninstall/RemovalRules.h"

namespace kaze {

namespace {

const char kInfo[] = "INSTALL_INFO";
const char kGroup[] = "INSTALL_GROUP";
const char kRegistry[] = "INSTALL_REGISTRY_0";
const char kAbout[] = "ABOUT_BOX";

using CheckArchiveFn = BOOL(WINAPI*)(LPCSTR, int);
using CabFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using OpenArchiveFn = HANDLE(WINAPI*)(HWND, LPCSTR, DWORD);
using CloseArchiveFn = int(WINAPI*)(HANDLE);
using FindFirstFn = int(WINAPI*)(HANDLE, LPCSTR, cab32::IndividualInfo*);
using FindNextFn = int(WINAPI*)(HANDLE, cab32::IndividualInfo*);

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string Number(long long n) { return std::to_string(n); }

// One to eight hexadecimal digits and nothing else: what a dword value is written from.
bool IsHexNumber(const char* text) {
  size_t n = 0;
  for (; text[n] != '\0'; ++n) {
    char c = text[n];
    bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (n == 8 || !hex) return false;
  }
  return n > 0;
}

std::string Quoted(const std::string& text) { return "「" + text + "」"; }

std::string Lower(std::string text) {
  LowerCaseAscii(&text[0]);
  return text;
}

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Removes a folder the checker made, with all that it holds.
void RemoveOwnTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
      std::string path = folder + found.cFileName;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveOwnTree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

std::string ReadRaw(const std::string& ini, const char* section, const std::string& key) {
  char value[1024] = {};
  GetPrivateProfileStringA(section, key.c_str(), "", value, sizeof value, ini.c_str());
  return value;
}

// The names of a type's keys: 0 the standard type, 1 the full one, then the custom ones.
struct TypeKeys {
  std::string name;
  std::string list;
};
TypeKeys KeysOfType(int type) {
  if (type == 0) return {"NAME_DEFAULT", "DEFAULTLIST"};
  if (type == 1) return {"NAME_FULL", "FULLLIST"};
  return {"GROUPNAME_" + Number(type - 2), "GROUPLIST_" + Number(type - 2)};
}

}  // namespace

DiscChecker::DiscChecker(std::vector<DiscFolder> discs) : discs_(std::move(discs)) {
  for (DiscFolder& disc : discs_) disc.path = AsFolder(disc.path.c_str());
}

bool DiscChecker::HasErrors() const {
  return std::any_of(findings_.begin(), findings_.end(), [](const Finding& f) { return f.error; });
}

void DiscChecker::Error(const std::string& section, const std::string& key,
                        const std::string& text) {
  // One error per key: the first names what is wrong with it.
  for (const Finding& f : findings_) {
    if (f.error && !key.empty() && f.section == section && f.key == key) return;
  }
  findings_.push_back({true, section, key, text});
}

void DiscChecker::Warning(const std::string& section, const std::string& key,
                          const std::string& text) {
  findings_.push_back({false, section, key, text});
}

bool DiscChecker::Run() {
  if (discs_.empty()) {
    Error("", "", "ディスクのフォルダが指定されていません。");
    return false;
  }
  const std::string ini = discs_[0].path + "install.ini";
  if (!IsFile(ini) || ini.size() >= sizeof context_.cdFolder) {
    Error("", "", "ディスク 1 に install.ini がありません: " + ini);
    return false;
  }
  std::snprintf(context_.cdFolder, sizeof context_.cdFolder, "%s", discs_[0].path.c_str());
  InstallIniLoader(ini.c_str(), context_, &refused_);

  char windows[MAX_PATH] = {};
  GetWindowsFolder(windows);
  char folder[kPathSize] = {};
  const InstallInfo* info = context_.installInfo.get();
  if (info != nullptr &&
      ComposeDefaultFolder(windows, info->path, info->path2, folder, sizeof folder)) {
    defaultFolder_ = folder;
  } else {
    Error(kInfo, "PATH", "既定のインストール先 (PATH と PATH2) が 259 バイトを超えます。");
  }

  CheckProfileLimits(ini);
  CheckLoaderRefusals();
  CheckDefaultFolder();
  CheckNames();
  CheckDiscs();
  CheckTypes();
  CheckSupportFiles();
  CheckRegistry();
  CheckShortcuts();
  if (archiveLibrary_ != nullptr) FreeLibrary(archiveLibrary_);
  archiveLibrary_ = nullptr;
  return true;
}

// Windows 9x reads no more than 64 KB of install.ini and 32,767 bytes of a section, and
// the installer refuses a file beyond either there: told whatever system this check runs
// on (the loader's own note of it, made on 9x only, is not told again).
void DiscChecker::CheckProfileLimits(const std::string& ini) {
  const std::string why =
      "Windows 95/98/Me はそれより先を読まないため、インストーラはこのファイルを受け付けません。";
  ProfileCut9x cut;
  if (!FindInstallIniCut9x(ini.c_str(), context_.diskCount, &cut)) {
    Error("", "", "install.ini を読めません: " + ini);
    return;
  }
  if (cut.file) Error("", "", "install.ini が 65536 バイト (64 KB) を超えています。" + why);
  for (const std::string& section : cut.sections) {
    Error(section, "", "セクションが 32767 バイトを超えています。" + why);
  }
}

void DiscChecker::CheckLoaderRefusals() {
  auto split = [](const char* value, std::string* section, std::string* key) {
    const char* slash = std::strchr(value, '/');
    if (slash == nullptr) return false;
    *section = std::string(value, slash);
    *key = slash + 1;
    return true;
  };
  std::string section, key;
  if (split(context_.overlongValue, &section, &key)) {
    Error(section, key, "値が長すぎます。インストーラはこのファイルを受け付けません。");
  }
  for (const std::string& refused : refused_) {
    if (split(refused.c_str(), &section, &key)) Error(section, key, RefusalText(section, key));
  }
}

// Why the installer refuses the value of this key: each kind of value has its rule.
std::string DiscChecker::RefusalText(const std::string& section, const std::string& key) const {
  const InstallInfo* info = context_.installInfo.get();
  const std::string name = "1 つの名前にしてください (\\ / : * ? \" < > |、.. などドットと空白だけの名前、"
                           "CON や NUL などの装置名、末尾のドットや空白は使えません)。";
  if (section == kRegistry && key == "REG_KEY") {
    return "Software\\ の下の製品自身のキーにしてください (Software\\ そのもの、SYSTEM の下、"
           "Software\\Microsoft や Software\\Classes など Windows や他社のキーとその下、"
           "空のキー名、/ は使えません)。";
  }
  if (section == kInfo && info != nullptr) {
    if (key == "APPNAME" && info->appName[0] == '\0') {
      return "製品名がありません。プログラムグループがメーカーのフォルダかプログラム フォルダそのものになるため、"
             "インストーラはこのファイルを受け付けません。";
    }
    if (key == "CORPNAME" || key == "APPNAME") return "スタートメニューのフォルダ名です。" + name;
    if (key == "PATH2") return "インストール先のフォルダ名です。" + name;
    if (key == "PATH") {
      return "システムドライブのルートの下のフォルダを相対パスで書いてください "
             "(ドライブ名、先頭の \\、..、空のフォルダ名、末尾がドットや空白のフォルダ名は使えません)。";
    }
    const char* linkName = nullptr;
    if (key == "MAKEMYSHORTCUT") linkName = info->myShortcutName;
    // A shortcut's key is refused for its name (when used) or for its file.
    for (int i = 0; i < info->shortcutCount && i < kMaxShortcuts; ++i) {
      const char* target = info->shortcuts[i].target;
      if (key == "MAKESHORTCUT_PATH_" + Number(i) && target[0] != '\0' &&
          !IsSingleName(target, std::strlen(target), kNameMaxBytes - 4))
        linkName = target;
    }
    if (linkName != nullptr) {
      return "ショートカット名" + Quoted(linkName) + "にはフォルダや使えない文字を含められません。";
    }
  }
  return "値がディスクやインストール先の外を指しています (ドライブ名、先頭の \\、.. は使えません)。";
}

// Step 3 refuses a default folder that no installation may use (PATH=WINDOWS with an
// empty PATH2, an empty PATH and PATH2): told of the machine that runs the check.
void DiscChecker::CheckDefaultFolder() {
  if (defaultFolder_.empty()) return;
  std::string folder;
  // A folder that cannot be spelt comes of values refused already.
  if (CanonicalPath(defaultFolder_.c_str(), true, &folder) != Spelling::kOk) return;
  const char* why = nullptr;
  switch (InstallFolderProtection(folder.c_str())) {
    case FolderProtection::kDriveRoot: why = "ドライブのルートです"; break;
    case FolderProtection::kSystemFolder: why = "Windows が使うフォルダか、それを含むフォルダです"; break;
    case FolderProtection::kInsideWindows: why = "Windows フォルダの中です"; break;
    case FolderProtection::kNotAbsolute: why = "ドライブから始まるフォルダではありません"; break;
    case FolderProtection::kAllowed: break;
  }
  if (why != nullptr) {
    Error(kInfo, "PATH",
          "既定のインストール先 (PATH と PATH2)" + Quoted(defaultFolder_) + "は" + why +
              "。インストーラはこのフォルダを受け付けません。");
  }
}

void DiscChecker::CheckNames() {
  const InstallInfo* info = context_.installInfo.get();
  if (info == nullptr) return;
  // Shortcuts there would start with Windows; told of the machine that runs the check.
  if (const char* key = StartupGroupKey(info->corpName, info->appName)) {
    Error(kInfo, key,
          "プログラムグループがこのコンピュータのスタートアップ フォルダになります。"
          "インストーラはこのファイルを受け付けません。");
  }
  if (info->myShortcutName[0] == '\0') {
    Warning(kInfo, "MAKEMYSHORTCUT", "アンインストーラのショートカット名がありません。");
  }
}

void DiscChecker::CheckDiscs() {
  const InstallInfo* info = context_.installInfo.get();
  if (info == nullptr) return;
  if (context_.diskCount <= 0) {
    Error(kInfo, "DISKNUM", "ディスクがありません。");
    return;
  }
  if (static_cast<int>(discs_.size()) > context_.diskCount) {
    Warning("", "", "DISKNUM (" + Number(context_.diskCount) + ") より多いフォルダが指定されました。");
  }
  // setup.exe is built for one game: it looks for its first disc by a label of its own.
  ProductIdentity identity;
  FillProductIdentity(identity);
  if (context_.disks[0].volumeLabel[0] != '\0' &&
      !VolumeLabelMatches(context_.disks[0].volumeLabel, identity.firstDiscVolumeLabel)) {
    Error(kInfo, "DISK_0",
          "setup.exe は最初のディスクをボリュームラベル" + Quoted(identity.firstDiscVolumeLabel) +
              "で探します。DISK_0 も同じでなければ、ディスク 1 を認識できません。");
  }
  std::map<int, int> firstDiscOfId;
  for (int d = 0; d < context_.diskCount; ++d) {
    const DiskEntry& disk = context_.disks[d];
    const std::string labelKey = "DISK_" + Number(d);
    const std::string section = "INSTALL_GROUP_DISK_" + Number(d);
    if (disk.volumeLabel[0] == '\0') {
      Error(kInfo, labelKey, "ディスク " + Number(d + 1) + " のボリュームラベルがありません。");
    } else if (d >= static_cast<int>(discs_.size())) {
      Error(kInfo, labelKey, "ディスク " + Number(d + 1) + " のフォルダが指定されていないため、確認できません。");
    } else if (discs_[d].label.empty()) {
      Warning(kInfo, labelKey,
              "ディスク " + Number(d + 1) + " のボリュームラベルを確認できません (--label " +
                  Number(d + 1) + "=ラベル で指定してください)。");
    } else if (!VolumeLabelMatches(discs_[d].label.c_str(), disk.volumeLabel)) {
      Error(kInfo, labelKey,
            "ディスク " + Number(d + 1) + " のボリュームラベルは" + Quoted(discs_[d].label) +
                "です。" + Quoted(disk.volumeLabel) + "でなければ、インストーラはディスクを認識しません。");
    }
    for (int g = 0; g < disk.groupCount; ++g) {
      const FileGroup& group = disk.groups[g];
      auto first = firstDiscOfId.find(group.id);
      if (first != firstDiscOfId.end()) {
        Error(section, "GROUP_" + Number(g),
              "グループ " + Number(group.id) + " はディスク " + Number(first->second + 1) +
                  " にもあります。インストールされるのは最初のものだけです。");
        continue;
      }
      firstDiscOfId[group.id] = d;
      if (d < static_cast<int>(discs_.size())) CheckGroup(d, g, group);
    }
  }
}

void DiscChecker::CheckGroup(int disc, int index, const FileGroup& group) {
  const std::string section = "INSTALL_GROUP_DISK_" + Number(disc);
  GroupFacts facts;
  facts.disc = disc;
  for (int m = 0; m < group.memberCount; ++m) {
    CheckMember(disc, "MEMBER_" + Number(index) + "_" + Number(m), group.members[m], facts);
  }
  if (group.memberCount == 0) {
    Warning(section, "MEMBERNUM_" + Number(index), "グループ " + Number(group.id) + " にはファイルがありません。");
  }
  int64_t real = MegabytesUp(facts.bytes);
  if (group.sizeMb < real) {
    Error(section, "MEMBERSIZE_" + Number(index),
          Number(group.sizeMb) + " MB ですが、ファイルの実サイズは " + Number(real) +
              " MB です。空き容量の確認が足りなくなります。");
  }
  groupFacts_.push_back(std::move(facts));
  factGroups_.push_back(&group);
}

void DiscChecker::CheckMember(int disc, const std::string& key, const PathPair& member,
                              GroupFacts& facts) {
  const std::string section = "INSTALL_GROUP_DISK_" + Number(disc);
  const std::string source = member.source;
  // The source ends at the first blank: "My Game.exe > X" would install a file "My".
  std::string raw = ReadRaw(discs_[0].path + "install.ini", section.c_str(), key);
  size_t arrow = raw.find('>');
  std::string written = raw.substr(0, arrow);
  while (!written.empty() && written.back() == ' ') written.pop_back();
  if (written.size() > source.size() && written.compare(0, source.size(), source) == 0) {
    Error(section, key, "ファイル名に空白は使えません (" + Quoted(written) + "は" + Quoted(source) + "と読まれます)。");
    return;
  }
  if (source.empty()) {
    Warning(section, key, "ファイル名がないため、無視されます。");
    return;
  }
  if (!IsContainedPath(source.c_str(), source.size(), true)) {
    Error(section, key, "ファイル" + Quoted(source) + "はディスクの外を指しています。");
    return;
  }
  if (!IsContainedPath(member.target, std::strlen(member.target), true)) {
    Error(section, key, "インストール先" + Quoted(member.target) + "はインストールフォルダの外を指しています。");
    return;
  }
  const std::string path = discs_[disc].path + source;
  if (path.size() > kPathMax) {
    Error(section, key, "ディスク上のパスが 259 バイトを超えます: " + path);
    return;
  }
  const std::string target = AsFolder(member.target);
  const std::string where = "ディスク " + Number(disc + 1) + " に" + Quoted(source);

  if (EndsWithBackslash(source.c_str())) {
    if (!IsFolder(path)) {
      Error(section, key, where + "というフォルダがありません。");
      return;
    }
    // The files of the folder itself, as the installer takes them.
    int files = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "*.*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ++files;
        CheckInstalledName(section, key, target, found.cFileName, found.nFileSizeLow, facts);
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    if (files == 0) Warning(section, key, where + "というフォルダにファイルがありません。");
    return;
  }
  if (!IsFile(path)) {
    Error(section, key, where + "がありません。");
    return;
  }
  std::string extension = Lower(SplitPath(source.c_str()).extension);
  if (extension == ".cab") {
    usesArchives_ = true;
    CheckArchive(section, key, path, target, facts);
    return;
  }
  ULONGLONG size = 0;
  FileSize(path.c_str(), &size);
  CheckInstalledName(section, key, target, source.substr(FolderPart(source.c_str()).size()), size,
                     facts);
}

void DiscChecker::CheckInstalledName(const std::string& section, const std::string& key,
                                     const std::string& target, const std::string& name,
                                     uint64_t size, GroupFacts& facts) {
  facts.bytes += size;
  facts.installed.insert(Lower(target + name));
  if (name.size() > kItemNameMax) {
    Error(section, key, "ファイル名" + Quoted(name) + "が 255 バイトを超えます。");
    return;
  }
  const std::string destination = defaultFolder_ + target + name;
  if (!defaultFolder_.empty() && destination.size() > kLogTextMax) {
    Error(section, key,
          "既定のインストール先では" + Quoted(destination) + "が 255 バイトを超えます。");
  }
}

bool DiscChecker::LoadArchiveLibrary() {
  if (!archiveLibraryTried_) {
    archiveLibraryTried_ = true;
    const std::string path = discs_[0].path + "cab32.dll";
    if (IsFile(path)) archiveLibrary_ = LoadLibraryA(path.c_str());
  }
  return archiveLibrary_ != nullptr;
}

void DiscChecker::CheckArchive(const std::string& section, const std::string& key,
                               const std::string& path, const std::string& target,
                               GroupFacts& facts) {
  if (!LoadArchiveLibrary()) return;  // told once, as a missing support file
  auto check = Export<CheckArchiveFn>(archiveLibrary_, "CabCheckArchive");
  auto cab = Export<CabFn>(archiveLibrary_, "Cab");
  auto open = Export<OpenArchiveFn>(archiveLibrary_, "CabOpenArchive");
  auto close = Export<CloseArchiveFn>(archiveLibrary_, "CabCloseArchive");
  auto findFirst = Export<FindFirstFn>(archiveLibrary_, "CabFindFirst");
  auto findNext = Export<FindNextFn>(archiveLibrary_, "CabFindNext");
  if (!check || !cab || !open || !close || !findFirst || !findNext) {
    Error("", "", "ディスク 1 の cab32.dll はアーカイブの読み取りに使えません。");
    return;
  }
  const std::string name = Quoted(path.substr(discs_[facts.disc].path.size()));
  HANDLE archive = check(path.c_str(), 0) ? open(nullptr, path.c_str(), 0) : nullptr;
  if (archive == nullptr) {
    Error(section, key, "アーカイブ" + name + "を開けません (壊れているか、キャビネットではありません)。");
    return;
  }
  cab32::IndividualInfo file = {};
  for (int found = findFirst(archive, "*.*", &file); found == 0; found = findNext(archive, &file)) {
    char stored[cab32::kNameMax + 1] = {};
    if (!NormalizeArchiveMemberName(file.fileName, stored, sizeof stored)) {
      Error(section, key,
            "アーカイブ" + name + "の" + Quoted(file.fileName) + "はインストール先の外を指しています。");
      continue;
    }
    CheckInstalledName(section, key, target, stored, file.originalSize, facts);
  }
  close(archive);

  // Unpacked once, whole: a block that does not decode would stop the installation.
  char temp[MAX_PATH] = {};
  DWORD length = GetTempPathA(sizeof temp, temp);
  std::string scratch;
  if (length == 0 || length >= sizeof temp || !CreateUniqueFolder(temp, "KzChk", &scratch)) {
    Warning(section, key, "作業フォルダを作れないため、アーカイブ" + name + "の展開を確かめられません。");
    return;
  }
  char command[kCabCommandSize] = {};
  char output[1024] = {};
  int result = -1;
  if (FormatCabCommand(path.c_str(), scratch.c_str(), command, sizeof command)) {
    result = cab(nullptr, command, output, sizeof output);
  }
  RemoveOwnTree(scratch);
  if (result != 0) {
    char reason[256] = {};
    if (!FormatCabErrorText(result, reason, sizeof reason)) std::snprintf(reason, sizeof reason, "%d", result);
    Error(section, key, "アーカイブ" + name + "を展開できません: " + reason);
  }
}

void DiscChecker::CheckTypes() {
  const std::string ini = discs_[0].path + "install.ini";
  bool anyInstallable = false;
  std::map<const FileGroup*, const GroupFacts*> factsOf;
  for (size_t i = 0; i < factGroups_.size(); ++i) factsOf[factGroups_[i]] = &groupFacts_[i];

  for (int t = 0; t < context_.typeCount; ++t) {
    const InstallType& type = context_.installTypes[t];
    const TypeKeys keys = KeysOfType(t);
    std::string list = ReadRaw(ini, kGroup, keys.list);
    std::set<int> seen;
    for (int id : ParseNumberList(list.c_str())) {
      if (FindFileGroup(id, context_) == nullptr) {
        Error(kGroup, keys.list, "グループ " + Number(id) + " はどのディスクにもありません。");
      } else if (!seen.insert(id).second) {
        Warning(kGroup, keys.list,
                "グループ " + Number(id) + " が 2 回あります。必要な空き容量が 2 回数えられます。");
      }
    }
    if (type.groupCount == 0) {
      // The standard and full types may be left out altogether.
      if (type.name[0] != '\0' || t >= 2) {
        Error(kGroup, keys.list, "種類" + Quoted(type.name) + "にはインストールするグループがありません。");
      }
      continue;
    }
    if (type.name[0] == '\0') Warning(kGroup, keys.name, "種類の名前がありません。");
    anyInstallable = true;

    TypeSummary summary;
    summary.name = type.name;
    summary.declaredMegabytes = type.totalSizeMb;
    std::set<const FileGroup*> counted;
    std::set<int> discs;
    uint64_t bytes = 0;
    for (int g = 0; g < type.groupCount; ++g) {
      const FileGroup* group = type.groups[g];
      if (!counted.insert(group).second) continue;
      auto facts = factsOf.find(group);
      if (facts == factsOf.end()) continue;
      bytes += facts->second->bytes;
      discs.insert(facts->second->disc + 1);
    }
    summary.realMegabytes = MegabytesUp(bytes);
    summary.discs.assign(discs.begin(), discs.end());
    summaries_.push_back(summary);
  }
  if (!anyInstallable) Error(kGroup, "", "インストールできる種類がありません。");
}

void DiscChecker::CheckSupportFiles() {
  const InstallInfo* info = context_.installInfo.get();
  const std::string& disc1 = discs_[0].path;
  if (!IsFile(disc1 + "setup.exe")) Warning("", "", "ディスク 1 に setup.exe がありません。");
  if (!IsFile(disc1 + "Kaze_Inst.exe")) {
    Error("", "", "ディスク 1 に Kaze_Inst.exe (アンインストーラ) がありません。インストールは最後に失敗します。");
  }
  if (usesArchives_ && !IsFile(disc1 + "cab32.dll")) {
    Error("", "", "アーカイブを使っていますが、ディスク 1 に cab32.dll がありません。");
  }
  // Both are copied by name into the installation folder: a folder in the name fails the
  // installation at its end.
  auto supportFile = [&](const char* section, const char* key, const char* name) {
    if (name[0] == '\0') return;
    if (!IsBareFileName(name)) {
      Error(section, key, Quoted(name) + ": ディスク 1 のルートにあるファイル名だけを書いてください。");
    } else if (!IsFile(disc1 + name)) {
      Error(section, key, "ディスク 1 に" + Quoted(name) + "がありません。");
    }
  };
  if (info != nullptr) supportFile(kInfo, "README", info->readme);
  const AppearanceInfo* look = context_.appearance.get();
  if (look != nullptr) supportFile(kAbout, "BANNERNAME", look->bannerName);
  if (info != nullptr && (info->dxVersion[0] | info->dxVersion[1] | info->dxVersion[2] |
                          info->dxVersion[3]) != 0) {
    if (info->dxSetupDll[0] == '\0') {
      Error(kInfo, "DXSETUPDLL", "DIRECTXVER がありますが、DirectX のセットアップライブラリが指定されていません。");
    } else if (!IsFile(disc1 + info->dxSetupDll)) {
      Error(kInfo, "DXSETUPDLL", "ディスク 1 に" + Quoted(info->dxSetupDll) + "がありません。");
    }
  }
}

void DiscChecker::CheckRegistry() {
  const RegistryData* registry = context_.registryData.get();
  if (registry == nullptr) return;
  bool anyValue = false;
  for (int i = 0; i < registry->entryCount; ++i) {
    const RegistryEntry& entry = registry->entries[i];
    if (entry.valueName[0] == '\0' && entry.valueData[0] == '\0') continue;
    anyValue = true;
    const std::string key = "REGDATA_GROUP_" + Number(entry.groupId);
    if (entry.valueName[0] == '\0') {
      Error(kRegistry, key, "値の名前がありません (\"名前\"=\"データ\" の形で書いてください)。");
      continue;
    }
    if (IsDwordData(entry.valueData) && !IsHexNumber(entry.valueData + 6)) {
      Error(kRegistry, key, "dword: の後が 16 進数ではありません。");
    }
    std::string expanded;
    if (!defaultFolder_.empty() &&
        !ExpandPathMacros(entry.valueData, true, defaultFolder_.c_str(), &expanded)) {
      Error(kRegistry, key, "既定のインストール先で展開すると 259 バイトを超えます。");
    }
  }
  if (registry->key[0] == '\0') {
    if (anyValue) Warning(kRegistry, "REG_KEY", "REG_KEY がないため、値は書き込まれません。");
    return;
  }
  if (!SamePath(registry->key, kProductRegistryKey)) {
    Warning(kRegistry, "REG_KEY",
            "setup.exe はインストール済みかどうかを" + Quoted(kProductRegistryKey) +
                "で調べます。REG_KEY が違うと、インストール済みの確認が働きません。");
  }
  if (!IsRecordWithinScope(RemovalScope(), LOG_REGS, registry->key)) {
    Error(kRegistry, "REG_KEY",
          "HKEY_LOCAL_MACHINE\\Software の下のキーではありません。アンインストールで削除できません。");
  }
}

void DiscChecker::CheckShortcuts() {
  const InstallInfo* info = context_.installInfo.get();
  if (info == nullptr) return;
  const std::string ini = discs_[0].path + "install.ini";
  int declared = GetPrivateProfileIntA(kInfo, "MAKESHORTCUT", 0, ini.c_str());
  if (declared > kMaxShortcuts) {
    Warning(kInfo, "MAKESHORTCUT", "ショートカットは 8 個までです。9 個目からは作られません。");
  }
  char programs[MAX_PATH] = {};
  GetProgramsFolder(programs);
  auto checkLink = [&](const std::string& key, const char* name) {
    if (name[0] != '\0' && (!IsContainedPath(name, std::strlen(name), false) || !IsBareFileName(name))) {
      Error(kInfo, key, "ショートカット名" + Quoted(name) + "にはフォルダや使えない文字を含められません。");
      return;
    }
    std::string link = std::string(programs) + ShortcutLinkText(info->corpName, info->appName, name);
    if (programs[0] != '\0' && link.size() > kLogTextMax) {
      Error(kInfo, key, "ショートカット" + Quoted(link) + "が 255 バイトを超えます。");
    }
  };
  checkLink("MAKEMYSHORTCUT", info->myShortcutName);

  int count = std::min<int>(info->shortcutCount, kMaxShortcuts);
  for (int i = 0; i < count; ++i) {
    const PathPair& shortcut = info->shortcuts[i];
    const std::string key = "MAKESHORTCUT_PATH_" + Number(i);
    if (shortcut.source[0] == '\0' || shortcut.target[0] == '\0') {
      Warning(kInfo, key, "ファイルか名前が空のため、このショートカットは作られません。");
      continue;
    }
    checkLink(key, shortcut.target);
    const std::string wanted = Lower(shortcut.source);
    std::vector<std::string> without;
    int typesWithGroups = 0;
    for (int t = 0; t < context_.typeCount; ++t) {
      const InstallType& type = context_.installTypes[t];
      if (type.groupCount == 0) continue;
      ++typesWithGroups;
      bool installs = false;
      for (int g = 0; g < type.groupCount && !installs; ++g) {
        for (size_t f = 0; f < factGroups_.size(); ++f) {
          if (factGroups_[f] == type.groups[g] && groupFacts_[f].installed.count(wanted)) installs = true;
        }
      }
      if (!installs) without.push_back(type.name);
    }
    if (typesWithGroups > 0 && static_cast<int>(without.size()) == typesWithGroups) {
      Error(kInfo, key, Quoted(shortcut.source) + "はどの種類でもインストールされません。");
    } else {
      for (const std::string& type : without) {
        Warning(kInfo, key, "種類" + Quoted(type) + "では" + Quoted(shortcut.source) + "がインストールされません。");
      }
    }
  }
}

}  // namespace kaze
