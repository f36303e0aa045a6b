#include "agent/ErlangVersionChecker.h"

#include "agent/Output.h"

#include "foundation/objects/Error.h"
#include "foundation/objects/CharacterSet.h"
#include "foundation/storage/TextFile.h"

namespace corvane {

std::optional<std::string> ErlangVersionChecker::currentErlangVersion() const
{
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::String> contents = foundation::stringWithContentsOfFile(versionFilePath_, &error);
    if (!contents) {
        printLine("Error: " + foundation::optionalDescription(error.get()));
        return std::nullopt;
    }
    const foundation::CharacterSet& blanks = foundation::CharacterSet::whitespaceAndNewlineCharacterSet();
    return std::string(foundation::stringByTrimmingCharactersInSet(*contents, blanks)->utf8());
}

} // namespace corvane
