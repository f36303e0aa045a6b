// The HTML-to-attributed-text reader on any bytes: it never fails, so the
// only faults are crashes, leaks and undefined behaviour.

#include "appkit/MutableAttributedString.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    foundation::Ref<foundation::Data> data = foundation::Data::create(bytes, size);
    foundation::Ref<appkit::MutableAttributedString> text = appkit::MutableAttributedString::initWithHTML(*data);
    (void)text;
    return 0;
}
