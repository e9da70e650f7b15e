// The display going away under a running game: the X server ended, the
// session logged out. Xlib then calls its fatal-IO handler, whose default
// ends the process with exit(); the exit handlers would close the window on
// the dead connection and wait for ever for its answer. Ours ends the
// program at once instead, and nothing touches the connection again.
#pragma once
#include <SDL.h>

namespace kestrel::platform {

// Installs the handler when SDL's video runs on X11 (once; later calls do
// nothing). Call it once video is up.
void EndAtOnceWhenTheDisplayGoes();
// For a helper process that shows a box before the game has a window: when
// the display goes, the helper ends quietly with exit 1, and the game, left
// without an answer, says why itself.
void EndQuietlyWhenTheDisplayGoes();

// The window destroyed by another program (xdotool windowclose, a window
// manager that crashed with it): Xlib reports each later use of it as an
// error, and its default handler prints that raw and ends the process with
// exit 1. Ours, installed with the handler above, takes an error about the
// watched window as the window's end, and the display closes the game as
// its close box would. Other errors go on to the handler before ours.
// Remembers the X window behind `window`, the one the game shows now.
void WatchTheWindow(SDL_Window* window);
// True once, when an error has said the watched window is gone.
bool TakeTheWindowDestroyed();
// Once the game has let go of a window that was destroyed under it: waits
// for the errors of that letting go while the handler is still ours (SDL
// puts Xlib's back before it closes the connection).
void HearOutTheDestroyedWindow();

}  // namespace kestrel::platform
