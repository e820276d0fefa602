// byte-level
#pragma once
// A whole INI section as the profile functions read and write it: "key=value" lines, each
// ending with a NUL, the last followed by a second NUL. And the sizes of a file and its
// sections, measured against what Windows 9x reads whole.
#include <cstddef>
#include <string>
#include <vector>

namespace kaze {

// The lines of a section buffer of the given size (the count GetPrivateProfileSectionA
// answers, without the final NUL). Empty lines are dropped.
std::vector<std::string> SplitProfileSection(const char* data, size_t size);

// The buffer WritePrivateProfileSectionA takes for these lines.
std::string JoinProfileSection(const std::vector<std::string>& lines);

// Adds the line unless the section already holds it (compared as the system compares file
// names in WININIT.INI: ASCII letters without case). True when it was added.
bool AddProfileLine(std::vector<std::string>* lines, const std::string& line);

// Windows 9x's profile functions read no more of a file, and of one section, than this;
// beyond it they read (and write back) a cut text without telling. NT has no such limit.
constexpr size_t kProfileFileLimit9x = 65536;   // 64 KB
constexpr size_t kProfileSectionLimit9x = 32767;

struct ProfileSectionSize {
  std::string name;  // as in its header, blanks around it dropped
  size_t bytes;      // its lines after the header, line ends included
};

// The sections of a profile file's bytes, in file order, as the profile functions find
// them: a line ends with LF; a header is a line whose first character other than blanks
// is '[' and that holds a ']' (the name ends at the first one); a section runs up to the
// next header. Lines before the first header belong to none.
std::vector<ProfileSectionSize> MeasureProfileSections(const char* data, size_t size);

struct ProfileCut9x {
  bool file = false;                  // the file is over kProfileFileLimit9x
  std::vector<std::string> sections;  // wanted sections over kProfileSectionLimit9x
  bool any() const { return file || !sections.empty(); }
};

// What Windows 9x would cut of a file of these bytes: the file, and each wanted section
// (ASCII letter case ignored) of which any header is followed by more than the limit,
// named once, in the order of wanted. growth bytes about to be written into them count as
// already there, so that a file written back is held to the limits too.
ProfileCut9x FindProfileCut9x(const char* data, size_t size,
                              const std::vector<std::string>& wanted, size_t growth = 0);

}  // namespace kaze
