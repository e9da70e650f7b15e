// The display going away under a running game: the X server ended, the
// session logged out. Xlib then calls its fatal-IO handler, whose default
// ends the process with exit(); the exit handlers would close the window on
// the dead connection and wait for ever for its answer. Ours ends the
// program at once instead, and nothing touches the connection again.
#pragma once

namespace kestrel::platform {

// Installs the handler when SDL's video runs on X11 (once; later calls do
// nothing). Call it once video is up.
void EndAtOnceWhenTheDisplayGoes();
// For a helper process that shows a box before the game has a window: when
// the display goes, the helper ends quietly with exit 1, and the game, left
// without an answer, says why itself.
void EndQuietlyWhenTheDisplayGoes();

}  // namespace kestrel::platform
