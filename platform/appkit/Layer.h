#pragma once

#include "appkit/CGColor.h"
#include "foundation/objects/Object.h"

#include <optional>

namespace appkit {

// The drawing layer behind a layer-backed view. A new layer has no
// background colour, square corners, no border, no shadow, and does not
// clip its sublayers.
class Layer final : public foundation::Object {
public:
    static foundation::Ref<Layer> create();

    double cornerRadius() const noexcept { return cornerRadius_; }
    void setCornerRadius(double radius) noexcept { cornerRadius_ = radius; }

    const std::optional<CGColor>& backgroundColor() const noexcept { return backgroundColor_; }
    void setBackgroundColor(std::optional<CGColor> color) noexcept { backgroundColor_ = color; }

    double borderWidth() const noexcept { return borderWidth_; }
    void setBorderWidth(double width) noexcept { borderWidth_ = width; }

    double shadowOpacity() const noexcept { return shadowOpacity_; }
    void setShadowOpacity(double opacity) noexcept { shadowOpacity_ = opacity; }

    bool masksToBounds() const noexcept { return masksToBounds_; }
    void setMasksToBounds(bool masks) noexcept { masksToBounds_ = masks; }

    const char* className() const override { return "CALayer"; }
    const foundation::OperationTable& operations() const override;

private:
    Layer() = default;

    double cornerRadius_ = 0;
    std::optional<CGColor> backgroundColor_;
    double borderWidth_ = 0;
    double shadowOpacity_ = 0;
    bool masksToBounds_ = false;
};

} // namespace appkit
