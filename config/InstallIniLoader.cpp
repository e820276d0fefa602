#include "config/InstallIniLoader.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "config/ProfileReader.h"
#include "config/ValueParsing.h"
#include "engine/RegistrationText.h"
#include "system/Dbcs.h"
#include "system/FileUtils.h"
#include "system/OsServices.h"
#include "system/PathText.h"

namespace kaze {
namespace {

// Composite values (lists, path pairs, registry pairs) are read as one 256-byte text.
constexpr size_t kValueSize = kNameSize;

const char kInfoSection[] = "INSTALL_INFO";
const char kGroupSection[] = "INSTALL_GROUP";
const char kRegistrySection[] = "INSTALL_REGISTRY_0";
const char kAboutSection[] = "ABOUT_BOX";
const char kDiscSectionFormat[] = "INSTALL_GROUP_DISK_%d";

// A shortcut's name with the ".lnk" the file gets.
constexpr size_t kLinkNameMaxBytes = kNameMaxBytes - 4;

// Far beyond any real install.ini; a larger file is only known to be over the limit.
constexpr size_t kMeasuredFileMax = 16u << 20;

std::string DiscSection(int disc) {
  char name[64];
  std::snprintf(name, sizeof name, kDiscSectionFormat, disc);
  return name;
}

// A count from the file: never negative, and never more than the lines that could
// hold the counted keys, so that tables stay proportional to the file.
int BoundCount(int value, int lines) { return std::max(0, std::min(value, lines)); }

int SaturatingAdd(int a, int b) {
  long long sum = static_cast<long long>(a) + b;
  return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, sum)));
}

class Loader {
 public:
  Loader(const char* path, InstallContext& context, std::vector<std::string>* refused)
      : context_(context), refused_(refused) {
    // Never cut: a shorter path names another file. An over-long one reads as missing.
    if (path != nullptr && std::strlen(path) < sizeof path_) std::strcpy(path_, path);
  }
  Loader(const Loader&) = delete;
  Loader& operator=(const Loader&) = delete;

  void Run() {
    context_.ReleaseDescription();
    context_.overlongValue[0] = '\0';
    context_.uncontainedValue[0] = '\0';
    context_.overlargePart[0] = '\0';
    LoadInfo();
    LoadDiscs();
    LoadTypes();
    LoadRegistry();
    LoadAppearance();
    reader_.Reset();
    if (!IsNtPlatform()) NoteOverlargePart();
  }

 private:
  SectionHandle Register(const char* section) {
    return path_[0] != '\0' ? reader_.RegisterSection(path_, section) : kNoSection;
  }

  // What was just read on Windows 9x is cut if the file or a section it came from is over
  // the system's limits: the part is named so that the file is refused. A file that
  // cannot be measured counts as over them.
  void NoteOverlargePart() {
    if (path_[0] == '\0') return;
    ProfileCut9x cut;
    if (!FindInstallIniCut9x(path_, context_.diskCount, &cut)) cut.file = true;
    const char* slash = FindLastChar(path_, '\\');
    if (cut.file) {
      std::snprintf(context_.overlargePart, sizeof context_.overlargePart, "%s",
                    slash != nullptr ? slash + 1 : path_);
    } else if (!cut.sections.empty()) {
      std::snprintf(context_.overlargePart, sizeof context_.overlargePart, "[%s]",
                    cut.sections[0].c_str());
    }
  }

  void NoteOverlong(const char* section, const char* key) {
    if (context_.overlongValue[0] != '\0') return;
    std::snprintf(context_.overlongValue, sizeof context_.overlongValue, "%s/%s", section,
                  key);
  }

  // The first refused key goes into the context; every one into the caller's list.
  void NoteRefused(const char* section, const char* key) {
    char named[kNameSize];
    std::snprintf(named, sizeof named, "%s/%s", section, key);
    if (context_.uncontainedValue[0] == '\0') std::strcpy(context_.uncontainedValue, named);
    if (refused_ != nullptr &&
        std::find(refused_->begin(), refused_->end(), named) == refused_->end()) {
      refused_->push_back(named);
    }
  }

  // A path from the disc that must stay below the folder it is joined to (the disc, the
  // installation folder, the program group): "..", a drive or a leading "\" is noted.
  void CheckWithin(const char* section, const char* key, const char* path) {
    if (!IsContainedPath(path, std::strlen(path), true)) NoteRefused(section, key);
  }

  // A value that becomes one name of a folder or a shortcut; maxBytes leaves room for what
  // is appended (".lnk").
  void CheckName(const char* key, const char* name, bool required, size_t maxBytes) {
    if (name[0] == '\0' && !required) return;
    if (!IsSingleName(name, std::strlen(name), maxBytes)) NoteRefused(kInfoSection, key);
  }

