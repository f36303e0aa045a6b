#include "foundation/objects/Number.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/Hashing.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace foundation {

namespace {

bool isSignedCode(char code) noexcept
{
    return std::strchr("csilq", code) != nullptr;
}

bool isUnsignedCode(char code) noexcept
{
    return std::strchr("CSILQB", code) != nullptr;
}

std::int64_t narrowSigned(std::int64_t value, char code) noexcept
{
    switch (code) {
    case 'c': return static_cast<signed char>(value);
    case 's': return static_cast<short>(value);
    case 'i': return static_cast<int>(value);
    default: return value;  // l and q are 64 bits here
    }
}

std::uint64_t narrowUnsigned(std::uint64_t value, char code) noexcept
{
    switch (code) {
    case 'C': return static_cast<unsigned char>(value);
    case 'S': return static_cast<unsigned short>(value);
    case 'I': return static_cast<unsigned int>(value);
    case 'B': return value != 0;
    default: return value;
    }
}

// Three-way comparison of a signed or unsigned integer with a double,
// exact even where the integer cannot be represented as a double.
int compareIntegerWithDouble(bool isUnsigned, std::uint64_t bits, double value) noexcept
{
    if (std::isnan(value))
        return -1;  // NaN orders after every number, as on the platform
    constexpr double twoTo63 = 9223372036854775808.0;
    constexpr double twoTo64 = 18446744073709551616.0;
    if (isUnsigned) {
        if (value < 0)
            return 1;
        if (value >= twoTo64)
            return -1;
        double whole = std::floor(value);
        auto integral = static_cast<std::uint64_t>(whole);
        if (bits != integral)
            return bits < integral ? -1 : 1;
        return whole < value ? -1 : 0;
    }
    auto signedValue = static_cast<std::int64_t>(bits);
    if (value >= twoTo63)
        return -1;
    if (value < -twoTo63)
        return 1;
    double whole = std::floor(value);
    auto integral = static_cast<std::int64_t>(whole);
    if (signedValue != integral)
        return signedValue < integral ? -1 : 1;
    return whole < value ? -1 : 0;
}

// Digits in exponent form ("-1.5e+03"), placed where "%.17g" places its
// seventeen: plain unless the exponent is below -4 or at least 17, so that
// 1500 reads "1500" however few digits it needs, and 1e22 "1e+22".
// Infinities and NaN come as they are.
std::string placedAsSeventeenG(std::string_view scientific)
{
    std::size_t exponentMark = scientific.find('e');
    if (exponentMark == std::string_view::npos)
        return std::string(scientific);
    int exponent = 0;
    std::from_chars(scientific.data() + exponentMark + 2, scientific.data() + scientific.size(), exponent);
    if (scientific[exponentMark + 1] == '-')
        exponent = -exponent;
    if (exponent < -4 || exponent >= 17)
        return std::string(scientific);
    bool negative = scientific.front() == '-';
    std::string digits;
    for (char c : scientific.substr(negative, exponentMark - negative)) {
        if (c != '.')
            digits += c;
    }
    std::string text = negative ? "-" : "";
    if (exponent < 0)
        return text + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    auto integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits)
        return text + digits + std::string(integerDigits - digits.size(), '0');
    return text + digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
}

} // namespace

Ref<Number> Number::withSigned(std::int64_t value, char typeCode)
{
    FOUNDATION_PARAMETER_ASSERT(isSignedCode(typeCode));
    Ref<Number> number = Ref<Number>::adopt(new Number(typeCode));
    number->signedValue_ = narrowSigned(value, typeCode);
    return number;
}

Ref<Number> Number::withUnsigned(std::uint64_t value, char typeCode)
{
    FOUNDATION_PARAMETER_ASSERT(isUnsignedCode(typeCode));
    Ref<Number> number = Ref<Number>::adopt(new Number(typeCode));
    number->unsignedValue_ = narrowUnsigned(value, typeCode);
    return number;
}

Ref<Number> Number::withDouble(double value)
{
    Ref<Number> number = Ref<Number>::adopt(new Number('d'));
    number->doubleValue_ = value;
    return number;
}

Ref<Number> Number::withFloat(float value)
{
    Ref<Number> number = Ref<Number>::adopt(new Number('f'));
    number->doubleValue_ = value;
    return number;
}

Ref<Number> Number::withBooleanValue(bool value)
{
    return withUnsigned(value, 'B');
}

Number* Number::trueValue() noexcept
{
    static Number* singleton = [] {
        Number* number = withBooleanValue(true).leak();
        number->makeImmortal();
        return number;
    }();
    return singleton;
}

