// Builds a document with the object model, encodes it, decodes the text
// again and checks that the tree came back equal; prints the text. Exit
// status 0 when the round trip holds.
#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/Jotter.h"

#include <cstdio>

int main()
{
    using foundation::str;
    foundation::Ref<foundation::Object> document = foundation::Dictionary::create({
        {str("name").get(), str("Jotter \xc3\xa9t\xc3\xa9").get()},
        {str("sizes").get(),
         foundation::Array::create({foundation::Number::withSigned(3).get(), foundation::Number::withDouble(0.5).get()})
             .get()},
    });

    jotter::Result<std::string> text = jotter::encode(*document, {.pretty = true});
    if (!text) {
        std::fprintf(stderr, "encoding failed: %s\n", text.failure().message.c_str());
        return 1;
    }
    jotter::Result<foundation::Ref<foundation::Object>> decoded = jotter::decode(*text);
    if (!decoded) {
        const jotter::Failure& failure = decoded.failure();
        std::fprintf(stderr, "decoding failed at line %zu, byte %zu: %s\n", failure.line, failure.offset,
            failure.message.c_str());
        return 1;
    }
    if (!(*decoded)->isEqual(*document)) {
        std::fprintf(stderr, "the decoded document differs from the encoded one\n");
        return 1;
    }
    std::puts(text->c_str());
    return 0;
}