  // Reads a text of at most size - 1 bytes into field. One byte more is asked for, so
  // that a value that does not fit shows; it is stored cut to whole characters and
  // the key is noted.
  void ReadText(SectionHandle handle, const char* section, const char* key, char* field,
                size_t size) {
    std::vector<char> buffer(size + 1, '\0');
    if (!reader_.ReadString(handle, key, buffer.data(), static_cast<DWORD>(size + 1)))
      return;
    if (std::strlen(buffer.data()) >= size) {
      NoteOverlong(section, key);
      CutToWholeCharacters(buffer.data(), size);
    }
    std::memcpy(field, buffer.data(), std::strlen(buffer.data()) + 1);
  }

  std::vector<int> ReadNumberList(SectionHandle handle, const char* section, const char* key) {
    char text[kValueSize] = {};
    ReadText(handle, section, key, text, sizeof text);
    return ParseNumberList(text);
  }

  void ReadPathPair(SectionHandle handle, const char* section, const char* key,
                    PathPair& pair) {
    char text[kValueSize] = {};
    ReadText(handle, section, key, text, sizeof text);
    if (!SplitPathPair(pair, text)) NoteOverlong(section, key);
    // One spelling for every later step and record: Docs/ is Docs\ .
    UseBackslashes(pair.target);
    CheckWithin(section, key, pair.source);
    CheckWithin(section, key, pair.target);
  }

  void LoadInfo() {
    auto info = std::make_unique<InstallInfo>();
    SectionHandle handle = Register(kInfoSection);
    auto text = [&](const char* key, char* field, size_t size) {
      ReadText(handle, kInfoSection, key, field, size);
    };
    text("CORPNAME", info->corpName, sizeof info->corpName);
    text("APPNAME", info->appName, sizeof info->appName);
    text("EXENAME", info->exeName, sizeof info->exeName);
    text("README", info->readme, sizeof info->readme);
    text("PATH", info->path, sizeof info->path);
    text("PATH2", info->path2, sizeof info->path2);
    text("DXSETUPDLL", info->dxSetupDll, sizeof info->dxSetupDll);
    text("INSTDX", info->instDx, sizeof info->instDx);
    // The Start-menu group Programs\CORPNAME\APPNAME\ (a maker's name may be left out;
    // without a product name the group would be the maker's folder or Programs itself).
    CheckName("CORPNAME", info->corpName, false, kNameMaxBytes);
    CheckName("APPNAME", info->appName, true, kNameMaxBytes);
    CheckWithin(kInfoSection, "README", info->readme);
    UseBackslashes(info->path);
    if (!IsContainedFolderPath(info->path, std::strlen(info->path)))
      NoteRefused(kInfoSection, "PATH");
    CheckName("PATH2", info->path2, false, kNameMaxBytes);
    CheckWithin(kInfoSection, "DXSETUPDLL", info->dxSetupDll);
    CheckWithin(kInfoSection, "INSTDX", info->instDx);
    // Missing numbers count as 0; a number beyond 16 bits is kept at the largest one
    // rather than wrapped into a small version.
    std::vector<int> version = ReadNumberList(handle, kInfoSection, "DIRECTXVER");
    for (size_t i = 0; i < 4 && i < version.size(); ++i)
      info->dxVersion[i] = static_cast<uint16_t>(std::min(version[i], 0xFFFF));
    text("MAKEMYSHORTCUT", info->myShortcutName, sizeof info->myShortcutName);
    CheckName("MAKEMYSHORTCUT", info->myShortcutName, false, kLinkNameMaxBytes);
    info->shortcutCount = static_cast<uint8_t>(
        std::max(0, std::min(reader_.ReadInt(handle, "MAKESHORTCUT"), kMaxShortcuts)));
    for (int i = 0; i < kMaxShortcuts; ++i) {
      char key[32];
      std::snprintf(key, sizeof key, "MAKESHORTCUT_PATH_%d", i);
      PathPair& shortcut = info->shortcuts[i];
      ReadPathPair(handle, kInfoSection, key, shortcut);
      // The file below the installation folder, spelt as the members' targets are.
      UseBackslashes(shortcut.source);
      if (i < info->shortcutCount) CheckName(key, shortcut.target, false, kLinkNameMaxBytes);
    }
    reader_.ReleaseFile(handle);

    handle = Register(kGroupSection);
    ReadText(handle, kGroupSection, "NAME_DEFAULT", info->nameDefault, sizeof info->nameDefault);
    ReadText(handle, kGroupSection, "NAME_FULL", info->nameFull, sizeof info->nameFull);
    reader_.ReleaseFile(handle);
    context_.installInfo = std::move(info);
  }

