#pragma once
// The names of files stored in an archive are untrusted: a name must not lead out of the
// folder it is unpacked into. Shared by the adapter and by our cab32.dll.
#include <cstddef>

namespace kaze {

// True when the stored name (length bytes, no terminator needed) names a file below the
// destination folder: relative, no drive or stream colon, no component made only of dots
// and blanks ("..", "..."), no empty component, no character Windows forbids in names,
// no device name (CON, NUL, COM1 ...). Both '\' and '/' count as separators; double-byte
// characters are stepped over, so 表 or ソ never end a component.
bool IsSafeArchiveMemberName(const char* name, size_t length);

// Copies a safe name into out with every '/' separator turned into '\'. False (out
// empty) when the name is unsafe or does not fit into size bytes.
bool NormalizeArchiveMemberName(const char* name, char* out, size_t size);

}  // namespace kaze
