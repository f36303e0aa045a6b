#include "foundation/objects/Base64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64, KnownVectorsBothWays)
{
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"user:pass\xff", "dXNlcjpwYXNz/w=="},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(foundation::base64Encoded(bytes), text);
        EXPECT_EQ(foundation::base64Decoded(text), bytes);
    }
}

TEST(Base64, OnlyWellFormedPaddedTextDecodes)
{
    for (std::string bad : {"Zg", "Zg=", "Z===", "Zm9v!A==", "Zg==Zg==", "=Zg="})
        EXPECT_EQ(foundation::base64Decoded(bad), std::nullopt) << bad;
}

} // namespace
