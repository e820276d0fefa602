// byte-level
#pragma once
// A whole INI section as the profile functions read and write it: "key=value" lines, each
// ending with a NUL, the last followed by a second NUL.
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

}  // namespace kaze
