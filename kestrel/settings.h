// The player's settings as the engine takes them: one record of typed values
// (platform/settings.h), the actions and their bindings (platform/bindings.h),
// and the names of keys and pad buttons the settings write.
#pragma once
#include "kestrel/platform/settings.h"

namespace kestrel {

using platform::Action;
using platform::ActionInfo;
using platform::Aspect;
using platform::Bindings;
using platform::CurrentSettings;
using platform::DesignedKey;
using platform::kActions;
using platform::Settings;
using platform::SoundLevels;
using platform::StartupAnswer;
using platform::UseSettings;

// Key names are SDL's ("Space", "Left Ctrl", "Keypad 0"; any case): the scan
// code the engine reads for that key, or 0 when there is none; and back.
// Game controller button names too ("a", "start", "leftshoulder"), as bits.
using platform::DikFromKeyName;
using platform::KeyNameOfDik;
using platform::PadBitFromName;
using platform::PadNameOfBit;

}  // namespace kestrel