  void LoadGroup(SectionHandle discHandle, const char* discSection, int g, FileGroup& group,
                 int& memberBudget) {
    char key[64];
    std::snprintf(key, sizeof key, "GROUP_%d", g);
    group.id = reader_.ReadInt(discHandle, key);
    std::snprintf(key, sizeof key, "MEMBERSIZE_%d", g);
    group.sizeMb = reader_.ReadInt(discHandle, key);
    std::snprintf(key, sizeof key, "MEMBERNUM_%d", g);
    // Every member needs a line of the disc's section: the members of all groups of a
    // disc share that bound.
    group.memberCount = BoundCount(reader_.ReadInt(discHandle, key), memberBudget);
    memberBudget -= group.memberCount;
    group.members = std::make_unique<PathPair[]>(group.memberCount);
    for (int m = 0; m < group.memberCount; ++m) {
      std::snprintf(key, sizeof key, "MEMBER_%d_%d", g, m);
      ReadPathPair(discHandle, discSection, key, group.members[m]);
    }

    SectionHandle groupHandle = Register(kGroupSection);
    std::snprintf(key, sizeof key, "FILEGROUPNAME_%d", group.id);
    ReadText(groupHandle, kGroupSection, key, group.name, sizeof group.name);
    std::snprintf(key, sizeof key, "FILEGROUPTEXT_%d", group.id);
    ReadText(groupHandle, kGroupSection, key, group.text, sizeof group.text);
    reader_.ReleaseSection(groupHandle);
  }

  void LoadDiscs() {
    SectionHandle infoHandle = Register(kInfoSection);
    int diskCount =
        BoundCount(reader_.ReadInt(infoHandle, "DISKNUM"), reader_.CountSectionLines(infoHandle));
    auto disks = std::make_unique<DiskEntry[]>(diskCount);
    for (int d = 0; d < diskCount; ++d) {
      DiskEntry& disk = disks[d];
      char key[64];
      std::snprintf(key, sizeof key, "DISK_%d", d);
      ReadText(infoHandle, kInfoSection, key, disk.volumeLabel, sizeof disk.volumeLabel);

      const std::string section = DiscSection(d);
      const char* discSection = section.c_str();
      SectionHandle discHandle = Register(discSection);
      int lines = reader_.CountSectionLines(discHandle);
      disk.groupCount = BoundCount(reader_.ReadInt(discHandle, "IDNUM"), lines);
      disk.groups = std::make_unique<FileGroup[]>(disk.groupCount);
      int memberBudget = lines;
      for (int g = 0; g < disk.groupCount; ++g)
        LoadGroup(discHandle, discSection, g, disk.groups[g], memberBudget);
      reader_.ReleaseSection(discHandle);
    }
    context_.diskCount = diskCount;
    context_.disks = std::move(disks);
    reader_.ReleaseFile(infoHandle);
  }

  // Groups that a list names and that exist; an id without a group is skipped.
  void FillTypeGroups(InstallType& type, const std::vector<int>& ids) {
    std::vector<FileGroup*> found;
    for (int id : ids) {
      if (FileGroup* group = FindFileGroup(id, context_)) {
        found.push_back(group);
        type.totalSizeMb = SaturatingAdd(type.totalSizeMb, group->sizeMb);
      }
    }
    type.groupCount = static_cast<int>(found.size());
    if (found.empty()) return;
    type.groups = std::make_unique<FileGroup*[]>(found.size());
    std::copy(found.begin(), found.end(), type.groups.get());
  }

  void LoadTypes() {
    SectionHandle handle = Register(kGroupSection);
    std::vector<int> defaultList = ReadNumberList(handle, kGroupSection, "DEFAULTLIST");
    std::vector<int> fullList = ReadNumberList(handle, kGroupSection, "FULLLIST");
    int customCount =
        BoundCount(reader_.ReadInt(handle, "INSTGROUP"), reader_.CountSectionLines(handle));
    int typeCount = customCount + 2;
    auto types = std::make_unique<InstallType[]>(typeCount);

    const InstallInfo& info = *context_.installInfo;
    if (!defaultList.empty()) {
      std::strcpy(types[0].name, info.nameDefault);
      ReadText(handle, kGroupSection, "TEXT_DEFAULT", types[0].explanation,
               sizeof types[0].explanation);
      FillTypeGroups(types[0], defaultList);
    }
    if (!fullList.empty()) {
      std::strcpy(types[1].name, info.nameFull);
      ReadText(handle, kGroupSection, "TEXT_FULL", types[1].explanation,
               sizeof types[1].explanation);
      FillTypeGroups(types[1], fullList);
    }
    for (int k = 0; k < customCount; ++k) {
      InstallType& type = types[k + 2];
      char key[64];
      std::snprintf(key, sizeof key, "GROUPNAME_%d", k);
      ReadText(handle, kGroupSection, key, type.name, sizeof type.name);
      std::snprintf(key, sizeof key, "EXPLANATION_%d", k);
      ReadText(handle, kGroupSection, key, type.explanation, sizeof type.explanation);
      std::snprintf(key, sizeof key, "GROUPLIST_%d", k);
      FillTypeGroups(type, ReadNumberList(handle, kGroupSection, key));
    }
    reader_.ReleaseSection(handle);
    context_.typeCount = typeCount;
    context_.installTypes = std::move(types);
  }

