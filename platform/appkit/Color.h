#pragma once

#include "appkit/CGColor.h"
#include "foundation/objects/Object.h"

namespace appkit {

// An immutable colour, either a grey level (white colour space) or RGB.
// Every colour answers its RGB components; a grey one has them all equal.
class Color final : public foundation::Object {
public:
    static foundation::Ref<Color> colorWithWhite(double white, double alpha);
    static foundation::Ref<Color> colorWithRed(double red, double green, double blue, double alpha);

    // Fully transparent: white 0, alpha 0.
    static foundation::Ref<Color> clearColor();
    // White 2/3, alpha 1.
    static foundation::Ref<Color> lightGrayColor();

    bool isGray() const noexcept { return space_ == Space::White; }
    double redComponent() const noexcept { return red_; }
    double greenComponent() const noexcept { return green_; }
    double blueComponent() const noexcept { return blue_; }
    double alphaComponent() const noexcept { return alpha_; }

    // The same colour as the drawing layer's value.
    appkit::CGColor CGColor() const noexcept { return {red_, green_, blue_, alpha_}; }

    const char* className() const override { return "NSColor"; }
    // "NSCalibratedWhiteColorSpace 0.666667 1" or "NSCalibratedRGBColorSpace r g b a".
    std::string description() const override;
    bool isEqual(const foundation::Object& other) const override;
    std::uint64_t hash() const override;

private:
    enum class Space { White, RGB };
    Color(Space space, double red, double green, double blue, double alpha) noexcept
        : space_(space), red_(red), green_(green), blue_(blue), alpha_(alpha) {}

    Space space_;
    double red_;
    double green_;
    double blue_;
    double alpha_;
};

} // namespace appkit
