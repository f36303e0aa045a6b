// What a terminal sends, read by read, turned into the keys a person
// pressed: no byte of a key's sequence may ever pass for a button's key.
#include "terminal/KeyReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

using terminal::KeyReader;

namespace {

struct Keys {
    std::vector<std::string> pressed;
    KeyReader reader{[this](std::string_view key) { pressed.emplace_back(key); }};

    // Each piece as one read.
    std::vector<std::string> read(std::initializer_list<std::string_view> pieces)
    {
        for (std::string_view piece : pieces)
            reader.feed(piece);
        return pressed;
    }
};

using Pressed = std::vector<std::string>;

} // namespace

TEST(KeyReader, CharactersAndReturnAreKeys)
{
    Keys keys;
    EXPECT_EQ(keys.read({"dR\r\n\x01\x7f"}), (Pressed{"d", "R", "\r", "\r"}));
}

TEST(KeyReader, ACharacterSplitAcrossReadsIsOneKey)
{
    Keys keys;
    EXPECT_EQ(keys.read({"\xc3", "\xa9", "\xe2\x82", "\xac"}), (Pressed{"\u00e9", "\u20ac"}));
    // A lead byte cut short, and continuation bytes on their own, are no key.
    Keys broken;
    EXPECT_EQ(broken.read({"\xc3", "d\xa9\xff"}), (Pressed{"d"}));
}

// The faults a person meets: Left arrow arriving as "Esc [" and "D"
// pressed Download, and "Esc" then "[A" closed the window.
TEST(KeyReader, SequencesSplitAcrossReadsPressNothing)
{
    Keys keys;
    EXPECT_EQ(keys.read({"\x1b[", "D", "\x1b", "[A", "\x1b", "O", "P", "\x1b[1", ";5", "C", "d"}), (Pressed{"d"}));
    EXPECT_FALSE(keys.reader.isEscapePending());
}

TEST(KeyReader, EverySequenceKindIsSwallowedWhole)
{
    Keys keys;
    // CSI with parameters and an intermediate, SS3 with parameters, the
    // Linux console's F1, Alt with a key, then a key.
    EXPECT_EQ(keys.read({"\x1b[15;2~\x1b[>1;2 q\x1bO1;5P\x1b[[A\x1b" "dr"}), (Pressed{"r"}));
}

TEST(KeyReader, ASequenceCutOffByAControlCharacterLeavesThatCharacter)
{
    Keys keys;
    EXPECT_EQ(keys.read({"\x1b[1;\r", "s"}), (Pressed{"\r", "s"}));
}

TEST(KeyReader, ALoneEscIsTheEscKeyOnlyOnceItsWaitIsOver)
{
    Keys keys;
    EXPECT_EQ(keys.read({"\x1b"}), Pressed{});
    EXPECT_TRUE(keys.reader.isEscapePending());
    keys.reader.escapeTimedOut();
    EXPECT_EQ(keys.pressed, Pressed{"\x1b"});
    EXPECT_FALSE(keys.reader.isEscapePending());
    // A wait that ends after the sequence went on changes nothing.
    keys.read({"\x1b", "["});
    keys.reader.escapeTimedOut();
    EXPECT_EQ(keys.read({"A"}), Pressed{"\x1b"});
}

TEST(KeyReader, EscPressedTwiceIsOneKeyAndAWait)
{
    Keys keys;
    EXPECT_EQ(keys.read({"\x1b\x1b"}), Pressed{"\x1b"});
    EXPECT_TRUE(keys.reader.isEscapePending());
}

TEST(EscapeDelay, ESCDELAYIsReadAsCursesReadsItWithinBounds)
{
    struct Case {
        const char* setting;
        long milliseconds;
    };
    for (const Case& c : {Case{nullptr, 1000}, Case{"25", 25}, Case{"0", 0}, Case{"99999", 10000}, Case{"-5", 1000},
                          Case{"2s", 1000}, Case{"", 1000}}) {
        if (c.setting)
            ::setenv("ESCDELAY", c.setting, 1);
        else
            ::unsetenv("ESCDELAY");
        EXPECT_EQ(terminal::escapeDelay().count(), c.milliseconds) << (c.setting ? c.setting : "unset");
    }
    ::unsetenv("ESCDELAY");
}
