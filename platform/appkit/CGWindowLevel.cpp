#include "appkit/CGWindowLevel.h"

#include <array>
#include <limits>

namespace appkit {

namespace {

constexpr CGWindowLevel baseLevel = std::numeric_limits<std::int32_t>::min();
constexpr CGWindowLevel minimumLevel = baseLevel + 5;   // five levels reserved above the base
constexpr CGWindowLevel maximumLevel = std::numeric_limits<std::int32_t>::max() - 16;  // sixteen reserved below the top
constexpr CGWindowLevel desktopLevel = minimumLevel + 20;
constexpr CGWindowLevel normalLevel = 0;

// Indexed by key.
constexpr std::array<CGWindowLevel, 21> levels = {
    baseLevel,          // base
    minimumLevel,       // minimum
    desktopLevel,       // desktop
    -20,                // backstop menu
    normalLevel,        // normal
    3,                  // floating
    3,                  // torn-off menu
    20,                 // dock
    24,                 // main menu
    25,                 // status
    8,                  // modal panel
    101,                // pop-up menu
    500,                // dragging
    1000,               // screen saver
    maximumLevel,       // maximum
    102,                // overlay
    200,                // help
    19,                 // utility
    desktopLevel + 20,  // desktop icon
    maximumLevel - 1,   // cursor
    1500,               // assistive technology, high
};

} // namespace

CGWindowLevel CGWindowLevelForKey(std::int32_t key)
{
    if (key < 0 || static_cast<std::size_t>(key) >= levels.size())
        return normalLevel;
    return levels[static_cast<std::size_t>(key)];
}

} // namespace appkit
