// The start-up question in a page, and its message boxes: SDL shows them with
// the browser's alert(), which the page puts in a panel of its own (web/).
#include "kestrel/platform/sdl/sdl_display_impl.h"
#include "kestrel/platform/termination.h"

namespace kestrel::platform {

// The game starts in the page as in a window; the page's button and
// Alt+Enter take it to the whole screen.
bool SdlDisplay::AskYesNo(const std::string&, const std::string&) { return AnswerFromEnvironment() == 1; }

// A page forks nothing.
void EndWithParent() {}

}  // namespace kestrel::platform
