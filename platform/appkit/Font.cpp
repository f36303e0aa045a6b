#include "appkit/Font.h"

#include "foundation/objects/Format.h"

#include <functional>

namespace appkit {

using foundation::Ref;

Ref<Font> Font::fontWithName(std::string_view name, double pointSize)
{
    return Ref<Font>::adopt(new Font(name, pointSize));
}

Ref<Font> Font::systemFontOfSize(double pointSize)
{
    return fontWithName(SystemFontName, pointSize);
}

std::string Font::description() const
{
    return name_ + foundation::format(" %.2f pt.", pointSize_);
}

bool Font::isEqual(const foundation::Object& other) const
{
    auto* font = dynamic_cast<const Font*>(&other);
    return font && font->name_ == name_ && font->pointSize_ == pointSize_;
}

std::uint64_t Font::hash() const
{
    return std::hash<std::string>()(name_) ^ std::hash<double>()(pointSize_);
}

} // namespace appkit
