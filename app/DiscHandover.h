#pragma once
// A program started from a CD keeps reading its pages from the disc, and Windows 9x asks
// for that disc again whenever it needs one. So setup.exe started from a CD-ROM or
// removable drive runs from a copy of itself in a folder of the run's own (in the place
// RunFolderParent names), and the disc can be changed while it asks for the next one.
#include <string>
#include <vector>

namespace kaze {

// The switch with which the disc's program starts its copy.
extern const char kStagedCopySwitch[];  // "/KzStaged"

// True when this program was started from a CD-ROM or removable drive.
bool StartedFromRemovableMedia();

// Copies this program into a new "KzSetup" folder in the run folders' place, arranges for
// the copy and its folder to go at the next start of Windows (recorded before the copy
// runs, so that a run cut off leaves nothing for good), starts the copy from there and
// waits until it is ready for input. True when the copy runs: this process then ends.
// False, with nothing left behind, when any step failed: the program runs where it is.
bool HandOverToStagedCopy();

// The folder (with its backslash) that this program lies in when it runs as the staged
// copy: started with the switch, from a "KzSetup" folder directly in the run folders'
// place. "" otherwise, whatever the command line says.
std::string StagedCopyFolder();
// The same decision from the program's arguments, its own path and that place.
std::string StagedCopyFolderOf(const std::vector<std::string>& args, const std::string& self,
                               const std::string& temp);

}  // namespace kaze
