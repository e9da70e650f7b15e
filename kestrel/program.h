// What the engine offers the program around its run, so that the game never
// calls the platform layer or the system itself: the start-up question, a
// scratch folder of its own, finding its data, and the exit code.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "kestrel/platform/bindings.h"

namespace kestrel {

class TKPK;

// Called first: `name` (e.g. "morlo3") names the scratch folder and the
// fallback folder of the error log, and the termination signals (SIGINT,
// SIGTERM, SIGHUP) from now on close the window instead of killing the
// process, so the program ends through its own shutdown.
void StartProgram(const std::string& name);

// The window's class (X11's WM_CLASS, Wayland's app id), which the desktop
// entry names too so that a dock groups the two; set before any window opens.
void SetWindowClass(const std::string& id);
// The whole multiple of its picture the window opens at; 0, the default,
// picks the largest that fits in half the height of the desktop, at least 2.
// In 4:3 the multiples are of the picture's 4:3 shape (320 x 240).
void SetWindowScale(int scale);

// ---- The player's own settings, set before the first window opens ----
// The folder of the player's settings for the program `name`:
// $XDG_CONFIG_HOME/<name>, else ~/.config/<name>; "" with neither.
std::string SettingsFolder(const std::string& name);
// Shows the picture's pixels 1.2 times taller than wide, as on the 4:3
// screens a 320 x 200 picture was made for; false: square.
void SetWindowAspect(bool fourThree);
// The answer AskYesNo gives without asking: 1 yes, 0 no, -1 (the default)
// none. KESTREL_ANSWER wins over it.
void SetStartupAnswer(int answer);
// The levels of the effects and of the ambience (the sounds that loop),
// each 0 (silent) to 100 (as they were made).
void SetSoundLevels(int effects, int ambience);

using platform::Action;
// Key names are SDL's ("Space", "Left Ctrl", "Keypad 0"; any case): the scan
// code the engine reads for that key, or 0 when there is none.
uint8_t KeyCodeOfName(const std::string& name);
// SDL's name of the key with this scan code, "" for none.
std::string KeyNameOfCode(uint8_t code);
// Game controller button names are SDL's ("a", "start", "leftshoulder"):
// the button's bit, or 0 when the name is no button.
uint32_t PadButtonOfName(const std::string& name);
std::string PadButtonNameOf(uint32_t bit);
// The keys (scan codes, at least one) and pad buttons (bits) that do
// `action`; the game asks for the keys it was made with and is answered
// for these.
void BindAction(Action action, const std::vector<uint8_t>& keys, uint32_t padButtons);
// Every setting above back to its default.
void ResetPlayerSettings();

// Asks a Yes/No question (a message box, or KESTREL_ANSWER); true for Yes. A
// termination signal while it is open takes the question down and ends the
// program (ProgramExit).
bool AskYesNo(const std::string& caption, const std::string& text);

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

// Finds a file the program reads: in the current directory, then beside the
// executable, then in the data folder of an installation next to it
// (<bin>/../share/<name>), then in `installedFolder` (under
// $KESTREL_TEST_ROOT when that is set). The first that exists
// wins; with none, the name itself, so that opening it reports the current
// directory's error.
std::string FindDataFile(const std::string& file, const std::string& installedFolder);

// The folders FindDataFile searches, in its order, each once, as absolute
// paths; the current directory is "." when it cannot be named.
std::vector<std::string> DataFolders(const std::string& installedFolder);

// Opens the archive FindDataFile finds. When it is found nowhere, the
// archive's open error ("Cannot open file data.kpk: ...") is followed by
// the folders searched, one a line, in order, and then by `advice` when
// there is one.
std::unique_ptr<TKPK> OpenDataArchive(const std::string& file, const std::string& installedFolder,
                                      const std::string& advice = "");

// The folders a program's message catalogues are looked for in, in order:
// "locale" beside the executable (a build tree, or a copy of the game with
// its catalogues), the locale folder of an installation next to it
// (<bin>/../share/locale), then `installedFolder` (under $KESTREL_TEST_ROOT
// when that is set); each once.
std::vector<std::string> LocaleFolders(const std::string& installedFolder);
// The first <folder>/<language>/LC_MESSAGES/<domain>.mo of LocaleFolders
// that exists; "" when there is none.
std::string FindCatalogue(const std::string& language, const std::string& domain, const std::string& installedFolder);

// The exit code of a run that ended normally with `code`: 128 + the signal
// after a termination signal. Also removes the scratch folder.
int FinalExitCode(int code);

}  // namespace kestrel
