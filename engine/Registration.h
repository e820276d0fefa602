#pragma once
// The registration steps that end a successful installation: the game's registry values,
// the uninstaller with the Start-menu group and the uninstall entry, and the installed
// copy of install.ini.

#include <string>

namespace kaze {
class EngineHost;
// The three registration steps of a successful installation, run in this order. Each
// records what it creates through host.RecordLogEntry. The first two return false, after
// a message naming what failed, when something the uninstaller needs could not be made
// (the product key, the uninstaller's copy, a support file, the uninstall entry): the
// installation has then failed.
bool WriteRegistryData(EngineHost& host);
// newEntry, when given, receives the uninstall entry's key when this call made it: the
// entry is not in the log, so a run failing later removes it itself.
bool RegisterUninstall(EngineHost& host, std::string* newEntry = nullptr);
void WriteInstalledIni(EngineHost& host);

// Writes one value given as a line "name"=data under key (relative to
// HKEY_LOCAL_MACHINE): quoted data is a string, anything else a number read from its
// first ':' as hexadecimal. False when nothing was written.
bool WriteRegistryLine(const char* key, const char* line);

// Creates folder and its missing ancestors, recording each one it made, outermost
// first. Folders that existed are left alone and never recorded. False when the folder
// is not there afterwards or its path (over 255 bytes) could not be recorded.
bool CreateFolderLogged(EngineHost& host, const char* folder);
}
