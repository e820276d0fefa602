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
const char kSupportCopyFailed[] = "インストール先にファイルをコピーできませんでした。\n";

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
// user's, kept aside during the run and never the installation's to remove.
void RecordWrittenFile(EngineHost& host, const std::string& path, bool existedBefore,
                       bool succeeded) {
  if (!existedBefore && (succeeded || PathExists(path.c_str()))) {
    host.RecordLogEntry(LOG_FILE, path.c_str());
  }
}

bool CopyLogged(EngineHost& host, const std::string& from, const std::string& to) {
  if (!Recordable(to)) return false;
  bool existed = PathExists(to.c_str());
  if (!host.KeepBeforeWriting(to.c_str())) return false;
  if (!existed && !host.BeforeCreating(LOG_FILE, to.c_str())) return false;
  bool copied = CopyFileWhole(from.c_str(), to.c_str());
  RecordWrittenFile(host, to, existed, copied);
  return copied;
}

void TellFailure(const char* text, const std::string& what) {
  ShowMessage(nullptr, (text + what).c_str(), kInstallerCaption, MB_OK | MB_ICONERROR);
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

  void AddShortcut(const std::string& link, const std::string& target,
                   const char* workingFolder) {
    if (!started_ || target.empty() || target.size() > kMaxPath) return;
    std::string linkFile = programs_ + link;
    if (!Recordable(linkFile)) return;
    bool existed = PathExists(linkFile.c_str());
    // A shortcut of the user's under the same name is kept aside like any file.
    if (!host_.KeepBeforeWriting(linkFile.c_str())) return;
    if (!existed && !host_.BeforeCreating(LOG_FILE, linkFile.c_str())) return;
    bool made = session_.CreateShortcut(1, link.c_str(), target.c_str(), "", workingFolder);
    RecordWrittenFile(host_, linkFile, existed, made != 0);
  }

 private:
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
  if (PathExists(folder)) return true;
  if (!Recordable(folder)) return false;
  std::string parent;
  if (ParentFolder(folder, &parent) && !CreateFolderLogged(host, parent.c_str())) return false;
  if (!host.BeforeCreating(LOG_FOLD, folder) || !CreateDirectoryA(folder, nullptr)) return false;
  host.RecordLogEntry(LOG_FOLD, folder);
  return true;
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

  // The folder first: the uninstaller knows the key as this installation's by it.
  std::string install = std::string("\"install\"=\"") + context.installFolder + "\"";
  bool written = writeLine(install);
  for (int i = 0; i < registry->entryCount; ++i) {
    const RegistryEntry& entry = registry->entries[i];
    // A group without a REGDATA_GROUP entry has no value to write.
    if (entry.valueName[0] == '\0' && entry.valueData[0] == '\0') continue;
    std::string data;
    if (!ExpandPathMacros(entry.valueData, GroupChosen(context, entry.groupId),
                          context.installFolder, &data)) {
      continue;  // the expanded path would not fit: refused rather than cut
    }
    // install.ini's quotes are gone by now (the loader drops them), so a plain text would
    // read as a number without digits: only an explicit dword: value is a number.
    if (!IsDwordData(data.c_str())) data = "\"" + data + "\"";
    std::string line = std::string("\"") + entry.valueName + "\"=" + data;
    writeLine(line);
  }

  // The key, then the parents it brought with it, inner first: removed in this order,
  // each parent is empty by the time its turn comes.
  if (!keyExisted && KeyExists(registry->key)) {
    host.RecordLogEntry(LOG_REGS, registry->key);
    for (const std::string& parent : newParents) {
      if (KeyExists(parent.c_str())) host.RecordLogEntry(LOG_REGS, parent.c_str());
    }
  }
  KAZE_STOP_POINT("registry");
  if (!recorded) return false;  // the journal's failure was told
  if (!written) TellFailure(kProductKeyFailed, std::string("HKEY_LOCAL_MACHINE\\") + registry->key);
  return written;
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

  std::string groupFolder = std::string(programs) + ProgramGroupText(info->corpName, info->appName);
  bool groupReady = programs[0] != '\0' && groupFolder.size() <= kMaxPath &&
                    CreateFolderLogged(host, groupFolder.c_str());

  // Each support file comes from the run's staged copy; one that cannot be put in place
  // fails the installation.
  const std::string staging = host.stagingFolder();
  auto stage = [&](const char* name) {
    if (name[0] == '\0') return true;
    std::string from = staging + name;
    std::string to = installFolder + name;
    bool copied = !staging.empty() && from.size() <= kMaxPath && to.size() <= kMaxPath &&
                  CopyLogged(host, from, to);
    if (!copied) TellFailure(kSupportCopyFailed, to);
    return copied;
  };

  const std::string uninstaller = installFolder + kUninstaller;
  if (!stage(kUninstaller)) return false;
  if (groupReady) {
    group.AddShortcut(ShortcutLinkText(info->corpName, info->appName, info->myShortcutName),
                      uninstaller, installFolder.c_str());
  }
  if (!stage(info->readme)) return false;
  if (context.appearance != nullptr && !stage(context.appearance->bannerName)) return false;

  int count = info->shortcutCount < kMaxShortcuts ? info->shortcutCount : kMaxShortcuts;
  for (int i = 0; groupReady && i < count; ++i) {
    const PathPair& shortcut = info->shortcuts[i];
    if (shortcut.source[0] == '\0' || shortcut.target[0] == '\0') continue;
    group.AddShortcut(ShortcutLinkText(info->corpName, info->appName, shortcut.target),
                      installFolder + shortcut.source, installFolder.c_str());
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
  bool entryWritten = entryMade &&
                      SetString(key, "DisplayName", entry.displayName) &&
                      SetString(key, "UninstallString", entry.command);
  if (!entryWritten) {
    ShowMessage(nullptr, kUninstallRegFailed, kUninstallRegCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  // What the list of installed programs shows beside the name; they go with the entry.
  SetString(key, "DisplayIcon", gameIcon ? gameIconPath : uninstaller);
  if (info->corpName[0] != '\0') SetString(key, "Publisher", info->corpName);
  SetString(key, "InstallLocation", installFolder);
  SetNumber(key, "EstimatedSize", EstimatedKilobytes(context));
  return true;
}

void WriteInstalledIni(EngineHost& host) {
  InstallContext& context = host.context();
  const InstallInfo* info = context.installInfo.get();
  if (info == nullptr) return;
  std::string path = std::string(context.installFolder) + "install.ini";
  if (!Recordable(path)) return;
  bool existed = PathExists(path.c_str());
  if (!host.KeepBeforeWriting(path.c_str())) return;
  if (!existed && !host.BeforeCreating(LOG_FILE, path.c_str())) return;

  TextFile file;
  if (!file.RecreateEmptyFile(path.c_str(), true)) return;
  const AppearanceInfo* look = context.appearance.get();
  InstalledIniFields fields = {info->appName,
                               info->corpName,
                               context.installFolder,
                               info->exeName,
                               info->readme,
                               look != nullptr ? look->bannerName : "",
                               look != nullptr ? look->backColor : "",
                               look != nullptr ? look->textColor : ""};
  for (const IniEntry& entry : InstalledIniEntries(fields)) {
    WriteIniValue(file, entry.section, entry.key, entry.value.c_str());
  }
  if (!existed) host.RecordLogEntry(LOG_FILE, path.c_str());
}

}  // namespace kaze
