#include "morlo3/shutdown.h"

#include "kestrel/error.h"
#include "kestrel/scratch.h"

namespace morlo3 {

using namespace kestrel;

void Shutdown(GameState& g) {
  for (int slot = 1; slot < kSoundSlots; ++slot) {
    g.Sounds[size_t(slot)].reset();
    RemoveScratchFile(SoundFiles[size_t(slot)]);
  }
  RemoveScratchFolder();
  g.ScratchFolder.clear();
  g.Screen.reset();
  g.SpriteSheet.reset();
  g.BackdropSheet.reset();
  g.StageSheet.reset();
  g.Backdrop.reset();
  g.PlayerCanvas.reset();
  g.Input.reset();
  // Start-up's own helpers go too, before the display they were made on.
  g.LoadBackground.reset();
  g.LoadBar.reset();
  g.Archive.reset();
  g.Display.reset();
}

void ShutdownAndExit(GameState& g) {
  Shutdown(g);
  throw ProgramExit(0);
}

}  // namespace morlo3
