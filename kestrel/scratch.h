// A scratch folder of the program's own for this run, which the engine
// removes however the run ends.
#pragma once
#include <string>

namespace kestrel {

// A folder made fresh for this run with mkdtemp under $TMPDIR (or /tmp);
// throws FatalError when it cannot be made. The engine removes it with
// everything in it on every way out: RemoveScratchFolder, an engine error,
// and the top-level handlers.
std::string MakeScratchFolder();
// The folder MakeScratchFolder made, or "" when there is none.
const std::string& ScratchFolder();
// Removes the scratch folder and what is in it; safe to call again.
void RemoveScratchFolder();
// Deletes one file of the scratch folder by its name there; a name that
// leads out of the folder, or no folder, deletes nothing. False when nothing
// was deleted.
bool RemoveScratchFile(const std::string& fileName);

}  // namespace kestrel
