#pragma once
// The DirectX runtime on the disc, installed before the discs when the system's is older.
#include <cstdint>

namespace kaze {
class EngineHost;
// Installs the disc's DirectX runtime when the system's is older; sets restartRequired on
// the context when the setup library asks for a restart, and directXFailed when it
// reports an error or cannot be run. Always returns 1: the game may run without it.
int RunDirectXStep(EngineHost& host);

// True when the setup library at libraryPath reports an older runtime than wanted (four
// 16-bit numbers as written in DIRECTXVER). isNtMinor1 is the context's system flag.
bool ShouldInstallDirectX(const char* libraryPath, const uint16_t wanted[4], bool isNtMinor1);

// Runs the setup library at libraryPath for the complete runtime; its result (1 done,
// restart needed; 0 done; below 0 an error), or 0 when the library or one of its two
// functions cannot be had, with ran (when given) false then.
int RunDirectXSetup(const char* libraryPath, bool* ran = nullptr);
}
