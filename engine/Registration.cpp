// Registration after a successful installation: the game's registry values, the
// uninstaller with its Start-menu group and uninstall entry, and the installed install.ini.
#include "engine/Registration.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/SystemSession.h"
#include "config/IniEditor.h"
#include "engine/EngineHost.h"
#include "engine/RegistrationText.h"
#include "system/Dbcs.h"
#include "system/FileUtils.h"
#include "system/Handles.h"
#include "system/OsServices.h"
#include "system/PathText.h"
#include "system/StopPoint.h"
#include "ui/Prompts.h"
#include "uninstall/LogRecords.h"
#include "uninstall/RemovalRules.h"

namespace kaze {

namespace {

constexpr size_t kMaxPath = 259;
const char kUninstaller[] = "Kaze_Inst.exe";
const char kUninstallRegCaption[] = "CUnInstReg";
const char kUninstallRegFailed[] = "アンインストール用レジストリの作成に失敗しました";
const char kRegisteringText[] = "アプリケーション情報を Windows に登録中...";
const char kProductKeyFailed[] = "レジストリにアプリケーション情報を書き込めませんでした。\n";
const char kValueTooLong[] =
    "レジストリに書き込むパスが長すぎるため、アプリケーション情報を書き込めませんでした。\n";
const char kSupportCopyFailed[] = "インストール先にファイルをコピーできませんでした。\n";
const char kGroupFailed[] = "スタートメニューにプログラムグループを作成できませんでした。\n";
const char kShortcutFailed[] = "スタートメニューにショートカットを作成できませんでした。\n";
const char kInstalledIniFailed[] = "インストール先にファイルを書き込めませんでした。\n";

// A key below HKEY_LOCAL_MACHINE, created (or opened when it is there) with all access.
bool CreateOrOpen(ScopedKey& key, const char* path) {
  return key.Create(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS);
}

bool SetString(const ScopedKey& key, const char* name, const std::string& text) {
  return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool SetNumber(const ScopedKey& key, const char* name, DWORD number) {
  return RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                        sizeof number) == ERROR_SUCCESS;
}

bool KeyExists(const char* path) {
  ScopedKey key;
  return key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ);
}

// The log refuses texts over kLogTextMax bytes; whatever could not be recorded could not be
// taken away again, so it is not made at all.
bool Recordable(const std::string& path) {
  return !path.empty() && path.size() <= kLogTextMax;
}

// Records a file the step wrote, when it is new: a file that was there before is the
// user's, kept aside during the run and never the installation's to remove. False when
// the record could not be written (the host told it).
bool RecordWrittenFile(EngineHost& host, const std::string& path, bool existedBefore,
                       bool succeeded) {
  if (!existedBefore && (succeeded || PathExists(path.c_str()))) {
    return host.RecordLogEntry(LOG_FILE, path.c_str());
  }
  return true;
}

bool CopyLogged(EngineHost& host, const std::string& from, const std::string& to) {
  if (!Recordable(to)) return false;
  bool existed = PathExists(to.c_str());
  if (!host.KeepBeforeWriting(to.c_str())) return false;
  if (!existed && !host.BeforeCreating(LOG_FILE, to.c_str())) return false;
  bool copied = CopyFileWhole(from.c_str(), to.c_str());
  return RecordWrittenFile(host, to, existed, copied) && copied;
}

// One message a failure: none when the journal's or the log's failure was told already.
void TellFailure(const EngineHost& host, const char* text, const std::string& what) {
  if (host.FailureTold()) return;
  ShowMessage(nullptr, (text + what).c_str(), kInstallerCaption, MB_OK | MB_ICONERROR);
}

// A value as the user reads it: the key, then the name ("(既定)" for the unnamed one).
std::string ValueText(const char* key, const std::string& name) {
  return RegistryRecordText(key) + "\\" + (name.empty() ? "(既定)" : name);
}

// What is at path (with or without its backslash): 1 a folder, 0 nothing, -1 something
// else (a file in the way).
int FolderState(const char* path) {
  std::string bare = path;
  // "C:" alone would name the drive's current folder.
  if (bare.size() > 3 && EndsWithBackslash(bare.c_str())) bare.pop_back();
  DWORD attributes = GetFileAttributesA(bare.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : -1;
}

bool GroupChosen(const InstallContext& context, int groupId) {
  if (context.installTypes == nullptr || context.selectedType < 0 ||
      context.selectedType >= context.typeCount) {
    return false;
  }
  const InstallType& type = context.installTypes[context.selectedType];
  for (int i = 0; i < type.groupCount; ++i) {
    if (type.groups[i] != nullptr && type.groups[i]->id == groupId) return true;
  }
  return false;
}

bool WriteInstalledIniAt(EngineHost& host, const std::string& path);

// The shortcut maker over one SystemSession: links below the Programs folder, each
// recorded once written.
class ProgramGroup {
 public:
  ProgramGroup(EngineHost& host, const std::string& programsFolder)
      : host_(host), programs_(programsFolder) {}

  bool Start(HWND owner) {
    started_ = !programs_.empty() && session_.StartShellLink(owner);
    return started_;
  }

  // False, after a message naming the link, when it could not be made or recorded.
  bool AddShortcut(const std::string& link, const std::string& target,
                   const char* workingFolder) {
    std::string linkFile = programs_ + link;
    if (!Make(linkFile, link, target, workingFolder)) {
      TellFailure(host_, kShortcutFailed, linkFile);
      return false;
    }
    return true;
  }

 private:
  bool Make(const std::string& linkFile, const std::string& link, const std::string& target,
            const char* workingFolder) {
    if (!started_ || target.empty() || target.size() > kMaxPath || !Recordable(linkFile)) {
      return false;
    }
    bool existed = PathExists(linkFile.c_str());
    // A shortcut of the user's under the same name is kept aside like any file.
    if (!host_.KeepBeforeWriting(linkFile.c_str())) return false;
    if (!existed && !host_.BeforeCreating(LOG_FILE, linkFile.c_str())) return false;
    bool made = session_.CreateShortcut(1, link.c_str(), target.c_str(), "", workingFolder);
    return RecordWrittenFile(host_, linkFile, existed, made != 0) && made;
  }

  EngineHost& host_;
  std::string programs_;
  SystemSession session_;  // stops the shell link when it goes
  bool started_ = false;
};

// The parents of key below "Software" that do not exist yet, innermost first.
std::vector<std::string> MissingParentKeys(const char* key) {
  std::vector<std::string> parents;
  static const RemovalScope kAnywhere;
  for (const char* separator = FindChar(key, '\\'); separator != nullptr;
       separator = FindChar(separator + 1, '\\')) {
    std::string parent(key, separator);
    if (IsRecordWithinScope(kAnywhere, LOG_REGS, parent.c_str()) && !KeyExists(parent.c_str())) {
      parents.insert(parents.begin(), parent);
    }
  }
  return parents;
}

// The chosen type's size in kilobytes, as the list of installed programs counts it.
DWORD EstimatedKilobytes(const InstallContext& context) {
  if (context.installTypes == nullptr || context.selectedType < 0 ||
      context.selectedType >= context.typeCount) {
    return 0;
  }
  long long megabytes = context.installTypes[context.selectedType].totalSizeMb;
  if (megabytes < 0) return 0;
  return static_cast<DWORD>(std::min<long long>(megabytes * 1024, 0xFFFFFFFFLL));
}

}  // namespace

bool WriteRegistryLine(const char* key, const char* line) {
  if (key == nullptr || key[0] == '\0' || line == nullptr || line[0] == '\0') return false;
  RegistryValue value;
  if (!ParseRegistryLine(line, &value)) return false;
  ScopedKey handle;
  if (!CreateOrOpen(handle, key)) return false;
  return value.isString ? SetString(handle, value.name.c_str(), value.text)
                        : SetNumber(handle, value.name.c_str(), value.number);
}

bool CreateFolderLogged(EngineHost& host, const char* folder) {
  // A file of that name is in the way: nothing is recorded that the run could not make.
  int state = FolderState(folder);
  if (state != 0) return state > 0;
  if (!Recordable(folder)) return false;
  std::string parent;
  if (ParentFolder(folder, &parent) && !CreateFolderLogged(host, parent.c_str())) return false;
  if (!host.BeforeCreating(LOG_FOLD, folder) || !CreateDirectoryA(folder, nullptr)) return false;
  return host.RecordLogEntry(LOG_FOLD, folder);
}

bool WriteRegistryData(EngineHost& host) {
  host.SetWorkItem(kRegisteringText);
  host.PumpOneFrameMessage();

  InstallContext& context = host.context();
  const RegistryData* registry = context.registryData.get();
  if (registry == nullptr || registry->key[0] == '\0') return true;
  // A key that was there before the installation is not its to remove; nor is a parent
  // key (the maker's) that was there.
  bool keyExisted = KeyExists(registry->key);
  std::vector<std::string> newParents = MissingParentKeys(registry->key);
  // The keys and values about to be made or replaced are recorded first, outer keys first.
  bool recorded = true;
  if (!keyExisted) {
    for (auto parent = newParents.rbegin(); parent != newParents.rend() && recorded; ++parent) {
      recorded = host.BeforeCreatingKey(parent->c_str());
    }
    recorded = recorded && host.BeforeCreatingKey(registry->key);
  }
  auto writeLine = [&](const std::string& line) {
    RegistryValue value;
    if (!recorded || !ParseRegistryLine(line.c_str(), &value)) return false;
    recorded = host.BeforeSettingValue(registry->key, value.name.c_str());
    return recorded && WriteRegistryLine(registry->key, line.c_str());
  };

  // The folder first: the uninstaller knows the key as this installation's by it. The
  // first value that cannot be written ends the step: the game would miss it.
  std::string failure;  // the message, "" while every value was written
  std::string install = std::string("\"install\"=\"") + context.installFolder + "\"";
  if (!writeLine(install)) {
    failure = kProductKeyFailed + RegistryRecordText(registry->key);
  }
  for (int i = 0; i < registry->entryCount && failure.empty(); ++i) {
    const RegistryEntry& entry = registry->entries[i];
    // A group without a REGDATA_GROUP entry has no value to write.
    if (entry.valueName[0] == '\0' && entry.valueData[0] == '\0') continue;
    std::string data;
    if (!ExpandPathMacros(entry.valueData, GroupChosen(context, entry.groupId),
                          context.installFolder, &data)) {
      // The expanded path would not fit: refused rather than cut.
      failure = kValueTooLong + ValueText(registry->key, entry.valueName);
      break;
    }
    // install.ini's quotes are gone by now (the loader drops them), so a plain text would
    // read as a number without digits: only an explicit dword: value is a number.
    if (!IsDwordData(data.c_str())) data = "\"" + data + "\"";
    std::string line = std::string("\"") + entry.valueName + "\"=" + data;
    if (!writeLine(line)) failure = kProductKeyFailed + ValueText(registry->key, entry.valueName);
  }

  // The key, then the parents it brought with it, inner first: removed in this order,
  // each parent is empty by the time its turn comes.
  bool logged = true;
  if (!keyExisted && KeyExists(registry->key) && failure.empty()) {
    logged = host.RecordLogEntry(LOG_REGS, registry->key);
    for (auto parent = newParents.begin(); parent != newParents.end() && logged; ++parent) {
      if (KeyExists(parent->c_str())) logged = host.RecordLogEntry(LOG_REGS, parent->c_str());
    }
  }
  KAZE_STOP_POINT("registry");
  if (!recorded || !logged) return false;  // the journal's or the log's failure was told
  if (!failure.empty()) {
    TellFailure(host, failure.c_str(), "");
    return false;
  }
  return true;
}

bool RegisterUninstall(EngineHost& host, std::string* newEntry) {
  InstallContext& context = host.context();
  const InstallInfo* info = context.installInfo.get();
  if (info == nullptr) return true;
  const std::string installFolder = context.installFolder;

  char programs[MAX_PATH] = {};
  if (!GetProgramsFolder(programs)) programs[0] = '\0';
  ProgramGroup group(host, programs);
  group.Start(context.frameWindow);

  // Without its group the game could not be started from the Start menu, nor the
  // uninstaller found: a failure like any other.
  std::string groupFolder = std::string(programs) + ProgramGroupText(info->corpName, info->appName);
  if (programs[0] == '\0' || groupFolder.size() > kMaxPath ||
      !CreateFolderLogged(host, groupFolder.c_str())) {
    TellFailure(host, kGroupFailed, groupFolder);
    return false;
  }

  // Each support file comes from the run's staged copy; one that cannot be put in place
  // fails the installation.
  const std::string staging = host.stagingFolder();
  auto stage = [&](const char* name) {
    if (name[0] == '\0') return true;
    std::string from = staging + name;
    std::string to = installFolder + name;
    bool copied = !staging.empty() && from.size() <= kMaxPath && to.size() <= kMaxPath &&
                  CopyLogged(host, from, to);
    if (!copied) TellFailure(host, kSupportCopyFailed, to);
    return copied;
  };

  const std::string uninstaller = installFolder + kUninstaller;
  if (!stage(kUninstaller)) return false;
  if (!group.AddShortcut(ShortcutLinkText(info->corpName, info->appName, info->myShortcutName),
                         uninstaller, installFolder.c_str())) {
    return false;
  }
  if (!stage(info->readme)) return false;
  if (context.appearance != nullptr && !stage(context.appearance->bannerName)) return false;

  int count = info->shortcutCount < kMaxShortcuts ? info->shortcutCount : kMaxShortcuts;
  for (int i = 0; i < count; ++i) {
    const PathPair& shortcut = info->shortcuts[i];
    if (shortcut.source[0] == '\0' || shortcut.target[0] == '\0') continue;
    if (!group.AddShortcut(ShortcutLinkText(info->corpName, info->appName, shortcut.target),
                           installFolder + shortcut.source, installFolder.c_str())) {
      return false;
    }
  }
  KAZE_STOP_POINT("shortcuts");

  UninstallEntryText entry =
      MakeUninstallEntryText(info->corpName, info->appName, installFolder.c_str());
  // The entry is not recorded in the log: the uninstaller removes it only when its removal
  // succeeded (so that a failed one can be tried again). A run that fails after this point
  // takes it back itself.
  const bool entryExisted = KeyExists(entry.keyPath.c_str());
  bool recorded = true;
  if (!entryExisted) {
    std::vector<std::string> parents = MissingParentKeys(entry.keyPath.c_str());
    for (auto parent = parents.rbegin(); parent != parents.rend() && recorded; ++parent) {
      recorded = host.BeforeCreatingKey(parent->c_str());
    }
    recorded = recorded && host.BeforeCreatingKey(entry.keyPath.c_str());
  }
  const std::string gameIconPath = installFolder + info->exeName;
  const char* exe = info->exeName;
  const bool gameIcon = exe[0] != '\0' && IsContainedPath(exe, std::strlen(exe), false) &&
                        installFolder.size() + std::strlen(exe) <= kMaxPath;
  // Every value the entry gets, recorded (with what it replaces) before the first is set.
  std::vector<const char*> names = {"DisplayName", "UninstallString", "DisplayIcon",
                                    "InstallLocation", "EstimatedSize"};
  if (info->corpName[0] != '\0') names.push_back("Publisher");
  for (const char* name : names) {
    recorded = recorded && host.BeforeSettingValue(entry.keyPath.c_str(), name);
  }
  if (!recorded) return false;  // the journal's failure was told
  ScopedKey key;
  const bool entryMade = CreateOrOpen(key, entry.keyPath.c_str());
  if (entryMade && !entryExisted && newEntry != nullptr) *newEntry = entry.keyPath;
  // With what the list of installed programs shows beside the name: an entry only half
  // written is not what was recorded.
  bool entryWritten = entryMade &&
                      SetString(key, "DisplayName", entry.displayName) &&
                      SetString(key, "UninstallString", entry.command) &&
                      SetString(key, "DisplayIcon", gameIcon ? gameIconPath : uninstaller) &&
                      (info->corpName[0] == '\0' || SetString(key, "Publisher", info->corpName)) &&
                      SetString(key, "InstallLocation", installFolder) &&
                      SetNumber(key, "EstimatedSize", EstimatedKilobytes(context));
  if (!entryWritten) {
    ShowMessage(nullptr, kUninstallRegFailed, kUninstallRegCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  return true;
}

bool WriteInstalledIni(EngineHost& host) {
  InstallContext& context = host.context();
  const InstallInfo* info = context.installInfo.get();
  if (info == nullptr) return true;
  std::string path = std::string(context.installFolder) + "install.ini";
  if (!WriteInstalledIniAt(host, path)) {
    TellFailure(host, kInstalledIniFailed, path);
    return false;
  }
  return true;
}

namespace {

bool WriteInstalledIniAt(EngineHost& host, const std::string& path) {
  InstallContext& context = host.context();
  const InstallInfo* info = context.installInfo.get();
  if (!Recordable(path)) return false;
  bool existed = PathExists(path.c_str());
  if (!host.KeepBeforeWriting(path.c_str())) return false;
  if (!existed && !host.BeforeCreating(LOG_FILE, path.c_str())) return false;

  TextFile file;
  if (!file.RecreateEmptyFile(path.c_str(), true)) return false;
  // The editor's copy beside the file ("install.ini.tmp"): one of the user's there is kept
  // aside first, and the copy is recorded before the first one is made, so that a run
  // taken back leaves neither.
  bool temporaryReady = false;
  auto beforeTemporary = [&](const std::string& temporary) {
    if (temporaryReady) return true;
    if (!host.KeepBeforeWriting(temporary.c_str())) return false;
    // A folder in the way is not recorded: the copy then fails on its own.
    if (!PathExists(temporary.c_str()) && !host.BeforeCreating(LOG_FILE, temporary.c_str())) {
      return false;
    }
    temporaryReady = true;
    return true;
  };
  const AppearanceInfo* look = context.appearance.get();
  InstalledIniFields fields = {info->appName,
                               info->corpName,
                               context.installFolder,
                               info->exeName,
                               info->readme,
                               look != nullptr ? look->bannerName : "",
                               look != nullptr ? look->backColor : "",
                               look != nullptr ? look->textColor : ""};
  bool written = true;
  for (const IniEntry& entry : InstalledIniEntries(fields)) {
    if (!WriteIniValue(file, entry.section, entry.key, entry.value.c_str(), beforeTemporary)) {
      written = false;
      break;
    }
  }
  return RecordWrittenFile(host, path, existed, written) && written;
}

}  // namespace

}  // namespace kaze
