#include "foundation/objects/Date.h"

#include "foundation/objects/Hashing.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace foundation {

Ref<Date> Date::now()
{
    using namespace std::chrono;
    auto sinceEpoch = duration_cast<duration<double>>(system_clock::now().time_since_epoch());
    return withTimeIntervalSince1970(sinceEpoch.count());
}

Ref<Date> Date::withTimeIntervalSince1970(double seconds)
{
    return Ref<Date>::adopt(new Date(seconds));
}

std::string Date::description() const
{
    using namespace std::chrono;
    auto wholeSeconds = static_cast<long long>(std::floor(seconds_));
    sys_seconds moment{seconds(wholeSeconds)};
    auto day = floor<days>(moment);
    year_month_day date{day};
    hh_mm_ss time{moment - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02lld:%02lld:%02lld +0000", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long long>(time.hours().count()), static_cast<long long>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()));
    return text;
}

bool Date::isEqual(const Object& other) const
{
    return other.isDate() && static_cast<const Date&>(other).seconds_ == seconds_;
}

std::uint64_t Date::hash() const
{
    std::uint64_t bits;
    std::memcpy(&bits, &seconds_, sizeof bits);
    return mixBits(bits);
}

} // namespace foundation
