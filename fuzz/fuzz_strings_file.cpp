// The strings-file reader on any bytes: a table or an error that says why,
// never both, and never a crash.

#include "foundation/system/StringsFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    std::string error;
    foundation::StringsFile table =
        foundation::StringsFile::parse({reinterpret_cast<const char*>(bytes), size}, error);
    if (!error.empty() && table.size() != 0)
        std::abort();
    return 0;
}
