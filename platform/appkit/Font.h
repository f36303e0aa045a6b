#pragma once

#include "foundation/objects/Object.h"

#include <string>
#include <string_view>

namespace appkit {

// A font by name and size in points. Fonts are values: two fonts of the same
// name and size are equal. No glyphs are involved; a presenter draws text in
// whatever face it has, and the font says what the text asked for.
class Font final : public foundation::Object {
public:
    // The name the platform gives its interface font.
    static constexpr std::string_view SystemFontName = ".AppleSystemUIFont";

    static foundation::Ref<Font> fontWithName(std::string_view name, double pointSize);
    static foundation::Ref<Font> systemFontOfSize(double pointSize);

    const std::string& fontName() const noexcept { return name_; }
    double pointSize() const noexcept { return pointSize_; }

    const char* className() const override { return "NSFont"; }
    // "\"Times-Bold 12.00 pt. P [] (0x…) fobj=0x…, spc=3.00\"" on the
    // platform; here the part a person reads: "Times-Bold 12.00 pt."
    std::string description() const override;
    bool isEqual(const foundation::Object& other) const override;
    std::uint64_t hash() const override;

private:
    Font(std::string_view name, double pointSize) : name_(name), pointSize_(pointSize) {}

    std::string name_;
    double pointSize_;
};

} // namespace appkit
