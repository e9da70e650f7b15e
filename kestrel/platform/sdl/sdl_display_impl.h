// What the files of the SDL display share: its private state and the few
// helpers more than one of them needs. Only kestrel/platform/sdl/ includes it.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kestrel/platform/scale.h"
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

// Gives the window the icon at its size and at whole multiples of it, where
// the window system lets a window list several (sdl_icon_x11.cpp); false
// where it does not.
bool OfferIconSizes(SDL_Window* window, const std::vector<uint32_t>& argb, int width, int height);

inline SDL_Rect ToSdlRect(const Placement& p) { return SDL_Rect{p.x, p.y, p.w, p.h}; }

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
  // The picture at whole factors, before it is smoothed to a size they do
  // not reach (4:3).
  std::vector<uint8_t> unsmoothed;
  // The last picture scaled into the surface, its rows as they came: the
  // next frame scales and sends only the band of rows that changed, and a
  // frame like the last one nothing at all (a still menu, a pause).
  std::vector<uint8_t> shownRows;
  int shownDepth = 0;

  bool hasFrame = false;

  WindowHandle handle = 0;
  // The context is a full-screen one: the pointer is read in the picture's
  // pixels rather than the client area's.
  bool fullScreen = false;
  // The real window covers the screen now; Alt+Enter changes it.
  bool shownFullScreen = false;
  bool vsync = false;
  int screenRefresh = 0;  // Hz, 0 when the screen does not say
  int32_t clientWidth = 0, clientHeight = 0;
  int32_t pictureWidth = 0, pictureHeight = 0;  // of the last frame shown

  bool modeSet = false;
  ModeEntry mode;

  // The real window's size, in the window system's units, when it is not on
  // the whole screen: where Alt+Enter returns to.
  int windowedWidth = 0, windowedHeight = 0;

  // The window's icon as 0xAARRGGBB rows, kept for a window opened later.
  std::vector<uint32_t> icon;
  int32_t iconWidth = 0, iconHeight = 0;

  // F12 was pressed: the next frame shown is also written to a file.
  bool shotWanted = false;

  // The frame clock (sdl_clock.cpp).
  SdlFrameClock clock;

  // ---- The window's geometry (sdl_window.cpp).
  // The size in pixels the picture is drawn into.
  void OutputSize(int& w, int& h) const;
  // Where the picture goes in the window or on the screen: at the largest
  // whole multiple that fits, centred between black bars.
  SDL_Rect Destination() const;
  // The picture a window opens with, before any frame: the emulated mode of
  // a full-screen context, half the client area of a windowed one (which
  // shows its picture doubled).
  void BaseSize(int& w, int& h) const;
  // The size a window first opens at: the multiple the program chose, or
  // the largest that fits in half the height of the desktop's usable area,
  // at least 2; never larger than that area. A chosen multiple that is
  // lowered is said once, in one line.
  void FirstWindowSize(SDL_Window* on, int& w, int& h) const;
  mutable bool scaleLowered = false;
  // Hands the kept icon to the window.
  void ApplyIcon();

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
  // Uploads `pw` x `ph` pixels of `depth` and has the renderer show them.
  void ShowThroughRenderer(const uint8_t* first, int pitch, int depth, int pw, int ph);
  // Turns the renderer's vsync on or off as the game's pace now fits the
  // screen's rate or not.
  void FollowPace(int framesPerSecond);
  // Puts `pw` x `ph` pixels of `depth` into the window surface.
  void ShowOnSurface(const uint8_t* first, int pitch, int depth, int pw, int ph);
  // Shows the last frame again, after the window system lost it.
  void Redraw();
  // Writes `pw` x `ph` pixels of `depth` as a screenshot at the scale they
  // are shown at (sdl_present.cpp).
  void WriteShot(const uint8_t* first, int pitch, int depth, int pw, int ph);
};

}  // namespace kestrel::platform
