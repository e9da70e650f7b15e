// A player's text as a message may show it. A settings file, a script or a
// path can hold bytes that a terminal would act on (an escape that retitles
// the window, a NUL that cuts the line) or that cannot be seen (a zero-width
// space that makes "en" look like "en"); a quote shows each of them as a
// code, so the line on the screen is the text the program was given.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel::platform {

// The most characters a quote shows by default, "…" included.
inline constexpr size_t kQuoteLength = 80;

// `text` for a message: a control byte (DEL and the escape included) and a
// byte that is not part of well-formed UTF-8 become \xNN; a character that
// cannot be seen or that steers the text around it (C1 controls, spaces
// other than the plain one, zero-width characters, direction marks, the
// byte-order mark, tags) becomes \u{NNNN}; every other character stays as it
// is. A text longer than `most` characters, counting an escape as its
// length, is cut so that it ends with "…" at character `most`. Only as much
// of `text` as is shown is looked at.
std::string QuotedText(std::string_view text, size_t most = kQuoteLength);

}  // namespace kestrel::platform
