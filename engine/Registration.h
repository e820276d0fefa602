#pragma once
// The registration steps that end a successful installation: the game's registry values,
// the uninstaller with the Start-menu group and the uninstall entry, and the installed
// copy of install.ini.

#include <string>

namespace kaze {
class EngineHost;
// The three registration steps of a successful installation, run in this order. Each
// records what it creates through host.RecordLogEntry. Each returns false, after one
// message naming what failed (none when the journal's or the log's failure was told),
// at the first thing it could not make or record: a registry value (or one whose
// expanded path would not fit), the program group, a shortcut, the uninstaller's copy, a
// support file, the uninstall entry, the installed install.ini. The installation has
// then failed.
bool WriteRegistryData(EngineHost& host);
// newEntry, when given, receives the uninstall entry's key when this call made it: the
// entry is not in the log, so a run failing later removes it itself.
bool RegisterUninstall(EngineHost& host, std::string* newEntry = nullptr);
bool WriteInstalledIni(EngineHost& host);

// Writes one value given as a line "name"=data under key (relative to
// HKEY_LOCAL_MACHINE): quoted data is a string, anything else a number read from its
// first ':' as hexadecimal. False when nothing was written.
bool WriteRegistryLine(const char* key, const char* line);

// Creates folder and its missing ancestors, recording each one it made, outermost
// first. Folders that existed are left alone and never recorded. False when the folder
// is not there afterwards (a file of its name is in the way), its path (over 255 bytes)
// could not be recorded, or a record could not be written.
bool CreateFolderLogged(EngineHost& host, const char* folder);
}
