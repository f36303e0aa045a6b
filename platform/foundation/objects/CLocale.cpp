#include "foundation/objects/CLocale.h"

#include <cstdlib>

namespace foundation {

locale_t cLocale() noexcept
{
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        if (!made)
            std::abort();
        return made;
    }();
    return locale;
}

} // namespace foundation
