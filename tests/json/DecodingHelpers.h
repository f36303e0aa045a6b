#pragma once

#include "EncodingHelpers.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "json/JSONDecoder.h"
#include "json/JTParseOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace testsupport {

using namespace jotter;

// The tree a fresh decoder makes of `text`; a failed parse fails the test.
inline foundation::Ref<foundation::Object> decoded(std::string_view text, JTParseOptionFlags options = 0)
{
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> tree =
        JSONDecoder::decoderWithParseOptions(options)->objectWithUTF8String(text.data(), text.size(), &error);
    EXPECT_TRUE(tree) << text << ": " << (error ? error->localizedDescription() : "no error either");
    return tree;
}

// The compact JSON text of what `text` decodes to, "<failed>" when it fails.
inline std::string recoded(std::string_view text, JTParseOptionFlags options = 0)
{
    foundation::Ref<foundation::Object> tree = decoded(text, options);
    return tree ? jsonText(tree.get()) : "<failed>";
}

// The error of a parse that must fail, after checking that it returned
// nothing and that the error is a library error.
inline foundation::Ref<foundation::Error> decodeError(std::string_view text, JTParseOptionFlags options = 0)
{
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> tree =
        JSONDecoder::decoderWithParseOptions(options)->objectWithUTF8String(text.data(), text.size(), &error);
    EXPECT_FALSE(tree) << text;
    EXPECT_TRUE(error) << text;
    if (error) {
        EXPECT_EQ(error->domain().utf8(), JTErrorDomain);
        EXPECT_EQ(error->code(), -1);
    }
    return error;
}

inline std::string decodeFailure(std::string_view text, JTParseOptionFlags options = 0)
{
    foundation::Ref<foundation::Error> error = decodeError(text, options);
    return error ? error->localizedDescription() : "<no error>";
}

// An unsigned user-info entry of a parse error.
inline std::uint64_t errorInfo(const foundation::Error& error, std::string_view key)
{
    auto* number = static_cast<foundation::Number*>(error.userInfo()->objectForKey(key));
    EXPECT_TRUE(number) << key;
    return number ? number->uint64Value() : 0;
}

// The only element of a one-element array.
inline foundation::Object* onlyElement(const foundation::Ref<foundation::Object>& tree)
{
    auto& array = static_cast<foundation::Array&>(*tree);
    EXPECT_EQ(array.count(), 1u);
    return array.count() == 1 ? array.objectAtIndex(0) : nullptr;
}

} // namespace testsupport
