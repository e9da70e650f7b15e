// The player's settings as the engine takes them: one record of typed values
// (platform/settings.h), the actions and their bindings (platform/bindings.h),
// and the names of keys and pad buttons the settings write.
#pragma once
#include <string>

#include "kestrel/platform/settings.h"

namespace kestrel {

using platform::Action;
using platform::ActionInfo;
using platform::Aspect;
using platform::Bindings;
using platform::CurrentSettings;
using platform::DesignedKey;
using platform::kActionCount;
using platform::kActions;
using platform::Settings;
using platform::SoundLevels;
using platform::StartupAnswer;

// Key names are SDL's ("Space", "Left Ctrl", "Keypad 0"; any case): the scan
// code the engine reads for that key, or 0 when there is none; and back.
// Game controller button names too ("a", "start", "leftshoulder"), as bits.
using platform::DikFromKeyName;
using platform::KeyNameOfDik;
using platform::PadBitFromName;
using platform::PadNameOfBit;

// Takes the settings the run goes on with, at start (StartProgram) or while
// it runs: the window's take effect at the next window and frame, the levels
// at the next sound played, the bindings at the next key read, the answer at
// the next question. The language is the game's to load.
void UseSettings(const Settings& settings);

// The folder of the player's settings for the program `name`:
// $XDG_CONFIG_HOME/<name>, else ~/.config/<name>; "" with neither.
std::string SettingsFolder(const std::string& name);

}  // namespace kestrel
