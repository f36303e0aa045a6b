#pragma once

#include "foundation/objects/Object.h"

namespace foundation {

// A moment in time, as seconds since 1970-01-01 00:00:00 UTC. Its
// description is always UTC: "YYYY-MM-DD hh:mm:ss +0000".
class Date final : public Object {
public:
    static Ref<Date> now();
    static Ref<Date> withTimeIntervalSince1970(double seconds);

    double timeIntervalSince1970() const noexcept { return seconds_; }

    const char* className() const override { return "NSDate"; }
    std::string description() const override;
    bool isEqual(const Object& other) const override;
    std::uint64_t hash() const override;

private:
    explicit Date(double seconds) noexcept : Object(Kind::Date), seconds_(seconds) {}
    double seconds_;
};

} // namespace foundation
