#pragma once

namespace appkit {

// A colour as the drawing layer takes it: device RGB components and alpha,
// each from 0 to 1. A plain value, compared component by component.
struct CGColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;

    friend bool operator==(const CGColor&, const CGColor&) = default;
};

} // namespace appkit
