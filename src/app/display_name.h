// How the window shows remote names, and the texts that hold them: a name is
// the bytes the server listed, shown decoded as UTF-8.
#pragma once

#include <string>
#include <string_view>

// `bytes` as valid UTF-8 for display. A byte that is no part of a valid UTF-8
// character (a name in Latin-1, say) is written as \xHH, and so are the
// invisible control characters, so that such a name is shown as what it is
// and never as another, valid name ("caf\xE9", not "café" or "caf?").
std::string NameForDisplay(std::string_view bytes);
// The same for a text that holds names and server replies (a status text, a
// message box): its line breaks and tabs stay as they are.
std::string TextForDisplay(std::string_view text);
