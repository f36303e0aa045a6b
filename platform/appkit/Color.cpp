#include "appkit/Color.h"

#include "foundation/objects/Format.h"

#include <functional>

namespace appkit {

using foundation::Ref;

Ref<Color> Color::colorWithWhite(double white, double alpha)
{
    return Ref<Color>::adopt(new Color(Space::White, white, white, white, alpha));
}

Ref<Color> Color::colorWithRed(double red, double green, double blue, double alpha)
{
    return Ref<Color>::adopt(new Color(Space::RGB, red, green, blue, alpha));
}

Ref<Color> Color::clearColor()
{
    return colorWithWhite(0, 0);
}

Ref<Color> Color::lightGrayColor()
{
    return colorWithWhite(2.0 / 3.0, 1);
}

std::string Color::description() const
{
    if (isGray())
        return foundation::format("NSCalibratedWhiteColorSpace %g %g", red_, alpha_);
    return foundation::format("NSCalibratedRGBColorSpace %g %g %g %g", red_, green_, blue_, alpha_);
}

bool Color::isEqual(const foundation::Object& other) const
{
    auto* color = dynamic_cast<const Color*>(&other);
    return color && color->space_ == space_ && color->CGColor() == CGColor();
}

std::uint64_t Color::hash() const
{
    std::hash<double> hashDouble;
    return hashDouble(red_) ^ (hashDouble(green_) << 1) ^ (hashDouble(blue_) << 2) ^ (hashDouble(alpha_) << 3);
}

} // namespace appkit
