// The decoder reads nothing at or past the end of the bytes it was given:
// every document here sits right before a page that cannot be read.

#include "DecodingHelpers.h"
#include "GuardedBuffer.h"

#include <string>
#include <vector>

namespace testsupport {

using namespace jotter;

namespace {

// What a decoder makes of `text` placed before the guard page: a tree or an
// error, and never a read beyond it.
bool decodesAtTheEdge(std::string_view text, JTParseOptionFlags options = 0)
{
    GuardedBuffer buffer(text);
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> tree =
        JSONDecoder::decoderWithParseOptions(options)->objectWithUTF8String(buffer.data(), buffer.size(), &error);
    EXPECT_TRUE(tree || error) << text;
    return static_cast<bool>(tree);
}

// Number forms, well-formed and not, that stress the scanner's counting:
// long zero runs, points and exponents repeated, signs, and more digits
// than any conversion holds.
std::vector<std::string> numberForms()
{
    const std::string zeros(40, '0');
    const std::string digits2000 = "1" + std::string(1999, '7');
    return {
        "0.00000000000000000000.0000",
        "0." + zeros + "." + zeros,
        "-0." + zeros + "1." + zeros,
        "0." + zeros + "e" + zeros + ".",
        "-0." + zeros + "e-" + zeros + "e5",
        "1.2.3e4e5",
        "1e5.3.0",
        "--0." + zeros,
        "-" + zeros,
        "0" + zeros,
        digits2000,
        "-" + digits2000,
        digits2000 + "." + digits2000 + "e-2000",
        "0." + std::string(2000, '0'),
        "-0." + std::string(2000, '0') + "1",
        "18446744073709551616",
        "-18446744073709551616.",
    };
}

TEST(DecoderBufferEnd, NumbersCutAtEveryLengthStayWithinTheInput)
{
    for (const std::string& form : numberForms()) {
        for (std::size_t length = 0; length <= form.size(); ++length) {
            std::string document = "[" + form.substr(0, length);
            EXPECT_FALSE(decodesAtTheEdge(document)) << document;  // the array is never closed
        }
    }
}

TEST(DecoderBufferEnd, NumbersFollowedByTheirEndStayWithinTheInput)
{
    for (const std::string& form : numberForms()) {
        for (const char* after : {"]", ",", " ", "}"})
            decodesAtTheEdge("[" + form + after);
    }
}

TEST(DecoderBufferEnd, WholeDocumentsCutAtEveryLengthStayWithinTheInput)
{
    const std::string document = R"({"a": [1, -0.5e-3, "x\u00e9\ud83d\ude00", true, false, null], "b": {"c": "d"}} )"
                                 "/* c */ // d\n";
    for (std::size_t length = 0; length <= document.size(); ++length) {
        for (JTParseOptionFlags options : {JTParseOptionFlags(0), JTParseOptionFlags(JTParseOptionMask)})
            decodesAtTheEdge(document.substr(0, length), options);
    }
}

} // namespace
} // namespace testsupport
