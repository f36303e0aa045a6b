// The value hash: words built to meet a key cannot erase what came before
// them, and single-byte differences always show.

#include "json/internal/JTValueHash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace testsupport {

using namespace jotter;

namespace {

std::uint64_t hashOf(const std::string& bytes)
{
    return jt_hashBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string wordBytes(std::uint64_t word)
{
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &word, sizeof word);
    return bytes;
}

// A word equal to the multiplier's key once made that step's product zero,
// so every prefix before it hashed alike. Tried with the key the library
// once had built in and with the one this process drew.
TEST(ValueHash, AWordMeetingTheKeyKeepsThePrefixApart)
{
    for (std::uint64_t key : {std::uint64_t(0xE7037ED1A0B428DB), valueHash::processKeys.wordKey}) {
        for (std::size_t offset : {16, 32, 48, 64}) {
            std::set<std::uint64_t> hashes;
            for (char prefixByte : {'a', 'b', 'c', 'd'}) {
                std::string text = std::string(offset, prefixByte) + wordBytes(key) + "same tail bytes!" + "end";
                hashes.insert(hashOf(text));
            }
            EXPECT_EQ(hashes.size(), 4u) << "key word at offset " << offset;
        }
    }
}

TEST(ValueHash, NumbersMeetingTheKeyKeepTheirTypeApart)
{
    for (std::uint64_t key : {std::uint64_t(0xE7037ED1A0B428DB), valueHash::processKeys.wordKey}) {
        std::set<std::uint64_t> hashes = {jt_hashNumber(key, 7), jt_hashNumber(key, 11), jt_hashNumber(key, 13),
            jt_hashNumber(key ^ 1, 7), jt_hashNumber(key ^ 0x8000000000000000, 7)};
        EXPECT_EQ(hashes.size(), 5u);
    }
}

TEST(ValueHash, OneByteChangedAtAnyOfTheFirst64OffsetsChangesTheHash)
{
    for (std::size_t length : {64, 65, 72, 80, 100}) {
        const std::string base(length, 'k');
        std::set<std::uint64_t> hashes = {hashOf(base)};
        for (std::size_t offset = 0; offset < 64; ++offset) {
            std::string changed = base;
            changed[offset] = 'l';
            hashes.insert(hashOf(changed));
        }
        EXPECT_EQ(hashes.size(), 65u) << "length " << length;
    }
}

TEST(ValueHash, EqualBytesHashEqually)
{
    const std::string text = "a value repeated across a document, longer than one step";
    EXPECT_EQ(hashOf(text), hashOf(std::string(text)));
    EXPECT_EQ(jt_hashNumber(42, 7), jt_hashNumber(42, 7));
}

} // namespace
} // namespace testsupport
