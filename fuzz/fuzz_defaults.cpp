// The defaults file reader on any text. What it accepts must write back to
// a document that reads back to an equal dictionary: stored defaults survive
// a save.

#include "foundation/storage/PropertyList.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    std::string why;
    foundation::Ref<foundation::Dictionary> values =
        foundation::decodeDefaultsDocument({reinterpret_cast<const char*>(bytes), size}, why);
    if (!values) {
        if (why.empty())
            std::abort();  // a refusal always says why
        return 0;
    }
    const std::string written = foundation::encodeDefaultsDocument(*values);
    foundation::Ref<foundation::Dictionary> again = foundation::decodeDefaultsDocument(written, why);
    if (!again || !again->isEqual(*values)) {
        std::fprintf(stderr, "a saved defaults document did not read back equal: %s\n%s\n", why.c_str(), written.c_str());
        std::abort();
    }
    return 0;
}
