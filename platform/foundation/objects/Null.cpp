#include "foundation/objects/Null.h"

namespace foundation {

Null* Null::null() noexcept
{
    static Null* singleton = new Null;
    return singleton;
}

} // namespace foundation
