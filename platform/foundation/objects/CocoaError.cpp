#include "foundation/objects/CocoaError.h"

#include <cstring>

namespace foundation {

Ref<String> pathString(std::string_view utf8)
{
    if (Ref<String> string = String::create(utf8))
        return string;
    std::string escaped;
    for (unsigned char byte : utf8) {
        if (byte < 0x80) {
            escaped += static_cast<char>(byte);
        } else {
            static const char hex[] = "0123456789ABCDEF";
            escaped += '%';
            escaped += hex[byte >> 4];
            escaped += hex[byte & 15];
        }
    }
    return str(escaped);
}

Ref<Error> posixError(int errorNumber)
{
    return Error::withDescription(POSIXErrorDomain, errorNumber, std::strerror(errorNumber));
}

Ref<Error> cocoaError(long code, std::string_view description,
                      const std::vector<std::pair<std::string_view, Ref<Object>>>& userInfo, int errorNumber)
{
    Ref<MutableDictionary> info = MutableDictionary::create();
    info->setObject(pathString(description).get(), LocalizedDescriptionKey);
    for (const auto& [key, value] : userInfo)
        info->setObject(value.get(), key);
    if (errorNumber)
        info->setObject(posixError(errorNumber).get(), UnderlyingErrorKey);
    return Error::create(CocoaErrorDomain, code, info);
}

} // namespace foundation