Number* Number::falseValue() noexcept
{
    static Number* singleton = [] {
        Number* number = withBooleanValue(false).leak();
        number->makeImmortal();
        return number;
    }();
    return singleton;
}

const char* Number::objCType() const noexcept
{
    static const char codes[] = "c\0s\0i\0l\0q\0C\0S\0I\0L\0Q\0B\0f\0d";
    const char* found = static_cast<const char*>(std::memchr(codes, typeCode_, sizeof codes));
    return found ? found : "";
}

bool Number::isUnsigned() const noexcept
{
    return isUnsignedCode(typeCode_);
}

std::int64_t Number::int64Value() const noexcept
{
    if (isFloatingPoint()) {
        if (!(doubleValue_ >= -9223372036854775808.0 && doubleValue_ < 9223372036854775808.0))
            return std::isnan(doubleValue_) ? 0 : doubleValue_ < 0 ? std::numeric_limits<std::int64_t>::min()
                                                                    : std::numeric_limits<std::int64_t>::max();
        return static_cast<std::int64_t>(doubleValue_);
    }
    return signedValue_;  // an unsigned value wraps, as the platform's longLongValue does
}

std::uint64_t Number::uint64Value() const noexcept
{
    if (isFloatingPoint()) {
        if (!(doubleValue_ > -1.0 && doubleValue_ < 18446744073709551616.0))
            return doubleValue_ < 0 ? static_cast<std::uint64_t>(int64Value()) : std::numeric_limits<std::uint64_t>::max();
        return static_cast<std::uint64_t>(doubleValue_);
    }
    return unsignedValue_;
}

double Number::doubleValue() const noexcept
{
    if (isFloatingPoint())
        return doubleValue_;
    return isUnsigned() ? static_cast<double>(unsignedValue_) : static_cast<double>(signedValue_);
}

bool Number::boolValue() const noexcept
{
    return isFloatingPoint() ? doubleValue_ != 0 : unsignedValue_ != 0;
}

int Number::compare(const Number& other) const noexcept
{
    if (isFloatingPoint() && other.isFloatingPoint()) {
        double a = doubleValue_, b = other.doubleValue_;
        if (std::isnan(a) || std::isnan(b))
            return std::isnan(a) ? (std::isnan(b) ? 0 : 1) : -1;
        return (a > b) - (a < b);
    }
    if (isFloatingPoint())
        return -other.compare(*this);
    if (other.isFloatingPoint())
        return compareIntegerWithDouble(isUnsigned(), unsignedValue_, other.doubleValue_);
    // Both integers: a negative signed value is below every unsigned one.
    bool negativeA = !isUnsigned() && signedValue_ < 0;
    bool negativeB = !other.isUnsigned() && other.signedValue_ < 0;
    if (negativeA != negativeB)
        return negativeA ? -1 : 1;
    if (negativeA)
        return (signedValue_ > other.signedValue_) - (signedValue_ < other.signedValue_);
    return (unsignedValue_ > other.unsignedValue_) - (unsignedValue_ < other.unsignedValue_);
}

bool Number::isEqual(const Object& other) const
{
    return other.isNumber() && compare(static_cast<const Number&>(other)) == 0;
}

std::uint64_t Number::hash() const
{
    // Integral values hash as their integer whatever the type code, so that
    // 1, 1u and 1.0 land together; other doubles hash by their bits.
    if (isFloatingPoint()) {
        double value = doubleValue_;
        if (value == 0)
            return mixBits(0);
        if (std::floor(value) == value && value >= -9223372036854775808.0 && value < 18446744073709551616.0)
            return mixBits(value < 0 ? static_cast<std::uint64_t>(static_cast<std::int64_t>(value))
                                     : static_cast<std::uint64_t>(value));
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return mixBits(bits);
    }
    return mixBits(unsignedValue_);
}

std::string Number::description() const
{
    char text[64];
    if (isFloatingPoint()) {
        // The platform prints the fewest digits that read back the same;
        // to_chars and from_chars are printf and strtod without the
        // locale's decimal comma.
        char* end = text;
        for (int precision = 1; precision <= 17; ++precision) {
            end = std::to_chars(text, text + sizeof text, doubleValue_, std::chars_format::scientific, precision - 1).ptr;
            double readBack = 0;
            std::from_chars(text, end, readBack);
            if (typeCode_ == 'd' ? readBack == doubleValue_ : static_cast<float>(readBack) == static_cast<float>(doubleValue_))
                break;
        }
        return placedAsSeventeenG(std::string_view(text, static_cast<std::size_t>(end - text)));
    }
    if (isUnsigned())
        std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(unsignedValue_));
    else
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(signedValue_));
    return text;
}

} // namespace foundation
