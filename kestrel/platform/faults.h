// Fault injection: any named platform call can be told to fail with a chosen
// result code. Every backend asks here before doing the real work, so the
// engine's failure paths can be exercised on the headless backend and the real one.
#pragma once
#include <string>
#include <string_view>

#include "kestrel/platform/result.h"

namespace kestrel::platform {

// Makes the call `name` answer `code`. `times` < 0 means every call from now on;
// otherwise only the next `times` calls fail. `skip` calls succeed first.
void InjectFault(std::string_view name, HResult code, int times = -1, int skip = 0);
void ClearFaults();

// Returns the injected result for this call of `name`, or DD_OK when none.
// Each call counts, so "fail the third Blt" can be expressed with skip = 2.
HResult CheckFault(std::string_view name);

// How many times a named call has been made since the last ClearFaults().
int CallCount(std::string_view name);

}  // namespace kestrel::platform
