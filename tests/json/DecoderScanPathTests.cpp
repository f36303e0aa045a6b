// The two ways the decoder crosses plain runs (sixteen bytes a step, or a
// byte at a time) find the same bytes wherever they fall against the
// sixteen-byte steps: the same strings, the same errors at the same offsets.

#include "DecodingHelpers.h"

#include "json/JTError.h"
#include "json/JTScanPath.h"

#include <string>

namespace testsupport {

using namespace jotter;

namespace {

// Runs a test body once on each path, and leaves the process on the
// vector path (the default) whatever happens.
class DecoderScanPaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { jt_setVectorScanning(GetParam()); }
    void TearDown() override { jt_setVectorScanning(true); }
};

INSTANTIATE_TEST_SUITE_P(Paths, DecoderScanPaths, ::testing::Values(true, false),
    [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Vector" : "Portable"; });

TEST_P(DecoderScanPaths, StringEndsAreFoundAtEveryOffset)
{
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string content(length, 'a');
        std::string expected = "[\"" + content + "\",\"" + content + "\xC3\xA9\\n\"]";
        EXPECT_EQ(recoded("[\"" + content + "\", \"" + content + "\xC3\xA9\\n\"]"), expected) << length;
    }
}

// A bad byte after `offset` plain bytes of a string fails there, with
// `message`, wherever it falls against the sixteen-byte steps.
void expectFailureAtEveryOffset(const std::string& badByte, const std::string& message)
{
    for (std::size_t offset = 0; offset <= 40; ++offset) {
        std::string text = "[\"" + std::string(offset, 'b') + badByte + "tail of the string\"]";
        foundation::Ref<foundation::Error> error = decodeError(text);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->localizedDescription(), message) << offset;
        EXPECT_EQ(errorInfo(*error, JTAtIndexKey), offset + 2) << offset;
    }
}

TEST_P(DecoderScanPaths, ControlCharacterIsReportedWhereItStands)
{
    expectFailureAtEveryOffset("\x01", "Invalid character < 0x20 found in string: 0x01.");
}

TEST_P(DecoderScanPaths, InvalidUTF8IsReportedWhereItStands)
{
    expectFailureAtEveryOffset("\xFF", "Illegal UTF8 sequence found in \"\" string.");
}

TEST_P(DecoderScanPaths, SpaceRunsOfAnyLengthAreSkippedAndCounted)
{
    for (std::size_t spaces = 0; spaces <= 40; ++spaces) {
        std::string text = "[1,\n" + std::string(spaces, ' ') + "x]";
        foundation::Ref<foundation::Error> error = decodeError(text);
        ASSERT_TRUE(error);
        EXPECT_EQ(errorInfo(*error, JTAtIndexKey), spaces + 4) << spaces;
        EXPECT_EQ(errorInfo(*error, JTLineNumberKey), 2u) << spaces;
    }
}

TEST_P(DecoderScanPaths, StringCutByTheEndOfTheInputIsInvalid)
{
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string text = "[\"" + std::string(length, 'd');
        foundation::Ref<foundation::Error> error = decodeError(text);
        ASSERT_TRUE(error);
        EXPECT_EQ(errorInfo(*error, JTAtIndexKey), text.size()) << length;
    }
}

} // namespace
} // namespace testsupport
