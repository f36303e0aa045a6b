#include "foundation/storage/TextFile.h"

#include "foundation/objects/CocoaError.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/URL.h"
#include "foundation/system/FileIO.h"

#include <cerrno>
#include <string>

namespace foundation {

namespace {

constexpr long utf8EncodingCode = 4;  // the platform's NSUTF8StringEncoding

Ref<Error> readError(std::string_view path, int errorNumber)
{
    std::string name = lastPathComponent(path);
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
        return cocoaError(CocoaError::FileReadNoSuchFile,
                          format("The file “%s” couldn’t be opened because there is no such file.", name),
                          {{FilePathErrorKey, pathString(path)}}, errorNumber);
    case EACCES:
    case EPERM:
        return cocoaError(CocoaError::FileReadNoPermission,
                          format("The file “%s” couldn’t be opened because you don’t have permission to view it.", name),
                          {{FilePathErrorKey, pathString(path)}}, errorNumber);
    default:
        return cocoaError(CocoaError::FileReadUnknown, format("The file “%s” couldn’t be opened.", name),
                          {{FilePathErrorKey, pathString(path)}}, errorNumber);
    }
}

} // namespace

Ref<String> stringWithContentsOfFile(std::string_view path, Ref<Error>* error)
{
    std::string content;
    if (int errorNumber = readFile(std::string(path), content)) {
        report(error, readError(path, errorNumber));
        return nullptr;
    }
    std::string_view text = content;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    Ref<String> string = String::create(text);
    if (!string) {
        report(error, cocoaError(CocoaError::FileReadInapplicableStringEncoding,
                                 format("The file “%s” couldn’t be opened using text encoding Unicode (UTF-8).",
                                        lastPathComponent(path)),
                                 {{FilePathErrorKey, pathString(path)},
                                  {StringEncodingErrorKey, Number::withSigned(utf8EncodingCode)}}));
    }
    return string;
}

Ref<String> stringWithContentsOfURL(const URL& url, Ref<Error>* error)
{
    if (!url.isFileURL()) {
        report(error, cocoaError(CocoaError::FileReadUnsupportedScheme,
                                 format("The file “%s” couldn’t be opened because the URL type %s isn’t supported.",
                                        url.lastPathComponent(), std::string(url.scheme())),
                                 {{"NSURL", Ref<Object>(const_cast<URL*>(&url))}}));
        return nullptr;
    }
    return stringWithContentsOfFile(url.path(), error);
}

} // namespace foundation
