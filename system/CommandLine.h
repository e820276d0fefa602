#pragma once
// A Windows command line split into its arguments.
#include <string>
#include <vector>

namespace kaze {

// Arguments separated by blanks or tabs; a pair of double quotes keeps blanks inside one
// argument and is dropped. No escapes: the arguments are paths and switches. Shift-JIS
// needs no care here, as no trail byte is a blank, a tab or a quote.
std::vector<std::string> SplitCommandLine(const char* line);

}  // namespace kaze
