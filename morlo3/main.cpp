// Engine demonstration: the start-up question, the display, and a 320 x 200
// picture composed each frame from copies, keyed copies, a mirror and text,
// presented until the window is closed.
#include <cstdio>
#include <exception>
#include <memory>

#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/error.h"
#include "kestrel/kestrel.h"

using namespace kestrel;

namespace {

int Run() {
  auto& display = platform::GetDisplay();
  const bool fullScreen = display.AskYesNo("Do you want...", "Fullscreen?");
  std::unique_ptr<TKestrel> context;
  if (fullScreen)
    context = std::make_unique<TSelfFullKestrel>(320, 200, 16, "Morlo v3.0 [win32]");
  else
    context = std::make_unique<TSelfExKestrel>(640, 400, "Morlo v3.0 [win32]", 256);

  const uint32_t key = MakeColor(232, 252, 252);
  TBuffer64 screen(*context, 320, 200, false);
  screen.SetFont("Times New Roman", 15);
  TBuffer64 sprite(*context, 32, 32, false);
  sprite.Clear(key);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int dx = x - 12, dy = y - 16;
      if (dx * dx + dy * dy < 120) sprite.HLine(x, x, y, MakeColor(uint8_t(200 - y * 4), 60, uint8_t(80 + x * 5)));
    }
  sprite.Rectangle(24, 4, 30, 28, MakeColor(250, 220, 40));
  TBuffer64 mirrored(*context, 32, 32, false);
  sprite.Draw(mirrored, 0, 0);
  mirrored.Mirror();

  for (int frame = 0; context->PumpMessage(); ++frame) {
    for (int y = 0; y < 200; ++y) screen.HLine(0, 319, y, MakeColor(uint8_t(20 + y / 4), 30, uint8_t(60 + y / 2)));
    for (int i = 0; i < 8; ++i) {
      const int x = (frame * (i + 1) + i * 40) % 360 - 32;
      sprite.DrawKeyed(screen, x, 30 + i * 18, key);
      mirrored.DrawRectKeyed(screen, 0, 0, 31, 31, 320 - x - 32, 40 + i * 18, key);
    }
    screen.Rectangle(4, 4, 315, 195, MakeColor(244, 244, 220));
    screen.TextOut(10, 8, "Kestrel \xE9 o motor de Morlo v3.0", MakeColor(244, 244, 240));
    char line[64];
    std::snprintf(line, sizeof line, "Quadro %d", frame);
    screen.TextOut(10, 176, line, MakeColor(232, 232, 252));
    screen.Present(true);
  }
  return 0;
}

}  // namespace

int main() {
  try {
    return Run();
  } catch (const EngineError& e) {
    return HandleTopLevelError(e);
  } catch (const ProgramExit& e) {
    return e.Code();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
