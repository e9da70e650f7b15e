// A game controller that exists only in SDL, whose buttons and axes a test
// sets itself.
#pragma once
#include <SDL.h>

namespace kestrel::testing {

// Attaches a virtual controller with every button and axis a controller has;
// its device index, or -1 (SDL_GetError says why).
inline int AttachVirtualPad() {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = "test pad";
  return SDL_JoystickAttachVirtualEx(&desc);
}

}  // namespace kestrel::testing
