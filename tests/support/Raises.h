#pragma once

#include "foundation/objects/Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string_view>

namespace testsupport {

// How raises() compares the reason: all of it, or its start (for reasons
// that go on with an address or a count).
enum class Reason { Whole, Start };

// Whether `call` raises the platform exception `name` with `reason`:
//   EXPECT_TRUE(raises([&] { array->objectAtIndex(9); }, ExceptionName::Range, "..."));
// A failure says what was raised instead, or that nothing was.
inline ::testing::AssertionResult raises(const std::function<void()>& call, std::string_view name,
                                         std::string_view reason, Reason match = Reason::Whole)
{
    try {
        call();
    } catch (const foundation::Exception& exception) {
        std::string_view raisedReason = exception.reason();
        if (match == Reason::Start)
            raisedReason = raisedReason.substr(0, reason.size());
        if (exception.name() == name && raisedReason == reason)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "raised " << exception.name() << " \"" << exception.reason()
                                             << "\", expected " << name << " \"" << reason << "\"";
    }
    return ::testing::AssertionFailure() << "nothing raised, expected " << name << " \"" << reason << "\"";
}

} // namespace testsupport
