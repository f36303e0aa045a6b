#pragma once

#include "foundation/objects/Object.h"

namespace foundation {

// The one null object; collections hold it where JSON has null.
class Null final : public Object {
public:
    static Null* null() noexcept;

    const char* className() const override { return "NSNull"; }
    std::string description() const override { return "<null>"; }

private:
    Null() noexcept : Object(Kind::Null) { makeImmortal(); }
};

} // namespace foundation
