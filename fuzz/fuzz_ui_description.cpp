// The UI description reader on any file contents: a loaded description or
// an error, never a crash. It reads from a path, so each input goes through
// one file of this process's own.

#include "appkit/UIDescription.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string& descriptionPath()
{
    static const std::string path = "/tmp/fuzz_ui_description." + std::to_string(getpid()) + ".json";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    std::FILE* file = std::fopen(descriptionPath().c_str(), "wb");
    if (!file || std::fwrite(bytes, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    foundation::Ref<foundation::Error> error;
    foundation::Ref<appkit::UIDescription> loaded = appkit::UIDescription::load(descriptionPath(), error);
    if (!loaded == !error)
        std::abort();  // exactly one of the two
    return 0;
}
