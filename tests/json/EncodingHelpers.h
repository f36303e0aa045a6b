#pragma once

#include "foundation/objects/Data.h"
#include "foundation/objects/Error.h"
#include "foundation/objects/String.h"
#include "json/JTError.h"
#include "json/JTSerializer.h"

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

using namespace jotter;

// The text of a successful run (as a Data result unless the encode option
// says otherwise); a failed run fails the test and gives "<failed>".
inline std::string jsonText(foundation::Object* root, JTSerializeOptionFlags flags = JTSerializeOptionNone,
    JTEncodeOption encodeOption = JTEncodeOptionResultData, const FormatterBlock* block = nullptr)
{
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> result =
        JTSerializer::serializeObject(root, flags, encodeOption, block, nullptr, {}, &error);
    EXPECT_TRUE(result) << (error ? error->localizedDescription() : "no error either");
    if (!result)
        return "<failed>";
    if (result->isData())
        return std::string(static_cast<foundation::Data&>(*result).view());
    return std::string(static_cast<foundation::String&>(*result).utf8());
}

// The message of a failed run, after checking that it returned nothing and
// reported a library error.
inline std::string failureMessage(foundation::Object* root, JTSerializeOptionFlags flags = JTSerializeOptionNone,
    JTEncodeOption encodeOption = JTEncodeOptionResultData, const FormatterBlock* block = nullptr)
{
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> result =
        JTSerializer::serializeObject(root, flags, encodeOption, block, nullptr, {}, &error);
    EXPECT_FALSE(result);
    if (!error)
        return "<no error>";
    EXPECT_EQ(error->domain().utf8(), JTErrorDomain);
    EXPECT_EQ(error->code(), -1);
    return error->localizedDescription();
}

} // namespace testsupport
