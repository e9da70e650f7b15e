// What the files of the SDL display share: its private state and the few
// helpers more than one of them needs. Only kestrel/platform/sdl/ includes it.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>

#include "kestrel/platform/sdl/sdl_clock.h"
#include "kestrel/platform/sdl/sdl_display.h"

namespace kestrel::platform {

// How frames reach the window.
enum class PresentPath {
  // Scaled by our own loops into the window's surface, which SDL hands to
  // the window system (shared memory under X11). No GL stack is loaded.
  WindowSurface,
  // Uploaded into a texture that an SDL renderer stretches.
  Renderer,
};

// Which way frames go, chosen when a window opens (sdl_present.cpp).
PresentPath ChoosePresentPath();

// The engine's texts are Windows-1252; SDL wants UTF-8. Text that already is
// valid UTF-8 (every ASCII text is) passes unchanged.
std::string ToUtf8(const std::string& text);

// Where a picture of pw x ph lands in an output of ow x oh: the largest whole
// multiple that fits, centred; a screen smaller than the picture shrinks it.
SDL_Rect Letterbox(int ow, int oh, int pw, int ph);

struct SdlDisplay::Impl {
  bool videoTried = false;
  bool videoOk = false;
  std::string videoError;

  SDL_Window* window = nullptr;
  PresentPath path = PresentPath::WindowSurface;

  // The renderer path.
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureWidth = 0, textureHeight = 0;

  // The window-surface path. The surface belongs to the window, and SDL
  // replaces it when the window changes size.
  SDL_Surface* surface = nullptr;
  void* surfacePixels = nullptr;
  int surfaceWidth = 0, surfaceHeight = 0;
  SDL_Surface* staging = nullptr;  // X-R-G-B picture, for a window surface of another format
  bool sendWhole = false;          // the border changed too, not only the picture
  SDL_Rect lastDest{0, 0, 0, 0};

  bool hasFrame = false;

  WindowHandle handle = 0;
  // The context is a full-screen one: the pointer is read in the picture's
  // pixels rather than the client area's.
  bool fullScreen = false;
  // The real window covers the screen now; Alt+Enter changes it.
  bool shownFullScreen = false;
  bool vsync = false;
  int32_t clientWidth = 0, clientHeight = 0;
  int32_t pictureWidth = 0, pictureHeight = 0;  // of the last frame shown

  bool modeSet = false;
  ModeEntry mode;

  // The frame clock (sdl_clock.cpp).
  SdlFrameClock clock;

  // ---- The window's geometry (sdl_window.cpp).
  // The size in pixels the picture is drawn into.
  void OutputSize(int& w, int& h) const;
  // Where the picture goes in the window. A window's picture fills the
  // client area; should a window manager give the window another size, the
  // client area's shape is kept.
  SDL_Rect Destination() const;
  // The size of the real window when it is not on the whole screen: the
  // client area of a windowed context, the picture doubled for a full-screen
  // one.
  void WindowedSize(int& w, int& h) const;

  // ---- Presenting (sdl_present.cpp).
  // Forget the texture or the window surface; the next frame makes it anew.
  void DropTexture();
  void DropSurface();
  // Draws the last uploaded frame into the renderer's back buffer.
  void Render();
  // The window's surface, cleared to black each time SDL has made a new one
  // (after the window changed size); the border is then never written again.
  SDL_Surface* WindowSurface();
  // Hands the window surface to the window system: only the picture, unless
  // the border changed.
  void Send(const SDL_Rect& dest);
  // Puts `pw` x `ph` pixels of `depth` into the window surface.
  void ShowOnSurface(const uint8_t* first, int pitch, int depth, int pw, int ph);
  // Shows the last frame again, after the window system lost it.
  void Redraw();
};

}  // namespace kestrel::platform
