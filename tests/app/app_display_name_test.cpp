// Remote names as the window shows them: UTF-8 decoded, every byte that is
// no part of a valid character escaped.
#include "app/display_name.h"

#include <gtest/gtest.h>

TEST(NameForDisplay, EscapesBadBytesAndControlsAndKeepsValidUtf8) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string shown;
    };
    const Case cases[] = {
        {"ASCII with blanks and ';'", "  a  b;c.txt", "  a  b;c.txt"},
        {"valid UTF-8", "caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80",
         "caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80"},
        {"Latin-1 byte", "caf\xE9.txt", "caf\\xE9.txt"},
        {"truncated sequence at the end", "a\xE6\x97", "a\\xE6\\x97"},
        {"overlong slash", "\xC0\xAF", "\\xC0\\xAF"},
        {"surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
        {"lone continuation before a valid one", "\x80\xC3\xA9", "\\x80\xC3\xA9"},
        {"controls", std::string("a\tb\x7F\0c", 6), "a\\x09b\\x7F\\x00c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NameForDisplay(c.bytes), c.shown) << c.what;
        // What is shown is shown again unchanged (the status bar re-shows its text).
        EXPECT_EQ(NameForDisplay(c.shown), c.shown) << c.what;
    }
    // A text keeps its line breaks and tabs; its names are escaped all the same.
    EXPECT_EQ(TextForDisplay("550 caf\xE9:\tno\r\n\x01"), "550 caf\\xE9:\tno\r\n\\x01");
}
