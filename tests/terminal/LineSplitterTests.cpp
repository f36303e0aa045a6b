// Console input split into lines with a bound on what an unfinished line
// may hold.
#include "terminal/LineSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using terminal::LineSplitter;

namespace {

struct Heard {
    std::vector<std::string> lines;
    std::vector<std::string> overlong;
};

LineSplitter splitter(Heard& heard, std::size_t limit)
{
    return LineSplitter([&heard](std::string_view line) { heard.lines.emplace_back(line); },
                        [&heard](std::string_view start) { heard.overlong.emplace_back(start); }, limit);
}

} // namespace

TEST(LineSplitter, LinesCutAcrossChunksComeWhole)
{
    Heard heard;
    LineSplitter lines = splitter(heard, 16);
    lines.append("ne");
    lines.append("xt\nset 1 A");
    lines.append("da\n\nba");
    lines.finish();
    EXPECT_EQ(heard.lines, (std::vector<std::string>{"next", "set 1 Ada", "", "ba"}));
    EXPECT_TRUE(heard.overlong.empty());
}

TEST(LineSplitter, LineOfExactlyTheLimitIsALine)
{
    Heard heard;
    LineSplitter lines = splitter(heard, 4);
    lines.append("abcd\n");
    EXPECT_EQ(heard.lines, std::vector<std::string>{"abcd"});
    EXPECT_TRUE(heard.overlong.empty());
}

// A script written on another system ends its lines in CR LF: the line
// holds neither, and the CR counts against no limit, wherever a read splits
// the pair. A CR inside a line is text.
TEST(LineSplitter, CarriageReturnBeforeTheLineFeedIsPartOfTheLineEnd)
{
    Heard heard;
    LineSplitter lines = splitter(heard, 4);
    lines.append("abcd\r\nab");
    lines.append("cd\r");
    lines.append("\na\r");
    lines.append("b\n\r\nxy\r");
    lines.finish();
    EXPECT_EQ(heard.lines, (std::vector<std::string>{"abcd", "abcd", "a\rb", "", "xy"}));
    EXPECT_TRUE(heard.overlong.empty());
}

TEST(LineSplitter, OverlongLineIsAnsweredOnceAndSkippedToItsEnd)
{
    Heard heard;
    LineSplitter lines = splitter(heard, 4);
    lines.append("abc");
    lines.append("defgh");
    lines.append("ijklmnop");
    lines.append("qr\nnext\n");
    EXPECT_EQ(heard.overlong, std::vector<std::string>{"abcd"});
    EXPECT_EQ(heard.lines, std::vector<std::string>{"next"});
}

TEST(LineSplitter, OverlongLastLineWithoutLineFeedIsNotHandedOnAtTheEnd)
{
    Heard heard;
    LineSplitter lines = splitter(heard, 4);
    lines.append("abcdefgh");
    lines.finish();
    EXPECT_EQ(heard.overlong, std::vector<std::string>{"abcd"});
    EXPECT_TRUE(heard.lines.empty());
}

TEST(LineSplitter, AnswerShowsTheStartAndTheLimit)
{
    EXPECT_EQ(terminal::overlongLineAnswer(std::string(100, 'x'), 4096),
              "== ignored \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\u2026\": the line is longer than 4096 bytes\n");
    // Cut before a character, not inside it; control characters made printable.
    EXPECT_EQ(terminal::overlongLineAnswer(std::string(31, 'a') + "\u00e9\x1b" + std::string(10, 'b'), 64),
              "== ignored \"" + std::string(31, 'a') + "\u2026\": the line is longer than 64 bytes\n");
}
