// The whole game on the SDL backend (dummy video and audio drivers) with
// only a virtual game controller: one plugged in while the game runs is
// taken up at once, walks the menu, starts a game, pauses and resumes it,
// and pulling it out mid-game is no fault.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "../support/game_fixture.h"
#include "../support/virtual_pad.h"
#include "kestrel/error.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "morlo3/game_state.h"
#include "morlo3/startup.h"

namespace kestrel::testing {
namespace {

// Runs a step after each presented frame.
class SteppedSdlDisplay : public platform::SdlDisplay {
 public:
  std::function<void()> onFrame;

 protected:
  void AfterFrame() override {
    SdlDisplay::AfterFrame();
    if (onFrame) onFrame();
  }
};

class ScopedVar {
 public:
  ScopedVar(const char* name, const char* value) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
    setenv(name, value, 1);
  }
  ~ScopedVar() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class SdlPad : public HeadlessTest {};

TEST_F(SdlPad, APadAlonePlaysAndMayBePulledOutMidGame) {
  ScopedVar video("SDL_VIDEODRIVER", "dummy"), audio("SDL_AUDIODRIVER", "dummy"), answer("KESTREL_ANSWER", "no");
  std::filesystem::create_symlink(kGeneratedData, scratch_.Path() / "data.kpk");
  // The dummy driver's window never has the focus.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  platform::ResetPlatform();
  ResetEngine();
  auto owned = std::make_unique<SteppedSdlDisplay>();
  SteppedSdlDisplay& d = *owned;
  platform::InstallDisplay(std::move(owned));

  morlo3::GameState game;
  int index = -1;
  SDL_Joystick* pad = nullptr;
  // One step a frame; a step answers whether it is done.
  std::deque<std::function<bool()>> steps;
  auto wait = [&](int frames) {
    auto left = std::make_shared<int>(frames);
    steps.push_back([left] { return --*left <= 0; });
  };
  auto press = [&](SDL_GameControllerButton b) {
    steps.push_back([&, b] { return SDL_JoystickSetVirtualButton(pad, b, 1) == 0; });
    wait(2);
    steps.push_back([&, b] { return SDL_JoystickSetVirtualButton(pad, b, 0) == 0; });
    wait(2);
  };
  auto until = [&](std::function<bool()> ready) { steps.push_back(ready); };
  struct Snap {
    int32_t walker, bat, ambient;
    uint32_t seed;
    bool operator==(const Snap&) const = default;
  };
  auto snap = [&] { return Snap{game.Walkers[1].X, game.Bats[1].Y, game.AmbientTicks, game.RandSeed}; };
  Snap paused{};
  bool stoodStill = false, movedAgain = false, startedByPad = false;

  // Plugged in once the story runs.
  wait(40);
  steps.push_back([&] {
    index = AttachVirtualPad();
    EXPECT_GE(index, 0) << SDL_GetError();
    pad = SDL_JoystickOpen(index);
    return true;
  });
  wait(60);
  // Back is Esc: the story ends.
  press(SDL_CONTROLLER_BUTTON_BACK);
  until([&] { return game.MenuItems[1].Y >= 129; });
  // The d-pad shows the highlight on "Novo Jogo", B on the main page does
  // nothing, A chooses.
  press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
  press(SDL_CONTROLLER_BUTTON_B);
  steps.push_back([&] {
    EXPECT_EQ(game.MenuPage, 1);
    EXPECT_EQ(game.GameRunning, 0);
    return true;
  });
  press(SDL_CONTROLLER_BUTTON_A);
  steps.push_back([&] {
    startedByPad = game.GameRunning == 1;
    return true;
  });
  // Start is Enter at the picture before stage 1; in the stage it pauses.
  press(SDL_CONTROLLER_BUTTON_START);
  wait(60);
  steps.push_back([&] { return SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, 1) == 0; });
  wait(2);
  steps.push_back([&] {
    paused = snap();
    return SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, 0) == 0;
  });
  wait(40);
  steps.push_back([&] {
    stoodStill = snap() == paused;
    return true;
  });
  press(SDL_CONTROLLER_BUTTON_START);
  wait(20);
  steps.push_back([&] {
    movedAgain = !(snap() == paused);
    return true;
  });
  // Pulled out mid-game.
  steps.push_back([&] {
    SDL_JoystickClose(pad);
    pad = nullptr;
    const bool out = SDL_JoystickDetachVirtual(index) == 0;
    index = -1;
    return out;
  });
  wait(30);
  steps.push_back([&] {
    EXPECT_EQ(game.GameRunning, 1) << "the stage goes on without the pad";
    d.RequestClose();
    return true;
  });
  d.onFrame = [&] {
    if (!steps.empty() && steps.front()()) steps.pop_front();
  };

  int code = -1;
  try {
    morlo3::Run(game);
  } catch (const ProgramExit& e) {
    code = e.Code();
  } catch (const EngineError& e) {
    ADD_FAILURE() << e.what();
  }
  d.onFrame = nullptr;
  if (pad) SDL_JoystickClose(pad);
  if (index >= 0) SDL_JoystickDetachVirtual(index);
  SDL_ResetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(steps.empty()) << steps.size() << " steps left";
  EXPECT_TRUE(startedByPad);
  EXPECT_TRUE(stoodStill) << "nothing moves while paused";
  EXPECT_TRUE(movedAgain);
}

}  // namespace
}  // namespace kestrel::testing
