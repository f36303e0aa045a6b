#include "agent/SignatureFile.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

// A key and a signature as minisign writes them.
const char* const keyLine = "RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIkv";
const std::string signatureText =
    "untrusted comment: signature from minisign secret key\n"
    "RUT1om1a0gIAM/HiCj04V5cTvhrKtzBoWhlU+MSIAEzfTwna6iOgSJEtPqEVMmhITypkGQD9QICkXVqw92irU3Dk3SMMGm0/AgY=\n"
    "trusted comment: timestamp:1796688930\tfile:x.txt\thashed\n"
    "cR+W2+O2l0JwHQX0VT83tYoOEodQ2iUYuc0kroXbrS9NbtKOXzX22u65MweoQ3HiBSrZ/3wXXMU44W7FyC/BCw==\n";

SignatureFile parsed(const std::string& text)
{
    auto result = parseSignatureFile(text);
    EXPECT_TRUE(std::holds_alternative<SignatureFile>(result)) << std::get<std::string>(result);
    return std::holds_alternative<SignatureFile>(result) ? std::get<SignatureFile>(result) : SignatureFile{};
}

std::string refusalOf(const std::string& text)
{
    auto result = parseSignatureFile(text);
    return std::holds_alternative<std::string>(result) ? std::get<std::string>(result) : "accepted";
}

} // namespace

TEST(PublicKeyLine, ReadsTheKeyIdAndTheKey)
{
    std::optional<PublicKey> key = parsePublicKey(keyLine);
    ASSERT_TRUE(key);
    EXPECT_EQ(keyIdText(key->keyId), "330002D25A6DA2F5");
    EXPECT_EQ(key->key[0], 0x4C);   // "M0xP..." after the id
    EXPECT_EQ(key->key[31], 0x2F);  // "...iIkv"
    EXPECT_EQ(keyIdText({0xA9, 0x7A, 0x31, 0x31, 0x46, 0xD3, 0x9B, 0x00}), "9BD34631317AA9");  // no leading zeros
    EXPECT_EQ(keyIdText({}), "0");
}

TEST(PublicKeyLine, RefusesAnythingButOneKeyLine)
{
    std::string line = keyLine;
    for (const std::string& text : std::vector<std::string>{
             std::string(),
             "untrusted comment: minisign public key 330002D25A6DA2F5",
             line.substr(0, 55),                  // a character short
             line + "A",                          // one too many
             line + "\n",                         // the line feed is not the key's
             " " + line,
             "RU" + line.substr(2),               // "ED", a signature algorithm, not a key
             line.substr(0, 20) + "*" + line.substr(21),
             std::string(56, 'A'),
         })
        EXPECT_FALSE(parsePublicKey(text)) << '"' << text << '"';
}

TEST(SignatureFileText, ReadsWhatMinisignWrites)
{
    SignatureFile signature = parsed(signatureText);
    EXPECT_TRUE(signature.prehashed);
    EXPECT_EQ(keyIdText(signature.keyId), "330002D25A6DA2F5");
    EXPECT_EQ(signature.trustedComment, "timestamp:1796688930\tfile:x.txt\thashed");
    EXPECT_EQ(signature.signature[0], 0xF1);        // "M/Hi" after the id
    EXPECT_EQ(signature.globalSignature[0], 0x71);  // "cR+W"
    EXPECT_EQ(signature.globalSignature[63], 0x0B);
}

TEST(SignatureFileText, TakesCarriageReturnsAndAMissingLastLineFeed)
{
    std::string crlf;
    for (char c : signatureText)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(parsed(crlf).trustedComment, "timestamp:1796688930\tfile:x.txt\thashed");
    EXPECT_EQ(parsed(signatureText.substr(0, signatureText.size() - 1)).trustedComment,
              "timestamp:1796688930\tfile:x.txt\thashed");
}

TEST(SignatureFileText, TellsTheLegacyFormByItsAlgorithm)
{
    // "Ed" in place of "ED": the first base64 characters "RUT" become "RWT".
    std::string legacy = signatureText;
    legacy.replace(legacy.find("RUT1"), 4, "RWT1");
    EXPECT_FALSE(parsed(legacy).prehashed);
    std::string other = signatureText;
    other.replace(other.find("RUT1"), 4, "RXT1");  // "Ex"
    EXPECT_EQ(refusalOf(other), "the signature file names an algorithm other than Ed25519");
}

TEST(SignatureFileText, EveryCutShortOfTheLastLineIsRefused)
{
    std::size_t complete = signatureText.size() - 1;  // without the final line feed it is still whole
    for (std::size_t length = 0; length < complete; ++length)
        EXPECT_NE(refusalOf(signatureText.substr(0, length)), "accepted") << length;
}

TEST(SignatureFileText, RefusesGarbledLinesWithWhatIsWrong)
{
    auto replaced = [](std::string_view from, std::string_view to) {
        std::string text = signatureText;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    EXPECT_EQ(refusalOf(replaced("untrusted comment: ", "comment: ")),
              "the signature file's first line is not an untrusted comment");
    EXPECT_EQ(refusalOf(replaced("AgY=", "AgY")), "the signature file's signature line is not 74 bytes of base64");
    EXPECT_EQ(refusalOf(replaced("RUT1om", "RUT1o*")), "the signature file's signature line is not 74 bytes of base64");
    EXPECT_EQ(refusalOf(replaced("trusted comment: timestamp", "trusted: timestamp")),
              "the signature file's third line is not a trusted comment");
    EXPECT_EQ(refusalOf(replaced("BCw==", "BCw=")), "the signature file's comment signature is not 64 bytes of base64");
    EXPECT_EQ(refusalOf(signatureText + "more\n"), "the signature file does not have the four lines of a minisign signature");
    EXPECT_EQ(refusalOf(std::string(4, '\n')), "the signature file's first line is not an untrusted comment");
}

TEST(SignatureFileText, RefusesALongFileUnread)
{
    // A trusted comment may be long, but not longer than the limit.
    std::string atLimit = signatureText;
    atLimit.insert(atLimit.find("\thashed"), SignatureFile::maximumBytes - atLimit.size(), 'x');
    ASSERT_EQ(atLimit.size(), 2048u);
    EXPECT_EQ(refusalOf(atLimit), "accepted");
    EXPECT_EQ(refusalOf(atLimit + "\n"), "the signature file is longer than 2048 bytes");
    EXPECT_EQ(refusalOf(std::string(1 << 20, 'A')), "the signature file is longer than 2048 bytes");
}

TEST(TrustedCommentFields, ReadsTimestampAndFileWherePresent)
{
    struct Case {
        const char* comment;
        std::optional<std::uint64_t> timestamp;
        std::optional<std::string> file;
    } cases[] = {
        {"timestamp:1796688930\tfile:x.txt\thashed", 1796688930, "x.txt"},
        {"timestamp:1796688930\tfile:x.txt", 1796688930, "x.txt"},
        {"file:erlang 26.dmg\ttimestamp:5", 5, "erlang 26.dmg"},
        {"timestamp:\tfile:", std::nullopt, ""},
        {"timestamp:-5\tfile:a", std::nullopt, "a"},
        {"timestamp:12x", std::nullopt, std::nullopt},
        {"timestamp:99999999999999999999999", std::nullopt, std::nullopt},  // beyond 64 bits
        {"a comment of my own", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        TrustedComment fields = readTrustedComment(c.comment);
        EXPECT_EQ(fields.timestamp, c.timestamp) << c.comment;
        EXPECT_EQ(fields.file, c.file) << c.comment;
    }
}