  void LoadRegistry() {
    auto registry = std::make_unique<RegistryData>();
    SectionHandle handle = Register(kRegistrySection);
    ReadText(handle, kRegistrySection, "REG_KEY", registry->key, sizeof registry->key);
    // Empty: nothing is written. Otherwise a key of the product's own below Software.
    if (registry->key[0] != '\0' && !IsOwnSoftwareKey(registry->key, std::strlen(registry->key)))
      NoteRefused(kRegistrySection, "REG_KEY");
    long long entryCount = 0;
    for (int d = 0; d < context_.diskCount; ++d) entryCount += context_.disks[d].groupCount;
    registry->entryCount = static_cast<int>(std::min<long long>(entryCount, INT_MAX));
    registry->entries = std::make_unique<RegistryEntry[]>(registry->entryCount);
    int e = 0;
    for (int d = 0; d < context_.diskCount; ++d) {
      const DiskEntry& disk = context_.disks[d];
      for (int g = 0; g < disk.groupCount && e < registry->entryCount; ++g)
        registry->entries[e++].groupId = disk.groups[g].id;
    }
    for (int i = 0; i < registry->entryCount; ++i) {
      RegistryEntry& entry = registry->entries[i];
      char key[64];
      std::snprintf(key, sizeof key, "REGDATA_GROUP_%d", entry.groupId);
      char text[kValueSize] = {};
      ReadText(handle, kRegistrySection, key, text, sizeof text);
      if (!SplitRegistryValue(entry.valueName, sizeof entry.valueName, entry.valueData,
                              sizeof entry.valueData, text))
        NoteOverlong(kRegistrySection, key);
      // What INSTALL_DIR+ or CD_DIR+ appends must stay in that folder.
      const char* rest = PathMacroRest(entry.valueData);
      if (rest != nullptr) CheckWithin(kRegistrySection, key, rest);
    }
    reader_.ReleaseSection(handle);
    context_.registryData = std::move(registry);
  }

  void LoadAppearance() {
    SectionHandle handle = Register(kAboutSection);
    if (handle == kNoSection) {
      context_.appearance.reset();
      return;
    }
    auto appearance = std::make_unique<AppearanceInfo>();
    ReadText(handle, kAboutSection, "BANNERNAME", appearance->bannerName,
             sizeof appearance->bannerName);
    CheckWithin(kAboutSection, "BANNERNAME", appearance->bannerName);
    ReadText(handle, kAboutSection, "BKCOLOR", appearance->backColor,
             sizeof appearance->backColor);
    ReadText(handle, kAboutSection, "TEXTCOLOR", appearance->textColor,
             sizeof appearance->textColor);
    reader_.ReleaseSection(handle);
    context_.appearance = std::move(appearance);
  }

  InstallContext& context_;
  std::vector<std::string>* refused_;
  ProfileReader reader_;
  char path_[kPathSize] = {};
};

}  // namespace

bool InstallIniLoader(const char* path, InstallContext& context) {
  return InstallIniLoader(path, context, nullptr);
}

bool InstallIniLoader(const char* path, InstallContext& context,
                      std::vector<std::string>* refused) {
  if (refused != nullptr) refused->clear();
  Loader loader(path, context, refused);
  loader.Run();
  return true;
}

bool FindInstallIniCut9x(const char* path, int diskCount, ProfileCut9x* cut) {
  *cut = ProfileCut9x();
  ULONGLONG size = 0;
  if (!FileSize(path, &size)) return true;  // missing: read as empty
  if (size > kMeasuredFileMax) {
    cut->file = true;
    return true;
  }
  std::string bytes;
  if (!ReadWholeFile(path, kMeasuredFileMax, &bytes)) return false;
  std::vector<std::string> sections = {kInfoSection, kGroupSection, kRegistrySection,
                                       kAboutSection};
  for (int d = 0; d < diskCount; ++d) sections.push_back(DiscSection(d));
  *cut = FindProfileCut9x(bytes.data(), bytes.size(), sections);
  return true;
}

FileGroup* FindFileGroup(int id, InstallContext& context) {
  if (!context.disks) return nullptr;
  for (int d = 0; d < context.diskCount; ++d) {
    DiskEntry& disk = context.disks[d];
    for (int g = 0; g < disk.groupCount; ++g) {
      if (disk.groups[g].id == id) return &disk.groups[g];
    }
  }
  return nullptr;
}

}  // namespace kaze
