// The two ways the decoder crosses plain runs (sixteen bytes a step, or a
// byte at a time) find the same bytes wherever they fall against the
// sixteen-byte steps: the same strings, the same errors at the same offsets.

#include "DecodingHelpers.h"

#include "json/JTError.h"
#include "json/internal/JTScanPath.h"

#include <string>

namespace jotter::testing {
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

// What one path makes of a document: its compact text, or its error
// message and offset.
std::string outcomeOn(bool vector, const std::string& text, JTParseOptionFlags options)
{
    jt_setVectorScanning(vector);
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> tree =
        JSONDecoder::decoderWithParseOptions(options)->objectWithUTF8String(text.data(), text.size(), &error);
    jt_setVectorScanning(true);
    if (tree)
        return jsonText(tree.get());
    return error->localizedDescription() + " at " + std::to_string(errorInfo(*error, JTAtIndexKey));
}

struct BadSequence {
    const char* name;
    std::string bytes;
    const char* strictMessage;  // null: the bytes are plain content
};

// Every byte the plain-run scan must stop at (or pass), at every offset
// against its steps, after an escape that already left the fast path and
// without one, strict and lenient: both paths give the same outcome, and
// the strict one is the expected error where the sequence stands.
TEST(DecoderScanPathsAgree, OnEveryStopByteAtEveryOffset)
{
    const char* illegal = "Illegal UTF8 sequence found in \"\" string.";
    const BadSequence sequences[] = {
        {"0x1F", "\x1F", "Invalid character < 0x20 found in string: 0x1f."},
        {"0x20", " ", nullptr},
        {"0x7F", "\x7F", nullptr},
        {"overlong slash", "\xC0\xAF", illegal},
        {"encoded surrogate", "\xED\xA0\x80", illegal},
        {"above U+10FFFF", "\xF4\x90\x80\x80", illegal},
    };
    for (const BadSequence& sequence : sequences) {
        for (const std::string leading : {"", "\\n"}) {
            for (std::size_t offset = 0; offset <= 40; ++offset) {
                const std::string before = "[\"" + leading + std::string(offset, 'b');
                const std::string text = before + sequence.bytes + "tail\"]";
                for (JTParseOptionFlags options : {JTParseOptionFlags(0), JTParseOptionFlags(JTParseOptionLenientUnicode)}) {
                    const std::string vector = outcomeOn(true, text, options);
                    EXPECT_EQ(vector, outcomeOn(false, text, options)) << sequence.name << " at " << offset;
                    if (!sequence.strictMessage)
                        EXPECT_EQ(vector.back(), ']') << sequence.name << " at " << offset << ": " << vector;
                    else if (options == 0 || sequence.bytes == "\x1F")
                        EXPECT_EQ(vector, sequence.strictMessage + std::string(" at ") + std::to_string(before.size()))
                            << sequence.name << " at " << offset;
                    else
                        EXPECT_NE(vector.find("\xEF\xBF\xBDtail"), std::string::npos) << sequence.name << " at " << offset;
                }
            }
        }
    }
}

TEST(DecoderScanPathsAgree, OnASequenceCutByTheEndOfTheInput)
{
    for (const std::string leading : {"", "\\n"}) {
        for (std::size_t offset = 0; offset <= 40; ++offset) {
            const std::string text = "[\"" + leading + std::string(offset, 'b') + "\xE2\x82";
            for (JTParseOptionFlags options : {JTParseOptionFlags(0), JTParseOptionFlags(JTParseOptionLenientUnicode)}) {
                const std::string vector = outcomeOn(true, text, options);
                EXPECT_EQ(vector, outcomeOn(false, text, options)) << offset;
                EXPECT_EQ(vector.substr(0, vector.find(" at ")), "End of buffer reached while parsing UTF8 in \"\" string.")
                    << offset;
            }
        }
    }
}

} // namespace
} // namespace jotter::testing
