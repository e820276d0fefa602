#pragma once
// The DirectX runtime on the disc, installed before the discs when the system's is older.
#include <cstdint>

namespace kaze {
class EngineHost;
// Installs the disc's DirectX runtime when the system's is older; sets restartRequired on
// the context when the setup library asks for a restart. Always returns 1.
int RunDirectXStep(EngineHost& host);

// True when the setup library at libraryPath reports an older runtime than wanted (four
// 16-bit numbers as written in DIRECTXVER). isNtMinor1 is the context's system flag.
bool ShouldInstallDirectX(const char* libraryPath, const uint16_t wanted[4], bool isNtMinor1);

// Runs the setup library at libraryPath for the complete runtime; its result, or 0 when
// the library or one of its two functions cannot be had.
int RunDirectXSetup(const char* libraryPath);
}
