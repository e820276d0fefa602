#include "config/IniEditor.h"

#include <string>

#include "config/IniLines.h"

namespace kaze {

bool WriteIniValue(TextFile& file, const char* section, const char* key, const char* value,
                   const std::function<bool(const std::string&)>& beforeCopy) {
  const std::string target = file.targetPath();
  if (target.empty()) return false;
  const std::string temporary = target + ".tmp";
  if (temporary.size() >= kFilePathSize) return false;
  if (beforeCopy && !beforeCopy(temporary)) return false;
  if (!CopyFileWhole(target.c_str(), temporary.c_str())) {
    DeleteFileA(temporary.c_str());
    return false;
  }

  bool edited = false;
  bool targetOpened = false;
  {
    TextFile copy;
    TextFile edit;
    if (copy.Open(temporary.c_str(), TF_READ | TF_OPEN_EXISTING) &&
        edit.Open(target.c_str(), TF_READ | TF_WRITE | TF_OPEN_EXISTING | TF_KEEP_POSITION)) {
      targetOpened = true;
      edited = ApplyIniEdit(edit, copy, section, key, value);
    }
  }  // both files are closed here
  if (targetOpened && !edited) {
    // The target may be half rewritten: put the untouched copy back. Should that fail
    // as well, the copy stays beside it so that nothing of the file is lost.
    if (!CopyFileWhole(temporary.c_str(), target.c_str())) return false;
  }
  DeleteFileA(temporary.c_str());
  return edited;
}

}  // namespace kaze
