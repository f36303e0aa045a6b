#pragma once

// A picture of one X window as xwd(1) takes it: the window's own pixels,
// alpha included for a window with an RGBA visual (which a screenshot of
// the screen, composited on black, would lose). Only the 32-bit ZPixmap
// form an RGBA window gives is read; anything else reads as no picture.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace testsupport {

struct Pixel {
    int red, green, blue, alpha;
    friend bool operator==(const Pixel&, const Pixel&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Pixel& p)
    {
        return out << "rgba(" << p.red << "," << p.green << "," << p.blue << "," << p.alpha << ")";
    }
};

class WindowDump {
public:
    static std::optional<WindowDump> read(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        WindowDump dump;
        dump.bytes_ = std::move(bytes);
        if (dump.bytes_.size() < 100)
            return std::nullopt;
        std::uint32_t headerSize = dump.field(0);
        bool zPixmap32 = dump.field(2) == 2 && dump.field(11) == 32 && dump.field(7) == 0;  // ZPixmap, 32 bpp, LSB first
        dump.width_ = static_cast<int>(dump.field(4));
        dump.height_ = static_cast<int>(dump.field(5));
        dump.bytesPerLine_ = dump.field(12);
        dump.offset_ = headerSize + dump.field(19) * 12;  // after the colour map
        if (!zPixmap32 || dump.offset_ + std::size_t(dump.bytesPerLine_) * dump.height_ > dump.bytes_.size())
            return std::nullopt;
        return dump;
    }

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }

    Pixel at(int x, int y) const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset_ + std::size_t(y) * bytesPerLine_ + std::size_t(x) * 4);
        return {p[2], p[1], p[0], p[3]};
    }

private:
    // The header's fields are big-endian 32-bit words.
    std::uint32_t field(std::size_t index) const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + index * 4);
        return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    }

    std::string bytes_;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t bytesPerLine_ = 0;
    std::size_t offset_ = 0;
};

} // namespace testsupport
