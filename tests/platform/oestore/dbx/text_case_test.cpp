// Windows-1252 letter case: the pairs the code page has, and the characters that look like a pair
// but are not.
#include <gtest/gtest.h>

#include "dbx/text_case.h"

namespace {

using dbx::SameTextIgnoringCase;

TEST(TextCase, LettersOfTheCodePageMatchTheirOtherCase) {
    EXPECT_TRUE(SameTextIgnoringCase("Inbox", "INBOX"));
    EXPECT_TRUE(SameTextIgnoringCase("\xC4rger", "\xE4RGER"));  // A/a diaeresis
    EXPECT_TRUE(SameTextIgnoringCase("\xDE", "\xFE"));          // thorn
    EXPECT_TRUE(SameTextIgnoringCase("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"));
    EXPECT_TRUE(SameTextIgnoringCase("", ""));
}

TEST(TextCase, OtherCharactersMatchOnlyThemselves) {
    EXPECT_FALSE(SameTextIgnoringCase("\xD7", "\xF7"));  // multiplication and division signs
    EXPECT_FALSE(SameTextIgnoringCase("\xDF", "\xFF"));  // sharp s, y diaeresis
    EXPECT_FALSE(SameTextIgnoringCase("@", "`"));
    EXPECT_FALSE(SameTextIgnoringCase("[", "{"));
    EXPECT_FALSE(SameTextIgnoringCase("Inbox", "Inbox "));
    EXPECT_FALSE(SameTextIgnoringCase("Inbox", "Outbox"));
}

}  // namespace
