#include "agent/ErlangVersionChecker.h"

#include "agent/Output.h"
#include "agent/ProductPaths.h"

#include "foundation/Error.h"
#include "foundation/StringFromFile.h"

namespace corvane {

ErlangVersionChecker::ErlangVersionChecker() : versionFilePath_(ProductPaths::current().installedVersionFile) {}

std::optional<std::string> ErlangVersionChecker::currentErlangVersion() const
{
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::String> contents = foundation::stringWithContentsOfFile(versionFilePath_, &error);
    if (!contents) {
        printLine("Error: " + foundation::optionalDescription(error.get()));
        return std::nullopt;
    }
    return foundation::trimmingWhitespaceAndNewlines(contents->utf8());
}

} // namespace corvane
