#pragma once

#include "foundation/objects/Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace jotter::testing {

// A programmer error: `call` must raise the platform exception `name` with
// exactly `reason`.
inline void expectRaise(const std::function<void()>& call, const char* name, const std::string& reason)
{
    try {
        call();
        ADD_FAILURE() << "nothing raised, expected " << reason;
    } catch (const foundation::Exception& exception) {
        EXPECT_EQ(exception.name(), name);
        EXPECT_EQ(exception.reason(), reason);
    }
}

} // namespace jotter::testing
