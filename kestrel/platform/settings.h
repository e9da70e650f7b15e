// The player's settings, each checked once into its type, in one record with
// what the program says of itself. The engine takes it at start
// (kestrel/program.h) and may take it again while the program runs; each
// layer reads its part from here, when it needs it: the window's at each
// window and frame, the levels at each sound played, the bindings at each
// key read.
#pragma once
#include <string>

#include "kestrel/platform/bindings.h"
#include "kestrel/platform/scale.h"

namespace kestrel::platform {

// How the start-up question is answered: by the player, or by the settings.
enum class StartupAnswer { Ask, Yes, No };

// 0 (silent) to 100 (as the sounds were made).
struct SoundLevels {
  int effects = 100;   // every sound but those that loop
  int ambience = 100;  // the sounds that loop: the wind
  bool operator==(const SoundLevels&) const = default;
};

struct Settings {
  // ---- what the program says of itself ----
  // Names the scratch folder, the screenshots and the error log's second
  // folder.
  std::string programName = "kestrel";
  // The window's class (X11's WM_CLASS, Wayland's app id), which the desktop
  // entry names too so that a dock groups the two.
  std::string windowClass;

  // ---- the player's ----
  StartupAnswer fullScreen = StartupAnswer::Ask;
  // The whole multiple of its picture the window opens at (in 4:3, of the
  // picture's 4:3 shape); 0 picks the largest that fits in half the height
  // of the desktop, at least 2.
  int scale = 0;
  // Square pixels, or 1.2 times taller than wide, as on the 4:3 screens a
  // 320 x 200 picture was made for.
  Aspect aspect = Aspect::Square;
  // The language of the game's texts.
  std::string language = "pt";
  SoundLevels sound;
  Bindings bindings = Bindings::Defaults();

  bool operator==(const Settings&) const = default;
};

// The settings of this run; every one at its default until set.
const Settings& CurrentSettings();
// Takes the settings the run goes on with, at start (StartProgram) or while
// it runs: the window's take effect at the next window and frame, the levels
// at the next sound played, the bindings at the next key read, the answer at
// the next question. The language is the game's to load.
void UseSettings(const Settings& settings);

}  // namespace kestrel::platform
